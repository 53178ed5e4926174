#include "plugin/Hooks.h"

#include "plugin/LibraryLoad.h"
#include "player/Mp3Player.h"
#include "win32/Handles.h"

namespace {

// The hook procedures pass every call on through these.
UniqueHook KeyboardHookHandle;
UniqueHook ActivateHookHandle;

// Bit 30 of a key message's lParam: the key was down before (auto-repeat, key-up).
constexpr LPARAM PreviousKeyState = LPARAM(1) << 30;

} // namespace

THooks::THooks() noexcept {
    const DWORD thread = GetCurrentThreadId();
    KeyboardHookHandle.Reset(SetWindowsHookExA(WH_KEYBOARD, &KeyboardHook, nullptr, thread));
    ActivateHookHandle.Reset(SetWindowsHookExA(WH_CALLWNDPROCRET, &ActivateHook, nullptr, thread));
}

THooks::~THooks() {
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
    if (nCode != HC_ACTION || lParam == 0 || (lParam & PreviousKeyState)) return result;
    TMp3Player* const player = Player;
    if (player == nullptr) return result;
    try {
        if (player->KeyPressed(key) == TKeyOutcome::EndGame) ExitProcess(0);
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
    TMp3Player* const player = Player;
    if (player == nullptr) return result;
    try {
        const WORD state = LOWORD(call->wParam);
        if (state == WA_INACTIVE)
            player->FocusLost();
        else if (state == WA_ACTIVE)
            player->FocusRegained();
    } catch (...) {
        // A device that cannot report its mode leaves the track as it is.
    }
    return result;
}
