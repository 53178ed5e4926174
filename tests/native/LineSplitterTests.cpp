#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LineSplitter.h"

namespace {

// Splits the bytes, fed in blocks of blockSize, into lines.
std::vector<std::string> Split(const std::string& bytes, std::size_t blockSize) {
    std::vector<std::string> lines;
    TLineSplitter splitter;
    auto collect = [&](std::string_view line) { lines.emplace_back(line); };
    for (std::size_t at = 0; at < bytes.size() && !splitter.Ended(); at += blockSize)
        splitter.Feed(std::string_view(bytes).substr(at, blockSize), collect);
    splitter.Finish(collect);
    return lines;
}

struct TSplitCase {
    const char* Name;
    std::string Bytes;
    std::vector<std::string> Lines;
};

void PrintTo(const TSplitCase& c, std::ostream* out) { *out << c.Name; }

class LineStructure : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(LineStructure, SplitsAlikeForEveryBlockSize) {
    const TSplitCase& c = GetParam();
    for (std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{65536}})
        EXPECT_EQ(Split(c.Bytes, block), c.Lines) << c.Name << ", blocks of " << block;
}

const std::string CtrlZ(1, '\x1A');

INSTANTIATE_TEST_SUITE_P(
    Table, LineStructure,
    ::testing::Values(
        TSplitCase{"empty file", "", {}},
        TSplitCase{"LF only", "a\nb\n", {"a", "b"}},
        TSplitCase{"CR LF", "a\r\nb\r\n", {"a", "b"}},
        TSplitCase{"lone CR dropped", "a\rb\nc", {"ab", "c"}},
        TSplitCase{"last line without break", "a\nlast", {"a", "last"}},
        TSplitCase{"empty lines kept", "\n\nx\n", {"", "", "x"}},
        TSplitCase{"Ctrl-Z in a line cuts it", "C:\\mu" + CtrlZ + "sic\\a.mp3\nnext\n", {"C:\\mu", "next"}},
        TSplitCase{"Ctrl-Z at a line start ends the file", "a\n" + CtrlZ + "b\nc\n", {"a"}},
        TSplitCase{"Ctrl-Z first byte", CtrlZ + "a\n", {}},
        TSplitCase{"CR then Ctrl-Z is a line", "\r" + CtrlZ + "\nb", {"", "b"}},
        TSplitCase{"lone CR at the end", "a\r", {"a"}},
        TSplitCase{"NUL and high bytes stay", std::string("a\0\xE9\n", 4), {std::string("a\0\xE9", 3)}}),
    [](const auto& info) {
        std::string name = info.param.Name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(LineStructure, LongLineHasNoLimit) {
    const std::string longLine(3 * 65536 + 5, 'x');
    EXPECT_EQ(Split(longLine + "\nend", 65536), (std::vector<std::string>{longLine, "end"}));
}

TEST(Trimming, RemovesBytesUpToBlankFromBothEndsOnly) {
    EXPECT_EQ(TrimLine(" \t\x01[playlist]\x1F \r"), "[playlist]");
    EXPECT_EQ(TrimLine("  a b  "), "a b");
    EXPECT_EQ(TrimLine("\xA0x\xA0"), "\xA0x\xA0");
    EXPECT_EQ(TrimLine(" \t "), "");
}

TEST(PlaylistHeader, MatchesOnlyTheWholeWordInAnyCase) {
    EXPECT_TRUE(IsPlaylistHeader("[playlist]"));
    EXPECT_TRUE(IsPlaylistHeader("[PlayList]"));
    EXPECT_TRUE(IsPlaylistHeader("[PLAYLIST]"));
    EXPECT_FALSE(IsPlaylistHeader("[ playlist ]"));
    EXPECT_FALSE(IsPlaylistHeader("[playlist] ;x"));
    EXPECT_FALSE(IsPlaylistHeader("\xEF\xBB\xBF[playlist]"));
    EXPECT_FALSE(IsPlaylistHeader("[playlis]"));
}

} // namespace
