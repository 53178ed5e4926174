// What the player reports for the session files, the remembered track's first
// switch-on, and the switch-on at the game's start.
#include <algorithm>

#include <gtest/gtest.h>

#include "PlayerFixture.h"

namespace {

using PlayerReports = PlayerFixture;

struct TRecordingWatcher final : TPlayerWatcher {
    struct TSeen {
        std::string Path, NowPlaying;
        std::int32_t PositionMs;
        bool Shuffle, Ending;
        bool operator==(const TSeen&) const = default;
    };
    void PlayerChanged(const TPlayerReport& report, bool gameEnding) noexcept override {
        Seen.push_back({Utf8Of(report.Path), Utf8Of(report.NowPlaying), report.PositionMs, report.Shuffle, gameEnding});
    }
    std::vector<TSeen> Seen;
};

// Each key's report: the track, where it was (asked of the device at a pause and at
// the switch-off), shuffle, and the title only while a track plays or is paused.
TEST_F(PlayerReports, EveryChangeIsReportedTheEndBeforeTheDeviceCloses) {
    TRecordingWatcher watcher;
    P.SetWatcher(&watcher);
    Fill({"a.mp3", "b.mp3"});
    Mci.PositionMs = 1500;
    const struct {
        std::uint16_t Key;
        TRecordingWatcher::TSeen Seen;
    } table[] = {
        {VK_F5, {"a.mp3", "a", 0, false, false}},
        {VK_F8, {"a.mp3", "a", 1500, false, false}},
        {VK_F6, {"b.mp3", "b", 0, false, false}},
        {VK_F5, {"b.mp3", "", 1500, false, false}},
        {VK_F5, {"a.mp3", "a", 0, false, false}},
        {VK_F9, {"a.mp3", "a", 0, true, false}},
        {VK_END, {"a.mp3", "", 1500, true, true}},
    };
    for (const auto& row : table) {
        watcher.Seen.clear();
        P.KeyPressed(row.Key);
        ASSERT_FALSE(watcher.Seen.empty()) << row.Key;
        EXPECT_EQ(watcher.Seen.back(), row.Seen) << row.Key;
    }
    EXPECT_EQ(Mci.Messages().back(), static_cast<UINT>(MCI_CLOSE)) << "the end was reported before the close";
    P.SetWatcher(nullptr);
}

// The first switch-on waits for the remembered track while the library is read, and
// starts as always once the complete library does not hold it.
TEST_F(PlayerReports, TheRememberedTrackIsAwaitedThenPlayedWhereItWas) {
    for (const bool held : {true, false}) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        player.Remembered().Set({"b.mp3", 1000, false});
        player.ScanStarted();
        player.KeyPressed(VK_F5);
        player.Append("a.mp3");
        player.EntriesFound();
        EXPECT_TRUE(TakeLines().empty()) << "the first entry is not the remembered one";
        if (held) {
            EXPECT_TRUE(player.Remembered().Is(L"b.mp3"));
            player.Append("b.mp3");
        } else {
            player.Remembered().LibraryComplete();
        }
        player.EntriesFound();
        player.ScanEnded();
        EXPECT_EQ(TakeLines(), std::vector<std::string>{held ? "Play> b [00-01s/00-02s]" : "Play> a [00-02s]"});
        player.KeyPressed(VK_F6);
        EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> a [00-02s]"}))
            << "next goes on from the track's place (b wraps to a; a alone plays again)";
        player.CloseForExit();
    }
}

// The switch-on at the game's start: the on key's line; with the game in the background
// the track waits paused by focus, and goes on when the game comes back.
TEST_F(PlayerReports, AutoStartInTheBackgroundWaitsForTheGame) {
    Fill({"a.mp3"});
    P.AutoStart(false);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-02s]"});
    EXPECT_EQ(Mci.Messages().back(), static_cast<UINT>(MCI_PAUSE));
    P.FocusRegained();
    EXPECT_EQ(Mci.Messages().back(), static_cast<UINT>(MCI_RESUME));
    P.AutoStart(true);
    EXPECT_TRUE(TakeLines().empty()) << "nothing once the player is on";
    P.CloseForExit();
}

// A switch-on that waits for the library's first entry while the game is in the
// background (autostart then, or the on key pressed before the game lost focus): the
// track starts paused by focus, and goes on when the game comes back. A game that came
// back in a new window (a display mode change) is in front: the track plays.
TEST_F(PlayerReports, ASwitchOnWaitingForTheFirstEntryStartsPausedInTheBackground) {
    const struct {
        const char* Name;
        void (*Wait)(TMp3Player&);
        bool Paused;
    } rows[] = {
        {"autostart", [](TMp3Player& player) { player.AutoStart(false); }, true},
        {"on key, then focus lost", [](TMp3Player& player) {
             player.KeyPressed(VK_F5);
             player.FocusLost();
         }, true},
        {"autostart, then a new window in front", [](TMp3Player& player) {
             player.AutoStart(true);
             player.FocusLost();
             player.WindowsGone();
             player.FocusRegained();
         }, false},
    };
    for (const auto& row : rows) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        player.ScanStarted();
        row.Wait(player);
        player.Append("a.mp3");
        player.EntriesFound();
        EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-02s]"}) << row.Name;
        EXPECT_EQ(Mci.Messages().back(), static_cast<UINT>(row.Paused ? MCI_PAUSE : MCI_PLAY)) << row.Name;
        if (row.Paused) {
            player.FocusRegained();
            EXPECT_EQ(Mci.Messages().back(), static_cast<UINT>(MCI_RESUME)) << row.Name;
        }
        player.CloseForExit();
    }
}

// The game's end inside the play of a background autostart: the device hears nothing
// but its close.
TEST_F(PlayerReports, AnAutostartWhoseGameEndsInsideThePlaySendsNoPause) {
    TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
    player.Append("a.mp3");
    Mci.DuringMessage = MCI_PLAY;
    Mci.DuringCommand = [&] { player.GameEnding(); };
    player.AutoStart(false);
    const std::vector<UINT> sent = Mci.Messages();
    const auto play = std::find(sent.begin(), sent.end(), static_cast<UINT>(MCI_PLAY));
    ASSERT_NE(play, sent.end());
    EXPECT_EQ(std::vector<UINT>(play + 1, sent.end()), (std::vector<UINT>{MCI_STOP, MCI_CLOSE}));
}

} // namespace
