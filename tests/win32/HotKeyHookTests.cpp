// The keyboard hook called as the system calls it, with the thread's key state set
// through SetKeyboardState: which presses act, which are kept from the game, the held
// modifiers read at each press of a combination's key (AltGr too), a key-up taken by a
// pump inside the action, and the menu kept closed as Alt is released.
#include <gtest/gtest.h>

#include "PlayerFixture.h"
#include "plugin/Hooks.h"
#include "plugin/LibraryLoad.h"

namespace {

class HotKeyHook : public PlayerFixture {
protected:
    HotKeyHook() {
        K.Append("a.mp3");
        Player = &K;
        Hold({});
    }
    ~HotKeyHook() override {
        Player = nullptr;
        Hold({});
    }
    // The keys held, the left and right modifiers with their shared code.
    static void Hold(std::initializer_list<BYTE> keys) {
        BYTE state[256] = {};
        for (BYTE key : keys) {
            state[key] = 0x80;
            if (key == VK_LCONTROL || key == VK_RCONTROL) state[VK_CONTROL] = 0x80;
            if (key == VK_LMENU || key == VK_RMENU) state[VK_MENU] = 0x80;
            if (key == VK_LSHIFT || key == VK_RSHIFT) state[VK_SHIFT] = 0x80;
        }
        SetKeyboardState(state);
    }
    // A fresh key-down, an auto-repeat and a key-up; non-zero: kept from the game.
    static LRESULT Down(WORD key) { return KeyboardHook(HC_ACTION, key, 1); }
    static LRESULT Repeat(WORD key) { return KeyboardHook(HC_ACTION, key, LPARAM(0x40000001)); }
    static LRESULT Up(WORD key) { return KeyboardHook(HC_ACTION, key, LPARAM(0xC0000001)); }
    // The same with Alt held (the context bit).
    static LRESULT AltDown(WORD key) { return KeyboardHook(HC_ACTION, key, LPARAM(0x20000001)); }
    static LRESULT AltUp(WORD key) { return KeyboardHook(HC_ACTION, key, LPARAM(0xE0000001)); }
    static void Activate() {
        CWPRETSTRUCT call{};
        call.message = WM_ACTIVATE;
        call.wParam = WA_ACTIVE;
        ActivateHook(HC_ACTION, 0, reinterpret_cast<LPARAM>(&call));
    }

    // On: F5; pause: Ctrl+F8; shuffle: Ctrl+Alt+E; no exit key; hot keys kept from the
    // game.
    TMp3Player K{Host, THotKeys{VK_F5, 0, 0, KeyCtrl | VK_F8, KeyCtrl | KeyAlt | 'E', 0, 0, 0, 0, 0, 0, 0, false}};
};

TEST_F(HotKeyHook, AHotKeysPressRepeatsAndKeyUpAreKeptAndNoOtherKey) {
    EXPECT_NE(Down(VK_F5), 0);
    EXPECT_EQ(TakeLines().size(), 1u) << "on";
    EXPECT_NE(Repeat(VK_F5), 0);
    EXPECT_NE(Up(VK_F5), 0);
    EXPECT_EQ(Up(VK_F5), 0) << "a key-up of no kept press";
    EXPECT_EQ(Down('Q'), 0);
    EXPECT_EQ(Up('Q'), 0);
    EXPECT_EQ(Down(VK_F8), 0) << "a combination's key without its modifiers";
    EXPECT_EQ(Up(VK_F8), 0);
    EXPECT_TRUE(TakeLines().empty());
}

TEST_F(HotKeyHook, TheHeldModifiersAreReadAgainAfterAModifiersKeyOrAnActivation) {
    Down(VK_F5);
    Up(VK_F5);
    Hold({VK_CONTROL});
    Down(VK_CONTROL);
    EXPECT_NE(Down(VK_F8), 0);
    EXPECT_NE(Up(VK_F8), 0);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]", "Paused>"}));

    Hold({VK_CONTROL, VK_SHIFT});
    Down(VK_SHIFT);
    EXPECT_EQ(Down(VK_F8), 0) << "more than its modifiers";
    Up(VK_F8);
    Hold({});
    Up(VK_CONTROL);
    EXPECT_EQ(Down(VK_F8), 0) << "none of its modifiers";
    Up(VK_F8);
    EXPECT_TRUE(TakeLines().empty());

    // The game gains the keyboard with Ctrl already down: no Ctrl message comes.
    Hold({VK_CONTROL});
    Activate();
    EXPECT_NE(Down(VK_F8), 0);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a"}));
}

