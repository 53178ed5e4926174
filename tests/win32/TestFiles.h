// Helpers of the Windows tests: temporary game folders, files, fixtures, messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder that is the current folder while the object lives; removed afterwards.
class TTempGameFolder {
public:
    TTempGameFolder();
    ~TTempGameFolder();
    TTempGameFolder(const TTempGameFolder&) = delete;
    TTempGameFolder& operator=(const TTempGameFolder&) = delete;
    const std::string& Path() const { return FPath; }

private:
    std::string FPrevious;
    std::string FPath;
};

// Writes bytes to a file (relative to the current folder), creating its folders.
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Copies a fixture (made by scripts/make-fixtures.sh) to path, creating its folders.
void CopyFixture(const char* fixture, const std::string& path);
// The absolute path of a fixture.
std::string FixturePath(const char* fixture);
void MakeFolder(const std::string& path);
// The names a search for pattern returns, in the platform's order.
std::vector<std::string> SearchNames(const std::string& pattern);
// Runs the calling thread's message loop until done() or the time is up.
template <class Done> bool PumpMessagesUntil(DWORD timeoutMs, Done done) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed > 50 ? 50 : timeoutMs - elapsed, QS_ALLINPUT);
    }
}
