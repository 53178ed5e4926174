#include "plugin/LibraryScan.h"

#include <windows.h>

#include <set>
#include <cstdint>

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

// A folder's identity on its volume: its file index. A link to a folder has its
// target's; the tree's subfolders are all on the root's volume (links and mount
// points, which could lead elsewhere, are not followed).
using TFolderIdentity = std::uint64_t;

UniqueFile OpenFolder(const std::wstring& folder) {
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
    UniqueFile rootHandle = OpenFolder(WideOf(root));
    BY_HANDLE_FILE_INFORMATION rootInfo;
    if (!rootHandle || !GetFileInformationByHandle(rootHandle.Get(), &rootInfo)) return;
    rootHandle.Reset();
    struct TPending {
        TTrackPath Folder;
        TFolderIdentity Identity;
    };
    std::set<TFolderIdentity> seen;
    // Depth first without recursion (a tree may be deeper than the game thread's
    // stack would like): each folder's tracks, then its subfolders in listing order.
    std::vector<TPending> pending{{root, (TFolderIdentity{rootInfo.nFileIndexHigh} << 32) | rootInfo.nFileIndexLow}};
    std::vector<TPending> subfolders;
    while (!pending.empty()) {
        const TPending next = std::move(pending.back());
        pending.pop_back();
        if (!seen.insert(next.Identity).second) continue;
        UniqueFile folder = OpenFolder(WideOf(next.Folder));
        if (!folder) continue;
        subfolders.clear();
        // The tracks are the entries a search for "*.mp3" gives, by long or short name.
        ListFolder(folder.Get(), [&](std::wstring_view name, std::wstring_view shortName, DWORD attributes,
                                     TFolderIdentity identity) {
            if (EndsWithMp3(name) || EndsWithMp3(shortName)) FAppend(Joined(next.Folder, name));
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & SkippedFolderAttributes) && !IsDotName(name))
                subfolders.push_back({Joined(next.Folder, name), identity});
        });
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
