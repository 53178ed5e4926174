// The track the last game session played (resume=yes), which this session's first
// switch-on plays again where it was, with shuffle as it was. The player asks it at that
// switch-on: while the library is read beside the game the switch-on waits for the
// track, and once the complete playlist does not hold it, or its file is gone, there is
// nothing to resume and the player starts as it always does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ResumeState.h"
#include "win32/SlimLock.h"

class TRememberedTrack {
public:
    // Where the first switch-on starts.
    struct TStart {
        std::int32_t Index;
        std::int32_t PositionMs;
        bool Shuffle;
    };

    // The player's playlist, searched under its lock (it may grow on the scan's thread).
    TRememberedTrack(const std::vector<std::wstring>& playlist, TSlimLock& playlistLock) noexcept
        : FPlaylist(playlist), FPlaylistLock(playlistLock) {}

    // Before the library's scan starts: its thread asks Is.
    void Set(const TResumeState& state);
    // True for the remembered track's path (any thread).
    bool Is(const std::wstring& path) const noexcept { return !FPath.empty() && path == FPath; }
    // The library read beside the game is complete: nothing more to wait for.
    void LibraryComplete() noexcept { FLibraryComplete = true; }
    // True while the first switch-on must wait for the track to join the playlist.
    bool Awaited() const { return FWaiting && !FLibraryComplete && IndexInPlaylist() < 0; }
    // The first switch-on's start, once; nothing without a track to resume.
    std::optional<TStart> Take();

private:
    std::int32_t IndexInPlaylist() const;

    const std::vector<std::wstring>& FPlaylist;
    TSlimLock& FPlaylistLock;
    std::wstring FPath;
    std::int32_t FPositionMs = 0;
    bool FShuffle = false;
    bool FWaiting = false; // set, and not yet taken
    bool FLibraryComplete = false;
};
