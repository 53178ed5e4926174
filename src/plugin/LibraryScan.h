// What one playlist line stands for: a file, a folder's MP3s, a folder tree ("\**"),
// or the entries of a playlist file (.m3u, .m3u8). Runs at load, on the game thread.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/TrackPath.h"

class TLibraryScan {
public:
    // Appends to entries, which it may read back (a list met again repeats a part);
    // onEntry, when given, runs after each entry it appends.
    explicit TLibraryScan(std::vector<TTrackPath>& entries, std::function<void()> onEntry = {})
        : FEntries(entries), FOnEntry(std::move(onEntry)) {}

    // Appends what the trimmed, non-empty line stands for; nothing for a line that
    // names nothing. Raises nothing for what it finds (or does not) on the disk.
    void AddLine(const TTrackPath& line);

    // Appends folder + "\" + name for every entry a search for folder + "\*.mp3"
    // returns, in the platform's order.
    void AddFolder(const TTrackPath& folder);

    // True when the line names an existing file, folder, "**" folder or playlist file.
    static bool NamesSomething(const TTrackPath& line);

    // True once entries holds MaxPlaylistEntries: the scan appends nothing more.
    bool Full() const noexcept;

private:
    void AddTree(const TTrackPath& root);
    void AddList(const TTrackPath& list);
    void Emit(TTrackPath path);

    std::vector<TTrackPath>& FEntries;
    std::function<void()> FOnEntry;
    // The playlist files being expanded, outermost first, by their full UTF-16 names in
    // upper case.
    std::vector<std::wstring> FOpenLists;
    // For each list read so far, the part of the entries that is its expansion: a list
    // met again adds that part again.
    std::map<std::wstring, std::pair<std::size_t, std::size_t>> FListExpansions;
};

// Lists nest this deep at most; a deeper one adds nothing.
inline constexpr std::size_t MaxListDepth = 8;
// A playlist file larger than this is no playlist: it adds nothing.
inline constexpr unsigned long MaxListBytes = 32ul * 1024 * 1024;
// The playlist holds this many entries at most; what comes after is not added.
inline constexpr std::size_t MaxPlaylistEntries = 200000;
