#include "plugin/ConfigTextPass.h"

#include <vector>

#include "core/Errors.h"
#include "core/LineSplitter.h"
#include "core/PlaylistFile.h"
#include "plugin/LibraryScan.h"
#include "win32/FileTests.h"
#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"
#include "win32/WideText.h"

namespace {

[[noreturn]] void RaiseInOutError(DWORD code) { throw EInOutError(InOutErrorText(code)); }

constexpr DWORD ReadBlockSize = 64 * 1024;

bool HasNonAscii(std::string_view text) noexcept {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// A playlist line as its writer meant it: in the system code page, unless it names
// nothing there but does name something read as UTF-8 (Notepad saves UTF-8 now).
TTrackPath LineAsMeant(std::string_view line) {
    TTrackPath inCodePage{std::string(line), false};
    if (!HasNonAscii(line) || !IsValidUtf8(line) || TLibraryScan::NamesSomething(inCodePage)) return inCodePage;
    TTrackPath inUtf8 = InCodePageWherePossible({std::string(line), true});
    return TLibraryScan::NamesSomething(inUtf8) ? inUtf8 : inCodePage;
}

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

void ScanPlaylist(const std::string& fileName, std::vector<TTrackPath>& entries,
                  const std::function<void()>& onEntry, std::vector<std::string>* later) {
    bool inPlaylist = false;
    TLibraryScan scan(entries, onEntry);
    ReadConfigLines(fileName, [&](std::string_view rawLine) {
        const std::string_view line = TrimLine(rawLine);
        if (!inPlaylist) {
            inPlaylist = IsPlaylistHeader(line);
            return;
        }
        if (line.empty()) return;
        if (later != nullptr && (!later->empty() || IsLibraryFormLine(line))) {
            later->emplace_back(line);
            return;
        }
        // The configuration's own lines are in the system code page.
        scan.AddLine(LineAsMeant(line));
    });
}

bool IsLibraryFormLine(std::string_view line) noexcept {
    return RecursiveFolder(line).has_value() || IsPlaylistFileName(line);
}

void ScanPlaylistLines(const std::vector<std::string>& lines, TEntrySink& sink) {
    TLibraryScan scan(sink);
    for (const std::string& line : lines) {
        if (scan.Full()) break;
        scan.AddLine(LineAsMeant(line));
    }
}
