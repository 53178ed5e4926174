#include "plugin/LibraryScan.h"

#include <windows.h>

#include <cstdint>

#include "core/PlaylistFile.h"
#include "core/VisitedFolders.h"
#include "win32/AtomicFile.h"
#include "win32/FileTests.h"
#include "win32/FullPathName.h"
#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"
#include "win32/WideText.h"

namespace {

// A path that a tree or list reached, by its extended-length form when its full name
// (with room for what is added to it: a search pattern) is beyond what the usual calls
// take. extra: how much longer the full name is than path (the current folder's part,
// for a relative path), plus that room.
std::wstring Reached(std::wstring path, std::size_t extra) {
    if (path.size() + extra < MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0) return path;
    return ExtendedLengthPath(FullPathName(path));
}

// folder + "\" + name.
std::wstring Joined(const std::wstring& folder, std::wstring_view name) {
    std::wstring path;
    path.reserve(folder.size() + 1 + name.size());
    path = folder;
    path += L'\\';
    path += name;
    return path;
}

// How much longer the full name of paths under folder is than they are.
std::size_t FullNameExtra(const std::wstring& folder) {
    if (IsAbsolutePath(folder)) return 0;
    return GetCurrentDirectoryW(0, nullptr);
}

std::string Utf8OfCodePage(std::string_view text) { return Utf8Of(WideOf(text, false)); }

// An entry of a list (UTF-8), resolved from the list's full folder (UTF-8, with its
// last "\"); nothing for one longer than any path can be.
std::optional<std::wstring> EntryPath(const std::string& listFolder, const std::string& entry) {
    std::wstring resolved = WideOf(ResolveListEntry(listFolder, entry), true);
    if (resolved.size() > MaxPathUnits) return std::nullopt;
    return Reached(std::move(resolved), 0);
}

// A folder's identity on its volume: its file index. A link to a folder has its
// target's; the tree's subfolders are all on the root's volume (links and mount
// points, which could lead elsewhere, are not followed).
using TFolderIdentity = std::uint64_t;

// True for a share's name without a folder in it: "\\server\share" (from) 2, or
// "\\?\UNC\server\share" (from 8).
bool IsShareName(const std::wstring& folder, std::size_t from) {
    const std::size_t server = folder.find(L'\\', from);
    return server != std::wstring::npos && server > from && folder.find(L'\\', server + 1) == std::wstring::npos;
}

UniqueFile OpenFolder(std::wstring folder) {
    // "D:" alone is the drive's current folder, "\\?\D:" the volume itself, and a share
    // opens by its root: "D:\**", "\\?\D:\**", "\\server\share\**" and "\**" mean the
    // whole drive, share or current drive.
    const bool drive = folder.size() == 2 && folder[1] == L':';
    const bool extendedDrive = folder.size() == 6 && folder.rfind(L"\\\\?\\", 0) == 0 && folder[5] == L':';
    const bool share = folder.rfind(L"\\\\?\\UNC\\", 0) == 0 ? IsShareName(folder, 8)
                       : folder.rfind(L"\\\\", 0) == 0 && folder.size() > 2 && folder[2] != L'?' && IsShareName(folder, 2);
    if (drive || extendedDrive || share || folder.empty()) folder += L'\\';
    if (folder.size() > MaxPathUnits) return UniqueFile();
    return UniqueFile(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IsDotName(std::wstring_view name) { return name == L"." || name == L".."; }

bool EndsWithMp3(std::wstring_view name) {
    if (name.size() < 4) return false;
    const std::wstring_view end = name.substr(name.size() - 4);
    return end[0] == L'.' && (end[1] | 0x20) == L'm' && (end[2] | 0x20) == L'p' && end[3] == L'3';
}

// Every entry of a folder by a search: handle(name, shortName, attributes, 0).
template <class Handle> void SearchFolder(const std::wstring& folder, Handle handle) {
    const std::wstring pattern = Joined(folder, L"*");
    if (pattern.size() > MaxPathUnits) return;
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search) return;
    do {
        handle(std::wstring_view(found.cFileName), std::wstring_view(found.cAlternateFileName), found.dwFileAttributes,
               TFolderIdentity{0});
    } while (FindNextFileW(search.Get(), &found));
}

// Every entry of an open folder, in the order the system lists them, with its file
// index: one pass over the folder, as a search is, which also gives what identifies
// each subfolder. handle(name, shortName, attributes, index) for each. A file system
// that refuses this listing (as some remote and network drives do) is searched instead,
// by path (folder), and gives no indexes.
template <class Handle> void ListFolder(HANDLE folder, const std::wstring& path, Handle handle) {
    std::vector<LONGLONG> buffer(8192); // 64 KB, aligned as the records need
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    const auto size = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
    if (!FolderListingCall(folder, kind, buffer.data(), size)) {
        if (GetLastError() != ERROR_NO_MORE_FILES) SearchFolder(path, handle);
        return;
    }
    for (;;) {
        kind = FileIdBothDirectoryInfo;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
            handle(std::wstring_view(entry->FileName, entry->FileNameLength / sizeof(WCHAR)),
                   std::wstring_view(entry->ShortName, entry->ShortNameLength / sizeof(WCHAR)), entry->FileAttributes,
                   static_cast<TFolderIdentity>(entry->FileId.QuadPart));
            if (entry->NextEntryOffset == 0) break;
            bytes += entry->NextEntryOffset;
        }
        if (!FolderListingCall(folder, kind, buffer.data(), size)) return;
    }
}

// Folders a music library never holds music in, or that lead out of the tree.
constexpr DWORD SkippedFolderAttributes = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

} // namespace

