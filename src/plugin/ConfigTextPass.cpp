#include "plugin/ConfigTextPass.h"

#include <vector>

#include "core/Errors.h"
#include "core/LineSplitter.h"
#include "plugin/LibraryScan.h"
#include "win32/FileTests.h"
#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"

namespace {

[[noreturn]] void RaiseInOutError(DWORD code) { throw EInOutError(InOutErrorText(code)); }

constexpr DWORD ReadBlockSize = 64 * 1024;

} // namespace

void ReadConfigLines(const std::string& fileName, const std::function<void(std::string_view)>& onLine) {
    const TQuietErrorMode quiet;
    UniqueFile file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseInOutError(GetLastError());

    TLineSplitter splitter;
    std::vector<char> block(ReadBlockSize);
    while (!splitter.Ended()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), block.data(), ReadBlockSize, &got, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE) break;
            RaiseInOutError(code);
        }
        if (got == 0) break;
        splitter.Feed(std::string_view(block.data(), got), onLine);
    }
    splitter.Finish(onLine);

    if (!CloseHandle(file.Release())) RaiseInOutError(GetLastError());
}

void ScanPlaylist(const std::string& fileName, const std::function<void(TTrackPath)>& append) {
    bool inPlaylist = false;
    TLibraryScan scan(append);
    ReadConfigLines(fileName, [&](std::string_view rawLine) {
        const std::string_view line = TrimLine(rawLine);
        if (!inPlaylist) {
            inPlaylist = IsPlaylistHeader(line);
            return;
        }
        // The configuration's own lines are in the system code page.
        if (!line.empty()) scan.AddLine({std::string(line), false});
    });
}
