// The arithmetic of loudness: a track's gain and the pre-amp on top of the player's level.
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

#include "core/ReplayGain.h"

// MCI's volume scale is linear in amplitude, 1000 at full: 500 is 6 dB down.
inline constexpr std::uint32_t FullDeviceVolume = 1000;

// The pre-amp's limits in decibels.
inline constexpr double MaxPreampDb = 15;

// round(level x 10^((gainDb + preampDb) / 20)), halves away from zero, at most 1000:
// MCI cannot amplify.
std::uint32_t GainedVolume(std::uint32_t level, double gainDb, double preampDb);

// The pre-amp setting: a decimal of decibels from -15 to +15 (see DecibelsOfText);
// anything else is 0.
inline double PreampOfText(std::string_view text) {
    const auto db = DecibelsOfText(text);
    return db && std::fabs(*db) <= MaxPreampDb ? *db : 0;
}
