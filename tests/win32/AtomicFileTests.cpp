#include <gtest/gtest.h>

#include "TestFiles.h"
#include "win32/AtomicFile.h"
#include "win32/FullPathName.h"
#include "win32/WideText.h"

namespace {

// Replacing: the new bytes, empty bytes, and a folder that is not there (the file stays
// missing, no temporary file is left, nothing raises); reading: the size limit.
TEST(AtomicFile, ReplacesWholeOrLeavesAsItWas) {
    const TTempGameFolder game;
    const std::wstring path = FullPathName(L"np.txt");
    WriteFileBytes("np.txt", "an old and longer title");
    ASSERT_TRUE(ReplaceFileAtomically(path, "Song"));
    EXPECT_EQ(ReadSmallFile(path, 100), "Song");
    ASSERT_TRUE(ReplaceFileAtomically(path, ""));
    EXPECT_EQ(ReadSmallFile(path, 100), "");
    EXPECT_EQ(SearchNames("np.txt*"), std::vector<std::string>{"np.txt"}) << "a temporary file was left";

    const std::wstring missing = FullPathName(L"no\\such\\np.txt");
    EXPECT_FALSE(ReplaceFileAtomically(missing, "Song"));
    EXPECT_FALSE(ReadSmallFile(missing, 100));

    ASSERT_TRUE(ReplaceFileAtomically(path, "12345"));
    EXPECT_EQ(ReadSmallFile(path, 5), "12345");
    EXPECT_FALSE(ReadSmallFile(path, 4)) << "a file over the limit is not read";
}

// Another game sharing the folder, between writing its temporary file and moving it
// over the same target: a write of ours neither takes that file nor deletes it, whatever
// fixed name it has.
TEST(AtomicFile, AWriteLeavesAnotherWritersTemporaryFileAlone) {
    const TTempGameFolder game;
    const char* const others[] = {"np.txt.new", "np.txt.tmp", "np.txt~"};
    for (const char* other : others) WriteFileBytes(other, other);
    ASSERT_TRUE(ReplaceFileAtomically(FullPathName(L"np.txt"), "Song"));
    EXPECT_EQ(ReadSmallFile(FullPathName(L"np.txt"), 100), "Song");
    for (const char* other : others) EXPECT_EQ(ReadSmallFile(FullPathName(WideOf(other, false)), 100), other);
}

} // namespace
