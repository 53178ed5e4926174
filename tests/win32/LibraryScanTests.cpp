// The library forms of a playlist line: folder trees, playlist files, names beyond the
// code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeMci.h"
#include "TestFiles.h"
#include "media/qrvMP3.h"
#include "plugin/LibraryScan.h"
#include "win32/FileTests.h"
#include "win32/WideText.h"

namespace {

// "夜の歌" and "Ночь": no Western code page spells them.
const std::string Night = "\xE5\xA4\x9C\xE3\x81\xAE\xE6\xAD\x8C";
const std::string NightRu = "\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C";

void WriteWide(const std::string& utf8Path, const std::string& bytes) {
    HANDLE file = CreateFileW(WideOf(utf8Path, true).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << utf8Path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// A file system that refuses the fast folder listing (a remote desktop's drive, say).
BOOL WINAPI RefusedListing(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

class Library : public ::testing::Test {
protected:
    std::vector<std::wstring> Lines(std::initializer_list<std::wstring> lines) {
        std::vector<std::wstring> entries;
        TLibraryScan scan(entries);
        for (const std::wstring& line : lines) scan.AddLine(line);
        return entries;
    }
    static std::wstring Cp(const std::string& text) { return WideOf(text, false); }
    static std::wstring U8(const std::string& text) { return WideOf(text, true); }
    TTempGameFolder Folder;
};

TEST_F(Library, ATreeIsItsFilesThenEachSubfolderDepthFirst) {
    for (const char* path : {"lib\\1.mp3", "lib\\b\\2.mp3", "lib\\b\\c\\3.mp3", "lib\\a\\4.mp3", "lib\\a\\x.txt",
                             "lib\\.hidden\\5.mp3", "lib\\sys\\6.mp3"})
        WriteFileBytes(path, "x");
    SetFileAttributesA("lib\\sys", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
    // Subfolders in the order the platform lists them.
    std::vector<std::wstring> want{Cp("lib\\1.mp3")};
    for (const std::string& sub : SearchNames("lib\\*")) {
        if (sub == "a") want.push_back(Cp("lib\\a\\4.mp3"));
        if (sub == "b") want.insert(want.end(), {Cp("lib\\b\\2.mp3"), Cp("lib\\b\\c\\3.mp3")});
    }
    EXPECT_EQ(Lines({Cp("lib\\**")}), want) << "hidden and system folders are skipped";
    EXPECT_EQ(Lines({Cp("lib/**")}).size(), want.size());
    EXPECT_TRUE(Lines({Cp("nothing\\**"), Cp("lib\\1.mp3\\**")}).empty());
    FolderListingCall = &RefusedListing;
    EXPECT_EQ(Lines({Cp("lib\\**")}), want) << "where the listing is refused, the folders are searched";
    FolderListingCall = &GetFileInformationByHandleEx;
}

TEST_F(Library, PlaylistFilesStandForTheirEntriesRelativeToTheirOwnFolder) {
    for (const char* path : {"music\\a.mp3", "music\\sub\\b.mp3", "music\\sub\\c.mp3", "d.mp3"}) WriteFileBytes(path, "x");
    char full[MAX_PATH];
    GetFullPathNameA("d.mp3", MAX_PATH, full, nullptr);
    std::string uri = "file:///" + std::string(full);
    for (char& c : uri)
        if (c == '\\') c = '/';
    WriteFileBytes("music\\list.m3u8", "#EXTM3U\r\n#EXTINF:1,A\r\na.mp3\r\nsub/b.mp3\r\nmissing.mp3\r\n" + uri +
                                           "\r\nhttp://example/stream\r\ninner.m3u\r\nlist.m3u8\r\n..\\music\\sub\r\n");
    WriteFileBytes("music\\inner.m3u", "sub\\c.mp3\n..\\music\\list.m3u8\n");
    const std::string game = Folder.Path() + "\\";
    EXPECT_EQ(Lines({Cp("music\\LIST.M3U8")}),
              (std::vector<std::wstring>{Cp(game + "music\\a.mp3"), Cp(game + "music\\sub\\b.mp3"), Cp(full),
                                       Cp(game + "music\\sub\\c.mp3"), Cp(game + "music\\sub\\b.mp3"),
                                       Cp(game + "music\\sub\\c.mp3")}))
        << "a list already being expanded is skipped where it comes again";
}

TEST_F(Library, ListsNestEightDeepAtMost) {
    WriteFileBytes("x.mp3", "x");
    for (int i = 1; i <= 10; ++i)
        WriteFileBytes("l" + std::to_string(i) + ".m3u", "x.mp3\nl" + std::to_string(i + 1) + ".m3u\n");
    EXPECT_EQ(Lines({Cp("l1.m3u")}).size(), MaxListDepth);
}

TEST_F(Library, NamesBeyondTheCodePageKeepTheirFullNames) {
    MakeFolder("music");
    WriteWide("music\\" + Night + ".mp3", "x");
    WriteWide("music\\" + NightRu + ".mp3", "x");
    WriteFileBytes("music\\plain.mp3", "x");
    WriteWide("list.m3u8", "music/" + Night + ".mp3\n");
    const std::vector<std::wstring> found = Lines({Cp("music"), Cp("list.m3u8")});
    ASSERT_EQ(found.size(), 4u);
    for (const std::wstring& path : found) EXPECT_TRUE(IsExistingFile(path)) << Utf8Of(path);
    EXPECT_EQ(found.back(), U8(Utf8Of(WideOf(Folder.Path(), false)) + "\\music\\" + Night + ".mp3"));

    TFakeMci mci;
    TqrvMP3 track(found.back());
    EXPECT_EQ(track.Title(), U8(Night));
    track.Play();
    ASSERT_FALSE(mci.Calls.empty());
    EXPECT_TRUE(mci.Calls[0].Wide);
    EXPECT_EQ(mci.Calls[0].Element, Utf8Of(found.back()));
    EXPECT_EQ(mci.Calls[0].DeviceType, "WaveAudio");
}

TEST_F(Library, BadListsAddNothingAndRaiseNothing) {
    WriteFileBytes("x.mp3", "x");
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 7919 + 13) % 256);
    WriteFileBytes("noise.m3u", noise);
    // (Built with append: GCC 12 warns falsely on operator+ with a long temporary.)
    std::string longLine(100000, 'a');
    longLine.append(".mp3\nx.mp3\n");
    WriteFileBytes("long.m3u", longLine);
    WriteFileBytes("self.m3u", "self.m3u\nx.mp3\n");
    std::string tooLong(40, 'd');
    tooLong.append("\\").append(300, 'e').append(".mp3\nfile:///C:/%zz%\n");
    WriteFileBytes("deep.m3u", tooLong);
    std::vector<std::wstring> found;
    EXPECT_NO_THROW(found = Lines({Cp("noise.m3u"), Cp("long.m3u"), Cp("self.m3u"), Cp("deep.m3u"), Cp("none.m3u")}));
    EXPECT_EQ(found, (std::vector<std::wstring>{Cp(Folder.Path() + "\\x.mp3"), Cp(Folder.Path() + "\\x.mp3")}));
}

TEST_F(Library, ListsAsTheShellAndOtherPlayersWriteThem) {
    WriteFileBytes("m\\a.mp3", "x");
    WriteFileBytes("m\\b.mp3", "x");
    const std::string le("\xFF\xFEm\0\\\0a\0.\0m\0p\0\x33\0\r\0\n\0", 20);
    WriteFileBytes("shell.m3u", le);
    WriteFileBytes("old.m3u", "#EXTM3U\rm\\a.mp3\rm\\b.mp3\r");
    const std::string m = Folder.Path() + "\\m\\";
    EXPECT_EQ(Lines({Cp("shell.m3u"), Cp("old.m3u")}), (std::vector<std::wstring>{Cp(m + "a.mp3"), Cp(m + "a.mp3"), Cp(m + "b.mp3")}));
}

TEST_F(Library, AListIsReadOnceALoadAndThePlaylistEndsAt200000Entries) {
    WriteFileBytes("t.mp3", "x");
    // Three lists of 1,000 lines naming each other: 10^9 entries without the bounds.
    std::string c, b, a;
    for (int i = 0; i < 1000; ++i) c += "t.mp3\n", b += "c.m3u\n", a += "b.m3u\n";
    WriteFileBytes("c.m3u", c);
    WriteFileBytes("b.m3u", b);
    WriteFileBytes("a.m3u", a);
    std::vector<std::wstring> entries;
    TLibraryScan scan(entries);
    scan.AddLine(Cp("a.m3u"));
    scan.AddLine(Cp("t.mp3"));
    EXPECT_EQ(entries.size(), MaxPlaylistEntries);
    EXPECT_TRUE(scan.Full());
    // A list met again after the first one is done adds its first expansion, read once.
    std::vector<std::wstring> twice = Lines({Cp("c.m3u"), Cp("t.mp3"), Cp("c.m3u")});
    EXPECT_EQ(twice.size(), 2001u);
}

TEST_F(Library, RootAndDriveRelativeEntriesAndDriveTreesOnASecondDrive) {
    // R: is the test bench's second drive (scripts/wine-env.sh links it in the prefix);
    // the game's current folder is on it, below its root.
    ASSERT_NE(GetFileAttributesA("R:\\"), INVALID_FILE_ATTRIBUTES) << "no drive R:";
    const std::string top = "t" + std::to_string(GetCurrentProcessId()), q = "R:\\" + top;
    WriteFileBytes(q + "\\music\\a.mp3", "x");
    WriteFileBytes(q + "\\lists\\l.m3u", "\\" + top + "\\music\\a.mp3\nr:..\\music\\a.mp3\n");
    ASSERT_TRUE(SetCurrentDirectoryA((q + "\\lists").c_str()));
    std::vector<std::wstring> found = Lines({Cp(q + "\\lists\\l.m3u"), Cp("R:\\**")});
    // The same root by its extended form, and the current drive's by "\**".
    const std::vector<std::wstring> roots = Lines({Cp("\\\\?\\R:\\**"), Cp("\\**")});
    SetCurrentDirectoryA(Folder.Path().c_str());
    DeleteFileA((q + "\\music\\a.mp3").c_str());
    DeleteFileA((q + "\\lists\\l.m3u").c_str());
    for (const char* folder : {"\\music", "\\lists", ""}) RemoveDirectoryA((q + folder).c_str());
    const std::wstring a = Cp(q + "\\music\\a.mp3");
    ASSERT_GE(found.size(), 3u);
    EXPECT_EQ(std::vector<std::wstring>(found.begin(), found.begin() + 2), (std::vector<std::wstring>{a, a}))
        << "on the list's drive, not the game's";
    EXPECT_NE(std::find(found.begin() + 2, found.end(), a), found.end()) << "R:\\** is the whole drive";
    for (const std::wstring& root : {Cp("\\\\?\\" + q + "\\music\\a.mp3"), Cp("\\" + top + "\\music\\a.mp3")})
        EXPECT_NE(std::find(roots.begin(), roots.end(), root), roots.end()) << Utf8Of(root);

    // A list reached by its extended-length name: its "." and ".." are resolved too.
    WriteFileBytes("music\\a.mp3", "x");
    WriteFileBytes("lists\\x.m3u", "..\\music\\.\\a.mp3\n");
    EXPECT_EQ(Lines({Cp("\\\\?\\" + Folder.Path() + "\\lists\\x.m3u")}),
              std::vector<std::wstring>{Cp("\\\\?\\" + Folder.Path() + "\\music\\a.mp3")});
}

TEST_F(Library, NamesBeyondTheUsualLengthAreReachedByTheirExtendedForm) {
    // lib\aaa...\bbb...\...\t.mp3: over 300 characters, made and removed by the UTF-16 calls.
    const std::string extended = "\\\\?\\" + Folder.Path() + "\\";
    std::vector<std::string> folders{"lib"};
    for (int i = 0; i < 6; ++i) folders.push_back(folders.back() + "\\" + std::string(50, static_cast<char>('a' + i)));
    for (const std::string& folder : folders) CreateDirectoryW(WideOf(extended + folder, false).c_str(), nullptr);
    const std::string track = extended + folders.back() + "\\t.mp3";
    CloseHandle(CreateFileW(WideOf(track, false).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    CreateDirectoryA("lib\\x.mp3", nullptr); // a folder named as a track: a tree lists files only
    const std::vector<std::wstring> found = Lines({Cp("lib\\**")});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], U8(track));
    EXPECT_TRUE(IsExistingFile(found[0]));
    {
        TFakeMci mci;
        TqrvMP3 device(found[0]);
        EXPECT_EQ(device.Title(), L"t");
        EXPECT_EQ(mci.Calls.at(0).Element, track);
    }
    DeleteFileW(WideOf(track, false).c_str());
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        RemoveDirectoryW(WideOf(extended + *folder, false).c_str());

    // A list's folder just short of the limit: its search pattern is not.
    std::string shortOfLimit = Folder.Path() + "\\edge";
    shortOfLimit.append(256 - shortOfLimit.size(), 'n');
    CreateDirectoryW(WideOf("\\\\?\\" + shortOfLimit, false).c_str(), nullptr);
    const std::string shortOfLimitTrack = "\\\\?\\" + shortOfLimit + "\\a.mp3";
    CloseHandle(CreateFileW(WideOf(shortOfLimitTrack, false).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    WriteFileBytes("edge.m3u", shortOfLimit + "\n");
    EXPECT_EQ(Lines({Cp("edge.m3u")}), std::vector<std::wstring>{Cp(shortOfLimitTrack)});
    DeleteFileW(WideOf(shortOfLimitTrack, false).c_str());
}

} // namespace
