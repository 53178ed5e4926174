// The playlist while the library is read beside the game: keys act on what has been
// found, and the on key pressed before anything was found waits for the first entry.
#include <gtest/gtest.h>

#include "PlayerFixture.h"
#include "core/OperationGuard.h"
#include "plugin/BackgroundScan.h"
#include "plugin/LibraryScan.h"

namespace {

using GrowingPlaylist = PlayerFixture;

TEST_F(GrowingPlaylist, KeysActOnWhatHasBeenFound) {
    P.ScanStarted();
    P.KeyPressed(VK_F5);
    EXPECT_TRUE(Lines.empty() && Mci.Calls.empty()) << "nothing found yet: the switch-on waits";
    P.Append("a.mp3");
    P.EntriesFound();
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-02s]"}) << "on with the first entry found";
    P.Append("b.mp3");
    const struct {
        std::uint16_t Key;
        const char* Grown; // an entry found just before the key
        std::vector<std::string> Lines;
    } table[] = {
        {VK_F6, nullptr, {"Stopped>", "Play> b [00-02s]"}},
        {VK_F6, nullptr, {"Stopped>", "Play> a [00-02s]"}}, // wraps within the two found
        {VK_F7, "c.mp3", {"Stopped>", "Play> c [00-02s]"}}, // back from the first: the last found
    };
    for (const auto& row : table) {
        if (row.Grown) P.Append(row.Grown);
        P.KeyPressed(row.Key);
        EXPECT_EQ(TakeLines(), row.Lines) << row.Key;
    }
    P.KeyPressed(VK_F9);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Shuffle ON>"});
    for (int i = 0; i < 20; ++i) {
        P.KeyPressed(VK_F6);
        const std::vector<std::string> lines = TakeLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_TRUE(lines[1].rfind("Play> a ", 0) == 0 || lines[1].rfind("Play> b ", 0) == 0 ||
                    lines[1].rfind("Play> c ", 0) == 0)
            << "shuffle draws among the entries found: " << lines[1];
    }
}

TEST_F(GrowingPlaylist, ASecondPressOrAScanThatFindsNothingTakesTheSwitchOnBack) {
    for (const bool found : {true, false}) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        player.ScanStarted();
        player.KeyPressed(VK_F5);
        if (found) player.KeyPressed(VK_F5);
        if (found) player.Append("a.mp3");
        player.EntriesFound();
        player.ScanEnded();
        EXPECT_TRUE(TakeLines().empty()) << found;
        player.KeyPressed(VK_F5);
        EXPECT_EQ(TakeLines().size(), found ? 1u : 0u) << found << ": afterwards the key works as always";
    }
}

TEST_F(GrowingPlaylist, AScanEndWaitingBehindAnOperationKeepsTheSwitchOn) {
    P.ScanStarted();
    P.KeyPressed(VK_F5);
    P.Append("a.mp3");
    {
        // The game's text routine pumps both of the scan's messages inside a line.
        const TOperationGuard operation;
        P.EntriesFound();
        P.ScanEnded();
    }
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-02s]"});
}

// The scan's disk, one step at a time: each folder or list waits for the test's word.
HANDLE Steps = nullptr;

TEST_F(GrowingPlaylist, TheScanBesideTheGameFeedsThePlayerAsItGoes) {
    WriteFileBytes("lib\\1\\a.mp3", std::string(200, 'x'));
    WriteFileBytes("lib\\2\\b.mp3", std::string(200, 'x'));
    Steps = CreateSemaphoreA(nullptr, 0, 100, nullptr);
    LibraryScanStep = [] { WaitForSingleObject(Steps, 10000); };
    {
        TBackgroundScan scan(P, {{L"lib\\**", {}}});
        ASSERT_TRUE(scan.Start());
        P.KeyPressed(VK_F5);
        ReleaseSemaphore(Steps, 2, nullptr); // lib, then lib\1
        EXPECT_TRUE(PumpMessagesUntil(5000, [&] { return !Lines.empty(); }));
        EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-02s]"});
        EXPECT_EQ(P.Count(), 1) << "lib\\2 waits";
        ReleaseSemaphore(Steps, 1, nullptr);
        EXPECT_TRUE(PumpMessagesUntil(5000, [&] { return !scan.Running(); }));
        EXPECT_EQ(P.Count(), 2);
        P.KeyPressed(VK_F6);
        EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> b [00-02s]"}));
    }
    LibraryScanStep = nullptr;
    CloseHandle(Steps);
}

} // namespace