// The key state changes without a modifier's message or an activation passing the hooks
// (another program's hook, the game's SetKeyboardState): each press reads it. AltGr (the
// right Alt with the left Ctrl the system adds) types characters: no Ctrl+Alt
// combination acts with it; the left Alt or the right Ctrl make one.
TEST_F(HotKeyHook, EachPressOfACombinationsKeyReadsTheModifiersHeldThen) {
    Down(VK_F5);
    Up(VK_F5);
    TakeLines();
    const struct {
        std::initializer_list<BYTE> Held;
        WORD Key;
        bool Acts;
    } presses[] = {
        {{}, VK_F8, false},
        {{VK_LCONTROL}, VK_F8, true},
        {{VK_LCONTROL, VK_LSHIFT}, VK_F8, false},
        {{VK_RCONTROL}, VK_F8, true},
        {{}, VK_F8, false},
        {{VK_LCONTROL, VK_LMENU}, 'E', true},
        {{VK_LCONTROL, VK_RMENU}, 'E', false}, // AltGr
        {{VK_RCONTROL, VK_RMENU}, 'E', true},
        {{VK_LCONTROL, VK_RMENU}, VK_F8, false}, // AltGr is no Ctrl either
        {{VK_LCONTROL, VK_RMENU, VK_LMENU}, 'E', false},
        {{VK_LCONTROL, VK_LMENU}, 'E', true},
    };
    for (const auto& press : presses) {
        Hold(press.Held);
        EXPECT_EQ(Down(press.Key) != 0, press.Acts) << press.Key << " with " << press.Held.size() << " held";
        EXPECT_EQ(TakeLines().size(), press.Acts ? 1u : 0u);
        Up(press.Key);
    }
}

// A pump inside the action (the game's text routine) takes the key-up of the kept press:
// it is kept too, and the next press of the key, passed on, reaches the game whole. So
// does a press after a kept one whose key-up went elsewhere.
TEST_F(HotKeyHook, APressPassedOnAfterAKeptOneReachesTheGameWhole) {
    Down(VK_F5);
    Up(VK_F5);
    TakeLines();
    for (const bool upInsideAction : {true, false}) {
        Hold({VK_LCONTROL});
        Down(VK_CONTROL);
        if (upInsideAction) DuringLine = [] { EXPECT_NE(Up(VK_F8), 0) << "the key-up of a kept press"; };
        EXPECT_NE(Down(VK_F8), 0);
        EXPECT_EQ(TakeLines().size(), 1u);
        Hold({});
        Up(VK_CONTROL);
        EXPECT_EQ(Down(VK_F8), 0) << upInsideAction;
        EXPECT_EQ(Repeat(VK_F8), 0) << upInsideAction;
        EXPECT_EQ(Up(VK_F8), 0) << upInsideAction;
        EXPECT_TRUE(TakeLines().empty());
    }
}

// A window that records the key messages sent to it.
std::vector<std::pair<UINT, WPARAM>> KeyMessages;
LRESULT CALLBACK RecordKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_KEYDOWN || message == WM_KEYUP)
        KeyMessages.emplace_back(message, wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// A press kept with Alt held, its key-up and Alt's queued behind it (the game's loop
// stalled): as Alt's release is taken, the window with the focus gets a press of an
// unassigned key first, so Alt's release opens no menu. Not when a key reached the
// window after Alt.
TEST_F(HotKeyHook, AltsReleaseAfterAKeptAltPressIsMaskedAsItIsTaken) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &RecordKeys;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuilmKeyRecorder";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                        nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    SetFocus(window);
    ASSERT_EQ(GetFocus(), window);
    const std::vector<std::pair<UINT, WPARAM>> mask{{WM_SYSKEYDOWN, 0xE8}, {WM_SYSKEYUP, 0xE8}};

    Hold({VK_LCONTROL, VK_LMENU});
    Down(VK_CONTROL);
    AltDown(VK_MENU);
    KeyMessages.clear();
    EXPECT_NE(AltDown('E'), 0);
    EXPECT_NE(AltUp('E'), 0);
    EXPECT_TRUE(KeyMessages.empty()) << "nothing before Alt's release";
    Hold({});
    EXPECT_EQ(AltUp(VK_MENU), 0);
    EXPECT_EQ(KeyMessages, mask);

    Hold({VK_LCONTROL, VK_LMENU});
    Down(VK_CONTROL);
    AltDown(VK_MENU);
    KeyMessages.clear();
    AltDown('E');
    AltUp('E');
    EXPECT_EQ(AltDown('Q'), 0);
    AltUp('Q');
    AltUp(VK_MENU);
    EXPECT_TRUE(KeyMessages.empty()) << "a key reached the window after Alt";
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Shuffle ON>", "Shuffle OFF>"}));
    DestroyWindow(window);
}

} // namespace
