#include "win32/FileTests.h"

#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"

bool IsExistingFile(const std::string& name) {
    const TQuietErrorMode quiet;
    WIN32_FIND_DATAA found;
    UniqueFind search(FindFirstFileA(name.c_str(), &found));
    if (!search) return false;
    search.Reset();
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    FILETIME local;
    WORD dosDate = 0;
    WORD dosTime = 0;
    return FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) &&
           FileTimeToDosDateTime(&local, &dosDate, &dosTime);
}

bool IsExistingFolder(const std::string& name) {
    const TQuietErrorMode quiet;
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
