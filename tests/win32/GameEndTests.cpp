// The edges of a game's life in the player: the game's end and the exit key close the
// device whatever MCI answers; the hooks see the game's loop end and its last window
// go; and nothing that a message pump inside an MCI command delivers runs nested
// inside the operation that sent it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "PlayerFixture.h"
#include "core/OperationGuard.h"
#include "plugin/Hooks.h"
#include "plugin/LibraryLoad.h"

namespace {

using GameEnd = PlayerFixture;

// The commands sent after the last MCI_PLAY.
std::vector<UINT> MessagesAfterLastPlay(const TFakeMci& mci) {
    std::vector<UINT> after;
    for (const TMciCall& call : mci.Calls) {
        if (call.Message == MCI_PLAY)
            after.clear();
        else
            after.push_back(call.Message);
    }
    return after;
}

void PumpQueuedMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

TEST_F(GameEnd, ClosesTheDeviceInEveryStateAndNothingPlaysOrShowsAfterwards) {
    const struct {
        const char* State;
        std::function<void(TMp3Player&)> Reach;
        std::vector<UINT> Messages;
    } table[] = {
        {"playing", [](TMp3Player&) {}, {MCI_STOP, MCI_CLOSE}},
        {"paused by the key", [](TMp3Player& p) { p.KeyPressed(VK_F8); }, {MCI_STOP, MCI_CLOSE}},
        {"paused by focus", [](TMp3Player& p) { p.FocusLost(); }, {MCI_STOP, MCI_CLOSE}},
        {"switched off", [](TMp3Player& p) { p.KeyPressed(VK_F5); }, {}},
    };
    for (const auto& row : table) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        for (const char* path : {"a.mp3", "b.mp3"}) player.Append(path);
        player.KeyPressed(VK_F5);
        row.Reach(player);
        TakeLines();
        Mci.Calls.clear();
        player.GameEnding();
        EXPECT_EQ(Mci.Messages(), row.Messages) << row.State;
        EXPECT_TRUE(TakeLines().empty()) << row.State << ": the game's screen is going away";
        Mci.Calls.clear();
        for (const std::uint16_t key : {VK_F5, VK_F6, VK_F8, VK_F9}) player.KeyPressed(key);
        player.FocusLost();
        player.FocusRegained();
        EXPECT_TRUE(TakeLines().empty() && Mci.Calls.empty()) << row.State << ": after the quit, nothing acts";
    }
}

TEST_F(GameEnd, TheDeviceIsClosedEvenWhenItRefusesToStop) {
    Fill({"a.mp3"});
    const struct {
        const char* Way;
        std::function<void()> End;
    } table[] = {
        {"exit key", [this] { EXPECT_EQ(P.KeyPressed(VK_END), TKeyOutcome::EndGame); }},
        {"game's end", [this] { P.GameEnding(); }},
    };
    for (const auto& row : table) {
        P.KeyPressed(VK_F5);
        Mci.Calls.clear();
        Mci.Failures[MCI_STOP] = MCIERR_HARDWARE;
        row.End();
        Mci.Failures.clear();
        ASSERT_EQ(Mci.Messages(), (std::vector<UINT>{MCI_STOP, MCI_CLOSE})) << row.Way;
        EXPECT_EQ(Mci.Calls[1].Device, Mci.DeviceId) << row.Way;
        EXPECT_EQ(Mci.Calls[1].Flags, static_cast<DWORD_PTR>(MCI_WAIT)) << row.Way;
        TakeLines();
    }
}

TEST_F(GameEnd, AnEndOfTrackPumpedInsideACommandRunsAfterTheOperation) {
    Fill({"a.mp3", "b.mp3"});
    P.KeyPressed(VK_F5);
    // a's end is queued; the driver pumps it while the pause key's MCI_PAUSE runs.
    PostMessageA(LastNotifyWindow(), MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Mci.DeviceId);
    TakeLines();
    Mci.Calls.clear();
    Mci.DuringMessage = MCI_PAUSE;
    Mci.DuringCommand = [] { PumpQueuedMessages(); };
    P.KeyPressed(VK_F8);
    const std::vector<UINT> messages = Mci.Messages();
    ASSERT_GE(messages.size(), 6u);
    EXPECT_EQ(std::vector<UINT>(messages.begin(), messages.begin() + 5),
              (std::vector<UINT>{MCI_STATUS, MCI_STATUS, MCI_PAUSE, MCI_STOP, MCI_CLOSE}))
        << "the pause completes; only then does a end and close";
    EXPECT_EQ(messages.back(), static_cast<UINT>(MCI_PLAY)) << "then b plays";
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Paused>", "Stopped>", "Play> b [00-02s]"}));
}

