#include "win32/AtomicFile.h"

#include <windows.h>

#include "win32/Handles.h"

bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes) noexcept {
    if (bytes.size() > MAXDWORD) return false;
    // Beside the file, so that the move stays on its volume and is a rename.
    wchar_t temporary[MAX_PATH + 512];
    const std::size_t length = path.size();
    constexpr wchar_t Suffix[] = L".new";
    if (length + sizeof Suffix / sizeof *Suffix > sizeof temporary / sizeof *temporary) return false;
    path.copy(temporary, length);
    for (std::size_t i = 0; i < sizeof Suffix / sizeof *Suffix; ++i) temporary[length + i] = Suffix[i];
    bool written = false;
    {
        const UniqueFile file(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD done = 0;
        written = (bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done,
                                               nullptr) &&
                                     done == bytes.size())) &&
                  FlushFileBuffers(file.Get());
    }
    if (written && MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
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
