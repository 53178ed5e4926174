#include "plugin/Hooks.h"

#include "media/qrvMP3.h"
#include "plugin/LibraryLoad.h"
#include "win32/Handles.h"

bool PausedByFocus = false;

namespace {

UniqueHook KeyboardHookHandle;
UniqueHook ActivateHookHandle;

constexpr LPARAM PreviousKeyState = LPARAM(1) << 30;

void DispatchKey(TMp3Player& player, WORD key) {
    if (key == player.FKeyOn) {
        player.Toggle();
    } else if (key == player.FKeyPrev) {
        player.Prev();
    } else if (key == player.FKeyNext) {
        player.Next();
    } else if (key == player.FKeyPause) {
        player.PauseResume();
    } else if (key == player.FKeyShuffle) {
        player.SetShuffle(!player.FShuffle);
    } else if (key == player.FKeyEnd) {
        player.CloseForExit();
        ExitProcess(0);
    }
}

void HandleActivation(WORD state) {
    TqrvMP3* track = Player ? Player->FTrack.get() : nullptr;
    if (track == nullptr) return;
    if (state == WA_INACTIVE) {
        if (track->Mode() == mmPlaying) {
            track->Pause();
            PausedByFocus = true;
        }
    } else if (state == WA_ACTIVE) {
        if (track->Mode() == mmPaused && PausedByFocus) {
            track->Resume();
            PausedByFocus = false;
        }
    }
}

} // namespace

void InstallHooks() noexcept {
    const DWORD thread = GetCurrentThreadId();
    KeyboardHookHandle.Reset(SetWindowsHookExA(WH_KEYBOARD, &KeyboardHook, nullptr, thread));
    ActivateHookHandle.Reset(SetWindowsHookExA(WH_CALLWNDPROCRET, &ActivateHook, nullptr, thread));
}

void RemoveHooks() noexcept {
    KeyboardHookHandle.Reset();
    ActivateHookHandle.Reset();
}

bool HooksInstalled() noexcept { return KeyboardHookHandle && ActivateHookHandle; }

LRESULT CALLBACK KeyboardHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    const WORD key = LOWORD(wParam);
    const LRESULT result = CallNextHookEx(KeyboardHookHandle.Get(), nCode, key, lParam);
    // A peek without removal (HC_NOREMOVE) comes again as HC_ACTION when the game takes
    // the key: acting on both would run one press twice. Bit 30 marks auto-repeats and
    // key-ups.
    if (nCode != HC_ACTION || lParam == 0 || (lParam & PreviousKeyState) || !Player) return result;
    try {
        DispatchKey(*Player, key);
    } catch (...) {
        // A track that cannot be opened or stopped must not take the game down; the
        // player stays usable for the next key.
    }
    return result;
}

LRESULT CALLBACK ActivateHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    const LRESULT result = CallNextHookEx(ActivateHookHandle.Get(), nCode, LOWORD(wParam), lParam);
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (call == nullptr || call->message != WM_ACTIVATE) return result;
    try {
        HandleActivation(LOWORD(call->wParam));
    } catch (...) {
        // A device that cannot report its mode leaves the track as it is.
    }
    return result;
}