TEST_F(GameEnd, TheQuitWinsOverATrackEndWaitingInTheSameOperation) {
    for (const bool windowsOnly : {false, true}) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        for (const char* path : {"a.mp3", "b.mp3"}) player.Append(path);
        player.KeyPressed(VK_F5);
        PostMessageA(LastNotifyWindow(), MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Mci.DeviceId);
        TakeLines();
        Mci.Calls.clear();
        // The driver pumps a's end, then the loop's WM_QUIT (or the last window goes).
        Mci.DuringMessage = MCI_PAUSE;
        Mci.DuringCommand = [&] {
            PumpQueuedMessages();
            windowsOnly ? player.WindowsGone() : player.GameEnding();
        };
        player.KeyPressed(VK_F8);
        const std::vector<UINT> messages = Mci.Messages();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), MCI_OPEN), 0) << windowsOnly << ": no next track";
        EXPECT_EQ(messages.back(), static_cast<UINT>(MCI_CLOSE)) << windowsOnly;
        EXPECT_TRUE(TakeLines().empty()) << windowsOnly << ": nothing after the end, not even the pause's line";
        player.FocusRegained();
        if (windowsOnly) {
            EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> b [00-02s]"}) << "a new window: a ended, b starts";
        }
    }
}

// The game ends, or its last window goes, through a message pumped at some point of a
// running operation: the operation stops there. No device opens after that point, no
// line is shown, and none is left open; a new window (after the last one went) starts
// what the operation had reached.
TEST_F(GameEnd, TheGameEndStopsTheRunningOperationWhereItIs) {
    const struct {
        const char* Where;
        std::uint16_t Key;
        UINT Command;                      // the MCI command that pumps, or 0: the text routine
        int Skip;                          // commands of that kind to let pass first
        std::vector<std::string> Lines;    // up to the end
        std::vector<std::string> NewWindow; // the lines of a new window's activation
    } table[] = {
        {"inside \"Stopped>\" of the next key", VK_F6, 0, 0, {"Stopped>"}, {"Play> b [00-02s]"}},
        {"inside the next track's first open (its length)", VK_F6, MCI_OPEN, 0, {"Stopped>"}, {"Play> b [00-02s]"}},
        {"inside the next track's play open", VK_F6, MCI_OPEN, 1, {"Stopped>"}, {"Play> b"}},
        {"inside the next track's play", VK_F6, MCI_PLAY, 0, {"Stopped>"}, {"Play> b"}},
        {"inside \"Paused>\"", VK_F8, 0, 0, {"Paused>"}, {}},
    };
    for (const bool windowsOnly : {false, true}) {
        for (const auto& row : table) {
            const std::string what = std::string(row.Where) + (windowsOnly ? ", last window" : ", quit");
            TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
            for (const char* path : {"a.mp3", "b.mp3"}) player.Append(path);
            Mci.Calls.clear();
            Mci.ModeValue = MCI_MODE_STOP;
            player.KeyPressed(VK_F5);
            TakeLines();
            std::size_t endAt = 0;
            const std::function<void()> end = [&] {
                endAt = Mci.Calls.size();
                windowsOnly ? player.WindowsGone() : player.GameEnding();
            };
            std::function<void()> skipThenEnd = end;
            for (int i = 0; i < row.Skip; ++i)
                skipThenEnd = [&, next = skipThenEnd] { Mci.DuringMessage = row.Command, Mci.DuringCommand = next; };
            if (row.Command == 0)
                DuringLine = end;
            else
                Mci.DuringMessage = row.Command, Mci.DuringCommand = skipThenEnd;
            player.KeyPressed(row.Key);
            ASSERT_NE(endAt, 0u) << what << ": the end came";
            EXPECT_EQ(TakeLines(), row.Lines) << what << ": nothing shown after the end";
            const auto count = [&](UINT message, std::size_t from) {
                return std::count_if(Mci.Calls.begin() + static_cast<std::ptrdiff_t>(from), Mci.Calls.end(),
                                     [&](const TMciCall& call) { return call.Message == message; });
            };
            EXPECT_EQ(count(MCI_OPEN, endAt), 0) << what << ": no device opened after the end";
            EXPECT_EQ(count(MCI_PLAY, endAt), 0) << what << ": nothing played after the end";
            EXPECT_EQ(count(MCI_OPEN, 0), count(MCI_CLOSE, 0)) << what << ": none left open";
            if (!windowsOnly) continue;
            player.FocusRegained();
            EXPECT_EQ(TakeLines(), row.NewWindow) << what << ": a new window";
            player.CloseForExit();
        }
    }
}

