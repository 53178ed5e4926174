#include "core/TrackTitle.h"

namespace {

template <class Char>
std::basic_string<Char> TitleOf(std::basic_string_view<Char> path, TLeadByteTest isLeadByte) {
    std::size_t nameStart = 0;
    std::size_t lastDot = std::basic_string_view<Char>::npos;
    std::size_t i = 0;
    while (i < path.size()) {
        const Char c = path[i];
        if (isLeadByte != nullptr && isLeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (c == '\\' || c == ':') {
            nameStart = i + 1;
            lastDot = std::basic_string_view<Char>::npos;
        } else if (c == '.') {
            lastDot = i;
        }
        ++i;
    }
    const std::size_t nameEnd = lastDot == std::basic_string_view<Char>::npos ? path.size() : lastDot;
    return std::basic_string<Char>(path.substr(nameStart, nameEnd - nameStart));
}

} // namespace

std::string TrackTitle(std::string_view path, TLeadByteTest isLeadByte) { return TitleOf(path, isLeadByte); }

std::wstring TrackTitle(std::wstring_view path) { return TitleOf(path, nullptr); }

std::wstring_view CutTitle(std::wstring_view title) noexcept {
    if (title.size() <= MaxTitleUnits) return title;
    std::size_t length = MaxTitleUnits;
    // A high surrogate last would lose its low half.
    if (title[length - 1] >= 0xD800 && title[length - 1] <= 0xDBFF) --length;
    return title.substr(0, length);
}
