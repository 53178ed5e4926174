#include "core/LameHeader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/Id3v2Tag.h"

namespace {

constexpr std::size_t FrameHeaderSize = 4;
constexpr std::size_t MostSideInfo = 32;
// "Xing" or "Info", flags, then at most: frames, bytes, the seek table, a quality.
constexpr std::size_t MostXingBytes = 4 + 4 + 4 + 4 + 100 + 4;
// LAME's extension up to the gains: encoder (9 bytes), method, lowpass, peak (4 bytes),
// then the radio and the audiophile gain (2 bytes each).
constexpr std::size_t GainsAt = 9 + 1 + 1 + 4;
constexpr std::size_t BlockSize = FrameHeaderSize + MostSideInfo + MostXingBytes + GainsAt + 4;

std::optional<double> GainField(const std::uint8_t* field, unsigned nameCode) {
    const unsigned value = unsigned{field[0]} << 8 | field[1];
    if (value >> 13 != nameCode) return std::nullopt;
    const double db = (value & 0x1FF) / 10.0;
    return (value & 0x200) ? -db : db;
}

} // namespace

TLameGains ReadLameGains(TTagSource& source, std::uint64_t at) {
    if (at >= source.Size()) return {};
    std::array<std::uint8_t, BlockSize> b{};
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(BlockSize, source.Size() - at));
    if (got < FrameHeaderSize || !source.ReadAt(at, b.data(), got)) return {};
    // Frame sync, then the version (0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1) and the
    // layer (1: Layer III); a bitrate and a sample rate that exist; the channel mode
    // (3: mono).
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return {};
    const unsigned version = b[1] >> 3 & 3, layer = b[1] >> 1 & 3;
    if (version == 1 || layer != 1 || (b[2] >> 4) == 15 || (b[2] >> 2 & 3) == 3) return {};
    const bool mono = (b[3] >> 6) == 3;
    std::size_t p = FrameHeaderSize + (version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (p + 8 > got || (std::memcmp(&b[p], "Xing", 4) != 0 && std::memcmp(&b[p], "Info", 4) != 0)) return {};
    const unsigned flags = b[p + 7];
    p += 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0) + GainsAt;
    if (p + 4 > got) return {};
    return {GainField(&b[p], 1), GainField(&b[p + 2], 2)};
}
