// The player's operations and status lines, with a recorded MCI and the game's text
// routine at its fixed address.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "PlayerFixture.h"
#include "core/Errors.h"

namespace {

using Player = PlayerFixture;

TEST_F(Player, ANewPlayerIsEmptyAndOff) {
    EXPECT_EQ(P.Count(), 0);
    P.Next();
    P.Prev();
    P.PauseResume();
    EXPECT_TRUE(Lines.empty()) << "off, and no track";
    EXPECT_TRUE(Mci.Calls.empty());
    Fill({"A", "B", "A"});
    EXPECT_EQ(P.Count(), 3);
    EXPECT_EQ(P.Entry(0), L"A");
    EXPECT_EQ(P.Entry(1), L"B");
    EXPECT_EQ(P.Entry(2), L"A");
    EXPECT_THROW(P.Entry(3), std::out_of_range);
    const THotKeys keys = TMp3Player(Host).Keys();
    EXPECT_EQ(keys.On + keys.Next + keys.Prev + keys.Pause + keys.Shuffle + keys.End, 0) << "no keys by default";
}

TEST_F(Player, ToggleWithAnEmptyPlaylistDoesNothing) {
    P.Toggle();
    P.Next();
    EXPECT_TRUE(Lines.empty());
    EXPECT_TRUE(Mci.Calls.empty());
}

TEST_F(Player, SwitchingOnMovesOnFromTheIndex) {
    Fill({"a.mp3", "b.mp3", "c.mp3"});
    Mci.LengthMs = 185000;
    P.Toggle();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [03-05s]"}));
    P.Toggle();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>"}));
    P.Next();
    P.Prev();
    P.PauseResume();
    EXPECT_TRUE(Lines.empty()) << "next and previous do nothing while off, and no track is left";
    P.Toggle();
    P.Toggle();
    P.Toggle();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> b [03-05s]", "Stopped>", "Play> c [03-05s]"}))
        << "each switch-on moves on from where the last one stopped";
    P.Toggle();
    P.Toggle();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> a [03-05s]"})) << "wraps after the last";
}

TEST_F(Player, NextAndPrevWrap) {
    Fill({"a.mp3", "b.mp3", "c.mp3"});
    P.Toggle();
    P.Prev();
    P.Next();
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

TEST_F(Player, ShuffleSwitchesAndPicksAtRandom) {
    Fill({"a.mp3"});
    P.SetShuffle(true);
    P.Toggle();
    P.Next();
    P.SetShuffle(false);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Shuffle ON>", "Play> a [00-02s]", "Stopped>", "Play> a [00-02s]",
                                                     "Shuffle OFF>"}))
        << "one entry always draws itself";
    Fill({"b.mp3", "c.mp3"});
    P.SetShuffle(true);
    std::set<std::string> played;
    for (int i = 0; i < 40; ++i) {
        P.Next();
        P.Prev();
    }
    for (const std::string& line : TakeLines())
        if (line.rfind("Play> ", 0) == 0) played.insert(line);
    EXPECT_EQ(played, (std::set<std::string>{"Play> a [00-02s]", "Play> b [00-02s]", "Play> c [00-02s]"}))
        << "next and previous both draw from the whole list";
}

