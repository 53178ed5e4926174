// Gapless changes and crossfades through the recorded MCI: which entry is made ready,
// when its device plays, what closes it, and a crossfade's steps and interruptions.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "PlayerFixture.h"

namespace {

constexpr std::uint16_t KeySeekForward = VK_NEXT, KeySeekBack = VK_PRIOR, KeyShow = VK_HOME, KeyMute = 'M';
const THotKeys AllKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, VK_VOLUME_UP, VK_VOLUME_DOWN,
                       KeySeekForward, KeySeekBack, KeyShow, KeyMute};

class Between : public PlayerFixture {
protected:
    Between() {
        Mci.NextDeviceId = 100;
        WriteFileBytes("d.mp3", std::string(200, 'x'));
    }
    // A player of a, b and c with every key and the given settings.
    std::unique_ptr<TMp3Player> Make(TBetweenSettings settings) {
        auto player = std::make_unique<TMp3Player>(Host, AllKeys);
        for (const char* path : {"a.mp3", "b.mp3", "c.mp3"}) player->Append(path);
        player->SetBetweenTracks(settings);
        return player;
    }
    // Runs the thread's messages (the part's posted work, its timer) until done or ms.
    bool PumpUntil(DWORD ms, const std::function<bool()>& done) {
        const ULONGLONG end = GetTickCount64() + ms;
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            if (done()) return true;
            if (GetTickCount64() >= end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    void Pump() { PumpUntil(0, [] { return false; }); }

    const TMciCall* OpenOf(MCIDEVICEID device) const {
        for (const TMciCall& call : Mci.Calls)
            if (call.Message == MCI_OPEN && call.Opened == device) return &call;
        return nullptr;
    }
    bool Sent(MCIDEVICEID device, UINT message, std::size_t from = 0) const {
        for (std::size_t i = from; i < Mci.Calls.size(); ++i)
            if (Mci.Calls[i].Device == device && Mci.Calls[i].Message == message) return true;
        return false;
    }
    // The device opened last, when it is open and has not played: the ready one.
    MCIDEVICEID Ready() const {
        const MCIDEVICEID last = Mci.NextDeviceId - 1;
        return OpenOf(last) && !Sent(last, MCI_CLOSE) && !Sent(last, MCI_PLAY) ? last : 0;
    }
    std::string Element(MCIDEVICEID device) const { return device && OpenOf(device) ? OpenOf(device)->Element : ""; }
    std::set<MCIDEVICEID> StillOpen() const {
        std::set<MCIDEVICEID> open;
        for (const TMciCall& call : Mci.Calls) {
            if (call.Message == MCI_OPEN) open.insert(call.Opened);
            if (call.Message == MCI_CLOSE) open.erase(call.Device);
        }
        return open;
    }
    std::vector<DWORD> Volumes(MCIDEVICEID device) const {
        std::vector<DWORD> values;
        for (const TMciCall& call : Mci.Calls)
            if (call.Device == device && call.Message == MCI_SETAUDIO) values.push_back(call.AudioValue);
        return values;
    }
    // Presses key and checks the change it makes: the ready device plays exactly when it
    // holds the entry played, and is closed before anything opens otherwise. Returns the
    // title played.
    std::string Change(TMp3Player& player, std::uint16_t key, const char* what) {
        const MCIDEVICEID ready = Ready();
        const std::string readyTitle = Element(ready).substr(0, Element(ready).find('.'));
        const std::size_t from = Mci.Calls.size();
        TakeLines();
        player.KeyPressed(key);
        const std::vector<std::string> lines = TakeLines();
        EXPECT_EQ(lines.size(), 2u) << what;
        const std::string title = lines.empty() ? "" : lines.back().substr(6, 1);
        std::size_t firstOpen = Mci.Calls.size(), readyClosed = Mci.Calls.size();
        for (std::size_t i = Mci.Calls.size(); i-- > from;) {
            if (Mci.Calls[i].Message == MCI_OPEN) firstOpen = i;
            if (Mci.Calls[i].Message == MCI_CLOSE && Mci.Calls[i].Device == ready) readyClosed = i;
        }
        const bool usedReady = ready != 0 && title == readyTitle;
        EXPECT_EQ(firstOpen == Mci.Calls.size(), usedReady) << what << ": " << title << " after ready " << readyTitle;
        if (ready != 0 && !usedReady) {
            EXPECT_LT(readyClosed, firstOpen) << what << ": the ready device closes first";
        }
        EXPECT_TRUE(!usedReady || Sent(ready, MCI_PLAY, from)) << what;
        Pump();
        return title;
    }
};

TEST_F(Between, WithoutTheSettingsNothingIsMadeReady) {
    auto player = Make({false, 0});
    player->KeyPressed(VK_F5);
    const std::size_t sent = Mci.Calls.size();
    Pump();
    EXPECT_EQ(Mci.Calls.size(), sent);
    auto outOfRange = Make({false, 11});
    outOfRange->KeyPressed(VK_F5);
    Pump();
    EXPECT_EQ(Ready(), 0u) << "crossfade=11 is no setting";
}

TEST_F(Between, TheReadyDevicePlaysFirstAtTheEndAndTheLinesFollow) {
    auto player = Make({true, 0});
    player->KeyPressed(VK_F5);
    const HWND firstWindow = LastNotifyWindow();
    std::size_t from = Mci.Calls.size();
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-02s]"}) << "the key's line before any preparation";
    Pump();
    std::vector<UINT> sent = Mci.Messages();
    EXPECT_EQ(std::vector<UINT>(sent.begin() + from, sent.end()),
              (std::vector<UINT>{MCI_OPEN, MCI_SET, MCI_STATUS, MCI_CLOSE, MCI_OPEN}));
    const MCIDEVICEID ready = Ready();
    EXPECT_EQ(Element(ready), "b.mp3") << "opened, not playing";
    from = Mci.Calls.size();
    std::size_t sentAtStopped = 0;
    DuringLine = [&] { sentAtStopped = Mci.Calls.size(); };
    SendMessageA(firstWindow, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 0);
    sent = Mci.Messages();
    ASSERT_GE(sentAtStopped, from);
    EXPECT_EQ(std::vector<UINT>(sent.begin() + from, sent.begin() + sentAtStopped),
              (std::vector<UINT>{MCI_STATUS, MCI_PLAY, MCI_STOP, MCI_CLOSE}))
        << "the ready one plays before the ended one closes, and before \"Stopped>\"";
    EXPECT_EQ(Mci.Calls[from + 1].Device, ready);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> b [00-02s]"}));
}

TEST_F(Between, TheReadyEntryIsTheOneTheNextChangePlays) {
    const struct {
        const char* Case;
        bool Shuffle;
        std::vector<std::uint16_t> Keys;
        bool Grow; // an entry joins before the last key
    } table[] = {
        {"next, and next where the order wraps", false, {VK_F6, VK_F6, VK_F6}, false},
        {"previous in order", false, {VK_F7, VK_F7}, false},
        {"an entry added where the order wraps", false, {VK_F6, VK_F6, VK_F6}, true},
        {"shuffle: next and previous take the drawn entry", true, {VK_F6, VK_F7, VK_F6, VK_F7, VK_F6, VK_F7}, false},
        {"shuffle switched on and off between changes", false,
         {VK_F9, VK_F6, VK_F9, VK_F6, VK_F9, VK_F6, VK_F9, VK_F6}, false},
    };
    for (const auto& row : table) {
        auto player = Make({true, 0});
        if (row.Shuffle) player->KeyPressed(VK_F9);
        player->KeyPressed(VK_F5);
        Pump();
        for (std::size_t i = 0; i < row.Keys.size(); ++i) {
            if (row.Grow && i + 1 == row.Keys.size()) player->Append("d.mp3");
            if (row.Keys[i] == VK_F9) {
                player->KeyPressed(VK_F9);
                continue;
            }
            const std::string title = Change(*player, row.Keys[i], row.Case);
            EXPECT_TRUE(!row.Grow || i + 1 < row.Keys.size() || title == "d") << row.Case;
        }
        player->KeyPressed(VK_F5);
        EXPECT_TRUE(StillOpen().empty()) << row.Case << ": the off key closes the ready device too";
    }
}

TEST_F(Between, EveryWayOutClosesTheReadyDevice) {
    const struct {
        const char* Case;
        std::function<void(TMp3Player&)> Act;
        std::size_t Left; // the devices still open afterwards
    } table[] = {
        {"the off key", [](TMp3Player& p) { p.KeyPressed(VK_F5); }, 0},
        {"the exit key", [](TMp3Player& p) { p.KeyPressed(VK_END); }, 0},
        {"the game's quit", [](TMp3Player& p) { p.GameEnding(); }, 0},
        {"its last window gone", [](TMp3Player& p) { p.WindowsGone(); }, 0},
        {"the game in the background (its track paused)", [](TMp3Player& p) { p.FocusLost(); }, 1},
    };
    for (const auto& row : table) {
        auto player = Make({true, 0});
        player->KeyPressed(VK_F5);
        Pump();
        ASSERT_NE(Ready(), 0u) << row.Case;
        const MCIDEVICEID ready = Ready();
        row.Act(*player);
        EXPECT_EQ(StillOpen().size(), row.Left) << row.Case;
        EXPECT_FALSE(StillOpen().count(ready)) << row.Case;
        Pump();
        EXPECT_EQ(StillOpen().size(), row.Left) << row.Case << ": nothing made ready after";
        if (row.Left == 0) continue;
        player->FocusRegained();
        Pump();
        EXPECT_EQ(Element(Ready()), "b.mp3") << row.Case << ": ready again once the game is back";
        player->GameEnding();
        EXPECT_TRUE(StillOpen().empty()) << row.Case;
    }
}

class Crossfade : public Between {
protected:
    // a plays one second before its end, and the crossfade of one second into b starts.
    std::unique_ptr<TMp3Player> StartFade() {
        Mci.LengthMs = 5000;
        auto player = Make({false, 1});
        player->KeyPressed(VK_F5);
        Old = Mci.NextDeviceId - 1;
        Mci.PositionMs = 4000;
        Pump();
        New = Old + 2;
        EXPECT_EQ(Element(New), "b.mp3");
        EXPECT_TRUE(Sent(New, MCI_PLAY));
        EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Play> a [00-05s]", "Play> b [00-05s]"}))
            << "no \"Stopped>\": nothing stopped";
        return player;
    }
    MCIDEVICEID Old = 0, New = 0;
};

TEST_F(Crossfade, TheNewTrackRisesFromNothingWhileTheOldFallsThenTheOldCloses) {
    auto player = StartFade();
    Mci.PositionMs = 0; // b, once it plays alone, is far from its own end
    ASSERT_TRUE(PumpUntil(3000, [&] { return Sent(Old, MCI_CLOSE); }));
    const std::vector<DWORD> rising = Volumes(New), falling = Volumes(Old);
    ASSERT_GE(rising.size(), 4u) << "0, steps, full";
    EXPECT_EQ(rising.front(), 0u);
    EXPECT_EQ(rising.back(), 1000u);
    EXPECT_TRUE(std::is_sorted(rising.begin(), rising.end()));
    ASSERT_GE(falling.size(), 3u);
    EXPECT_EQ(falling.back(), 0u);
    EXPECT_TRUE(std::is_sorted(falling.rbegin(), falling.rend()));
    const auto first = [&](MCIDEVICEID device, UINT message) {
        std::size_t i = 0;
        while (i < Mci.Calls.size() && (Mci.Calls[i].Device != device || Mci.Calls[i].Message != message)) ++i;
        return i;
    };
    EXPECT_LT(first(New, MCI_SETAUDIO), first(New, MCI_PLAY)) << "the new track's 0 comes before its play";
    std::size_t lastFall = 0;
    for (std::size_t i = 0; i < Mci.Calls.size(); ++i)
        if (Mci.Calls[i].Device == Old && Mci.Calls[i].Message == MCI_SETAUDIO) lastFall = i;
    EXPECT_LT(lastFall, first(Old, MCI_CLOSE)) << "closed once at 0";
    Pump();
    EXPECT_EQ(Element(Ready()), "c.mp3") << "the next one is made ready once the crossfade is over";
    EXPECT_TRUE(Lines.empty());
    player->GameEnding();
    EXPECT_TRUE(StillOpen().empty());
}

TEST_F(Crossfade, AnyKeyOrAFocusLossFirstClosesTheFadingTrackThenActsOnTheNewOne) {
    const struct {
        const char* Case;
        std::function<void(TMp3Player&)> Act;
        std::vector<std::string> Lines;
    } table[] = {
        {"next", [](TMp3Player& p) { p.KeyPressed(VK_F6); }, {"Stopped>", "Play> c [00-05s]"}},
        {"previous", [](TMp3Player& p) { p.KeyPressed(VK_F7); }, {"Stopped>", "Play> a [00-05s]"}},
        {"pause", [](TMp3Player& p) { p.KeyPressed(VK_F8); }, {"Paused>"}},
        {"shuffle", [](TMp3Player& p) { p.KeyPressed(VK_F9); }, {"Shuffle ON>"}},
        {"volume", [](TMp3Player& p) { p.KeyPressed(VK_VOLUME_DOWN); }, {"Volume> 90%"}},
        {"mute", [](TMp3Player& p) { p.KeyPressed(KeyMute); }, {"Volume> muted"}},
        {"seek", [](TMp3Player& p) { p.KeyPressed(KeySeekBack); }, {"Play> b [00-00s/00-05s]"}},
        {"show", [](TMp3Player& p) { p.KeyPressed(KeyShow); }, {"Play> b [00-04s/00-05s]"}},
        {"off", [](TMp3Player& p) { p.KeyPressed(VK_F5); }, {"Stopped>"}},
        {"exit", [](TMp3Player& p) { p.KeyPressed(VK_END); }, {}},
        {"focus lost", [](TMp3Player& p) { p.FocusLost(); }, {}},
    };
    for (const auto& row : table) {
        auto player = StartFade();
        PumpUntil(120, [] { return false; });
        ASSERT_FALSE(Sent(Old, MCI_CLOSE)) << row.Case << ": still fading";
        const std::size_t from = Mci.Calls.size();
        row.Act(*player);
        ASSERT_GE(Mci.Calls.size(), from + 3) << row.Case;
        EXPECT_EQ(Mci.Calls[from].Device, Old) << row.Case;
        EXPECT_EQ(Mci.Calls[from].Message, static_cast<UINT>(MCI_STOP)) << row.Case;
        EXPECT_EQ(Mci.Calls[from + 1].Message, static_cast<UINT>(MCI_CLOSE)) << row.Case;
        EXPECT_EQ(Mci.Calls[from + 2].Device, New) << row.Case;
        EXPECT_EQ(Mci.Calls[from + 2].AudioValue, 1000u) << row.Case << ": the new track at its own volume";
        EXPECT_EQ(TakeLines(), row.Lines) << row.Case;
        EXPECT_TRUE(row.Case != std::string("pause") || Sent(New, MCI_PAUSE, from)) << "the new one paused";
        player->GameEnding();
        EXPECT_TRUE(StillOpen().empty()) << row.Case;
        Mci.PositionMs = 0;
    }
}

TEST_F(Crossfade, TheFadedTracksEndMovesNothingOn) {
    auto player = StartFade();
    HWND oldWindow = nullptr;
    for (const TMciCall& call : Mci.Calls)
        if (call.Device == Old && call.Message == MCI_PLAY) oldWindow = reinterpret_cast<HWND>(call.Callback);
    ASSERT_NE(oldWindow, nullptr);
    const std::size_t from = Mci.Calls.size();
    SendMessageA(oldWindow, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 0);
    EXPECT_TRUE(Lines.empty()) << "b plays on";
    EXPECT_TRUE(Sent(Old, MCI_CLOSE, from));
    Mci.PositionMs = 0;
    EXPECT_TRUE(PumpUntil(3000, [&] { return Volumes(New).back() == 1000; })) << "b rises to the end";
    EXPECT_FALSE(StillOpen().count(Old));
    Pump();
    EXPECT_EQ(Element(Ready()), "c.mp3") << "made ready once the crossfade is over";
    player->KeyPressed(VK_F8);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Paused>"});
    player->GameEnding();
}

TEST_F(Crossfade, AShortTrackGetsAGaplessChangeInstead) {
    Mci.LengthMs = 2999; // under 2 x 1 s + 1 s
    auto player = Make({false, 1});
    player->KeyPressed(VK_F5);
    const HWND window = LastNotifyWindow();
    Mci.PositionMs = 2000;
    PumpUntil(200, [] { return false; });
    const MCIDEVICEID ready = Ready();
    EXPECT_EQ(Element(ready), "b.mp3");
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"Play> a [00-02s]"}) << "no crossfade";
    SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 0);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Stopped>", "Play> b [00-02s]"}));
    EXPECT_TRUE(Sent(ready, MCI_PLAY));
    EXPECT_TRUE(Volumes(ready).empty()) << "at full volume throughout";
    player->GameEnding();
}

} // namespace
