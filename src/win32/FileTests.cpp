#include "win32/FileTests.h"

#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"

namespace {

// The rest of the existence test, on what the search found.
template <class FindData> bool IsDatedFile(const FindData& found) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    FILETIME local;
    WORD dosDate = 0;
    WORD dosTime = 0;
    return FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) &&
           FileTimeToDosDateTime(&local, &dosDate, &dosTime);
}

} // namespace

bool IsExistingFile(const std::wstring& name) {
    const TQuietErrorMode quiet;
    if (name.size() > MaxPathUnits) return false;
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW(name.c_str(), &found));
    if (!search) return false;
    search.Reset();
    return IsDatedFile(found);
}

bool IsExistingFolder(const std::wstring& name) {
    const TQuietErrorMode quiet;
    if (name.size() > MaxPathUnits) return false;
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFile(const std::string& name) {
    const TQuietErrorMode quiet;
    WIN32_FIND_DATAA found;
    UniqueFind search(FindFirstFileA(name.c_str(), &found));
    if (!search) return false;
    search.Reset();
    return IsDatedFile(found);
}

bool IsExistingFolder(const std::string& name) {
    const TQuietErrorMode quiet;
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
