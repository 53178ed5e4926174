// The optional keys for seeking, showing where the track is and muting, through the
// recorded MCI.
#include <gtest/gtest.h>

#include "PlayerFixture.h"
#include "core/Errors.h"

namespace {

constexpr std::uint16_t KeySeekForward = VK_NEXT, KeySeekBack = VK_PRIOR, KeyShow = VK_HOME, KeyMute = 'M';

class Keys : public PlayerFixture {
protected:
    Keys() {
        Mci.LengthMs = 185000;
        for (const char* path : {"a.mp3", "b.mp3"}) K.Append(path);
    }
    // Switches on and clears the record: a plays.
    void PlayA() {
        K.KeyPressed(VK_F5);
        TakeLines();
        Mci.Calls.clear();
    }
    TMp3Player K{Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, VK_VOLUME_UP, VK_VOLUME_DOWN,
                                KeySeekForward, KeySeekBack, KeyShow, KeyMute}};
};

TEST_F(Keys, SeekMovesThePlayingOrPausedTrackAndSaysWhereItIs) {
    const struct {
        const char* Case;
        bool Paused;
        DWORD_PTR PositionMs;
        std::uint16_t Key;
        DWORD From;
        std::string Line;
    } table[] = {
        {"ahead while playing", false, 5400, KeySeekForward, 15400, "Play> a [00-15s/03-05s]"},
        {"back while paused", true, 83000, KeySeekBack, 73000, "Paused> b [01-13s/03-05s]"},
        {"back near the start stops at 0", false, 4000, KeySeekBack, 0, "Play> a [00-00s/03-05s]"},
        {"ahead to just before the end", true, 174999, KeySeekForward, 184999, "Paused> b [03-04s/03-05s]"},
    };
    for (const auto& row : table) { // each switch-on moves on: a, b, a, b
        PlayA();
        if (row.Paused) K.KeyPressed(VK_F8);
        TakeLines();
        Mci.Calls.clear();
        Mci.PositionMs = row.PositionMs;
        K.KeyPressed(row.Key);
        std::vector<UINT> want{MCI_STATUS, MCI_SET, MCI_STATUS, MCI_PLAY};
        if (row.Paused) want.push_back(MCI_PAUSE);
        ASSERT_EQ(Mci.Messages(), want) << row.Case;
        EXPECT_EQ(Mci.Calls[1].TimeFormat, static_cast<DWORD>(MCI_FORMAT_MILLISECONDS)) << row.Case;
        EXPECT_EQ(Mci.Calls[2].Item, static_cast<DWORD>(MCI_STATUS_POSITION)) << row.Case;
        EXPECT_EQ(Mci.Calls[3].Flags, static_cast<DWORD_PTR>(MCI_FROM | MCI_NOTIFY)) << row.Case;
        EXPECT_EQ(Mci.Calls[3].From, row.From) << row.Case;
        EXPECT_EQ(reinterpret_cast<HWND>(Mci.Calls[3].Callback), LastNotifyWindow()) << row.Case;
        EXPECT_EQ(TakeLines(), std::vector<std::string>{row.Line}) << row.Case;
        K.KeyPressed(VK_F5);
    }
}

TEST_F(Keys, ASeekPastTheEndEndsTheTrackAsItsNaturalEndDoes) {
    PlayA();
    Mci.PositionMs = 176000;
    K.KeyPressed(KeySeekForward);
    const std::vector<UINT> messages = Mci.Messages();
    ASSERT_GE(messages.size(), 5u);
    EXPECT_EQ(std::vector<UINT>(messages.begin(), messages.begin() + 5),
              (std::vector<UINT>{MCI_STATUS, MCI_SET, MCI_STATUS, MCI_STOP, MCI_CLOSE}));
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> b [03-05s]"}));
}

TEST_F(Keys, WithoutATrackSeekDoesNothingAndShowSaysStopped) {
    K.KeyPressed(KeySeekForward);
    K.KeyPressed(KeySeekBack);
    EXPECT_TRUE(Lines.empty());
    K.KeyPressed(KeyShow);
    EXPECT_TRUE(Mci.Calls.empty());
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Stopped>"}) << "off";
    TMp3Player silent(Host, THotKeys{VK_F5, 0, 0, 0, 0, 0, 0, 0, 0, 0, KeyShow, 0});
    silent.Append("missing.mp3");
    silent.KeyPressed(VK_F5);
    silent.KeyPressed(KeyShow);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Stopped>"}) << "on, and silent";
}

