#include "core/LineSplitter.h"

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
} // namespace

std::string_view TrimLine(std::string_view line) noexcept {
    std::size_t first = 0;
    std::size_t last = line.size();
    while (first < last && IsBlank(line[first])) ++first;
    while (last > first && IsBlank(line[last - 1])) --last;
    return line.substr(first, last - first);
}

bool IsPlaylistHeader(std::string_view trimmedLine) noexcept {
    constexpr std::string_view header = "[playlist]";
    if (trimmedLine.size() != header.size()) return false;
    for (std::size_t i = 0; i < header.size(); ++i)
        if (AsciiLower(trimmedLine[i]) != header[i]) return false;
    return true;
}
