#include "win32/AtomicFile.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"

namespace {

void AppendHex(std::wstring& text, std::uint32_t value) {
    wchar_t digits[8];
    int count = 0;
    do {
        digits[count++] = L"0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value != 0);
    while (count > 0) text += digits[--count];
}

// A name of this write's own beside path (so that the move stays on its volume and is a
// rename): the process and a count of its writes tell apart the writes of two threads
// and of two games that share a folder, so that none opens, moves or deletes another's.
std::wstring TemporaryName(const std::wstring& path) {
    static std::atomic<std::uint32_t> writes{0};
    std::wstring name = path;
    name += L'.';
    AppendHex(name, GetCurrentProcessId());
    name += L'-';
    AppendHex(name, writes.fetch_add(1, std::memory_order_relaxed));
    name += L".tmp";
    return name;
}

} // namespace

bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes) noexcept {
    if (bytes.size() > MAXDWORD) return false;
    // No "There is no disk in the drive" box for a file on an empty card reader: the write
    // fails as any other does.
    const TQuietErrorMode quiet;
    try {
        std::wstring temporary;
        UniqueFile file;
        // A name left by a process of the same number that ended in the middle: the next.
        for (int attempt = 0; !file && attempt < 4; ++attempt) {
            temporary = TemporaryName(path);
            file.Reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
            if (!file && GetLastError() != ERROR_FILE_EXISTS) return false;
        }
        if (!file) return false;
        DWORD done = 0;
        const bool written = (bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                                          &done, nullptr) &&
                                                done == bytes.size())) &&
                             FlushFileBuffers(file.Get());
        file.Reset();
        if (written && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        SetLastError(error);
        return false;
    } catch (...) {
        // Out of memory for the temporary name: nothing was written.
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

std::optional<std::string> ReadSmallFile(const std::wstring& path, std::size_t maxBytes) {
    const TQuietErrorMode quiet;
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
