// The player's operations and status lines, with a recorded MCI and the game's text
// routine at its fixed address.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeMci.h"
#include "HostSection.h"
#include "TestFiles.h"
#include "core/Errors.h"
#include "host/HostApi.h"
#include "media/qrvMP3.h"
#include "player/Mp3Player.h"

namespace {

std::vector<std::string> Lines;

extern "C" void __cdecl RecordLine(const wchar_t* text, int) {
    std::string line;
    for (; *text; ++text) line.push_back(static_cast<char>(*text));
    Lines.push_back(line);
}

class Player : public ::testing::Test {
protected:
    Player() {
        InstallHostRoutine(THostBuild::First, &RecordLine);
        HostApiInitialize();
        Lines.clear();
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) WriteFileBytes(name, std::string(200, 'x'));
    }
    void Fill(std::initializer_list<const char*> paths) {
        for (const char* path : paths) P.Append(path);
    }
    std::vector<std::string> TakeLines() { return std::exchange(Lines, {}); }
    // The end of the current track, as MCI reports it.
    void EndCurrentTrack() {
        ASSERT_NE(P.FTrack, nullptr);
        SendMessageA(P.FTrack->NotifyWindow(), MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Mci.DeviceId);
    }

    TTempGameFolder Folder;
    TFakeMci Mci;
    TMp3Player P;
};

TEST_F(Player, ANewPlayerIsEmptyAndOff) {
    EXPECT_EQ(P.Count(), 0);
    EXPECT_EQ(P.FIndex, -1);
    EXPECT_FALSE(P.FActive);
    EXPECT_FALSE(P.FShuffle);
    for (std::uint8_t key : {P.FKeyOn, P.FKeyPrev, P.FKeyNext, P.FKeyPause, P.FKeyEnd, P.FKeyShuffle}) EXPECT_EQ(key, 0);
    EXPECT_EQ(P.FTrack, nullptr);
    Fill({"A", "B", "A"});
    EXPECT_EQ(P.Count(), 3);
    EXPECT_EQ(P.Entry(0), "A");
    EXPECT_EQ(P.Entry(1), "B");
    EXPECT_EQ(P.Entry(2), "A");
    EXPECT_THROW(P.Entry(3), std::out_of_range);
}

TEST_F(Player, ToggleWithAnEmptyPlaylistDoesNothing) {
    P.Toggle();
    EXPECT_FALSE(P.FActive);
    EXPECT_TRUE(Lines.empty());
    EXPECT_TRUE(Mci.Calls.empty());
}

TEST_F(Player, SwitchingOnMovesOnFromTheIndex) {
    Fill({"a.mp3", "b.mp3", "c.mp3"});
    Mci.LengthMs = 185000;
    P.Toggle();
    EXPECT_TRUE(P.FActive);
    EXPECT_EQ(P.FIndex, 0);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [03-05s]"}));
    P.Toggle();
    EXPECT_FALSE(P.FActive);
    EXPECT_EQ(P.FIndex, 0);
    EXPECT_EQ(P.FTrack, nullptr);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>"}));
    P.Next();
    P.Prev();
    EXPECT_TRUE(Lines.empty()) << "next and previous do nothing while off";
    P.FIndex = 2;
    P.Toggle();
    EXPECT_EQ(P.FIndex, 0) << "wraps after the last";
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [03-05s]"}));
}

TEST_F(Player, NextAndPrevWrap) {
    Fill({"a.mp3", "b.mp3", "c.mp3"});
    P.Toggle();
    P.Prev();
    EXPECT_EQ(P.FIndex, 2);
    P.Next();
    EXPECT_EQ(P.FIndex, 0);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]", "Stopped>", "Play> c [00-02s]", "Stopped>",
                                                     "Play> a [00-02s]"}));
}

