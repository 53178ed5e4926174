#include "core/TrackTitle.h"

std::string TrackTitle(std::string_view path, TLeadByteTest isLeadByte) {
    std::size_t nameStart = 0;
    std::size_t lastDot = std::string_view::npos;
    std::size_t i = 0;
    while (i < path.size()) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (isLeadByte != nullptr && isLeadByte(b) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (b == '\\' || b == ':') {
            nameStart = i + 1;
            lastDot = std::string_view::npos;
        } else if (b == '.') {
            lastDot = i;
        }
        ++i;
    }
    const std::size_t nameEnd = lastDot == std::string_view::npos ? path.size() : lastDot;
    return std::string(path.substr(nameStart, nameEnd - nameStart));
}
