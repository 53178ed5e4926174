#include "plugin/LibraryScan.h"

#include <windows.h>

#include <cstdint>

#include "core/PlaylistFile.h"
#include "core/VisitedFolders.h"
#include "win32/FileTests.h"
#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"
#include "win32/WideText.h"

namespace {

// The full form of a name, however long.
std::wstring FullNameOf(const std::wstring& name) {
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return name;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return name;
    full.resize(length);
    return full;
}

// A path that a tree or list reached: in the code page where it can spell it, in UTF-8
// otherwise, and by its extended-length form when its full name is beyond what the
// usual calls take. extra: how much longer the full name is than path (the current
// folder's part, for a relative path).
TTrackPath Reached(TTrackPath path, std::size_t extra) {
    // A code page byte or a UTF-8 byte is never less than a UTF-16 unit: most paths
    // are short by their bytes already.
    if (path.Text.size() + extra < MAX_PATH || path.Text.rfind("\\\\?\\", 0) == 0) return path;
    const std::wstring wide = WideOf(path);
    if (wide.size() + extra < MAX_PATH) return path;
    return {ExtendedLengthPath(Utf8Of(FullNameOf(wide))), true};
}

// folder + "\" + name, in the code page where it can spell both.
TTrackPath Joined(const TTrackPath& folder, std::wstring_view name) {
    if (!folder.Utf8) {
        if (auto inCodePage = CodePageOf(name)) return {folder.Text + "\\" + *inCodePage, false};
        return {Utf8Of(WideOf(folder)) + "\\" + Utf8Of(name), true};
    }
    return {folder.Text + "\\" + Utf8Of(name), true};
}

// How much longer the full name of paths under folder is than they are.
std::size_t FullNameExtra(const TTrackPath& folder) {
    if (IsAbsolutePath(folder.Text)) return 0;
    return GetCurrentDirectoryW(0, nullptr);
}

std::string Utf8OfCodePage(std::string_view text) { return Utf8Of(WideOf(text, false)); }

// An entry of a list, resolved from the list's full folder (UTF-8, with its last "\");
// nothing for one longer than any path can be.
std::optional<TTrackPath> EntryPath(const std::string& listFolder, const TTrackPath& entry) {
    TTrackPath resolved{ResolveListEntry(listFolder, entry.Utf8 ? entry.Text : Utf8OfCodePage(entry.Text)), true};
    const std::size_t length = Utf16Length(resolved.Text);
    if (length > MaxPathUnits) return std::nullopt;
    if (length >= MAX_PATH) return Reached(std::move(resolved), 0);
    return InCodePageWherePossible(std::move(resolved));
}

// A folder's identity on its volume: its file index. A link to a folder has its
// target's; the tree's subfolders are all on the root's volume (links and mount
// points, which could lead elsewhere, are not followed).
using TFolderIdentity = std::uint64_t;

UniqueFile OpenFolder(std::wstring folder) {
    // "D:" alone is the drive's current folder, and a share opens by its root: "D:\**"
    // and "\\server\share\**" mean the whole drive or share.
    const bool drive = folder.size() == 2 && folder[1] == L':';
    const bool share = folder.rfind(L"\\\\", 0) == 0 && folder.find(L'\\', 2) != std::wstring::npos &&
                       folder.find(L'\\', folder.find(L'\\', 2) + 1) == std::wstring::npos && folder[2] != L'?';
    if (drive || share) folder += L'\\';
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

// Every entry of an open folder, in the order the system lists them, with its file
// index: one pass over the folder, as a search is, which also gives what identifies
// each subfolder. handle(name, shortName, attributes, index) for each.
template <class Handle> void ListFolder(HANDLE folder, Handle handle) {
    std::vector<LONGLONG> buffer(8192); // 64 KB, aligned as the records need
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
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
    }
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

} // namespace

void (*LibraryScanStep)() = nullptr;

bool TLibraryScan::Full() const { return FSink.Stopping() || FSink.Count() >= MaxPlaylistEntries; }

void TLibraryScan::Emit(TTrackPath path) {
    if (!Full()) FSink.Add(std::move(path));
}

bool TLibraryScan::NamesSomething(const TTrackPath& line) {
    if (const auto folder = RecursiveFolder(line.Text)) {
        const TQuietErrorMode quiet;
        return static_cast<bool>(OpenFolder(WideOf(std::string(*folder), line.Utf8)));
    }
    return IsExistingFolder(line) || IsExistingFile(line);
}

void TLibraryScan::AddLine(const TTrackPath& line) {
    if (Full()) return;
    if (const auto folder = RecursiveFolder(line.Text)) {
        AddTree({std::string(*folder), line.Utf8});
    } else if (IsExistingFolder(line)) {
        AddFolder(line);
    } else if (IsExistingFile(line)) {
        if (IsPlaylistFileName(line.Text))
            AddList(line);
        else
            Emit(line);
    }
}

void TLibraryScan::AddFolder(const TTrackPath& folder) {
    const TQuietErrorMode quiet;
    if (LibraryScanStep != nullptr) LibraryScanStep();
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW((WideOf(folder) + L"\\*.mp3").c_str(), &found));
    if (!search) return;
    // The configuration's own folder lines keep the names they always had; a list's
    // folder may lead beyond the usual length.
    const bool fromList = !FOpenLists.empty();
    const std::size_t extra = fromList ? FullNameExtra(folder) : 0;
    do {
        TTrackPath path = Joined(folder, found.cFileName);
        Emit(fromList ? Reached(std::move(path), extra) : std::move(path));
    } while (!Full() && FindNextFileW(search.Get(), &found));
}

void TLibraryScan::AddTree(const TTrackPath& root) {
    const TQuietErrorMode quiet;
    UniqueFile rootHandle = OpenFolder(WideOf(root));
    BY_HANDLE_FILE_INFORMATION rootInfo;
    if (!rootHandle || !GetFileInformationByHandle(rootHandle.Get(), &rootInfo)) return;
    rootHandle.Reset();
    const std::size_t extra = FullNameExtra(root);
    struct TPending {
        TTrackPath Folder;
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
        if (!seen.FirstVisit(next.Identity, next.Folder.Text)) continue;
        if (LibraryScanStep != nullptr) LibraryScanStep();
        UniqueFile folder = OpenFolder(WideOf(next.Folder));
        if (!folder) continue;
        subfolders.clear();
        // The tracks are the files a search for "*.mp3" gives, by long or short name.
        ListFolder(folder.Get(), [&](std::wstring_view name, std::wstring_view shortName, DWORD attributes,
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

void TLibraryScan::AddList(const TTrackPath& list) {
    if (FOpenLists.size() >= MaxListDepth) return;
    std::wstring key = FullNameOf(WideOf(list));
    const std::string folder(FolderOf(Utf8Of(key)));
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
    if (const std::optional<std::string> bytes = ReadSmallFile(list)) {
        FOpenLists.push_back(key);
        for (const TTrackPath& entry : ReadPlaylistFile(*bytes, IsUtf8PlaylistFileName(list.Text), &Utf8OfCodePage)) {
            if (Full()) break;
            if (const std::optional<TTrackPath> path = EntryPath(folder, entry)) AddLine(*path);
        }
        FOpenLists.pop_back();
    }
    FListExpansions[key] = {from, FSink.Count()};
}
