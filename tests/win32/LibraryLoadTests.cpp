// The load-time sequence and the loader's later notifications.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "plugin/EntryPoint.h"
#include "plugin/Hooks.h"
#include "plugin/LibraryLoad.h"
#include "plugin/LoadFailure.h"

namespace {

struct TReported {
    std::string ClassName;
    std::string Message;
};
std::vector<TReported> Reported;

void RecordFailure(const char* className, const std::string& message, const void*) noexcept {
    Reported.push_back({className, message});
}

void ExpectDefaultKeys(const TMp3Player& player) {
    EXPECT_EQ(player.FKeyOn, VK_F5);
    EXPECT_EQ(player.FKeyNext, VK_F6);
    EXPECT_EQ(player.FKeyPrev, VK_F7);
    EXPECT_EQ(player.FKeyPause, VK_F8);
    EXPECT_EQ(player.FKeyShuffle, VK_F9);
    EXPECT_EQ(player.FKeyEnd, VK_END);
}

class Load : public ::testing::Test {
protected:
    Load() {
        Reported.clear();
        LoadFailureReporter = &RecordFailure;
    }
    ~Load() override {
        HandleLoaderCall(DLL_PROCESS_DETACH);
        LoadFailureReporter = &ShowLoadFailure;
    }
    TTempGameFolder Folder;
};

TEST_F(Load, WithoutConfigurationThereIsNoPlayerButTheHooksAreInstalled) {
    ASSERT_TRUE(AttachLibrary());
    EXPECT_EQ(Player, nullptr);
    EXPECT_TRUE(HooksInstalled());
    HandleLoaderCall(DLL_PROCESS_DETACH);
    EXPECT_FALSE(HooksInstalled());
}

TEST_F(Load, OnlyAPlaylistGivesTheDefaultKeys) {
    WriteFileBytes("vask\\quilm.ini", "[playlist]\r\n");
    ASSERT_TRUE(AttachLibrary());
    ASSERT_NE(Player, nullptr);
    ExpectDefaultKeys(*Player);
    EXPECT_EQ(Player->Count(), 0);
    EXPECT_EQ(Player->FIndex, -1);
    EXPECT_FALSE(Player->FActive);
    EXPECT_FALSE(Player->FShuffle);
    EXPECT_EQ(Player->FTrack, nullptr);
}

TEST_F(Load, KeysKeepTheirLowByteAndAKeysSectionAfterThePlaylistStillCounts) {
    WriteFileBytes("a.mp3", "a");
    WriteFileBytes("vask\\quilm.ini",
                   "[playlist]\r\na.mp3\r\n[keys]\r\nkey_on=-1\r\nkey_next=$76\r\nkey_prev= 118\r\n"
                   "key_pause=256\r\nkey_shuffle=118 ; F7\r\nkey_end=291\r\n");
    ASSERT_TRUE(AttachLibrary());
    ASSERT_NE(Player, nullptr);
    EXPECT_EQ(Player->FKeyOn, 255);
    EXPECT_EQ(Player->FKeyNext, 118);
    EXPECT_EQ(Player->FKeyPrev, 118);
    EXPECT_EQ(Player->FKeyPause, 0);
    EXPECT_EQ(Player->FKeyShuffle, VK_F9);
    EXPECT_EQ(Player->FKeyEnd, 35);
    EXPECT_EQ(Player->FPlaylist, (std::vector<std::string>{"a.mp3"}));
}

TEST_F(Load, TheShippedExampleConfigurationGivesItsKeysAndFolder) {
    WriteFileBytes("vask\\music\\a.mp3", "a");
    // Wine shows the Unix file system as drive Z:.
    ASSERT_TRUE(CopyFileA("Z:" QUILM_SOURCE_DIR "/config/quilm.ini", "vask\\quilm.ini", FALSE));
    ASSERT_TRUE(AttachLibrary());
    ASSERT_NE(Player, nullptr);
    ExpectDefaultKeys(*Player);
    EXPECT_EQ(Player->FPlaylist, (std::vector<std::string>{"vask\\music\\a.mp3"}));
}

TEST_F(Load, ThreadNotificationsChangeNothingAndDetachFreesThePlayerOnce) {
    WriteFileBytes("vask\\quilm.ini", "[playlist]\r\n");
    ASSERT_TRUE(AttachLibrary());
    TMp3Player* player = Player.get();
    HandleLoaderCall(DLL_THREAD_ATTACH);
    HandleLoaderCall(DLL_THREAD_DETACH);
    EXPECT_EQ(Player.get(), player);
    EXPECT_TRUE(HooksInstalled());
    HandleLoaderCall(DLL_PROCESS_DETACH);
    EXPECT_EQ(Player, nullptr);
    HandleLoaderCall(DLL_PROCESS_DETACH);
    EXPECT_EQ(Player, nullptr);
}

TEST_F(Load, AnUnreadableConfigurationFailsTheLoadAndLeavesNothing) {
    WriteFileBytes("vask\\quilm.ini", "[playlist]\r\n");
    HANDLE held = CreateFileA("vask\\quilm.ini", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(AttachLibrary());
    CloseHandle(held);
    ASSERT_EQ(Reported.size(), 1u);
    EXPECT_EQ(Reported[0].ClassName, "EInOutError");
    EXPECT_EQ(Reported[0].Message, "I/O error 32");
    EXPECT_EQ(Player, nullptr) << "the player made before the error is freed by the failed attach";
    EXPECT_FALSE(HooksInstalled());
    // The loader may or may not follow with a process detach: nothing is freed twice.
    HandleLoaderCall(DLL_PROCESS_DETACH);
    EXPECT_EQ(Player, nullptr);
}

TEST(LoadFailureBox, TextNamesClassModuleOffsetAndMessage) {
    EXPECT_EQ(LoadFailureText("EInOutError", "quilm.dll", 0x1A2B, "I/O error 32"),
              "Exception EInOutError in module quilm.dll at 00001A2B.\r\nI/O error 32.\r\n");
    EXPECT_EQ(LoadFailureText("EInOutError", "quilm.dll", 0x10, "Ends with a stop."),
              "Exception EInOutError in module quilm.dll at 00000010.\r\nEnds with a stop.\r\n");
}

} // namespace
