// libFuzzer target: any bytes as the start of an MP3 file, and the same bytes behind an
// ID3v2 header of each version that claims all of them (the reader then goes on to
// frames, extended headers and unsynchronisation), and behind a Layer III frame header
// (the LAME header's reader then goes on to the Xing tag and its fields).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Id3v2Tag.h"
#include "core/LameHeader.h"
#include "core/PlaylistFile.h"
#include "core/ReplayGain.h"
#include "MemoryTagSource.h"

namespace {

void CheckGain(const std::optional<double>& gain, double limit) {
    if (gain && !(std::fabs(*gain) <= limit)) __builtin_trap();
}

void Check(std::string bytes) {
    TMemoryTagSource source(std::move(bytes));
    const auto names = ReadId3v2Names(source);
    if (names) {
        // Never both names empty, and both always valid UTF-8.
        if ((names->Title.empty() && names->Artist.empty()) || !IsValidUtf8(names->Title) || !IsValidUtf8(names->Artist)) __builtin_trap();
        (void)SongTitle(*names);
    }
    for (const TLoudness mode : {TLoudness::Track, TLoudness::Album}) {
        // The walk for gains finds the same names as the walk for names alone.
        TTagGains gains(mode);
        const TId3v2Found found = ReadId3v2(source, true, &gains);
        if (found.Names.has_value() != names.has_value() ||
            (names && (found.Names->Title != names->Title || found.Names->Artist != names->Artist)))
            __builtin_trap();
        CheckGain(TrackGain(gains, source, found.AudioAt), MaxGainDb);
    }
    const TLameGains lame = ReadLameGains(source, 0);
    CheckGain(lame.Radio, 51.1);
    CheckGain(lame.Audiophile, 51.1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    const std::uint32_t n = static_cast<std::uint32_t>(size < 0x0FFFFFFF ? size : 0x0FFFFFFF);
    const char sizeBytes[4] = {static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F),
                               static_cast<char>(n >> 7 & 0x7F), static_cast<char>(n & 0x7F)};
    for (const char version : {'\x02', '\x03', '\x04'}) {
        // The fuzzer's first byte picks the header's flags.
        const char flags = size > 0 ? static_cast<char>(data[0] & 0xC0) : '\0';
        Check("ID3" + std::string(1, version) + std::string(1, '\0') + std::string(1, flags) + std::string(sizeBytes, 4) + bytes);
    }
    // A Layer III frame header: the fuzzer's first byte picks the version and the
    // channel mode.
    const std::uint8_t pick = size > 0 ? data[0] : 0;
    const char header[4] = {'\xFF', static_cast<char>(0xE3 | (pick & 0x18)), '\x90', static_cast<char>(pick & 0xC0)};
    Check(std::string(header, 4) + bytes);
    return 0;
}
