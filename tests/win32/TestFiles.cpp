#include "TestFiles.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace {

std::string FixtureFolder;
std::atomic<int> FolderCounter{0};

std::string CurrentFolder() {
    char buffer[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, n);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

void MakeParents(const std::string& path) {
    for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

} // namespace

TTempGameFolder::TTempGameFolder() : FPrevious(CurrentFolder()) {
    if (FixtureFolder.empty()) FixtureFolder = FPrevious + "\\fixtures";
    FPath = FPrevious + "\\tmp-game-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++FolderCounter);
    RemoveTree(FPath);
    CreateDirectoryA(FPath.c_str(), nullptr);
    SetCurrentDirectoryA(FPath.c_str());
}

TTempGameFolder::~TTempGameFolder() {
    SetCurrentDirectoryA(FPrevious.c_str());
    RemoveTree(FPath);
}

void MakeFolder(const std::string& path) {
    MakeParents(path + "\\");
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    MakeParents(path);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string FixturePath(const char* fixture) {
    if (FixtureFolder.empty()) FixtureFolder = CurrentFolder() + "\\fixtures";
    return FixtureFolder + "\\" + fixture;
}

void CopyFixture(const char* fixture, const std::string& path) {
    MakeParents(path);
    if (!CopyFileA(FixturePath(fixture).c_str(), path.c_str(), FALSE))
        throw std::runtime_error("cannot copy fixture " + std::string(fixture));
}

std::vector<std::string> SearchNames(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.emplace_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}
