#include "player/RememberedTrack.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "win32/FileTests.h"

void TRememberedTrack::Set(std::wstring path, std::int32_t positionMs, bool shuffle) {
    FPath = std::move(path);
    FPositionMs = positionMs < 0 ? 0 : positionMs;
    FShuffle = shuffle;
    FWaiting = true;
}

std::int32_t TRememberedTrack::IndexInPlaylist() const {
    const std::lock_guard lock(FPlaylistLock);
    const auto found = std::find(FPlaylist.begin(), FPlaylist.end(), FPath);
    return found == FPlaylist.end() ? -1 : static_cast<std::int32_t>(found - FPlaylist.begin());
}

bool TRememberedTrack::Awaited() const { return FWaiting && !FLibraryComplete && IndexInPlaylist() < 0; }

std::optional<TRememberedTrack::TStart> TRememberedTrack::Take() {
    if (!std::exchange(FWaiting, false)) return std::nullopt;
    const std::int32_t index = IndexInPlaylist();
    // Tested with the playlist's lock released: the disk may be slow.
    if (index < 0 || !IsExistingFile(FPath)) return std::nullopt;
    return TStart{index, FPositionMs, FShuffle};
}
