#include "plugin/Hooks.h"

#include <cstdint>

#include "core/KeyText.h"

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

// Bits of a key message's lParam: 29, the context code (Alt was held); 30, the key was
// down before (auto-repeat, key-up); 31, the transition state (key-up).
constexpr LPARAM AltContext = LPARAM(1) << 29;
constexpr LPARAM PreviousKeyState = LPARAM(1) << 30;
constexpr LPARAM KeyReleased = LPARAM(1) << 31;

// An unassigned virtual-key code, sent as a press between a kept key and the release
// of Alt (see MaskAltRelease).
constexpr WORD MenuMaskKey = 0xE8;

// Sets of key codes, one bit a code.
using TKeySet = std::uint32_t[8];
bool Has(const TKeySet& set, WORD key) noexcept { return key < 256 && (set[key >> 5] >> (key & 31) & 1u) != 0; }
void Put(TKeySet& set, WORD key, bool in) noexcept {
    if (key >= 256) return;
    const std::uint32_t bit = 1u << (key & 31);
    set[key >> 5] = in ? set[key >> 5] | bit : set[key >> 5] & ~bit;
}

// Keys whose press was kept from the game: their auto-repeats and key-up are kept too.
// Only the game thread's hooks use these.
TKeySet KeptKeys = {};

// A press was kept from the game while Alt was held, and no key has reached the game
// since: the window has seen Alt go down and nothing after it.
bool AltReleaseToMask = false;

// The held modifiers, read from the thread's key state as the key's message is taken
// (not remembered: focus in an attached window, another program's hook or the game's
// SetKeyboardState change that state without a message passing here). AltGr, on the
// layouts that have it, comes as the right Alt with a left Ctrl the system adds: that
// pair types characters and is no Ctrl+Alt, so with it held only a bare key acts.
std::uint16_t HeldModifiers() noexcept {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    if (ctrl && alt && GetKeyState(VK_RMENU) < 0 && GetKeyState(VK_LCONTROL) < 0) return 0;
    return static_cast<std::uint16_t>((ctrl ? KeyCtrl : 0) | (alt ? KeyAlt : 0) |
                                      (GetKeyState(VK_SHIFT) < 0 ? KeyShift : 0));
}

// With Alt held, a key that the window never sees leaves it with Alt going down and up
// and nothing between, which opens the window's menu (and its modal loop) as Alt is
// released. Called as Alt's release is taken from the queue, just before the window
// gets it, whatever was queued meanwhile: a press and release of an unassigned key,
// sent to the window that gets Alt's release, keeps the menu closed.
void MaskAltRelease() noexcept {
    HWND window = GetFocus();
    if (window == nullptr) window = GetActiveWindow();
    if (window == nullptr || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return;
    SendMessageW(window, WM_SYSKEYDOWN, MenuMaskKey, AltContext | 1);
    SendMessageW(window, WM_SYSKEYUP, MenuMaskKey, AltContext | PreviousKeyState | KeyReleased | 1);
}

// A fresh press: runs its hot key's action, if it has one; true when the press is kept
// from the game.
bool TakeHotKey(WORD key, LPARAM lParam) noexcept {
    TMp3Player* const player = Player;
    if (player == nullptr) return false;
    const TKeyMap& keys = player->KeyMap();
    if (!keys.Bound(key)) return false;
    const auto pressed = static_cast<std::uint16_t>(keys.Combined(key) ? key | HeldModifiers() : key);
    if (keys.Find(pressed) < 0) return false;
    // Marked before the action runs: a message pump inside it may take the key-up, and
    // Alt's, which must then be kept, or masked.
    const bool keep = !player->Keys().PassToGame;
    Put(KeptKeys, key, keep);
    AltReleaseToMask = keep && (lParam & AltContext) != 0;
    try {
        if (player->KeyPressed(pressed) == TKeyOutcome::EndGame) ExitProcess(0);
    } catch (...) {
        // A track that cannot be opened or stopped must not take the game down; the
        // player stays usable for the next key.
    }
    return keep;
}

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
    // the key: acting on both would run one press twice. What is kept from the game is
    // kept as it takes the message, which the system then drops.
    if (nCode != HC_ACTION || lParam == 0) return result;
    if (lParam & PreviousKeyState) {
        // An auto-repeat or a key-up: kept when the press was.
        if (Has(KeptKeys, key)) {
            if (lParam & KeyReleased) Put(KeptKeys, key, false);
            return 1;
        }
        if (AltReleaseToMask && key == VK_MENU && (lParam & KeyReleased)) {
            AltReleaseToMask = false;
            MaskAltRelease();
        }
        return result;
    }
    if (TakeHotKey(key, lParam)) return 1;
    // A press the game gets: its repeats and key-up too (a mark left by a key-up that
    // went to another window is stale), and the window has seen a key after Alt.
    Put(KeptKeys, key, false);
    AltReleaseToMask = false;
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
    // Key-ups of kept keys, and Alt's, may have gone to another window.
    for (std::uint32_t& keys : KeptKeys) keys = 0;
    AltReleaseToMask = false;
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