// Shuffle in rounds: the track playing as shuffle goes on (by its key, or restored by
// the first switch-on) counts as played, and previous retraces what next played.
TEST_F(Player, ShuffleInRoundsCountsThePlayingTrackAndPreviousRetraces) {
    for (const bool restored : {false, true}) {
        TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        player.SetShuffleRounds(true);
        for (const char* path : {"a.mp3", "b.mp3", "c.mp3"}) player.Append(path);
        if (restored) player.Remembered().Set({"b.mp3", 0, true});
        player.Toggle();
        if (!restored) player.SetShuffle(true);
        std::vector<std::string> titles;
        for (const UINT key : {VK_F6, VK_F6, VK_F7, VK_F7, VK_F6, VK_F6}) {
            TakeLines();
            player.KeyPressed(static_cast<std::uint16_t>(key));
            const std::vector<std::string> lines = TakeLines();
            ASSERT_EQ(lines.size(), 2u);
            titles.push_back(lines[1]);
        }
        const std::string first = restored ? "Play> b [00-02s]" : "Play> a [00-02s]";
        EXPECT_EQ((std::set<std::string>{titles[0], titles[1], first}),
                  (std::set<std::string>{"Play> a [00-02s]", "Play> b [00-02s]", "Play> c [00-02s]"}))
            << "the round's other two entries, once each";
        EXPECT_EQ(titles[2], titles[0]);
        EXPECT_EQ(titles[3], first) << "back to the track shuffle began with";
        EXPECT_EQ(titles[4], titles[0]);
        EXPECT_EQ(titles[5], titles[1]);
        player.CloseForExit();
    }
}

TEST_F(Player, TheEndOfATrackStartsTheNextAndTheListRepeats) {
    Fill({"a.mp3", "b.mp3"});
    P.Toggle();
    EndCurrentTrack();
    EndCurrentTrack();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]", "Stopped>", "Play> b [00-02s]", "Stopped>",
                                                     "Play> a [00-02s]"}));
}

TEST_F(Player, AMissingFileGivesSilenceAndTheNextKeyMovesOn) {
    Fill({"a.mp3", "b.mp3", "c.mp3"});
    P.Toggle();
    DeleteFileA("b.mp3");
    P.Next();
    P.PauseResume();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]", "Stopped>"})) << "no track to pause";
    P.Next();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> c [00-02s]"})) << "still on, and past the missing entry";
}

TEST_F(Player, FailuresLeaveThePlayerUsable) {
    Fill({"a.mp3", "b.mp3", "c.mp3"});
    P.Toggle();
    TakeLines();

    // The next track cannot be opened: no track, still on, the index has moved.
    Mci.Failures[MCI_OPEN] = 277;
    EXPECT_THROW(P.Next(), eMciDeviceError);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>"}));
    Mci.Failures.clear();
    P.PauseResume();
    EXPECT_TRUE(Lines.empty()) << "no track";

    // It opens but cannot play: no track either, its device closed again, no line.
    Mci.Failures = {{MCI_PLAY, 263}};
    Mci.Calls.clear();
    EXPECT_THROW(P.Next(), eMciDeviceError);
    EXPECT_TRUE(Lines.empty());
    Mci.Failures.clear();
    const std::vector<UINT> sent = Mci.Messages();
    EXPECT_EQ(std::vector<UINT>(sent.end() - 3, sent.end()), (std::vector<UINT>{MCI_PLAY, MCI_STOP, MCI_CLOSE}));
    Mci.Calls.clear();
    P.PauseResume();
    EXPECT_TRUE(Mci.Calls.empty() && Lines.empty()) << "no ghost of c to pause";

    // It refuses to stop: switching off leaves the track and shows nothing.
    P.Next();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]"}));
    Mci.Failures = {{MCI_STOP, 263}};
    EXPECT_THROW(P.Toggle(), eMciDeviceError);
    EXPECT_TRUE(Lines.empty());
    Mci.Failures.clear();
    P.Stop();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>"})) << "the kept track stops now";
    P.Next();
    EXPECT_TRUE(Lines.empty()) << "switched off";
    P.Toggle();
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> b [00-02s]"})) << "on again, after a";
}

