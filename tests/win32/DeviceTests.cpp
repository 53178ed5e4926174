// The device against the real MCI (MPEGVideo through Wine's DirectShow), with MP3s
// generated for the test run.
#include <gtest/gtest.h>

#include <cstring>

#include "TestFiles.h"
#include "core/Errors.h"
#include "core/TrackTitle.h"
#include "media/qrvMP3.h"

namespace {

class RealDevice : public ::testing::Test {
protected:
    TTempGameFolder Folder;
};

TEST_F(RealDevice, MeasuresATwoSecondTone) {
    CopyFixture("tone2s.mp3", "music\\tone.mp3");
    TqrvMP3 track(L"music\\tone.mp3");
    EXPECT_EQ(track.Length(), 2);
    EXPECT_EQ(track.DeviceID(), 0u) << "closed again after measuring";
    EXPECT_EQ(track.Mode(), mmUnknown);
    EXPECT_EQ(track.Title(), L"tone");
}

TEST_F(RealDevice, PlaysToTheEndAndReportsItOnce) {
    CopyFixture("tone1s.mp3", "one.mp3");
    TqrvMP3 track(L"one.mp3");
    int ended = 0;
    track.SetOnEnd([&](TqrvMP3& sender) {
        EXPECT_EQ(&sender, &track);
        EXPECT_EQ(sender.DeviceID(), 0u) << "the device is closed before the handler runs";
        ++ended;
    });
    track.Play();
    EXPECT_NE(track.DeviceID(), 0u);
    EXPECT_EQ(track.Mode(), mmPlaying);
    EXPECT_TRUE(PumpMessagesUntil(15000, [&] { return ended > 0; }));
    PumpMessagesUntil(500, [] { return false; });
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(track.DeviceID(), 0u);
    EXPECT_EQ(track.Mode(), mmUnknown);
}

TEST_F(RealDevice, PauseAndResumeMoveTheMode) {
    CopyFixture("tone5s.mp3", "five.mp3");
    TqrvMP3 track(L"five.mp3");
    int ended = 0;
    track.SetOnEnd([&](TqrvMP3&) { ++ended; });
    track.Play();
    ASSERT_EQ(track.Mode(), mmPlaying);
    track.Pause();
    EXPECT_EQ(track.Mode(), mmPaused);
    track.Resume();
    EXPECT_EQ(track.Mode(), mmPlaying);
    // Stopping a pending play brings an "aborted" notice, which is not an end.
    track.Stop();
    PumpMessagesUntil(500, [] { return false; });
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(track.DeviceID(), 0u);
}

TEST_F(RealDevice, ARealMciFailureCarriesCodeAndPlatformText) {
    // The waveaudio device does not open shareable: error 274.
    CopyFixture("short.wav", "short.wav");
    try {
        TqrvMP3 track(L"short.wav");
        FAIL() << "no error";
    } catch (const eMciDeviceError& error) {
        char text[256] = "";
        mciGetErrorStringA(274, text, sizeof text);
        EXPECT_EQ(std::string(error.what()), std::string("274 - ") + text);
    }
}

TEST_F(RealDevice, AFileThatCannotBeOpenedRaisesEFOpenError) {
    try {
        TqrvMP3 track(L"missing.mp3");
        FAIL() << "no error";
    } catch (const EFOpenError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Cannot open file \"" + Folder.Path() + "\\missing.mp3\". ", 0), 0u) << message;
        EXPECT_GT(message.size(), Folder.Path().size() + 32) << "the system's text follows";
    }
    // Held open by another program without sharing.
    CopyFixture("tone1s.mp3", "held.mp3");
    HANDLE held = CreateFileA("held.mp3", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_THROW(TqrvMP3 track(L"held.mp3"), EFOpenError);
    CloseHandle(held);
}

TEST_F(RealDevice, ReadsTheTrailerOnlyWhenItIsMarked) {
    CopyFixture("tone1s.mp3", "plain.mp3");
    const struct {
        const char* Marker;
        bool Kept;
    } table[] = {{"TAG", true}, {"tag", false}, {"XYZ", false}};
    for (const auto& row : table) {
        std::string trailer(128, '\0');
        std::memcpy(trailer.data(), row.Marker, 3);
        std::memcpy(trailer.data() + 3, "Title of the song", 17);
        trailer[127] = 17;
        HANDLE file = CreateFileA("plain.mp3", FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, trailer.data(), 128, &written, nullptr);
        CloseHandle(file);
        TqrvMP3 track(L"plain.mp3");
        const TID3v1Tag expected = row.Kept ? *reinterpret_cast<const TID3v1Tag*>(trailer.data()) : BlankTag();
        EXPECT_EQ(std::memcmp(&track.Tag(), &expected, 128), 0) << row.Marker;
    }
}

TEST_F(RealDevice, TitleSkipsTrailBytesOfTheSystemCodePage) {
    CopyFixture("tone1s.mp3", "a.b.mp3");
    TqrvMP3 track(L"a.b.mp3");
    EXPECT_EQ(track.Title(), L"a.b");
    // The same rule for other names, with the system's own lead bytes.
    const auto systemLead = [](unsigned char b) { return IsDBCSLeadByte(b) != 0; };
    EXPECT_EQ(TrackTitle("C:song.mp3", systemLead), "song");
    EXPECT_EQ(TrackTitle(".mp3", systemLead), "");
    EXPECT_EQ(TrackTitle("dir/song.mp3", systemLead), "dir/song");
    if (GetACP() == 932) {
        EXPECT_EQ(TrackTitle("x\\\x95\x5C.mp3", systemLead), "\x95\x5C");
    }
}

TEST(TrackTitleCodePage, ThePlatformsLeadBytesOfCodePage932) {
    // 0x95 0x5C is one character of code page 932 whose second byte equals "\".
    const auto lead932 = [](unsigned char b) { return IsDBCSLeadByteEx(932, b) != 0; };
    ASSERT_TRUE(lead932(0x95));
    EXPECT_EQ(TrackTitle("music\\\x95\x5C.mp3", lead932), "\x95\x5C");
    EXPECT_EQ(TrackTitle("music\\\x95\x5C.mp3", [](unsigned char) { return false; }), "")
        << "read byte by byte, the trail byte would cut the name";
}

} // namespace
