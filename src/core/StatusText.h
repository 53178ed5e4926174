// Texts of the status lines the player shows on the game screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view StatusPlayPrefix = "Play> ";
inline constexpr std::string_view StatusPaused = "Paused>";
inline constexpr std::string_view StatusStopped = "Stopped>";
inline constexpr std::string_view StatusShuffleOn = "Shuffle ON>";
inline constexpr std::string_view StatusShuffleOff = "Shuffle OFF>";

// " [MM-SSs]" for a length in whole seconds; numbers have at least two digits and are
// never cut (6000 s gives " [100-00s]").
std::string LengthPart(std::int32_t seconds);

// "Play> " + title + length part: a new track has started.
std::string PlayLine(std::string_view title, std::int32_t seconds);

// "Play> " + title: a paused track goes on.
std::string ResumeLine(std::string_view title);

// "Volume> " + percent + "%": the volume after a volume key.
std::string VolumeLine(std::int32_t percent);
