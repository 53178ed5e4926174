// The song's own name from its tags: ID3v2 versions, encodings, unsynchronisation,
// extended headers, sizes that lie, and a cover picture stepped over, not read.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "MemoryTagSource.h"
#include "TagBytes.h"
#include "core/Id3v2Tag.h"

namespace {

// Empty frames of 2.3, ten bytes each.
std::string TinyFrames(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += Frame(3, "TXXX", "");
    return out;
}

std::optional<std::string> TitleOf(const std::string& bytes) {
    TMemoryTagSource source(bytes);
    const auto names = ReadId3v2Names(source);
    return names ? SongTitle(*names) : std::nullopt;
}

TEST(Id3v2Tag, VersionsEncodingsAndTheirForms) {
    // "Caf\xFF\xE9" as stored unsynchronised: a 0x00 after each 0xFF. In 2.3 the frame's
    // size counts the bytes before (6), in 2.4 those stored (7).
    const std::string stored("\0Caf\xFF\x00\xE9", 7);
    const std::string v23Unsync = Tag(3, "TIT2" + BigEndian(6, 4) + std::string(2, '\0') + stored, static_cast<char>(0x80));
    const std::string v24Unsync = stored;
    const struct {
        const char* Case;
        std::string File;
        std::optional<std::string> Title;
    } table[] = {
        {"2.2, ISO-8859-1", Tag(2, Frame(2, "TP1", Text(0, "Beyonc\xE9")) + Frame(2, "TT2", Text(0, "Halo"))),
         "Beyonc\xC3\xA9 - Halo"},
        {"2.3, UTF-16 with marks of both orders",
         Tag(3, Frame(3, "TIT2", Text(1, Utf16Le("Song", true))) + Frame(3, "TPE1", Text(1, Utf16Be("Band", true)))),
         "Band - Song"},
        {"2.3, UTF-16 without a mark: little endian", Tag(3, Frame(3, "TIT2", Text(1, Utf16Le("Song", false)))), "Song"},
        {"2.4, UTF-8 with and without a mark",
         Tag(4, Frame(4, "TIT2", Text(3, "\xEF\xBB\xBF\xE5\xA4\x9C")) + Frame(4, "TPE1", Text(3, "\xD0\x9D"))),
         "\xD0\x9D - \xE5\xA4\x9C"},
        {"2.4, UTF-16BE without a mark", Tag(4, Frame(4, "TIT2", Text(2, Utf16Be("Song", false)))), "Song"},
        {"2.4, the first of several values, trailing blanks dropped",
         Tag(4, Frame(4, "TPE1", Text(3, std::string("A  \0B", 5))) + Frame(4, "TIT2", Text(1, Utf16Le("S ", true) + std::string("\0\0T\0", 4)))),
         "A - S"},
        {"title only", Tag(3, Frame(3, "TALB", Text(0, "Album")) + Frame(3, "TIT2", Text(0, "Song  \0\0"))), "Song"},
        {"an artist without a title is no title", Tag(3, Frame(3, "TPE1", Text(0, "Band"))), std::nullopt},
        {"an empty title is no title", Tag(3, Frame(3, "TIT2", Text(0, "   "))), std::nullopt},
        {"2.3, an extended header", Tag(3, BigEndian(6, 4) + std::string(6, '\0') + Frame(3, "TIT2", Text(0, "X")), 0x40),
         "X"},
        {"2.4, an extended header", Tag(4, SyncSafe(6) + std::string(2, '\x01') + Frame(4, "TIT2", Text(0, "Y")), 0x40),
         "Y"},
        {"2.3, the whole tag unsynchronised", v23Unsync, "Caf\xC3\xBF\xC3\xA9"},
        {"2.4, a frame unsynchronised", Tag(4, Frame(4, "TIT2", v24Unsync, 0x02)), "Caf\xC3\xBF\xC3\xA9"},
        {"2.4, a data length indicator", Tag(4, Frame(4, "TIT2", SyncSafe(4) + Text(0, "Abc"), 0x01)), "Abc"},
        {"2.3, a compressed title cannot be read", Tag(3, Frame(3, "TIT2", Text(0, "x"), static_cast<char>(0x80))),
         std::nullopt},
        {"no tag", std::string(300, '\x55'), std::nullopt},
        {"a tag that says it is longer than the file", Tag(3, Frame(3, "TIT2", Text(0, "X"))).substr(0, 25), std::nullopt},
        {"a frame that says it is longer than the tag",
         "ID3\x03" + std::string(2, '\0') + SyncSafe(20) + "TIT2" + BigEndian(5000, 4) + std::string(2, '\0') +
             Text(0, "X") + std::string(400, '\0'),
         std::nullopt},
        {"2.3, an empty frame with a group byte", Tag(3, Frame(3, "TPE1", "", 0x20) + Frame(3, "TIT2", Text(0, "Song"))),
         "Song"},
        {"2.3 unsynchronised beyond the megabyte read whole: a title before the cut counts",
         Tag(3, Frame(3, "TIT2", Text(0, "Song")) + Frame(3, "APIC", std::string(2 << 20, '\x89')), static_cast<char>(0x80)),
         "Song"},
        {"a title behind more tiny frames than are walked", Tag(3, TinyFrames(1000) + Frame(3, "TIT2", Text(0, "Late"))),
         std::nullopt},
        {"a size that is not sync-safe", "ID3\x03" + std::string(2, '\0') + std::string("\x80\x00\x00\x10", 4) + std::string(64, 'a'),
         std::nullopt},
    };
    for (const auto& row : table) EXPECT_EQ(TitleOf(row.File), row.Title) << row.Case;
}

TEST(Id3v2Tag, ACoverPictureOfMegabytesIsSteppedOverNotRead) {
    const std::string cover = Frame(3, "APIC", std::string(5 << 20, '\x89'));
    TMemoryTagSource source(Tag(3, cover + Frame(3, "TIT2", Text(0, "Song")) + Frame(3, "TPE1", Text(0, "Band"))));
    const auto names = ReadId3v2Names(source);
    ASSERT_TRUE(names);
    EXPECT_EQ(SongTitle(*names), "Band - Song");
    EXPECT_LT(source.BytesRead, 100u) << "headers and the two frames' text only";
}

TEST(Id3v2Tag, AFieldTheV2TagLacksComesFromTheTrailer) {
    const struct {
        const char* Case;
        std::string File;
        TSongNames Trailer;
        std::optional<std::string> Title;
    } table[] = {
        {"a title only", Tag(3, Frame(3, "TIT2", Text(0, "Song"))), {"Old", "Band"}, "Band - Song"},
        {"an artist only", Tag(4, Frame(4, "TPE1", Text(3, "Band"))), {"Song", "Other"}, "Band - Song"},
        {"both: the v2 tag's", Tag(3, Frame(3, "TIT2", Text(0, "Song")) + Frame(3, "TPE1", Text(0, "Band"))),
         {"Old", "Other"}, "Band - Song"},
        {"no v2 tag", std::string(300, '\x55'), {"Song", ""}, "Song"},
        {"a title in neither", Tag(3, Frame(3, "TPE1", Text(0, "Band"))), {"", "Other"}, std::nullopt},
    };
    for (const auto& row : table) {
        TMemoryTagSource source(row.File);
        EXPECT_EQ(SongTitle(BothTags(ReadId3v2Names(source), row.Trailer)), row.Title) << row.Case;
    }
}

TEST(Id3v2Tag, TrailerFields) {
    const char title[30] = "Song   ";
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(TrailerField(title, sizeof title), "Song");
    EXPECT_EQ(TrailerField(full, sizeof full), "abcd") << "a field may fill its 30 bytes, with no NUL";
    EXPECT_EQ(SongTitle({"Song", ""}), "Song");
    EXPECT_EQ(SongTitle({"", "Band"}), std::nullopt);
}

} // namespace