TEST_F(Keys, ShowSaysWhereThePlayingOrPausedTrackIsAndChangesNothing) {
    PlayA();
    Mci.PositionMs = 83999;
    K.KeyPressed(KeyShow);
    EXPECT_EQ(Mci.Messages(), (std::vector<UINT>{MCI_STATUS, MCI_SET, MCI_STATUS}));
    K.KeyPressed(VK_F8);
    Mci.Calls.clear();
    K.KeyPressed(KeyShow);
    EXPECT_EQ(Mci.Messages(), (std::vector<UINT>{MCI_STATUS, MCI_SET, MCI_STATUS}));
    EXPECT_EQ(TakeLines(),
              (std::vector<std::string>{"Play> a [01-23s/03-05s]", "Paused>", "Paused> a [01-23s/03-05s]"}));
}

TEST_F(Keys, MuteSilencesThisTrackAndEveryLaterOneUntilUnmutedOrAVolumeKey) {
    const auto volumes = [this] {
        std::vector<DWORD> values;
        for (const TMciCall& call : std::exchange(Mci.Calls, {}))
            if (call.Message == MCI_SETAUDIO) values.push_back(call.AudioValue);
        return values;
    };
    K.KeyPressed(KeyMute);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Volume> muted"}) << "no track, player off";
    K.KeyPressed(KeyMute);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Volume> 100%"});
    EXPECT_TRUE(volumes().empty());
    PlayA();
    K.KeyPressed(VK_VOLUME_DOWN);
    K.KeyPressed(KeyMute);
    EXPECT_EQ(volumes(), (std::vector<DWORD>{900, 0}));
    K.KeyPressed(VK_F6);
    EXPECT_EQ(volumes(), std::vector<DWORD>{0}) << "a later track plays muted too";
    K.KeyPressed(KeyMute);
    EXPECT_EQ(volumes(), std::vector<DWORD>{900}) << "the level from before, at once";
    K.KeyPressed(KeyMute);
    K.KeyPressed(VK_VOLUME_DOWN);
    EXPECT_EQ(volumes(), (std::vector<DWORD>{0, 800})) << "a volume key unmutes and steps from the level before";
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Volume> 90%", "Volume> muted", "Stopped>", "Play> b [03-05s]",
                                                     "Volume> 90%", "Volume> muted", "Volume> 80%"}));
}

TEST_F(Keys, ARefusedSeekLeavesTheTrackWhereItWasAndShowsNothing) {
    PlayA();
    Mci.PositionMs = 30000;
    Mci.Failures[MCI_PLAY] = MCIERR_UNSUPPORTED_FUNCTION;
    EXPECT_THROW(K.KeyPressed(KeySeekForward), eMciDeviceError);
    Mci.Failures.clear();
    EXPECT_TRUE(Lines.empty());
    Mci.Calls.clear();
    K.KeyPressed(KeyShow);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-30s/03-05s]"}) << "still playing where it was";
}

TEST_F(Keys, ATrackThatCouldNotStartIsNoCurrentTrack) {
    Mci.Failures[MCI_PLAY] = MCIERR_HARDWARE;
    EXPECT_THROW(K.KeyPressed(VK_F5), eMciDeviceError);
    Mci.Failures.clear();
    Mci.Calls.clear();
    K.KeyPressed(KeyShow);
    K.KeyPressed(VK_F8);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Stopped>"});
    EXPECT_TRUE(Mci.Calls.empty()) << "nothing to ask MCI about, nothing to pause";
}

TEST_F(Keys, OptionalKeysThatAreNotSetAreNoKeys) {
    PlayA();
    for (std::uint16_t key : {KeySeekForward, KeySeekBack, KeyShow, KeyMute, std::uint16_t{0}}) P.KeyPressed(key);
    EXPECT_TRUE(Lines.empty());
    EXPECT_TRUE(Mci.Calls.empty()) << "P has none of the optional keys";
}

} // namespace
