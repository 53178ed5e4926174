#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/Errors.h"
#include "core/Id3Tag.h"
#include "core/NumberText.h"
#include "core/RandomGenerator.h"
#include "core/StatusText.h"
#include "core/VolumeLevel.h"
#include "core/TrackTitle.h"

namespace {

TEST(StatusText, LengthPartPadsToTwoDigitsAndNeverCuts) {
    const struct {
        std::int32_t Seconds;
        const char* Text;
    } table[] = {{185, " [03-05s]"}, {59, " [00-59s]"}, {60, " [01-00s]"}, {0, " [00-00s]"},
                 {6000, " [100-00s]"}, {-5, " [00--05s]"}, {-125, " [-02--05s]"}};
    for (const auto& row : table) EXPECT_EQ(LengthPart(row.Seconds), row.Text) << row.Seconds << " s";
}

TEST(NumberText, DigitsAsPrintfWouldWriteThem) {
    const struct {
        std::int64_t Value;
        int MinDigits;
        const char* Text;
    } decimal[] = {{0, 1, "0"},   {7, 2, "07"},   {-7, 2, "-07"}, {123, 2, "123"}, {-2147483647 - 1, 1, "-2147483648"},
                   {0, 2, "00"},  {5, 0, "5"},    {INT64_MIN, 1, "-9223372036854775808"}};
    for (const auto& row : decimal) EXPECT_EQ(DecimalText(row.Value, row.MinDigits), row.Text) << row.Value;
    EXPECT_EQ(HexText(0x1A2B, 8), "00001A2B");
    EXPECT_EQ(HexText(0xFFFFFFFFu, 8), "FFFFFFFF");
    EXPECT_EQ(HexText(0x123456789ABull, 8), "123456789AB");
    EXPECT_EQ(HexText(0xabc, 1, false), "abc");
    EXPECT_EQ(HexText(0, 1), "0");
}

TEST(StatusText, PositionPartWritesBothAsTheLengthPartDoes) {
    const struct {
        std::int32_t Position;
        std::int32_t Length;
        const char* Text;
    } table[] = {{0, 185, " [00-00s/03-05s]"},   {59, 185, " [00-59s/03-05s]"}, {61, 185, " [01-01s/03-05s]"},
                 {6000, 6000, " [100-00s/100-00s]"}, {83, 185, " [01-23s/03-05s]"}};
    for (const auto& row : table)
        EXPECT_EQ(PositionPart(row.Position, row.Length), row.Text) << row.Position << " s of " << row.Length;
    EXPECT_EQ(WhereLine(false, "Song", 83, 185), "Play> Song [01-23s/03-05s]");
    EXPECT_EQ(WhereLine(true, "Song", 83, 185), "Paused> Song [01-23s/03-05s]");
}

TEST(StatusText, PlayAndResumeLines) {
    EXPECT_EQ(PlayLine("Song", 185), "Play> Song [03-05s]");
    EXPECT_EQ(ResumeLine("Song"), "Play> Song");
    EXPECT_EQ(PlayLine("", 1), "Play>  [00-01s]");
}

TEST(RandomGenerator, FollowsTheLinearSequence) {
    TRandomGenerator random;
    random.Reseed(12345);
    EXPECT_EQ(random.Draw(10), 3);
    EXPECT_EQ(random.Seed(), 1655067934u);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(random.Draw(1), 0);
        const auto n = random.Draw(7);
        EXPECT_GE(n, 0);
        EXPECT_LT(n, 7);
    }
}

bool NoLeadBytes(unsigned char) { return false; }
// Shift-JIS (code page 932) lead bytes.
bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

TEST(TrackTitle, DropsFolderAndLastExtension) {
    const struct {
        const char* Path;
        const char* Title;
    } table[] = {{"a.b.mp3", "a.b"},         {".mp3", ""},
                 {"C:song.mp3", "song"},     {"noext", "noext"},
                 {"dir/song.mp3", "dir/song"}, {"C:\\Music\\Album\\Song.mp3", "Song"},
                 {"music\\folder.x\\track", "track"}, {"C:\\Music\\\\a.mp3", "a"},
                 {"", ""}};
    for (const auto& row : table) {
        EXPECT_EQ(TrackTitle(row.Path, &NoLeadBytes), row.Title) << row.Path;
        const std::string_view path = row.Path, title = row.Title;
        EXPECT_EQ(TrackTitle(std::wstring(path.begin(), path.end())), std::wstring(title.begin(), title.end())) << row.Path;
    }
}

TEST(TrackTitle, CutToAFileNamesLengthAtACharactersBoundary) {
    const std::wstring plain(300, L'a');
    std::wstring pairs;
    for (int i = 0; i < 150; ++i) pairs += L"\xD83C\xDFB5"; // U+1F3B5 as its two halves
    const struct {
        std::wstring Title;
        std::size_t Length;
    } table[] = {{L"short", 5}, {plain.substr(0, 255), 255}, {plain, 255}, {pairs, 254}, {L"a" + pairs, 255}};
    for (const auto& row : table) EXPECT_EQ(CutTitle(row.Title).size(), row.Length) << row.Title.size();
}

TEST(TrackTitle, TrailBytesAreNeitherSeparatorsNorDots) {
    // 0x95 0x5C is one character whose trail byte equals "\"; 0x83 0x2E ends in ".".
    EXPECT_EQ(TrackTitle("dir\\\x95\x5C\x83\x2E.mp3", &ShiftJisLead), "\x95\x5C\x83\x2E");
    EXPECT_EQ(TrackTitle("dir\\\x95\x5C\x83\x2E.mp3", &NoLeadBytes), "\x83.");
}

