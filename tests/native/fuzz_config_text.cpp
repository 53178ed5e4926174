// libFuzzer target: any bytes as a configuration file, split into lines in blocks of a
// size taken from the input; each line trimmed and tested for the playlist header.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/LineSplitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t block = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<std::string> byBlocks, whole;
    TLineSplitter a, b;
    auto collectA = [&](std::string_view line) {
        const std::string_view trimmed = TrimLine(line);
        (void)IsPlaylistHeader(trimmed);
        if (trimmed.size() > line.size()) __builtin_trap();
        byBlocks.emplace_back(line);
    };
    for (std::size_t at = 0; at < bytes.size() && !a.Ended(); at += block) a.Feed(bytes.substr(at, block), collectA);
    a.Finish(collectA);
    b.Feed(bytes, [&](std::string_view line) { whole.emplace_back(line); });
    b.Finish([&](std::string_view line) { whole.emplace_back(line); });
    // Block boundaries never change the lines; no line holds a CR or LF.
    if (byBlocks != whole) __builtin_trap();
    for (const std::string& line : whole)
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) __builtin_trap();
    return 0;
}
