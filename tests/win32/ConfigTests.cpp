// The configuration file read through the real platform calls: key values through the
// profile reader, and the playlist through the text pass and directory searches.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "core/Errors.h"
#include "core/KeyText.h"
#include "plugin/ConfigTextPass.h"
#include "plugin/KeyReader.h"
#include "plugin/LibraryLoad.h"
#include "plugin/LibraryScan.h"
#include "win32/FileTests.h"
#include "win32/QuietErrorMode.h"
#include "win32/WideText.h"

namespace {

// The entries, in the code page (which spells all of these).
std::vector<std::string> Scan() {
    std::vector<std::wstring> paths;
    ScanPlaylist(ConfigFileName, paths);
    std::vector<std::string> entries;
    for (const std::wstring& path : paths) {
        const std::optional<std::string> inCodePage = CodePageOf(path);
        EXPECT_TRUE(inCodePage.has_value()) << Utf8Of(path);
        entries.push_back(inCodePage.value_or(""));
    }
    return entries;
}

class Config : public ::testing::Test {
protected:
    Config() {
        WriteFileBytes("music\\a.mp3", "a");
        WriteFileBytes("music\\b.mp3", "b");
        WriteFileBytes("music\\notes.txt", "n");
        WriteFileBytes("single.mp3", "s");
    }
    void WriteConfig(const std::string& text) { WriteFileBytes(ConfigFileName, text); }
    TTempGameFolder Folder;
};

TEST_F(Config, KeyValueTextsThroughTheProfileReader) {
    const struct {
        const char* Value;
        int Expected;
    } table[] = {{"117", 117},   {"+117", 117},     {"0x75", 117},  {"$75", 117},  {"x75", 117},
                 {"372", 116},   {"-1", 255},       {" 118", 118},  {"0x76", 118}, {"F6", 117},
                 {"117;F6", 99}, {"0x", 99},        {"$", 99},      {"", 99},      {"2147483648", 99},
                 {"118 ; F7", 99}, {"F7;", 99},     {"Ctrl+Banana", 99},
                 {" ctrl + Shift+f8 ", KeyCtrl | KeyShift | 0x77},
                 // The profile reader itself strips blanks and tabs around a value.
                 {"\t117", 117}};
    for (const auto& row : table) {
        WriteConfig(std::string("[keys]\r\nkey_next=") + row.Value + "\r\n");
        const TKeyReader reader(ConfigFileName);
        EXPECT_EQ(reader.ReadHotKey("keys", "key_next", 99), row.Expected) << "value [" << row.Value << "]";
    }
    const TKeyReader reader(ConfigFileName);
    EXPECT_EQ(reader.ReadHotKey("keys", "key_missing", 35), 35);
    EXPECT_EQ(reader.ReadHotKey("nosection", "key_next", 36), 36);
}

TEST_F(Config, WholeNumbersOfDigitsAlone) {
    // crossfade=N: what is not digits alone is no number (no sign, no unit, no hex).
    const struct {
        const char* Value;
        int Expected;
    } table[] = {{"2", 2},    {"10", 10},  {"05", 5},   {"0", 0},    {" 3 ", 3}, {"", -1},    {"2s", -1},
                 {"+2", -1},  {"-2", -1},  {"x2", -1},  {"2.5", -1}, {"1 0", -1}, {"1234567890", -1}};
    for (const auto& row : table) {
        WriteConfig(std::string("[player]\r\ncrossfade=") + row.Value + "\r\n");
        EXPECT_EQ(TKeyReader(ConfigFileName).ReadDigits("player", "crossfade"), row.Expected) << "[" << row.Value << "]";
    }
    EXPECT_EQ(TKeyReader(ConfigFileName).ReadDigits("player", "missing"), -1);
}

TEST_F(Config, KeysReadAsTheProfileApiReadsEachAlone) {
    // The reader asks for a section's names first and reads only keys that may be there:
    // it must find what the profile API finds for the key alone.
    std::string many = "[keys]\r\n";
    for (int i = 0; i < 800; ++i) many += "unused_name_" + std::to_string(i) + "=1\r\n";
    const std::string texts[] = {
        "[KEYS]\r\nKEY_NEXT=F6\r\n[Display]\r\nTitles=TAGS\r\n",
        "[keys]\r\n  key_Next\t=  0x76 \r\n[display]\r\ntitles = tags\r\n",
        "[keys]\r\nkey_on=1\r\n[keys]\r\nkey_next=F6\r\n[display]\r\n[display]\r\ntitles=tags\r\n",
        "[keys]\r\nkey_next=F6\r\nkey_next=F7\r\n",
        "[keys]\r\nkey_next\r\n",
        "[keys]\r\nk\xC3\xA9y_next=F6\r\nkey_next=F7\r\n",
        "[keys]\r\n\"key_next\"=F6\r\n;key_next=F7\r\n",
        many + "key_next=F6\r\n[display]\r\ntitles=tags\r\n",
        "",
    };
    for (const std::string& text : texts) {
        WriteConfig(text);
        char next[2048], titles[64];
        GetPrivateProfileStringA("keys", "key_next", "", next, sizeof next, ConfigFileName);
        GetPrivateProfileStringA("display", "titles", "", titles, sizeof titles, ConfigFileName);
        const TKeyReader reader(ConfigFileName);
        EXPECT_EQ(reader.ReadHotKey("keys", "key_next", 99), ParseKeyText(next).value_or(99)) << text.substr(0, 80);
        EXPECT_EQ(reader.ValueIs("display", "titles", "tags"), lstrcmpiA(titles, "tags") == 0) << text.substr(0, 80);
        EXPECT_EQ(reader.ReadHotKey("keys", "key_prev", 98), 98) << text.substr(0, 80);
    }
}

TEST_F(Config, PlaylistStartsAfterTheHeaderLine) {
    const struct {
        const char* Name;
        std::string Text;
        std::vector<std::string> Entries;
    } table[] = {
        {"files after the header", "[playlist]\r\nsingle.mp3\r\nmissing.mp3\r\n", {"single.mp3"}},
        {"lines before the header are not used", "single.mp3\r\n  [PlayList]  \r\nmusic\\a.mp3\r\n", {"music\\a.mp3"}},
        {"no header, no playlist", "single.mp3\r\n", {}},
        {"blanks inside the brackets", "[ playlist ]\r\nsingle.mp3\r\n", {}},
        {"text after the header", "[playlist] ;x\r\nsingle.mp3\r\n", {}},
        {"byte-order mark", "\xEF\xBB\xBF[playlist]\r\nsingle.mp3\r\n", {}},
        {"second header is a path", "[playlist]\r\n[playlist]\r\nsingle.mp3\r\n", {"single.mp3"}},
        {"keys after the header are tried as paths",
         "[playlist]\r\nsingle.mp3\r\n[keys]\r\nkey_on=117\r\n", {"single.mp3"}},
        {"duplicates stay in order", "[playlist]\r\nsingle.mp3\r\nmusic\\a.mp3\r\nsingle.mp3\r\n",
         {"single.mp3", "music\\a.mp3", "single.mp3"}},
        {"lines are trimmed", "[playlist]\r\n \t single.mp3 \t\r\n", {"single.mp3"}},
        {"LF only and no final break", "[playlist]\nsingle.mp3\nmusic\\b.mp3", {"single.mp3", "music\\b.mp3"}},
        {"lone CR is dropped", "[playlist]\r\nsin\rgle.mp3\r\n", {"single.mp3"}},
        {"Ctrl-Z cuts a line", "[playlist]\r\nsingle.mp3\x1Ajunk\r\nmusic\\a.mp3\r\n", {"single.mp3", "music\\a.mp3"}},
        {"Ctrl-Z at a line start ends the file", "[playlist]\r\nsingle.mp3\r\n\x1Amusic\\a.mp3\r\nmusic\\b.mp3\r\n",
         {"single.mp3"}},
        {"empty file", "", {}},
        {"wildcard line whose first match is a file", "[playlist]\r\nsing*.mp3\r\n", {"sing*.mp3"}},
        {"a folder line is not taken as a file", "[playlist]\r\nmusic\\\r\n", {"music\\\\a.mp3", "music\\\\b.mp3"}},
    };
    for (const auto& row : table) {
        WriteConfig(row.Text);
        auto entries = Scan();
        EXPECT_EQ(entries, row.Entries) << row.Name;
    }
}

TEST_F(Config, FoldersExpandInThePlatformsOrderWithEverythingTheSearchReturns) {
    MakeFolder("music\\live.mp3");
    WriteFileBytes("music\\hidden.mp3", "h");
    WriteFileBytes("music\\system.mp3", "s");
    SetFileAttributesA("music\\hidden.mp3", FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA("music\\system.mp3", FILE_ATTRIBUTE_SYSTEM);
    WriteConfig("[playlist]\r\nmusic\r\nsingle.mp3\r\nmusic\\\r\nempty\r\n");
    MakeFolder("empty");

    std::vector<std::string> expected;
    for (const std::string& name : SearchNames("music\\*.mp3")) expected.push_back("music\\" + name);
    ASSERT_EQ(expected.size(), 5u) << "a, b, hidden, system and the folder live.mp3";
    expected.push_back("single.mp3");
    for (const std::string& name : SearchNames("music\\\\*.mp3")) expected.push_back("music\\\\" + name);
    EXPECT_EQ(Scan(), expected);
}

TEST_F(Config, ReadFailuresRaiseInOutErrors) {
    WriteConfig("[playlist]\r\nsingle.mp3\r\n");
    HANDLE held = CreateFileA(ConfigFileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        Scan();
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_STREQ(error.what(), "I/O error 32");
    }
    CloseHandle(held);

    DeleteFileA(ConfigFileName);
    try {
        Scan();
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
}

TEST_F(Config, LongLinesAndHighBytes) {
    std::string longName(300, 'x');
    WriteFileBytes("caf\xE9.mp3", "c");
    WriteConfig("[playlist]\r\n" + longName + "\\" + longName + ".mp3\r\ncaf\xE9.mp3\r\n" + std::string(1 << 20, 'y') +
                "\r\n");
    EXPECT_EQ(Scan(), (std::vector<std::string>{"caf\xE9.mp3"}));
}

} // namespace

namespace {

// Probes of user-supplied paths run with critical-error boxes off (a playlist entry on
// an empty card reader would otherwise raise "There is no disk in the drive"), and give
// the thread back the mode it had. Wine shows no such box, so the box itself cannot be
// seen here; the mode around each probe can.
TEST_F(Config, PathProbesRunQuietAndKeepTheThreadsErrorMode) {
    WriteConfig("[playlist]\r\nmusic\r\nsingle.mp3\r\nQ:\\nothing\\x.mp3\r\n");
    // Each probe reports the thread's mode from inside, where it calls back.
    std::vector<UINT> inside;
    const auto seen = [&] { inside.push_back(GetThreadErrorMode()); };
    std::vector<std::wstring> paths;
    const std::pair<const char*, std::function<void()>> probes[] = {
        {"file test", [] { IsExistingFile("Q:\\nothing\\x.mp3"); }},
        {"folder test", [] { IsExistingFolder("Q:\\nothing"); }},
        {"folder expansion", [&] { TLibraryScan(paths, seen).AddFolder(L"music"); }},
        {"playlist scan", [&] { ScanPlaylist(ConfigFileName, paths, seen); }},
        {"text pass", [&] { ReadConfigLines(ConfigFileName, [&](std::string_view) { seen(); }); }},
        {"missing configuration",
         [] { EXPECT_THROW(ReadConfigLines("Q:\\nothing.ini", [](std::string_view) {}), EInOutError); }},
    };
    for (const UINT mode : {0u, static_cast<UINT>(SEM_NOGPFAULTERRORBOX), static_cast<UINT>(SEM_FAILCRITICALERRORS)}) {
        ASSERT_TRUE(SetThreadErrorMode(mode, nullptr));
        for (const auto& [name, probe] : probes) {
            inside.clear();
            probe();
            EXPECT_EQ(GetThreadErrorMode(), mode) << name << ": the thread's own mode comes back";
            for (const UINT during : inside) EXPECT_EQ(during & TQuietErrorMode::Quiet, TQuietErrorMode::Quiet) << name;
        }
    }
    SetThreadErrorMode(0, nullptr);
}

} // namespace
