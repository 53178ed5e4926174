#include "core/StatusText.h"

#include <cstdio>

std::string LengthPart(std::int32_t seconds) {
    const std::int32_t minutes = seconds / 60;
    const std::int32_t rest = seconds - 60 * minutes;
    char text[40];
    std::snprintf(text, sizeof text, " [%.2d-%.2ds]", static_cast<int>(minutes), static_cast<int>(rest));
    return text;
}

std::string PlayLine(std::string_view title, std::int32_t seconds) {
    std::string line = ResumeLine(title);
    line += LengthPart(seconds);
    return line;
}

std::string ResumeLine(std::string_view title) {
    std::string line;
    line.reserve(StatusPlayPrefix.size() + title.size() + 16);
    line += StatusPlayPrefix;
    line += title;
    return line;
}

std::string VolumeLine(std::int32_t percent) {
    char text[32];
    std::snprintf(text, sizeof text, "Volume> %d%%", static_cast<int>(percent));
    return text;
}
