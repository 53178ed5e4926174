// libFuzzer target: any bytes as the start of an MP3 file, and the same bytes behind an
// ID3v2 header of each version that claims all of them (the reader then goes on to
// frames, extended headers and unsynchronisation).
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Id3v2Tag.h"
#include "core/PlaylistFile.h"
#include "MemoryTagSource.h"

namespace {

void Check(std::string bytes) {
    TMemoryTagSource source(std::move(bytes));
    if (const auto names = ReadId3v2Names(source)) {
        // Never both names empty, and both always valid UTF-8.
        if ((names->Title.empty() && names->Artist.empty()) || !IsValidUtf8(names->Title) || !IsValidUtf8(names->Artist)) __builtin_trap();
        (void)SongTitle(*names);
    }
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
    return 0;
}
