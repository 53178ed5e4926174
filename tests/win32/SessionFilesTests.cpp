// The session files: the writer thread's order of writes, and what the load reads back.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "plugin/SessionFiles.h"
#include "win32/AtomicFile.h"
#include "win32/FullPathName.h"
#include "win32/Handles.h"

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

} // namespace
