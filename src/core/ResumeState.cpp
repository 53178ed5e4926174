#include "core/ResumeState.h"

#include "core/NumberText.h"

namespace {

constexpr std::string_view FirstLine = "quilm-state 1";
constexpr std::string_view LastLine = "end";

// A decimal number of 0 .. 2^31 - 1, all digits.
std::optional<std::int32_t> Milliseconds(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace

std::string ResumeStateText(const TResumeState& state) {
    std::string text(FirstLine);
    text += "\r\ntrack=";
    text += state.TrackUtf8;
    text += "\r\nposition_ms=";
    text += DecimalText(state.PositionMs < 0 ? 0 : state.PositionMs, 1);
    text += state.Shuffle ? "\r\nshuffle=yes\r\n" : "\r\nshuffle=no\r\n";
    text += LastLine;
    text += "\r\n";
    return text;
}

std::optional<TResumeState> ParseResumeState(std::string_view text) {
    TResumeState state;
    bool first = true, ended = false, track = false, position = false, shuffle = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt; // cut inside a line
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (ended) return std::nullopt; // anything after the end is not ours
        if (first) {
            if (line != FirstLine) return std::nullopt;
            first = false;
            continue;
        }
        if (line == LastLine) {
            ended = true;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "track" && !track && !value.empty() && value.find('\0') == std::string_view::npos) {
            state.TrackUtf8 = value;
            track = true;
        } else if (key == "position_ms" && !position) {
            const auto ms = Milliseconds(value);
            if (!ms) return std::nullopt;
            state.PositionMs = *ms;
            position = true;
        } else if (key == "shuffle" && !shuffle && (value == "yes" || value == "no")) {
            state.Shuffle = value == "yes";
            shuffle = true;
        } else {
            return std::nullopt;
        }
    }
    if (!ended || !track || !position || !shuffle) return std::nullopt;
    return state;
}
