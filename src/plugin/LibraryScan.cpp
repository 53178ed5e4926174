#include "plugin/LibraryScan.h"

#include <windows.h>

#include <set>
#include <tuple>

#include "core/PlaylistFile.h"
#include "win32/FileTests.h"
#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"
#include "win32/WideText.h"

namespace {

// folder + "\" + name, in the code page where it can spell both.
TTrackPath Joined(const TTrackPath& folder, std::wstring_view name) {
    if (!folder.Utf8) {
        if (auto inCodePage = CodePageOf(name)) return {folder.Text + "\\" + *inCodePage, false};
        return {Utf8Of(WideOf(folder)) + "\\" + Utf8Of(name), true};
    }
    return {folder.Text + "\\" + Utf8Of(name), true};
}

// An entry of a list: absolute as it is, or relative to the list's own folder.
TTrackPath EntryPath(const TTrackPath& list, const TTrackPath& entry) {
    if (IsAbsolutePath(entry.Text)) return InCodePageWherePossible(entry);
    const std::string_view folder = FolderOf(list.Text);
    if (list.Utf8 == entry.Utf8) return InCodePageWherePossible({std::string(folder) + entry.Text, entry.Utf8});
    const std::string folderUtf8 = list.Utf8 ? std::string(folder) : Utf8Of(WideOf(folder, false));
    const std::string entryUtf8 = entry.Utf8 ? entry.Text : Utf8Of(WideOf(entry.Text, false));
    return InCodePageWherePossible({folderUtf8 + entryUtf8, true});
}

// A folder's identity: volume and file index. A link to a folder has its target's.
using TFolderIdentity = std::tuple<DWORD, DWORD, DWORD>;

std::optional<TFolderIdentity> IdentityOf(const std::wstring& folder) {
    UniqueFile handle(CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !GetFileInformationByHandle(handle.Get(), &info)) return std::nullopt;
    return TFolderIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool IsDotName(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Folders a music library never holds music in, or that lead out of the tree.
constexpr DWORD SkippedFolderAttributes = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::optional<std::string> ReadSmallFile(const TTrackPath& path) {
    UniqueFile file(CreateFileW(WideOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > static_cast<LONGLONG>(MaxListBytes))
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return std::nullopt;
    bytes.resize(got);
    return bytes;
}

std::wstring FullNameOf(const std::wstring& name) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(name.c_str(), MAX_PATH * 2, buffer, nullptr);
    return length == 0 || length >= MAX_PATH * 2 ? name : std::wstring(buffer, length);
}

} // namespace

void TLibraryScan::AddLine(const TTrackPath& line) {
    if (const auto folder = RecursiveFolder(line.Text)) {
        AddTree({std::string(*folder), line.Utf8});
    } else if (IsExistingFolder(line)) {
        AddFolder(line);
    } else if (IsExistingFile(line)) {
        if (IsPlaylistFileName(line.Text))
            AddList(line);
        else
            FAppend(line);
    }
}

void TLibraryScan::AddFolder(const TTrackPath& folder) {
    const TQuietErrorMode quiet;
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW((WideOf(folder) + L"\\*.mp3").c_str(), &found));
    if (!search) return;
    do {
        FAppend(Joined(folder, found.cFileName));
    } while (FindNextFileW(search.Get(), &found));
}

void TLibraryScan::AddTree(const TTrackPath& root) {
    const TQuietErrorMode quiet;
    std::set<TFolderIdentity> seen;
    // Depth first without recursion (a tree may be deeper than the game thread's
    // stack would like): each folder's files, then its subfolders in listing order.
    std::vector<TTrackPath> pending{root};
    while (!pending.empty()) {
        const TTrackPath folder = std::move(pending.back());
        pending.pop_back();
        const std::wstring wide = WideOf(folder);
        const auto identity = IdentityOf(wide);
        if (!identity || !seen.insert(*identity).second) continue;
        AddFolder(folder);
        std::vector<TTrackPath> subfolders;
        WIN32_FIND_DATAW found;
        UniqueFind search(FindFirstFileExW((wide + L"\\*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchLimitToDirectories, nullptr, 0));
        if (!search) continue;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & SkippedFolderAttributes) && !IsDotName(found.cFileName))
                subfolders.push_back(Joined(folder, found.cFileName));
        } while (FindNextFileW(search.Get(), &found));
        pending.insert(pending.end(), std::make_move_iterator(subfolders.rbegin()),
                       std::make_move_iterator(subfolders.rend()));
    }
}

void TLibraryScan::AddList(const TTrackPath& list) {
    if (FOpenLists.size() >= MaxListDepth) return;
    std::wstring fullName = FullNameOf(WideOf(list));
    for (const std::wstring& open : FOpenLists)
        if (CompareStringOrdinal(open.c_str(), -1, fullName.c_str(), -1, TRUE) == CSTR_EQUAL) return;
    const std::optional<std::string> bytes = ReadSmallFile(list);
    if (!bytes) return;
    FOpenLists.push_back(std::move(fullName));
    for (const TTrackPath& entry : ReadPlaylistFile(*bytes, IsUtf8PlaylistFileName(list.Text)))
        AddLine(EntryPath(list, entry));
    FOpenLists.pop_back();
}
