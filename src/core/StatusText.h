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

inline constexpr std::string_view StatusMuted = "Volume> muted";

// "MM-SSs" for whole seconds; numbers have at least two digits and are never cut
// (6000 s gives "100-00s").
std::string MinutesSeconds(std::int32_t seconds);

// " [MM-SSs]": the length of a track in whole seconds.
std::string LengthPart(std::int32_t seconds);

// " [MM-SSs/MM-SSs]": how far a track is, and its length, in whole seconds.
std::string PositionPart(std::int32_t position, std::int32_t length);

// The lines that hold a title come in two forms: 8-bit, and UTF-16 for a track's title.

// "Play> " or "Paused> ", then title and position part: where the track is now.
std::string WhereLine(bool paused, std::string_view title, std::int32_t position, std::int32_t length);
std::wstring WhereLine(bool paused, std::wstring_view title, std::int32_t position, std::int32_t length);

// "Play> " + title + length part: a new track has started.
std::string PlayLine(std::string_view title, std::int32_t seconds);
std::wstring PlayLine(std::wstring_view title, std::int32_t seconds);

// "Play> " + title: a paused track goes on.
std::string ResumeLine(std::string_view title);
std::wstring ResumeLine(std::wstring_view title);

// "Volume> " + percent + "%": the volume after a volume key.
std::string VolumeLine(std::int32_t percent);