TEST_F(Player, KeysRunTheirActionsInOrderAndTheExitKeyClosesTheTrackQuietly) {
    Fill({"a.mp3", "b.mp3"});
    const struct {
        std::uint16_t Key;
        std::vector<std::string> Lines;
    } table[] = {
        {VK_F5, {"Play> a [00-02s]"}},          {VK_F6, {"Stopped>", "Play> b [00-02s]"}},
        {VK_F7, {"Stopped>", "Play> a [00-02s]"}}, {VK_F8, {"Paused>"}},
        {VK_F8, {"Play> a"}},                   {VK_F9, {"Shuffle ON>"}},
        {VK_F9, {"Shuffle OFF>"}},              {'Q', {}},
        // A bare key acts whatever modifiers are held.
        {KeyShift | VK_F8, {"Paused>"}},      {KeyCtrl | KeyAlt | VK_F8, {"Play> a"}},
    };
    for (const auto& row : table) {
        EXPECT_EQ(P.KeyPressed(row.Key), TKeyOutcome::None) << row.Key;
        EXPECT_EQ(TakeLines(), row.Lines) << row.Key;
    }
    Mci.Calls.clear();
    EXPECT_EQ(P.KeyPressed(VK_END), TKeyOutcome::EndGame);
    EXPECT_EQ(Mci.Messages(), (std::vector<UINT>{MCI_STOP, MCI_CLOSE})) << "stopped and closed before the game ends";
    EXPECT_TRUE(Lines.empty());
}

TEST_F(Player, TheFirstMatchingKeyWins) {
    TMp3Player player(Host, THotKeys{VK_F5, VK_F5, VK_F5, VK_F5, VK_F5, VK_F5});
    player.Append("a.mp3");
    EXPECT_EQ(player.KeyPressed(VK_F5), TKeyOutcome::None);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]"})) << "on/off comes first";
    TMp3Player exitOnly(Host, THotKeys{0, 0, 0, 0, 0, VK_F5});
    EXPECT_EQ(exitOnly.KeyPressed(VK_F5), TKeyOutcome::EndGame);
}

TEST_F(Player, FocusPausesAndOnlyItsOwnPauseIsUndone) {
    Fill({"a.mp3"});
    P.FocusLost();
    P.FocusRegained();
    EXPECT_TRUE(Mci.Calls.empty()) << "no track";
    P.Toggle();
    Mci.Calls.clear();
    P.FocusLost();
    P.FocusLost();
    P.FocusRegained();
    EXPECT_EQ(Mci.Messages(), (std::vector<UINT>{MCI_STATUS, MCI_STATUS, MCI_PAUSE, MCI_STATUS, MCI_STATUS,
                                                 MCI_STATUS, MCI_RESUME}));
    Mci.Calls.clear();
    P.PauseResume(); // paused by the key
    P.FocusLost();
    P.FocusRegained();
    EXPECT_EQ(Mci.Messages(), (std::vector<UINT>{MCI_STATUS, MCI_STATUS, MCI_PAUSE, MCI_STATUS, MCI_STATUS}))
        << "a key's pause stays until the key";
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-02s]", "Paused>"})) << "focus changes show nothing";
}

TEST_F(Player, AFocusPauseIsForgottenWhenTheNextTrackStarts) {
    Fill({"a.mp3", "b.mp3"});
    P.Toggle();
    P.FocusLost();
    P.Next(); // b starts while the game is away (a seek past the end, say)
    P.PauseResume();
    Mci.Calls.clear();
    P.FocusRegained();
    EXPECT_EQ(Mci.Messages(), std::vector<UINT>{MCI_STATUS}) << "b was paused by the key: it stays paused";
}

TEST_F(Player, DestroyingAPlayingPlayerSendsNothingAndShowsNothing) {
    auto player = std::make_unique<TMp3Player>(Host);
    player->Append("a.mp3");
    player->Toggle();
    TakeLines();
    Mci.Calls.clear();
    player.reset();
    EXPECT_TRUE(Mci.Calls.empty());
    EXPECT_TRUE(Lines.empty());
}

} // namespace

