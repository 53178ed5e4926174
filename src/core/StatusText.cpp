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

std::string WhereLine(bool paused, std::string_view title, std::int32_t position, std::int32_t length) {
    std::string line = paused ? std::string(StatusPaused) + " " : std::string(StatusPlayPrefix);
    line += title;
    line += PositionPart(position, length);
    return line;
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
    return "Volume> " + DecimalText(percent) + "%";
}
