// The keyboard hook called as the system calls it, with the thread's key state set
// through SetKeyboardState: which presses act, which are kept from the game, and when
// the held modifiers are read again.
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
    static void Hold(std::initializer_list<BYTE> keys) {
        BYTE state[256] = {};
        for (BYTE key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    // A fresh key-down, an auto-repeat and a key-up; non-zero: kept from the game.
    static LRESULT Down(WORD key) { return KeyboardHook(HC_ACTION, key, 1); }
    static LRESULT Repeat(WORD key) { return KeyboardHook(HC_ACTION, key, LPARAM(0x40000001)); }
    static LRESULT Up(WORD key) { return KeyboardHook(HC_ACTION, key, LPARAM(0xC0000001)); }
    static void Activate() {
        CWPRETSTRUCT call{};
        call.message = WM_ACTIVATE;
        call.wParam = WA_ACTIVE;
        ActivateHook(HC_ACTION, 0, reinterpret_cast<LPARAM>(&call));
    }

    // On: F5; pause: Ctrl+F8; no exit key; hot keys kept from the game.
    TMp3Player K{Host, THotKeys{VK_F5, 0, 0, KeyCtrl | VK_F8, 0, 0, 0, 0, 0, 0, 0, 0, false}};
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

} // namespace
