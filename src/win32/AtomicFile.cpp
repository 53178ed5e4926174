#include "win32/AtomicFile.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"

namespace {

// Eight hexadecimal digits.
wchar_t* WriteHex(wchar_t* out, std::uint32_t value) noexcept {
    for (int shift = 28; shift >= 0; shift -= 4) *out++ = L"0123456789abcdef"[(value >> shift) & 15];
    return out;
}

} // namespace

bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes) noexcept {
    if (bytes.size() > MAXDWORD) return false;
    // No "There is no disk in the drive" box for a file on an empty card reader: the write
    // fails as any other does.
    const TQuietErrorMode quiet;
    // A name of this write's own beside path (so that the move stays on its volume and is
    // a rename), path.<process>-<count>.tmp: the writes of two threads, and of two games
    // that share a folder, never open, move or delete one another's.
    static std::atomic<std::uint32_t> writes{0};
    wchar_t temporary[MAX_PATH + 512];
    const std::size_t length = path.size();
    if (length + 24 > sizeof temporary / sizeof *temporary) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    path.copy(temporary, length);
    wchar_t* end = temporary + length;
    wchar_t separator = L'.';
    const std::uint32_t parts[] = {GetCurrentProcessId(), writes.fetch_add(1, std::memory_order_relaxed)};
    for (const std::uint32_t part : parts) {
        *end++ = separator;
        separator = L'-';
        end = WriteHex(end, part);
    }
    for (const wchar_t c : L".tmp") *end++ = c;
    // Created new: a name left by an earlier process of the same number that ended in the
    // middle fails this write, and the next write has the next name.
    UniqueFile file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD done = 0;
    const bool written =
        (bytes.empty() ||
         (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size())) &&
        FlushFileBuffers(file.Get());
    file.Reset();
    if (written && MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    DeleteFileW(temporary);
    SetLastError(error);
    return false;
}

std::optional<std::string> ReadSmallFile(const std::wstring& path, std::size_t maxBytes) {
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    // A file that shrank meanwhile gives what it still holds.
    if (!content.empty() && !ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &got, nullptr))
        return std::nullopt;
    content.resize(got);
    return content;
}