TEST(TrackTitle, OfAUtf8NameFromAUtf16One) {
    // "夜の歌.mp3" and "Ночь.v2.mp3" in UTF-8: no byte of a character beyond ASCII is a
    // separator or a dot, so the rule needs no lead-byte test.
    EXPECT_EQ(TrackTitle("music\\\xE5\xA4\x9C\xE3\x81\xAE\xE6\xAD\x8C.mp3", nullptr), "\xE5\xA4\x9C\xE3\x81\xAE\xE6\xAD\x8C");
    EXPECT_EQ(TrackTitle("C:\\a.b\\\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C.v2.mp3", nullptr),
              "\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C.v2");
}

TEST(Id3Tag, KeepsATrailerThatStartsWithTag) {
    std::vector<std::uint8_t> bytes(128, 0x41);
    std::memcpy(bytes.data(), "TAG", 3);
    bytes[127] = 17;
    const TID3v1Tag tag = TagFromTrailer(bytes.data(), bytes.size());
    EXPECT_EQ(std::memcmp(&tag, bytes.data(), 128), 0);
}

TEST(Id3Tag, AnythingElseGivesTheBlankRecord) {
    const TID3v1Tag blank = BlankTag();
    std::vector<std::uint8_t> blankBytes(128, 0);
    std::memcpy(blankBytes.data(), "TAG", 3);
    ASSERT_EQ(std::memcmp(&blank, blankBytes.data(), 128), 0);
    for (const char* marker : {"tag", "TA\0", "XYZ", "TAg"}) {
        std::vector<std::uint8_t> bytes(128, 0x41);
        std::memcpy(bytes.data(), marker, 3);
        const TID3v1Tag tag = TagFromTrailer(bytes.data(), bytes.size());
        EXPECT_EQ(std::memcmp(&tag, &blank, 128), 0) << marker;
    }
    std::vector<std::uint8_t> shortFile(100, 0x41);
    std::memcpy(shortFile.data(), "TAG", 3);
    const TID3v1Tag tag = TagFromTrailer(shortFile.data(), shortFile.size());
    EXPECT_EQ(std::memcmp(&tag, &blank, 128), 0) << "a file shorter than the trailer";
}

TEST(Id3Tag, GenreTableHasTheFixedSpellings) {
    EXPECT_STREQ(ID3Genres[0], "Blues");
    EXPECT_STREQ(ID3Genres[67], "Psychadelic");
    EXPECT_STREQ(ID3Genres[79], "Hard Rock");
    EXPECT_STREQ(ID3Genres[80], "Folk");
    EXPECT_STREQ(ID3Genres[123], "Acapella");
    EXPECT_STREQ(ID3Genres[144], "Trash Metal");
    EXPECT_STREQ(ID3Genres[146], "Jpop");
    EXPECT_STREQ(ID3Genres[147], "Synthpop");
}

TEST(Errors, InOutErrorTexts) {
    const struct {
        unsigned Code;
        const char* Text;
    } table[] = {{2, "File not found"},        {3, "Invalid filename"},        {4, "Too many open files"},
                 {5, "File access denied"},    {100, "Read beyond end of file"}, {101, "Disk full"},
                 {106, "Invalid numeric input"}, {32, "I/O error 32"},         {1234, "I/O error 1234"}};
    for (const auto& row : table) EXPECT_EQ(InOutErrorText(row.Code), row.Text) << row.Code;
}

TEST(Errors, ClassNamesAndMessages) {
    const EInOutError io("I/O error 32");
    const eMciDeviceError mci("277 - text");
    EXPECT_STREQ(io.ClassName(), "EInOutError");
    EXPECT_STREQ(mci.ClassName(), "eMciDeviceError");
    EXPECT_STREQ(io.what(), "I/O error 32");
    EXPECT_NE(io.Address(), nullptr);
}

} // namespace

namespace {

TEST(VolumeLevel, StepsOfTenWithinNoneAndFull) {
    TVolumeLevel level;
    EXPECT_EQ(level.Percent(), 100) << "full at load";
    EXPECT_TRUE(level.IsFull());
    const struct {
        bool Up;
        std::int32_t Percent;
        std::uint32_t Mci;
    } presses[] = {{true, 100, 1000}, {false, 90, 900}, {false, 80, 800}, {true, 90, 900},
                   {false, 80, 800},  {false, 70, 700}, {false, 60, 600}, {false, 50, 500},
                   {false, 40, 400},  {false, 30, 300}, {false, 20, 200}, {false, 10, 100},
                   {false, 0, 0},     {false, 0, 0},    {true, 10, 100}};
    int row = 0;
    for (const auto& press : presses) {
        press.Up ? level.Up() : level.Down();
        EXPECT_EQ(level.Percent(), press.Percent) << "press " << row;
        EXPECT_EQ(level.MciValue(), press.Mci) << "press " << row;
        ++row;
    }
    EXPECT_FALSE(level.IsFull());
}

TEST(StatusText, VolumeLines) {
    EXPECT_EQ(VolumeLine(70), "Volume> 70%");
    EXPECT_EQ(VolumeLine(100), "Volume> 100%");
    EXPECT_EQ(VolumeLine(0), "Volume> 0%");
}

} // namespace
