#include "core/GainedVolume.h"

#include <cmath>

#include "core/ReplayGain.h"

std::uint32_t GainedVolume(std::uint32_t level, double gainDb, double preampDb) {
    const double volume = level * std::pow(10.0, (gainDb + preampDb) / 20);
    if (!(volume < FullDeviceVolume)) return FullDeviceVolume;
    return static_cast<std::uint32_t>(volume + 0.5);
}

double PreampOfText(std::string_view text) {
    const auto db = DecibelsOfText(text);
    return db && *db >= -MaxPreampDb && *db <= MaxPreampDb ? *db : 0;
}
