#include "plugin/ConfigTextPass.h"

#include <vector>

#include "core/Errors.h"
#include "core/LineSplitter.h"
#include "core/PlaylistFile.h"
#include "plugin/LibraryScan.h"
#include "win32/FileTests.h"
#include "win32/FullPathName.h"
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

// The line's readings. The code page is the one the system's 8-bit file calls read a
// name in, so the UTF-16 name finds what such a call would find.
TPlaylistLine ReadingsOf(std::string_view line) {
    TPlaylistLine readings{WideOfFileName(line), {}};
    if (HasNonAscii(line) && IsValidUtf8(line)) readings.InUtf8 = WideOf(line, true);
    return readings;
}

// A playlist line as its writer meant it: in the system code page, unless it names
// nothing there but does name something read as UTF-8.
const std::wstring& LineAsMeant(const TPlaylistLine& line) {
    if (line.InUtf8.empty() || TLibraryScan::NamesSomething(line.InCodePage)) return line.InCodePage;
    return TLibraryScan::NamesSomething(line.InUtf8) ? line.InUtf8 : line.InCodePage;
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

void ScanPlaylist(const std::string& fileName, std::vector<std::wstring>& entries,
                  const std::function<void()>& onEntry, std::vector<TPlaylistLine>* later) {
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
            TPlaylistLine readings = ReadingsOf(line);
            readings.InCodePage = FullPathName(readings.InCodePage);
            readings.InUtf8 = FullPathName(readings.InUtf8);
            later->push_back(std::move(readings));
            return;
        }
        scan.AddLine(LineAsMeant(ReadingsOf(line)));
    });
}

bool IsLibraryFormLine(std::string_view line) noexcept {
    return RecursiveFolder(line).has_value() || IsPlaylistFileName(line);
}

void ScanPlaylistLines(const std::vector<TPlaylistLine>& lines, TEntrySink& sink) {
    TLibraryScan scan(sink);
    for (const TPlaylistLine& line : lines) {
        if (scan.Full()) break;
        scan.AddLine(LineAsMeant(line));
    }
}