// A game replacing its window inside an operation: focus lost, the last window gone, the
// new one active. Run in the order they came, the music goes on in the new window.
TEST_F(GameEnd, WorkDeferredAcrossAWindowRecreationRunsInTheOrderItCame) {
    Fill({"a.mp3"});
    P.KeyPressed(VK_F5);
    TakeLines();
    {
        const TOperationGuard operation;
        P.FocusLost();
        P.WindowsGone();
        P.FocusRegained();
    }
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a"});
    EXPECT_EQ(Mci.Messages().back(), static_cast<UINT>(MCI_PLAY)) << "the track plays on";
}

TEST_F(GameEnd, WhatTheHooksDeliverInsideACommandNeverRunsNestedInIt) {
    const struct {
        const char* What;
        std::function<void(TMp3Player&)> Deliver;
        std::vector<UINT> After; // once b plays
    } table[] = {
        {"a key, dropped", [](TMp3Player& p) { EXPECT_EQ(p.KeyPressed(VK_F6), TKeyOutcome::None); }, {}},
        {"a focus change, applied after", [](TMp3Player& p) { p.FocusLost(); }, {MCI_STATUS, MCI_STATUS, MCI_PAUSE}},
        {"only the latest focus change", [](TMp3Player& p) { p.FocusLost(), p.FocusRegained(); }, {MCI_STATUS}},
    };
    for (const auto& row : table) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        for (const char* path : {"a.mp3", "b.mp3", "c.mp3"}) player.Append(path);
        player.KeyPressed(VK_F5);
        TakeLines();
        Mci.Calls.clear();
        // The next key opens b; its driver pumps the delivery inside that open.
        Mci.DuringMessage = MCI_OPEN;
        Mci.DuringCommand = [&] { row.Deliver(player); };
        player.KeyPressed(VK_F6);
        EXPECT_FALSE(Mci.DuringCommand) << row.What;
        EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> b [00-02s]"}))
            << row.What << ": one track change, nothing nested in it";
        EXPECT_EQ(MessagesAfterLastPlay(Mci), row.After) << row.What;
    }
}

// The real hooks on this thread, with the test's player as the plug-in's.
class GameEndHooks : public PlayerFixture {
protected:
    GameEndHooks() { ::Player = &P; }
    ~GameEndHooks() override { ::Player = nullptr; }
    THooks Hooks;
};

TEST_F(GameEndHooks, TheLoopTakingWmQuitClosesTheDevice) {
    ASSERT_TRUE(HooksInstalled());
    for (const UINT peek : {PM_REMOVE, PM_NOREMOVE}) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        player.Append("a.mp3");
        ::Player = &player;
        player.KeyPressed(VK_F5);
        TakeLines();
        Mci.Calls.clear();
        PostQuitMessage(0);
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, peek)) << peek;
        EXPECT_EQ(Mci.Messages(), (std::vector<UINT>{MCI_STOP, MCI_CLOSE})) << peek;
        EXPECT_TRUE(TakeLines().empty()) << peek;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ::Player = &P;
    }
}

