// The bare baseline of the library benchmarks: a recursive FindFirstFileW walk that
// counts a tree's files.
#pragma once

#include <windows.h>

#include <string>

inline void WalkTree(const std::wstring& folder, int& files) {
    WIN32_FIND_DATAW found;
    HANDLE walk = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (walk == INVALID_HANDLE_VALUE) return;
    do {
        if (found.cFileName[0] == L'.') continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            WalkTree(folder + L"\\" + found.cFileName, files);
        else
            ++files;
    } while (FindNextFileW(walk, &found));
    FindClose(walk);
}
