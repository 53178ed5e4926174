// The progress ticker: ticks handed to the owning thread, which drains them.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "FakeMci.h"
#include "TestFiles.h"
#include "core/Errors.h"
#include "media/ProgressThread.h"
#include "media/qrvMP3.h"

namespace {

// Drains for ms milliseconds on this (the owning) thread.
void DrainFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) TqrvProgressThread::CheckSynchronize(20);
}

// Waits (draining) until every ticker has ended; false after 3 s.
bool AllTickersEnded() {
    const DWORD start = GetTickCount();
    while (TqrvProgressThread::LiveCount() != 0) {
        if (GetTickCount() - start > 3000) return false;
        TqrvProgressThread::CheckSynchronize(20);
    }
    return true;
}

class Ticker : public ::testing::Test {
protected:
    Ticker() {
        WriteFileBytes("song.mp3", std::string(300, 'x'));
        Mci.PositionMs = 61500;
    }
    ~Ticker() override { EXPECT_TRUE(AllTickersEnded()); }
    std::unique_ptr<TqrvMP3> PlayingTrack(bool withProgress = true) {
        auto track = std::make_unique<TqrvMP3>(L"song.mp3");
        if (withProgress)
            track->SetOnProgress([this](TqrvMP3&, std::int32_t seconds) { Reports.push_back(seconds); });
        track->Play();
        return track;
    }
    TTempGameFolder Folder;
    TFakeMci Mci;
    std::vector<std::int32_t> Reports;
};

TEST_F(Ticker, ADeviceWithoutProgressCallbackStartsNone) {
    auto track = PlayingTrack(false);
    EXPECT_FALSE(track->HasTicker());
    EXPECT_EQ(TqrvProgressThread::LiveCount(), 0);
    track->Pause();
    track->Resume();
    track->Stop();
}

TEST_F(Ticker, ReportsAtOnceThenAboutOnceASecond) {
    auto track = PlayingTrack();
    ASSERT_TRUE(track->HasTicker());
    const DWORD start = GetTickCount();
    while (Reports.empty() && GetTickCount() - start < 2000) TqrvProgressThread::CheckSynchronize(20);
    ASSERT_FALSE(Reports.empty());
    EXPECT_LT(GetTickCount() - start, 900u) << "the first report comes right after Play";
    EXPECT_EQ(Reports[0], 61);
    DrainFor(2600);
    EXPECT_GE(Reports.size(), 2u);
    EXPECT_LE(Reports.size(), 5u);
    track->Stop();
    EXPECT_FALSE(track->HasTicker());
}

TEST_F(Ticker, AHeldTickerReportsNothingUntilReleased) {
    auto track = PlayingTrack();
    DrainFor(300);
    ASSERT_EQ(Reports.size(), 1u);
    track->Pause();
    DrainFor(2500);
    EXPECT_EQ(Reports.size(), 1u);
    track->Resume();
    DrainFor(1500);
    EXPECT_GE(Reports.size(), 2u);
    track->Stop();
}

TEST_F(Ticker, StopAfterPauseEndsTheWorkerPromptly) {
    auto track = PlayingTrack();
    DrainFor(300);
    track->Pause();
    track->Stop();
    const DWORD start = GetTickCount();
    EXPECT_TRUE(AllTickersEnded());
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(Ticker, StopDuringTheSleepGivesNoFurtherReport) {
    auto track = PlayingTrack();
    DrainFor(300);
    ASSERT_EQ(Reports.size(), 1u);
    track->Stop();
    DrainFor(1500);
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(Ticker, AReportWaitingWhenStopComesStillRunsOnTheClosedDevice) {
    auto track = PlayingTrack();
    Sleep(300); // the first tick now waits for this thread
    track->Stop();
    DrainFor(1500);
    EXPECT_EQ(Reports, (std::vector<std::int32_t>{0})) << "one report, of a closed device";
}

TEST_F(Ticker, AReportWaitingWhenTheDeviceIsFreedNeverRuns) {
    auto track = PlayingTrack();
    Sleep(300);
    track.reset();
    DrainFor(500);
    EXPECT_TRUE(Reports.empty());
}

TEST_F(Ticker, AnErrorInAReportEndsTheTickerQuietly) {
    auto track = std::make_unique<TqrvMP3>(L"song.mp3");
    int calls = 0;
    track->SetOnProgress([&](TqrvMP3&, std::int32_t) {
        ++calls;
        throw eMciDeviceError("263 - gone");
    });
    track->Play();
    EXPECT_NO_THROW(DrainFor(300));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(AllTickersEnded());
    DrainFor(1200);
    EXPECT_EQ(calls, 1);
    // The worker has ended and let go of the ticker; the device still holds it, so
    // pausing, resuming and stopping reach a live object, not freed memory.
    track->Pause();
    track->Resume();
    track->Stop();
    EXPECT_FALSE(track->HasTicker());
    track->Play();
    EXPECT_TRUE(track->HasTicker()) << "the next play starts a new ticker";
    DrainFor(300);
    EXPECT_EQ(calls, 2);
}

TEST_F(Ticker, AReportHandlerMayFreeItsOwnDevice) {
    auto track = std::make_unique<TqrvMP3>(L"song.mp3");
    // Captures that live in the handler itself: freeing the device frees them too.
    auto reports = std::make_shared<std::vector<std::int32_t>>();
    track->SetOnProgress([&track, reports](TqrvMP3&, std::int32_t seconds) {
        track.reset();
        reports->push_back(seconds);
    });
    track->Play();
    DrainFor(500);
    EXPECT_EQ(track, nullptr);
    EXPECT_EQ(reports->size(), 1u);
}

TEST_F(Ticker, OnlyTheOwningThreadMayDrain) {
    std::string message;
    std::thread other([&] {
        try {
            TqrvProgressThread::CheckSynchronize(0);
        } catch (const EThread& error) {
            message = error.what();
        }
    });
    other.join();
    EXPECT_EQ(message.rfind("CheckSynchronize called from thread $", 0), 0u) << message;
    EXPECT_NE(message.find(", which is NOT the main thread"), std::string::npos);
    EXPECT_FALSE(TqrvProgressThread::CheckSynchronize(0));
}

} // namespace