namespace {

class Volume : public PlayerFixture {
protected:
    // The volume commands sent since the last call, as their values.
    std::vector<DWORD> TakeVolumes() {
        std::vector<DWORD> values;
        for (const TMciCall& call : std::exchange(Mci.Calls, {})) {
            if (call.Message != MCI_SETAUDIO) continue;
            EXPECT_EQ(call.Flags, static_cast<DWORD_PTR>(MCI_DGV_SETAUDIO_ITEM | MCI_DGV_SETAUDIO_VALUE));
            EXPECT_EQ(call.AudioItem, static_cast<DWORD>(MCI_DGV_SETAUDIO_VOLUME));
            EXPECT_EQ(call.Device, Mci.DeviceId);
            values.push_back(call.AudioValue);
        }
        return values;
    }
    TMp3Player V{Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, VK_VOLUME_UP, VK_VOLUME_DOWN}};
};

TEST_F(Volume, EachStepGoesToThePlayingTrackAndShowsItsLine) {
    V.Append("a.mp3");
    V.KeyPressed(VK_F5);
    TakeLines();
    Mci.Calls.clear();
    const struct {
        std::uint16_t Key;
        DWORD Value;
        const char* Line;
    } table[] = {
        {VK_VOLUME_UP, 1000, "Volume> 100%"}, {VK_VOLUME_DOWN, 900, "Volume> 90%"},
        {VK_VOLUME_DOWN, 800, "Volume> 80%"}, {VK_VOLUME_DOWN, 700, "Volume> 70%"},
        {VK_VOLUME_UP, 800, "Volume> 80%"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(V.KeyPressed(row.Key), TKeyOutcome::None);
        EXPECT_EQ(TakeVolumes(), std::vector<DWORD>{row.Value}) << row.Line;
        EXPECT_EQ(TakeLines(), std::vector<std::string>{row.Line});
    }
    // Paused, the level still applies at once.
    V.KeyPressed(VK_F8);
    Mci.Calls.clear();
    V.KeyPressed(VK_VOLUME_DOWN);
    EXPECT_EQ(TakeVolumes(), std::vector<DWORD>{700});
}

TEST_F(Volume, TheLevelStaysWithinNoneAndFull) {
    for (int i = 0; i < 12; ++i) V.KeyPressed(VK_VOLUME_DOWN);
    EXPECT_EQ(TakeLines().back(), "Volume> 0%");
    for (int i = 0; i < 12; ++i) V.KeyPressed(VK_VOLUME_UP);
    const std::vector<std::string> up = TakeLines();
    ASSERT_EQ(up.size(), 12u);
    EXPECT_EQ(up[0], "Volume> 10%");
    EXPECT_EQ(up[9], "Volume> 100%");
    EXPECT_EQ(up[11], "Volume> 100%");
    EXPECT_TRUE(Mci.Calls.empty()) << "no track, switched off: nothing to send";
}

TEST_F(Volume, ALaterTrackGetsTheLevelAfterItOpensAndBeforeItPlays) {
    V.Append("a.mp3");
    V.Append("b.mp3");
    V.KeyPressed(VK_VOLUME_DOWN);
    V.KeyPressed(VK_VOLUME_DOWN);
    V.KeyPressed(VK_F5);
    std::vector<UINT> order;
    for (const TMciCall& call : Mci.Calls) order.push_back(call.Message);
    EXPECT_EQ(order, (std::vector<UINT>{MCI_OPEN, MCI_SET, MCI_STATUS, MCI_CLOSE, MCI_OPEN, MCI_SETAUDIO, MCI_STATUS,
                                        MCI_PLAY}));
    EXPECT_EQ(TakeVolumes(), std::vector<DWORD>{800});
    V.KeyPressed(VK_F6);
    EXPECT_EQ(TakeVolumes(), std::vector<DWORD>{800}) << "and the next";
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Volume> 90%", "Volume> 80%", "Play> a [00-02s]", "Stopped>",
                                                     "Play> b [00-02s]"}));
}

TEST_F(Volume, AtFullVolumeANewTrackGetsNoExtraCommand) {
    V.Append("a.mp3");
    V.KeyPressed(VK_F5);
    EXPECT_TRUE(TakeVolumes().empty());
}