TEST_F(Player, PauseResumeActsOnTheTracksMode) {
    P.PauseResume();
    EXPECT_TRUE(Lines.empty()) << "no track";
    Fill({"a.mp3"});
    P.Toggle();
    TakeLines();
    P.PauseResume();
    P.PauseResume();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Paused>", "Play> a"}));
    for (DWORD_PTR mode : {MCI_MODE_STOP, MCI_MODE_SEEK, MCI_MODE_NOT_READY}) {
        Mci.ModeValue = mode;
        P.PauseResume();
    }
    EXPECT_TRUE(Lines.empty());
}

TEST_F(Player, ShuffleSwitchesReseedsAndPicksAtRandom) {
    Fill({"a.mp3"});
    P.SetShuffle(true);
    EXPECT_TRUE(P.FShuffle);
    EXPECT_FALSE(P.FActive);
    P.Toggle();
    P.Next();
    EXPECT_EQ(P.FIndex, 0) << "one entry always draws 0";
    P.SetShuffle(false);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Shuffle ON>", "Play> a [00-02s]", "Stopped>", "Play> a [00-02s]",
                                                     "Shuffle OFF>"}));
    P.FPlaylist = {"a.mp3", "b.mp3", "c.mp3"};
    P.FShuffle = true;
    PlayerRandom().Reseed(12345);
    P.Next();
    EXPECT_EQ(PlayerRandom().Seed(), 1655067934u);
    EXPECT_EQ(P.FIndex, static_cast<std::int32_t>((3ull * 1655067934u) >> 32));
}

TEST_F(Player, TheEndOfATrackStartsTheNextAndTheListRepeats) {
    Fill({"a.mp3", "b.mp3"});
    P.Toggle();
    EndCurrentTrack();
    EXPECT_EQ(P.FIndex, 1);
    EndCurrentTrack();
    EXPECT_EQ(P.FIndex, 0);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]", "Stopped>", "Play> b [00-02s]", "Stopped>",
                                                     "Play> a [00-02s]"}));
}

TEST_F(Player, AMissingFileGivesSilenceAndTheNextKeyMovesOn) {
    Fill({"a.mp3", "b.mp3", "c.mp3"});
    P.Toggle();
    DeleteFileA("b.mp3");
    P.Next();
    EXPECT_EQ(P.FIndex, 1);
    EXPECT_EQ(P.FTrack, nullptr);
    EXPECT_TRUE(P.FActive);
    P.Next();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]", "Stopped>", "Play> c [00-02s]"}));
}

TEST_F(Player, FailuresLeaveTheFieldsAsTheyWere) {
    Fill({"a.mp3", "b.mp3"});
    P.Toggle();
    TakeLines();

    // The next track cannot be opened.
    Mci.Failures[MCI_OPEN] = 277;
    EXPECT_THROW(P.Next(), eMciDeviceError);
    EXPECT_EQ(P.FIndex, 1);
    EXPECT_EQ(P.FTrack, nullptr);
    EXPECT_TRUE(P.FActive);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>"}));

    // It opens but cannot play: the track is kept, no line.
    Mci.Failures = {{MCI_PLAY, 263}};
    EXPECT_THROW(P.Next(), eMciDeviceError);
    EXPECT_NE(P.FTrack, nullptr);
    EXPECT_TRUE(Lines.empty());

    // It refuses to stop: switching off leaves the track and shows nothing.
    Mci.Failures = {{MCI_STOP, 263}};
    EXPECT_THROW(P.Toggle(), eMciDeviceError);
    EXPECT_FALSE(P.FActive);
    EXPECT_NE(P.FTrack, nullptr);
    EXPECT_TRUE(Lines.empty());
    Mci.Failures.clear();
    P.Stop();
    EXPECT_EQ(P.FTrack, nullptr);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>"}));
}

TEST_F(Player, DestroyingAPlayingPlayerSendsNothingAndShowsNothing) {
    auto player = std::make_unique<TMp3Player>();
    player->Append("a.mp3");
    player->Toggle();
    TakeLines();
    Mci.Calls.clear();
    player.reset();
    EXPECT_TRUE(Mci.Calls.empty());
    EXPECT_TRUE(Lines.empty());
}

} // namespace
