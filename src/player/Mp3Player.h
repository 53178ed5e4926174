// The music player: playlist, current entry, on/off and shuffle switches, hot-key
// codes, and the device of the current track.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/RandomGenerator.h"

class TqrvMP3;

class TMp3Player {
public:
    TMp3Player();
    // Frees the playlist, then the track object. Sends nothing to MCI, shows nothing.
    virtual ~TMp3Player();
    TMp3Player(const TMp3Player&) = delete;
    TMp3Player& operator=(const TMp3Player&) = delete;

    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(FPlaylist.size()); }
    void Append(std::string path) { FPlaylist.push_back(std::move(path)); }
    // The path at index; an index outside 0 .. Count - 1 raises std::out_of_range.
    const std::string& Entry(std::int32_t index) const { return FPlaylist.at(static_cast<std::size_t>(index)); }

    void Next();
    void Prev();
    void Toggle();
    void PauseResume();
    void SetShuffle(bool Value);
    void Stop();
    // The game is about to end: stops and closes the current track's device, shows
    // nothing, raises nothing. (Some platforms fault in their own teardown when a
    // process ends with an MCI device still playing.)
    void CloseForExit() noexcept;
    void PlayCurrent();
    void ShowText(std::string_view Line);
    void TrackEnded(TqrvMP3& Sender);

    std::int32_t FIndex = -1;
    bool FShuffle = false;
    bool FActive = false;
    std::uint8_t FKeyOn = 0;
    std::uint8_t FKeyPrev = 0;
    std::uint8_t FKeyNext = 0;
    std::uint8_t FKeyPause = 0;
    std::uint8_t FKeyEnd = 0;
    std::uint8_t FKeyShuffle = 0;
    std::vector<std::string> FPlaylist;
    std::unique_ptr<TqrvMP3> FTrack;
};

// The process-wide generator behind shuffle picks; its seed is 0 at load.
TRandomGenerator& PlayerRandom() noexcept;
// Seeds it from the performance counter, or the tick count when there is none.
void ReseedPlayerRandom() noexcept;

// Module start-up and shutdown of the player module.
void Mp3PlayerInitialize() noexcept;
void Mp3PlayerFinalize() noexcept;