// A file whose ID3v2.4 tag gives its track gain as a TXXX frame, then some audio.
std::string TaggedWithGain(const std::string& value) {
    const std::string data = std::string(1, '\0') + "REPLAYGAIN_TRACK_GAIN" + std::string(1, '\0') + value;
    const std::string frame = "TXXX" + std::string(3, '\0') + static_cast<char>(data.size()) + std::string(2, '\0') + data;
    return std::string("ID3\x04\0\0\0\0\0", 9) + static_cast<char>(frame.size()) + frame + std::string(200, 'x');
}

TEST_F(Volume, WithLoudnessEachTrackGetsTheLevelTimesItsOwnGainBeforeItsPlay) {
    WriteFileBytes("a.mp3", TaggedWithGain("-6.0206 dB")); // half the amplitude
    WriteFileBytes("c.mp3", TaggedWithGain("+6.0206 dB")); // twice
    TMp3Player loud(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, VK_VOLUME_UP, VK_VOLUME_DOWN, 0, 0, 0, 'M'});
    // A pre-amp of -6 dB: a at a quarter, c at the level, b (no gain) at the level alone.
    loud.SetLoudness({TLoudness::Track, -6.0206});
    for (const char* path : {"a.mp3", "b.mp3", "c.mp3"}) loud.Append(path);
    const struct {
        std::uint16_t Key;
        DWORD Volume;
        const char* Line;
    } steps[] = {
        {VK_F5, 250, "Play> a [00-02s]"}, {VK_VOLUME_DOWN, 225, "Volume> 90%"}, {VK_F6, 900, "Play> b [00-02s]"},
        {VK_F6, 900, "Play> c [00-02s]"}, {VK_VOLUME_UP, 1000, "Volume> 100%"}, {'M', 0, "Volume> muted"},
        {VK_F6, 0, "Play> a [00-02s]"},   {'M', 250, "Volume> 100%"},
    };
    for (const auto& step : steps) {
        loud.KeyPressed(step.Key);
        const std::vector<UINT> messages = Mci.Messages();
        EXPECT_EQ(TakeVolumes(), std::vector<DWORD>{step.Volume}) << step.Line;
        EXPECT_EQ(TakeLines().back(), step.Line);
        if (step.Key == VK_F5 || step.Key == VK_F6) {
            EXPECT_EQ(std::find(messages.begin(), messages.end(), MCI_SETAUDIO) + 2,
                      std::find(messages.begin(), messages.end(), MCI_PLAY))
                << step.Line << ": the volume as the device opens, before its play";
        }
    }
    // Without the setting, a track with a gain plays as any other: no volume command.
    V.Append("a.mp3");
    V.KeyPressed(VK_F5);
    EXPECT_TRUE(TakeVolumes().empty());
}

TEST_F(Volume, ADeviceThatRefusesTheVolumePlaysOn) {
    V.Append("a.mp3");
    V.Append("b.mp3");
    Mci.Failures[MCI_SETAUDIO] = 274;
    V.KeyPressed(VK_VOLUME_DOWN);
    EXPECT_NO_THROW(V.KeyPressed(VK_F5));
    EXPECT_NO_THROW(V.KeyPressed(VK_VOLUME_DOWN));
    EXPECT_NO_THROW(V.KeyPressed(VK_F6));
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Volume> 90%", "Play> a [00-02s]", "Volume> 80%", "Stopped>",
                                                     "Play> b [00-02s]"}));
}

TEST_F(Volume, AVolumeKeyThatIsAlsoOneOfTheSixKeepsThatActionOnly) {
    TMp3Player player(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, VK_F9, VK_F5});
    player.Append("a.mp3");
    player.KeyPressed(VK_F9);
    player.KeyPressed(VK_F5);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Shuffle ON>", "Play> a [00-02s]"}));
    TMp3Player zero(Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, 0, 0});
    zero.KeyPressed(0);
    EXPECT_TRUE(Lines.empty()) << "0 is no volume key";
}

} // namespace
