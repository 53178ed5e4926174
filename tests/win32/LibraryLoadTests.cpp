// The load-time sequence and the loader's later notifications.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "plugin/EntryPoint.h"
#include "plugin/Hooks.h"
#include "plugin/LibraryLoad.h"
#include "plugin/LoadFailure.h"
#include "win32/WideText.h"

namespace {

struct TReported {
    std::string ClassName;
    std::string Message;
    bool HooksLive = false;  // while the box would be shown
    bool PlayerLive = false;
};
std::vector<TReported> Reported;

void RecordFailure(const char* className, const std::string& message, const void*) noexcept {
    Reported.push_back({className, message, HooksInstalled(), Player != nullptr});
}

bool RefuseToKeepLoaded() noexcept {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

// On, next, previous, pause, shuffle, end, volume up, volume down; then seek forward,
// seek back, show and mute (0 unless given).
void ExpectKeys(const TMp3Player& player, std::initializer_list<int> expected, std::initializer_list<int> more = {0, 0, 0, 0}) {
    const THotKeys keys = player.Keys();
    const std::vector<int> got{keys.On,       keys.Next,        keys.Prev,     keys.Pause,
                               keys.Shuffle,  keys.End,         keys.VolumeUp, keys.VolumeDown,
                               keys.SeekForward, keys.SeekBack, keys.Show,     keys.Mute};
    std::vector<int> want(expected);
    want.insert(want.end(), more);
    EXPECT_EQ(got, want);
}

void ExpectDefaultKeys(const TMp3Player& player) {
    ExpectKeys(player, {VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, 0, 0});
}

std::vector<std::string> Playlist(const TMp3Player& player) {
    std::vector<std::string> entries;
    for (std::int32_t i = 0; i < player.Count(); ++i) entries.push_back(Utf8Of(player.Entry(i)));
    return entries;
}

class Load : public ::testing::Test {
protected:
    Load() { Reported.clear(); }
    ~Load() override { HandleLoaderCall(DLL_PROCESS_DETACH, false); }
    TTempGameFolder Folder;
};

TEST_F(Load, WithoutConfigurationThereIsNoPlayerButTheHooksAreInstalled) {
    ASSERT_TRUE(AttachLibrary(&RecordFailure));
    EXPECT_EQ(Player, nullptr);
    EXPECT_TRUE(HooksInstalled());
    HandleLoaderCall(DLL_PROCESS_DETACH, false);
    EXPECT_FALSE(HooksInstalled());
}

TEST_F(Load, OnlyAPlaylistGivesTheDefaultKeysAndAnEmptyList) {
    WriteFileBytes("vask\\quilm.ini", "[playlist]\r\n");
    ASSERT_TRUE(AttachLibrary(&RecordFailure));
    ASSERT_NE(Player, nullptr);
    ExpectDefaultKeys(*Player);
    EXPECT_EQ(Player->Count(), 0);
}

TEST_F(Load, KeysKeepTheirLowByteAndAKeysSectionAfterThePlaylistStillCounts) {
    WriteFileBytes("a.mp3", "a");
    WriteFileBytes("vask\\quilm.ini",
                   "[playlist]\r\na.mp3\r\n[keys]\r\nkey_on=-1\r\nkey_next=$76\r\nkey_prev= 118\r\n"
                   "key_pause=256\r\nkey_shuffle=118 ; F7\r\nkey_end=291\r\n");
    ASSERT_TRUE(AttachLibrary(&RecordFailure));
    ASSERT_NE(Player, nullptr);
    ExpectKeys(*Player, {255, 118, 118, 0, VK_F9, 35, 0, 0});
    EXPECT_EQ(Playlist(*Player), (std::vector<std::string>{"a.mp3"}));
}

TEST_F(Load, VolumeKeysAreReadAfterTheSixWithTheSameValueForms) {
    const struct {
        const char* Lines;
        int Up;
        int Down;
    } table[] = {
        {"", 0, 0},
        {"key_volup=0xAF\r\nkey_voldown=$AE\r\n", 0xAF, 0xAE},
        {"key_volup=+175\r\nkey_voldown=x1AE\r\n", 175, 0xAE},
        {"key_volup=upp\r\nkey_voldown=\r\n", 0, 0},
        {"key_volup=up\r\nkey_voldown=Alt+Down\r\n", VK_UP, KeyAlt | VK_DOWN},
        {"key_volup=-1\r\nkey_voldown=0\r\n", 255, 0},
    };
    for (const auto& row : table) {
        WriteFileBytes("vask\\quilm.ini", std::string("[keys]\r\n") + row.Lines + "[playlist]\r\n");
        ASSERT_TRUE(AttachLibrary(&RecordFailure)) << row.Lines;
        ASSERT_NE(Player, nullptr);
        ExpectKeys(*Player, {VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, row.Up, row.Down});
        HandleLoaderCall(DLL_PROCESS_DETACH, false);
    }
}

TEST_F(Load, SeekShowAndMuteKeysAreReadAfterTheVolumeKeys) {
    const struct {
        const char* Lines;
        std::initializer_list<int> Keys;
    } table[] = {
        {"", {0, 0, 0, 0}},
        {"key_seekfwd=0x22\r\nkey_seekback=$21\r\nkey_show=36\r\nkey_mute=x4D\r\n", {0x22, 0x21, 36, 0x4D}},
        {"key_seekfwd=\r\nkey_seekback=PgUp\r\nkey_show=-1\r\nkey_mute=256\r\n", {0, 0x21, 255, 0}},
        {"key_seekfwd=Ctrl+PgDn\r\nkey_seekback=Shift+\r\nkey_show=Num+\r\nkey_mute=Ctrl+$100\r\n",
         {KeyCtrl | 0x22, 0, 0x6B, 0}},
    };
    for (const auto& row : table) {
        WriteFileBytes("vask\\quilm.ini", std::string("[keys]\r\n") + row.Lines + "[playlist]\r\n");
        ASSERT_TRUE(AttachLibrary(&RecordFailure)) << row.Lines;
        ASSERT_NE(Player, nullptr);
        ExpectKeys(*Player, {VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, 0, 0}, row.Keys);
        HandleLoaderCall(DLL_PROCESS_DETACH, false);
    }
}

TEST_F(Load, OnlyPassHotKeysNoKeepsHotKeysFromTheGame) {
    const struct {
        const char* Lines;
        bool Pass;
    } table[] = {{"", true}, {"pass_hot_keys=no\r\n", false}, {"pass_hot_keys = No \r\n", false},
                 {"pass_hot_keys=yes\r\n", true}, {"pass_hot_keys=0\r\n", true}, {"pass_hot_keys=non\r\n", true}};
    for (const auto& row : table) {
        WriteFileBytes("vask\\quilm.ini", std::string("[keys]\r\n") + row.Lines + "[playlist]\r\n");
        ASSERT_TRUE(AttachLibrary(&RecordFailure)) << row.Lines;
        ASSERT_NE(Player, nullptr);
        EXPECT_EQ(Player->Keys().PassToGame, row.Pass) << row.Lines;
        HandleLoaderCall(DLL_PROCESS_DETACH, false);
    }
}

TEST_F(Load, TheShippedExampleConfigurationGivesItsKeysAndFolder) {
    WriteFileBytes("vask\\music\\a.mp3", "a");
    // Wine shows the Unix file system as drive Z:.
    ASSERT_TRUE(CopyFileA("Z:" QUILM_SOURCE_DIR "/config/quilm.ini", "vask\\quilm.ini", FALSE));
    ASSERT_TRUE(AttachLibrary(&RecordFailure));
    ASSERT_NE(Player, nullptr);
    ExpectKeys(*Player, {VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, VK_VOLUME_UP, VK_VOLUME_DOWN});
    EXPECT_EQ(Playlist(*Player), (std::vector<std::string>{"vask\\music\\a.mp3"}));
}

TEST_F(Load, ThreadNotificationsChangeNothingAndDetachFreesThePlayerOnce) {
    WriteFileBytes("vask\\quilm.ini", "[playlist]\r\n");
    ASSERT_TRUE(AttachLibrary(&RecordFailure));
    TMp3Player* player = Player;
    HandleLoaderCall(DLL_THREAD_ATTACH, false);
    HandleLoaderCall(DLL_THREAD_DETACH, false);
    EXPECT_EQ(Player, player);
    EXPECT_TRUE(HooksInstalled());
    HandleLoaderCall(DLL_PROCESS_DETACH, false);
    EXPECT_EQ(Player, nullptr);
    EXPECT_FALSE(HooksInstalled());
    HandleLoaderCall(DLL_PROCESS_DETACH, false);
    EXPECT_EQ(Player, nullptr);
}

TEST_F(Load, AnUnreadableConfigurationFailsTheLoadAndLeavesNothing) {
    WriteFileBytes("vask\\quilm.ini", "[playlist]\r\n");
    HANDLE held = CreateFileA("vask\\quilm.ini", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(AttachLibrary(&RecordFailure));
    CloseHandle(held);
    ASSERT_EQ(Reported.size(), 1u);
    EXPECT_EQ(Reported[0].ClassName, "EInOutError");
    EXPECT_EQ(Reported[0].Message, "I/O error 32");
    EXPECT_EQ(Player, nullptr) << "the player made before the error is freed by the failed attach";
    EXPECT_FALSE(HooksInstalled());
    // The loader may or may not follow with a process detach: nothing is freed twice.
    HandleLoaderCall(DLL_PROCESS_DETACH, false);
    EXPECT_EQ(Player, nullptr);
}

TEST_F(Load, AFailureAfterTheHooksWereInstalledUndoesTheLoadBeforeTheBoxShows) {
    WriteFileBytes("a.mp3", "a");
    WriteFileBytes("vask\\quilm.ini", "[playlist]\r\na.mp3\r\n");
    EXPECT_FALSE(AttachLibrary(&RecordFailure, &RefuseToKeepLoaded));
    ASSERT_EQ(Reported.size(), 1u);
    EXPECT_EQ(Reported[0].ClassName, "Exception");
    EXPECT_EQ(Reported[0].Message.rfind("Cannot keep the plug-in loaded. ", 0), 0u) << Reported[0].Message;
    EXPECT_FALSE(Reported[0].HooksLive) << "no hot key may act inside the box's message loop";
    EXPECT_FALSE(Reported[0].PlayerLive);
    EXPECT_EQ(Player, nullptr);
    EXPECT_FALSE(HooksInstalled());
}

TEST(LoadFailureBox, TextNamesClassModuleOffsetAndMessage) {
    EXPECT_EQ(LoadFailureText("EInOutError", "quilm.dll", 0x1A2B, "I/O error 32"),
              "Exception EInOutError in module quilm.dll at 00001A2B.\r\nI/O error 32.\r\n");
    EXPECT_EQ(LoadFailureText("EInOutError", "quilm.dll", 0x10, "Ends with a stop."),
              "Exception EInOutError in module quilm.dll at 00000010.\r\nEnds with a stop.\r\n");
}

} // namespace
