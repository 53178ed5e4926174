// Playlist files: encodings, comments, URIs, separators; and the "**" line form.
#include <gtest/gtest.h>

#include "core/PlaylistFile.h"
#include "core/VisitedFolders.h"

namespace {

std::vector<std::string> Read(std::string_view bytes, bool utf8ByName = false) {
    return ReadPlaylistFile(bytes, utf8ByName);
}

TEST(PlaylistFile, EntriesSkipCommentsAndBlankLinesAndAreTrimmed) {
    const auto entries = Read("#EXTM3U\r\n#EXTINF:123,Artist - Song\r\n  a.mp3 \r\n\r\n\tsub/b.mp3\n#x\nc:\\d.mp3");
    EXPECT_EQ(entries, (std::vector<std::string>{"a.mp3", "sub\\b.mp3", "c:\\d.mp3"}))
        << "ASCII is valid UTF-8";
}

// UTF-16 text, little or big endian, with its mark.
std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(PlaylistFile, EncodingsAndLineEnds) {
    const struct {
        const char* Case;
        std::string Bytes;
        bool Utf8ByName;
        std::vector<std::string> Entries;
    } table[] = {
        {"valid UTF-8", "\xE5\xA4\x9C.mp3", false, {"\xE5\xA4\x9C.mp3"}},
        {"a byte-order mark, skipped", "\xEF\xBB\xBF" "a.mp3", false, {"a.mp3"}},
        {"code page bytes", "caf\xE9.mp3", false, {"caf\xC3\xA9.mp3"}},
        {"a line of an .m3u8 that is no UTF-8 is read in the code page", "\xC3\xA9.mp3\ncaf\xE9.mp3", true,
         {"\xC3\xA9.mp3", "caf\xC3\xA9.mp3"}},
        {"a mark, then invalid bytes", "\xEF\xBB\xBF" "caf\xE9.mp3", false, {"caf\xC3\xA9.mp3"}},
        {"UTF-16LE, as the shell writes it", Utf16(u"C:\\M\u00FAsica\\\u591C.mp3\r\nb.mp3\r\n", false), false,
         {"C:\\M\xC3\xBAsica\\\xE5\xA4\x9C.mp3", "b.mp3"}},
        {"UTF-16BE in an .m3u8", Utf16(u"#EXTM3U\na.mp3", true), true, {"a.mp3"}},
        {"UTF-16 with an unpaired half and an odd last byte", Utf16(u"a\xD800.mp3", false) + "x", false,
         {"a\xEF\xBF\xBD.mp3"}},
        {"lone CRs end lines, after #EXTM3U too", "#EXTM3U\ra.mp3\r#EXTINF:1,x\rb.mp3\r", false,
         {"a.mp3", "b.mp3"}},
        {"CR LF, LF and CR mixed", "a.mp3\r\nb.mp3\nc.mp3\rd.mp3", false,
         {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}},
        {"a NUL drops its entry", std::string("a\0x.mp3\nb.mp3\n", 14), false, {"b.mp3"}},
        {"a NUL inside UTF-16", Utf16(std::u16string(u"c\0.mp3\nd.mp3", 12), false), false, {"d.mp3"}},
    };
    for (const auto& row : table) EXPECT_EQ(Read(row.Bytes, row.Utf8ByName), row.Entries) << row.Case;
}

TEST(PlaylistFile, FileUriFormsAsPlayersWriteThem) {
    const struct {
        std::string Uri;
        std::optional<std::string> Path;
    } table[] = {
        {"file:///C:/Music/a%20b.mp3", "C:\\Music\\a b.mp3"},
        {"file://localhost/C:/a.mp3", "C:\\a.mp3"},
        {"FILE://LocalHost/c:/a.mp3", "c:\\a.mp3"},
        {"file:///C|/old/a.mp3", "C:\\old\\a.mp3"},
        {"file://C:/malformed/a.mp3", "C:\\malformed\\a.mp3"},
        {"file://server/share/x%E5%A4%9C.mp3", "\\\\server\\share\\x\xE5\xA4\x9C.mp3"},
        {"file:///D:/a.mp3?query=1#frag", "D:\\a.mp3"},
        {"file:///D:/b.mp3#x?y", "D:\\b.mp3"},
        {"file:///D:/100%25%zz%4.mp3", "D:\\100%%zz%4.mp3"},
        {"file:/E:/e.mp3", "E:\\e.mp3"},
        {"http://radio.example/stream", std::nullopt},
    };
    for (const auto& row : table) EXPECT_EQ(FileUriPath(row.Uri), row.Path) << row.Uri;
    // Raw bytes keep the line's encoding; escapes are UTF-8 bytes.
    EXPECT_EQ(Read("file:///C:/caf\xE9/%C3%A9.mp3\n"), (std::vector<std::string>{"C:\\caf\xC3\xA9\\\xC3\xA9.mp3"}));
    EXPECT_EQ(Read("file:///C:/a%E9.mp3\nfile:///C:/a.mp3%00b\nfile:\nfile:///F:/x%2Fy.mp3\nmailto:x@y\n"),
              (std::vector<std::string>{"F:\\x\\y.mp3"}))
        << "no invalid UTF-8, no escaped NUL, no empty path, no other scheme";
}

TEST(PlaylistFile, EntriesResolveAsTheSystemResolvesThemFromTheListsFolder) {
    const struct {
        const char* Folder;
        const char* Entry;
        const char* Path;
    } table[] = {
        {"D:\\Lists\\", "a.mp3", "D:\\Lists\\a.mp3"},
        {"D:\\Lists\\", "..\\Music\\.\\a.mp3", "D:\\Music\\a.mp3"},
        {"D:\\Lists\\", "..\\..\\..\\a.mp3", "D:\\a.mp3"},
        {"D:\\Lists\\", "\\Music\\a.mp3", "D:\\Music\\a.mp3"},
        {"\\\\nas\\music\\lists\\", "\\Rock\\a.mp3", "\\\\nas\\music\\Rock\\a.mp3"},
        {"\\\\nas\\music\\lists\\", "..\\..\\a.mp3", "\\\\nas\\music\\a.mp3"},
        {"D:\\Lists\\", "d:sub\\a.mp3", "D:\\Lists\\sub\\a.mp3"},
        {"D:\\Lists\\", "E:sub\\a.mp3", "E:\\sub\\a.mp3"},
        {"D:\\Lists\\", "C:\\x\\..\\a.mp3", "C:\\a.mp3"},
        {"D:\\Lists\\", "\\\\srv\\sh\\x\\..\\a.mp3", "\\\\srv\\sh\\a.mp3"},
        {"\\\\?\\D:\\Lists\\", "..\\Music\\a.mp3", "\\\\?\\D:\\Music\\a.mp3"},
        {"\\\\?\\D:\\Lists\\", "\\a.mp3", "\\\\?\\D:\\a.mp3"},
        {"\\\\?\\D:\\Lists\\", "d:a.mp3", "\\\\?\\D:\\Lists\\a.mp3"},
        {"\\\\?\\UNC\\nas\\music\\l\\", "\\a.mp3", "\\\\?\\UNC\\nas\\music\\a.mp3"},
        {"D:\\Lists\\", "\\\\?\\C:\\x\\..\\a.mp3", "\\\\?\\C:\\x\\..\\a.mp3"},
    };
    for (const auto& row : table) EXPECT_EQ(ResolveListEntry(row.Folder, row.Entry), row.Path) << row.Entry;
    EXPECT_EQ(ExtendedLengthPath("D:\\a"), "\\\\?\\D:\\a");
    EXPECT_EQ(ExtendedLengthPath("\\\\nas\\m\\a"), "\\\\?\\UNC\\nas\\m\\a");
    EXPECT_EQ(ExtendedLengthPath("\\\\?\\D:\\a"), "\\\\?\\D:\\a");
    EXPECT_EQ(Utf16Length("a\xC3\xA9\xE5\xA4\x9C\xF0\x9F\x8E\xB5"), 5u);
}

TEST(PlaylistFile, Utf8Validation) {
    const struct {
        std::string Bytes;
        bool Valid;
    } table[] = {
        {"plain", true},         {"\xC3\xA9", true},        {"\xF0\x9F\x8E\xB5", true}, {"\xC0\xAF", false},
        {"\xE0\x80\xAF", false}, {"\xED\xA0\x80", false},   {"\xF4\x90\x80\x80", false}, {"\xC3", false},
        {"\xE9t\xE9", false},    {std::string("a\0b", 3), true},
    };
    for (const auto& row : table) EXPECT_EQ(IsValidUtf8(row.Bytes), row.Valid) << testing::PrintToString(row.Bytes);
}

TEST(PlaylistFile, NamesAndLineForms) {
    EXPECT_TRUE(IsPlaylistFileName("a\\List.M3U"));
    EXPECT_TRUE(IsPlaylistFileName("b.m3u8"));
    EXPECT_FALSE(IsPlaylistFileName("c.m3u.mp3"));
    EXPECT_FALSE(IsPlaylistFileName("m3u"));
    EXPECT_TRUE(IsUtf8PlaylistFileName("x.M3u8"));
    EXPECT_FALSE(IsUtf8PlaylistFileName("x.m3u"));
    EXPECT_EQ(RecursiveFolder("D:\\Music\\**"), std::optional<std::string_view>("D:\\Music"));
    EXPECT_EQ(RecursiveFolder("Music/**"), std::optional<std::string_view>("Music"));
    EXPECT_EQ(RecursiveFolder("Music\\*"), std::nullopt);
    EXPECT_EQ(RecursiveFolder("Music**"), std::nullopt);
    EXPECT_EQ(RecursiveFolder("**"), std::nullopt);
    EXPECT_TRUE(IsAbsolutePath("C:\\x"));
    EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
    EXPECT_TRUE(IsAbsolutePath("/x"));
    EXPECT_FALSE(IsAbsolutePath("Music\\x.mp3"));
    EXPECT_EQ(FolderOf("a\\b/list.m3u"), "a\\b/");
    EXPECT_EQ(FolderOf("list.m3u"), "");
}

TEST(VisitedFolders, AVolumeWithoutIdsTellsFoldersApartByTheirPaths) {
    const struct {
        std::uint64_t Id;
        const char* Path;
        bool First;
    } table[] = {
        {7, "D:\\m", true},          {7, "D:\\link-to-m", false}, // one folder, two ways
        {0, "N:\\a", true},          {0, "N:\\b", true},          {0, "n:\\A\\", false},
        {~std::uint64_t{0}, "N:\\c", true}, {~std::uint64_t{0}, "N:\\b", false},
    };
    TVisitedFolders seen;
    for (const auto& row : table) EXPECT_EQ(seen.FirstVisit(row.Id, row.Path), row.First) << row.Id << " " << row.Path;
}

} // namespace
