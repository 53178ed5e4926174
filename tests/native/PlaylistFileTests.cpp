// Playlist files: encodings, comments, URIs, separators; and the "**" line form.
#include <gtest/gtest.h>

#include "core/PlaylistFile.h"

namespace {

std::vector<TTrackPath> Read(std::string_view bytes, bool utf8ByName = false) {
    return ReadPlaylistFile(bytes, utf8ByName);
}

TEST(PlaylistFile, EntriesSkipCommentsAndBlankLinesAndAreTrimmed) {
    const auto entries = Read("#EXTM3U\r\n#EXTINF:123,Artist - Song\r\n  a.mp3 \r\n\r\n\tsub/b.mp3\n#x\nc:\\d.mp3");
    EXPECT_EQ(entries, (std::vector<TTrackPath>{{"a.mp3", true}, {"sub\\b.mp3", true}, {"c:\\d.mp3", true}}))
        << "ASCII is valid UTF-8";
}

TEST(PlaylistFile, TheEncodingComesFromTheNameTheMarkOrTheBytes) {
    const struct {
        const char* Case;
        std::string Bytes;
        bool Utf8ByName;
        TTrackPath Entry;
    } table[] = {
        {"valid UTF-8", "\xE5\xA4\x9C.mp3", false, {"\xE5\xA4\x9C.mp3", true}},
        {"a byte-order mark, skipped", "\xEF\xBB\xBF" "a.mp3", false, {"a.mp3", true}},
        {"code page bytes", "caf\xE9.mp3", false, {"caf\xE9.mp3", false}},
        {"code page bytes in an .m3u8 are still taken as UTF-8", "caf\xE9.mp3", true, {"caf\xE9.mp3", true}},
        {"a mark, then invalid bytes", "\xEF\xBB\xBF" "caf\xE9.mp3", false, {"caf\xE9.mp3", true}},
    };
    for (const auto& row : table)
        EXPECT_EQ(Read(row.Bytes, row.Utf8ByName), std::vector<TTrackPath>{row.Entry}) << row.Case;
}

TEST(PlaylistFile, FileUrisAreDecodedAndOtherSchemesSkipped) {
    const auto entries = Read("file:///C:/Music/a%20b.mp3\nhttp://radio.example/stream\nfile://server/share/x%E5%A4%9C.mp3\n"
                              "C:/plain.mp3\nfile:///D:/100%25%zz%4.mp3\nmailto:x@y\nfile:/E:/e.mp3\n"
                              "file:///C:/a.mp3%00b\nfile:\nfile:///F:/x%2Fy.mp3\n",
                              false);
    EXPECT_EQ(entries, (std::vector<TTrackPath>{{"C:\\Music\\a b.mp3", true},
                                                {"\\\\server\\share\\x\xE5\xA4\x9C.mp3", true},
                                                {"C:\\plain.mp3", true},
                                                {"D:\\100%%zz%4.mp3", true},
                                                {"E:\\e.mp3", true},
                                                {"F:\\x\\y.mp3", true}}))
        << "no escaped NUL, no empty path";
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

} // namespace
