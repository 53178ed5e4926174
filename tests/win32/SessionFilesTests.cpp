// The session files: the writer thread's order of writes, and what the load reads back.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "plugin/LibraryLoad.h"
#include "plugin/SessionFiles.h"
#include "win32/AtomicFile.h"
#include "win32/FullPathName.h"
#include "win32/Handles.h"
#include "win32/WideText.h"

namespace {

using UniqueChange = UniqueResource<HANDLE, ::FindCloseChangeNotification, InvalidHandleBits>;

std::string Content(const std::wstring& path) { return ReadSmallFile(path, 1000).value_or("<none>"); }

// A reader that holds the file open without delete sharing, as an overlay polling it
// does: a replacement is refused while it holds it. Watching the folder from then on, for
// the writer's temporary file: the writer has taken its text once one appears.
struct THeldFile {
    explicit THeldFile(const std::wstring& path)
        : Handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)),
          Change(FindFirstChangeNotificationW(L".", FALSE, FILE_NOTIFY_CHANGE_FILE_NAME)) {}
    bool WriterTookItsText() const { return WaitForSingleObject(Change.Get(), 5000) == WAIT_OBJECT_0; }
    UniqueFile Handle;
    UniqueChange Change;
};

// A text equal to what the file held before the running write is not lost: "a", then ""
// while a reader holds the file, then "a" again (the on key pressed twice with one entry).
TEST(FileWriter, ATextEqualToTheFilesOlderTextIsNotLostBehindTheRunningWrite) {
    const TTempGameFolder game;
    const std::wstring path = FullPathName(L"np.txt");
    TFileWriter writer;
    writer.Put(0, path, "a");
    writer.Drain();
    ASSERT_EQ(Content(path), "a");
    {
        const THeldFile held(path);
        ASSERT_TRUE(held.Handle && held.Change);
        writer.Put(0, path, "");
        ASSERT_TRUE(held.WriterTookItsText());
        writer.Put(0, path, "a");
    }
    writer.Drain();
    EXPECT_EQ(Content(path), "a");
}

// The game's end, tired of waiting for a writer thread stuck on a file, writes the rest
// itself but never that file: the thread's older text cannot land over the newer one,
// which the thread writes next.
TEST(FileWriter, TheGameEndsOwnWritesLeaveTheFileTheThreadStillWrites) {
    const TTempGameFolder game;
    const std::wstring path = FullPathName(L"np.txt"), state = FullPathName(L"state.txt");
    WriteFileBytes("np.txt", "old");
    {
        TFileWriter writer(0);
        {
            const THeldFile held(path);
            ASSERT_TRUE(held.Handle && held.Change);
            writer.Put(0, path, "a");
            ASSERT_TRUE(held.WriterTookItsText());
            writer.Put(0, path, "b");
            writer.Put(1, state, "state");
            writer.Drain();
            EXPECT_EQ(Content(state), "state") << "written on the game's thread";
        }
    } // the thread ends once its work is done
    EXPECT_EQ(Content(path), "b");
}

// A track's path of any length comes back from the state file written for it (here 2,800
// CJK characters, 8,400 bytes in UTF-8).
TEST(SessionFiles, AStateIsReadBackWholeWhateverItsTracksLength) {
    const TTempGameFolder game;
    const TResumeState state{Utf8Of(L"D:\\" + std::wstring(2800, L'\u591c') + L".mp3"), 83000, true};
    WriteFileBytes(ConfigFileName, "[player]\r\nresume=yes\r\n");
    WriteFileBytes(ResumeFileName, ResumeStateText(state));
    const TSessionSettings settings = ReadSessionSettings(ConfigFileName);
    EXPECT_EQ(TSessionFiles(settings.ResumePath, {}).RememberedState(), state);
}

// The now-playing value is taken as a playlist line is: whole, however long (here 600
// bytes in UTF-8), and in UTF-8 where the code page names no file but UTF-8 names one or
// the folder for one.
TEST(SessionFiles, TheNowPlayingPathIsTakenWholeAndAsMeant) {
    const TTempGameFolder game;
    const std::wstring folder(100, L'\u6b4c'), deep = folder + L"\\" + std::wstring(100, L'\u591c') + L".txt";
    const std::wstring inCodePage = L"\u00c3\u00a9.txt"; // "\xC3\xA9.txt" read in the code page
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    WriteFileBytes("\xC3\xA9.txt", "");
    const struct {
        std::string Value;
        std::wstring Path;
    } table[] = {
        {"np.txt", L"np.txt"},
        {"caf\xE9.txt", L"caf\u00e9.txt"},     // not UTF-8
        {"\xC3\xA9.txt", inCodePage},          // UTF-8, but the code page names a file
        {Utf8Of(L"\u591c.txt"), L"\u591c.txt"}, // a file not written yet, in a folder there
        {Utf8Of(deep), deep},
    };
    for (const auto& row : table) {
        WriteFileBytes(ConfigFileName, "[display]\r\nnowplaying=" + row.Value + "\r\n");
        EXPECT_EQ(Utf8Of(ReadSessionSettings(ConfigFileName).NowPlayingPath), Utf8Of(FullPathName(row.Path))) << row.Value;
    }
    DeleteFileW(inCodePage.c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace

