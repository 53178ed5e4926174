#include "core/StatusText.h"

#include "core/NumberText.h"

std::string MinutesSeconds(std::int32_t seconds) {
    const std::int32_t minutes = seconds / 60;
    const std::int32_t rest = seconds - 60 * minutes;
    return DecimalText(minutes, 2) + "-" + DecimalText(rest, 2) + "s";
}

std::string LengthPart(std::int32_t seconds) { return " [" + MinutesSeconds(seconds) + "]"; }

std::string PositionPart(std::int32_t position, std::int32_t length) {
    return " [" + MinutesSeconds(position) + "/" + MinutesSeconds(length) + "]";
}

namespace {

// text (ASCII) appended to line.
template <class Char> void Append(std::basic_string<Char>& line, std::string_view text) {
    for (const char c : text) line += static_cast<Char>(c);
}

template <class Char> std::basic_string<Char> PlayWith(std::basic_string_view<Char> title) {
    std::basic_string<Char> line;
    line.reserve(StatusPlayPrefix.size() + title.size() + 16);
    Append(line, StatusPlayPrefix);
    line += title;
    return line;
}

template <class Char>
std::basic_string<Char> Where(bool paused, std::basic_string_view<Char> title, std::int32_t position, std::int32_t length) {
    std::basic_string<Char> line;
    Append(line, paused ? std::string(StatusPaused) + " " : std::string(StatusPlayPrefix));
    line += title;
    Append(line, PositionPart(position, length));
    return line;
}

template <class Char> std::basic_string<Char> Play(std::basic_string_view<Char> title, std::int32_t seconds) {
    std::basic_string<Char> line = PlayWith(title);
    Append(line, LengthPart(seconds));
    return line;
}

} // namespace

std::string WhereLine(bool paused, std::string_view title, std::int32_t position, std::int32_t length) {
    return Where(paused, title, position, length);
}
std::wstring WhereLine(bool paused, std::wstring_view title, std::int32_t position, std::int32_t length) {
    return Where(paused, title, position, length);
}

std::string PlayLine(std::string_view title, std::int32_t seconds) { return Play(title, seconds); }
std::wstring PlayLine(std::wstring_view title, std::int32_t seconds) { return Play(title, seconds); }

std::string ResumeLine(std::string_view title) { return PlayWith(title); }
std::wstring ResumeLine(std::wstring_view title) { return PlayWith(title); }

std::string VolumeLine(std::int32_t percent) {
    return "Volume> " + DecimalText(percent) + "%";
}