TEST_F(GameEndHooks, OnlyTheLastGameWindowGoingClosesTheDevice) {
    Fill({"a.mp3", "b.mp3"});
    const auto makeWindow = [] {
        return CreateWindowExA(0, "STATIC", "game", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    };
    HWND first = makeWindow();
    HWND second = makeWindow();
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, second, nullptr, nullptr, nullptr);
    ASSERT_TRUE(first && second && child);
    P.KeyPressed(VK_F5);
    TakeLines();
    Mci.Calls.clear();
    DestroyWindow(first);
    DestroyWindow(child);
    EXPECT_TRUE(Mci.Calls.empty()) << "a game window remains, and the notification window is not one";
    P.KeyPressed(VK_F6);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> b [00-02s]"})) << "the music goes on";
    Mci.Calls.clear();
    DestroyWindow(second);
    const std::vector<UINT> messages = Mci.Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(std::vector<UINT>(messages.end() - 2, messages.end()), (std::vector<UINT>{MCI_STOP, MCI_CLOSE}));
    EXPECT_TRUE(TakeLines().empty());
}

// A game window whose activation changes nothing else (DefWindowProc would set the
// focus, and so activate it for real).
LRESULT CALLBACK GameWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return m == WM_ACTIVATE ? 0 : DefWindowProcA(w, m, wp, lp);
}

HWND MakeGameWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSA c{};
        c.lpfnWndProc = &GameWindowProc;
        c.lpszClassName = "QuilmTestGame";
        return RegisterClassA(&c);
    }();
    return CreateWindowExA(0, MAKEINTATOM(windowClass), "game", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
}

TEST_F(GameEndHooks, ANewGameWindowPicksTheTrackUpWhereItWas) {
    Fill({"a.mp3", "b.mp3"});
    const auto away = [](HWND w) { SendMessageA(w, WM_ACTIVATE, WA_INACTIVE, 0); };
    const struct {
        const char* State;
        std::function<void(HWND)> Reach;
        const char* LastLine; // before the window goes
        WPARAM Activation;
        std::vector<UINT> Tail; // the commands that pick the track up
        std::vector<std::string> Lines;
    } table[] = {
        {"playing", [](HWND) {}, "Play> b [00-02s]", WA_ACTIVE, {MCI_OPEN, MCI_SET, MCI_PLAY}, {"Play> b"}},
        {"paused by the key", [this](HWND) { P.KeyPressed(VK_F8); }, "Paused>", WA_ACTIVE,
         {MCI_OPEN, MCI_SET, MCI_PLAY, MCI_PAUSE}, {}},
        {"paused by focus", away, "Play> b [00-02s]", WA_ACTIVE, {MCI_OPEN, MCI_SET, MCI_PLAY}, {"Play> b"}},
        {"paused by focus, back by a click", away, "Play> b [00-02s]", WA_CLICKACTIVE,
         {MCI_OPEN, MCI_SET, MCI_PLAY, MCI_PAUSE}, {}},
    };
    for (const auto& row : table) {
        HWND old = MakeGameWindow();
        SendMessageA(old, WM_ACTIVATE, WA_ACTIVE, 0); // the game is back, after the row before
        P.KeyPressed(VK_F5); // on: a
        P.KeyPressed(VK_F6); // b
        row.Reach(old);
        Mci.PositionMs = 1500;
        DestroyWindow(old);
        P.KeyPressed(VK_F6);
        const std::vector<std::string> before = TakeLines();
        ASSERT_FALSE(before.empty()) << row.State;
        EXPECT_EQ(before.back(), row.LastLine) << row.State << ": no key acts without a window";
        Mci.Calls.clear();
        HWND fresh = MakeGameWindow();
        SendMessageA(fresh, WM_ACTIVATE, row.Activation, 0);
        // From the new device's open on, MCI_STATUS queries aside.
        std::vector<TMciCall> picked;
        for (const TMciCall& call : Mci.Calls) {
            if (call.Message == MCI_OPEN) picked.clear();
            if (call.Message != MCI_STATUS) picked.push_back(call);
        }
        std::vector<UINT> tail;
        for (const TMciCall& call : picked) tail.push_back(call.Message);
        EXPECT_EQ(tail, row.Tail) << row.State;
        ASSERT_GE(picked.size(), 3u) << row.State;
        EXPECT_EQ(picked[2].From, 1500u) << row.State;
        EXPECT_EQ(picked[2].Flags, static_cast<DWORD_PTR>(MCI_NOTIFY | MCI_FROM)) << row.State;
        EXPECT_EQ(TakeLines(), row.Lines) << row.State;
        P.KeyPressed(VK_F5); // off
        DestroyWindow(fresh);
        TakeLines();
    }
}

} // namespace