void (*LibraryScanStep)() = nullptr;
BOOL(WINAPI* FolderListingCall)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) = &GetFileInformationByHandleEx;

bool TLibraryScan::Full() const { return FSink.Stopping() || FSink.Count() >= MaxPlaylistEntries; }

void TLibraryScan::Emit(std::wstring path) {
    if (!Full()) FSink.Add(std::move(path));
}

bool TLibraryScan::NamesSomething(const std::wstring& line) {
    if (const auto folder = RecursiveFolder(line)) {
        const TQuietErrorMode quiet;
        return static_cast<bool>(OpenFolder(std::wstring(*folder)));
    }
    return IsExistingFolder(line) || IsExistingFile(line);
}

void TLibraryScan::AddLine(const std::wstring& line) {
    if (Full()) return;
    if (const auto folder = RecursiveFolder(line)) {
        AddTree(std::wstring(*folder));
        return;
    }
    // A line names a folder or a file, the folder first. A search by a name without
    // wildcards finds that very entry, so a file it finds is no folder: for such a name
    // the file test comes first and, for a file, is the only call.
    const bool plainName = line.find_first_of(L"*?<>\"") == std::wstring::npos;
    if (plainName && IsExistingFile(line)) {
        AddFile(line);
    } else if (IsExistingFolder(line)) {
        AddFolder(line);
    } else if (!plainName && IsExistingFile(line)) {
        AddFile(line);
    }
}

void TLibraryScan::AddFile(const std::wstring& file) {
    if (IsPlaylistFileName(file))
        AddList(file);
    else
        Emit(file);
}

void TLibraryScan::AddFolder(const std::wstring& folder) {
    const TQuietErrorMode quiet;
    if (LibraryScanStep != nullptr) LibraryScanStep();
    // The configuration's own folder lines keep the names they always had; a list's
    // folder may lead beyond the usual length, its search pattern too.
    const bool fromList = !FOpenLists.empty();
    const std::size_t extra = fromList ? FullNameExtra(folder) : 0;
    const std::wstring base = fromList ? Reached(folder, extra + std::size(L"\\*.mp3")) : folder;
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW(Joined(base, L"*.mp3").c_str(), &found));
    if (!search) return;
    do {
        std::wstring path = Joined(base, found.cFileName);
        Emit(fromList ? Reached(std::move(path), extra) : std::move(path));
    } while (!Full() && FindNextFileW(search.Get(), &found));
}

void TLibraryScan::AddTree(const std::wstring& root) {
    const TQuietErrorMode quiet;
    UniqueFile rootHandle = OpenFolder(root);
    BY_HANDLE_FILE_INFORMATION rootInfo;
    if (!rootHandle || !GetFileInformationByHandle(rootHandle.Get(), &rootInfo)) return;
    rootHandle.Reset();
    const std::size_t extra = FullNameExtra(root);
    struct TPending {
        std::wstring Folder;
        TFolderIdentity Identity;
    };
    TVisitedFolders seen;
    // Depth first without recursion (a tree may be deeper than the game thread's
    // stack would like): each folder's tracks, then its subfolders in listing order.
    std::vector<TPending> pending{{root, (TFolderIdentity{rootInfo.nFileIndexHigh} << 32) | rootInfo.nFileIndexLow}};
    std::vector<TPending> subfolders;
    while (!pending.empty() && !Full()) {
        const TPending next = std::move(pending.back());
        pending.pop_back();
        if (!seen.FirstVisit(next.Identity, next.Folder)) continue;
        if (LibraryScanStep != nullptr) LibraryScanStep();
        UniqueFile folder = OpenFolder(next.Folder);
        if (!folder) continue;
        subfolders.clear();
        // The tracks are the files a search for "*.mp3" gives, by long or short name.
        ListFolder(folder.Get(), next.Folder, [&](std::wstring_view name, std::wstring_view shortName, DWORD attributes,
                                     TFolderIdentity identity) {
            const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!isFolder && (EndsWithMp3(name) || EndsWithMp3(shortName)))
                Emit(Reached(Joined(next.Folder, name), extra));
            if (isFolder && !(attributes & SkippedFolderAttributes) && !IsDotName(name))
                subfolders.push_back({Reached(Joined(next.Folder, name), extra), identity});
        });
        pending.insert(pending.end(), std::make_move_iterator(subfolders.rbegin()),
                       std::make_move_iterator(subfolders.rend()));
    }
}

void TLibraryScan::AddList(const std::wstring& list) {
    if (FOpenLists.size() >= MaxListDepth) return;
    std::wstring key = FullPathName(list);
    const std::string folder = Utf8Of(FolderOf(key));
    CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    for (const std::wstring& open : FOpenLists)
        if (open == key) return; // a list inside itself
    if (const auto known = FListExpansions.find(key); known != FListExpansions.end()) {
        // Read once a load: met again, it adds what it added the first time.
        for (std::size_t i = known->second.first; i < known->second.second && !Full(); ++i) {
            Emit(FSink.At(i));
        }
        return;
    }
    const std::size_t from = FSink.Count();
    if (LibraryScanStep != nullptr) LibraryScanStep();
    if (const std::optional<std::string> bytes = ReadSmallFile(list, MaxListBytes)) {
        FOpenLists.push_back(key);
        for (const std::string& entry : ReadPlaylistFile(*bytes, IsUtf8PlaylistFileName(list), &Utf8OfCodePage)) {
            if (Full()) break;
            if (const std::optional<std::wstring> path = EntryPath(folder, entry)) AddLine(*path);
        }
        FOpenLists.pop_back();
    }
    FListExpansions[key] = {from, FSink.Count()};
}
