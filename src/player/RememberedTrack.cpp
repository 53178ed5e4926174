#include "player/RememberedTrack.h"

#include <mutex>
#include <utility>

#include "win32/FileTests.h"
#include "win32/WideText.h"

void TRememberedTrack::Set(const TResumeState& state) {
    FPath = WideOf(state.TrackUtf8, true);
    FPositionMs = state.PositionMs < 0 ? 0 : state.PositionMs;
    FShuffle = state.Shuffle;
    FWaiting = true;
}

std::int32_t TRememberedTrack::IndexInPlaylist() const {
    const std::lock_guard lock(FPlaylistLock);
    for (std::size_t index = 0; index < FPlaylist.size(); ++index)
        if (FPlaylist[index] == FPath) return static_cast<std::int32_t>(index);
    return -1;
}

std::optional<TRememberedTrack::TStart> TRememberedTrack::Take() {
    if (!std::exchange(FWaiting, false)) return std::nullopt;
    const std::int32_t index = IndexInPlaylist();
    // Tested with the playlist's lock released: the disk may be slow.
    if (index < 0 || !IsExistingFile(FPath)) return std::nullopt;
    return TStart{index, FPositionMs, FShuffle};
}
