#include "plugin/Hooks.h"

#include "media/NotifyWindow.h"
#include "plugin/LibraryLoad.h"
#include "player/Mp3Player.h"
#include "win32/Handles.h"
#include "win32/ModuleInstance.h"

namespace {

// The hook procedures pass every call on through these. THooks owns the hooks: plain
// copies here, which nothing releases when the DLL's statics are destroyed.
HHOOK KeyboardHookHandle = nullptr;
HHOOK ActivateHookHandle = nullptr;
HHOOK GameMessageHookHandle = nullptr;

// Bit 30 of a key message's lParam: the key was down before (auto-repeat, key-up).
constexpr LPARAM PreviousKeyState = LPARAM(1) << 30;

bool IsPluginWindow(HWND window) noexcept {
    char name[sizeof NotifyWindowClassName + 1];
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) == ThisModule() &&
           GetClassNameA(window, name, sizeof name) > 0 && lstrcmpA(name, NotifyWindowClassName) == 0;
}

// Windows that the system's input methods give every thread with a window.
bool IsInputMethodWindow(HWND window) noexcept {
    char name[16];
    const int length = GetClassNameA(window, name, sizeof name);
    return length > 0 && (lstrcmpiA(name, "IME") == 0 || lstrcmpiA(name, "MSCTFIME UI") == 0);
}

struct TWindowSearch {
    HWND Ending = nullptr;
    bool OtherFound = false;
};

BOOL CALLBACK FindOtherGameWindow(HWND window, LPARAM param) noexcept {
    auto& search = *reinterpret_cast<TWindowSearch*>(param);
    if (window == search.Ending || GetWindow(window, GW_OWNER) == search.Ending || IsPluginWindow(window) ||
        IsInputMethodWindow(window))
        return TRUE;
    search.OtherFound = true;
    return FALSE; // one remains: stop looking
}

} // namespace

THooks::THooks() noexcept {
    const DWORD thread = GetCurrentThreadId();
    FKeyboard.Reset(SetWindowsHookExA(WH_KEYBOARD, &KeyboardHook, nullptr, thread));
    KeyboardHookHandle = FKeyboard.Get();
    FActivate.Reset(SetWindowsHookExA(WH_CALLWNDPROCRET, &ActivateHook, nullptr, thread));
    ActivateHookHandle = FActivate.Get();
    FGameMessage.Reset(SetWindowsHookExA(WH_GETMESSAGE, &GameMessageHook, nullptr, thread));
    GameMessageHookHandle = FGameMessage.Get();
}

THooks::~THooks() {
    KeyboardHookHandle = ActivateHookHandle = GameMessageHookHandle = nullptr;
}

bool HooksInstalled() noexcept { return KeyboardHookHandle && ActivateHookHandle && GameMessageHookHandle; }

bool IsLastGameWindow(HWND window) noexcept {
    if ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0 || IsPluginWindow(window) ||
        GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        return false;
    TWindowSearch search{window};
    EnumThreadWindows(GetCurrentThreadId(), &FindOtherGameWindow, reinterpret_cast<LPARAM>(&search));
    return !search.OtherFound;
}

LRESULT CALLBACK KeyboardHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    const WORD key = LOWORD(wParam);
    const LRESULT result = CallNextHookEx(KeyboardHookHandle, nCode, key, lParam);
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
    const LRESULT result = CallNextHookEx(ActivateHookHandle, nCode, LOWORD(wParam), lParam);
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (call == nullptr) return result;
    if (call->message == WM_DESTROY) {
        // The game's last window is gone: the game is ending, with or without a WM_QUIT,
        // or it is making a new window.
        if (TMp3Player* const player = Player; player != nullptr && IsLastGameWindow(call->hwnd))
            player->WindowsGone();
        return result;
    }
    if (call->message != WM_ACTIVATE) return result;
    TMp3Player* const player = Player;
    if (player == nullptr) return result;
    try {
        const WORD state = LOWORD(call->wParam);
        if (state == WA_INACTIVE)
            player->FocusLost();
        else
            player->FocusRegained(state == WA_ACTIVE);
    } catch (...) {
        // A device that cannot report its mode leaves the track as it is.
    }
    return result;
}

LRESULT CALLBACK GameMessageHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    const LRESULT result = CallNextHookEx(GameMessageHookHandle, nCode, wParam, lParam);
    // WM_QUIT ends the game's message loop, whether the game takes it off the queue or
    // only peeks at it: this is the last moment at which closing a device is safe.
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (nCode != HC_ACTION || message == nullptr || message->message != WM_QUIT) return result;
    if (TMp3Player* const player = Player) player->GameEnding();
    return result;
}
