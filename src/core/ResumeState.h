// What the player remembers between game sessions, and its text form: a few lines a
// person can read, for example
//
//   quilm-state 1
//   track=D:\Music\Song.mp3
//   position_ms=83000
//   shuffle=no
//   end
//
// The track is in UTF-8. The closing "end" line tells a whole file from a cut one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TResumeState {
    std::string TrackUtf8; // the full path of the track last played
    std::int32_t PositionMs = 0;
    bool Shuffle = false;

    bool operator==(const TResumeState&) const = default;
};

// The text form of state, lines ending in CR LF.
std::string ResumeStateText(const TResumeState& state);

// The state the text holds; nothing for text that is empty, cut short, garbled, or that
// names no track (line ends LF or CR LF; lines in any order; an unknown key is garbled).
std::optional<TResumeState> ParseResumeState(std::string_view text);
