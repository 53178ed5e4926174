// What one playlist line stands for: a file, a folder's MP3s, a folder tree ("\**"),
// or the entries of a playlist file (.m3u, .m3u8). Runs at load, on the game thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/TrackPath.h"

class TLibraryScan {
public:
    using TAppend = std::function<void(TTrackPath)>;

    explicit TLibraryScan(TAppend append) : FAppend(std::move(append)) {}

    // Appends what the trimmed, non-empty line stands for; nothing for a line that
    // names nothing. Raises nothing for what it finds (or does not) on the disk.
    void AddLine(const TTrackPath& line);

    // Appends folder + "\" + name for every entry a search for folder + "\*.mp3"
    // returns, in the platform's order.
    void AddFolder(const TTrackPath& folder);

private:
    void AddTree(const TTrackPath& root);
    void AddList(const TTrackPath& list);

    TAppend FAppend;
    // The playlist files being expanded, outermost first, by their full UTF-16 names.
    std::vector<std::wstring> FOpenLists;
};

// Lists nest this deep at most; a deeper one adds nothing.
inline constexpr std::size_t MaxListDepth = 8;
// A playlist file larger than this is no playlist: it adds nothing.
inline constexpr unsigned long MaxListBytes = 32ul * 1024 * 1024;
