#include "core/GainedVolume.h"

#include <cmath>

std::uint32_t GainedVolume(std::uint32_t level, double gainDb, double preampDb) {
    // 10^(dB / 20) as a power of two, 2^(dB x log2(10) / 20): the runtime's small x87
    // routine, not its general pow.
    constexpr long double Log2Of10By20 = 3.321928094887362347870319429489390175865L / 20;
    const double volume = level * static_cast<double>(std::exp2((gainDb + preampDb) * Log2Of10By20));
    // At most 1000 x 10^(75 / 20), well within the integer.
    const auto rounded = static_cast<std::uint32_t>(volume + 0.5);
    return rounded < FullDeviceVolume ? rounded : FullDeviceVolume;
}
