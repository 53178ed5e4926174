// The title of a track: its file name without folder and without its last extension.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Lead-byte test of the system's double-byte code page (always false in a single-byte one).
using TLeadByteTest = bool (*)(unsigned char);

// The part after the last "\" or ":" (a "/" does not separate), cut at its last ".".
// The second byte of a double-byte character is never taken for a separator or a dot.
std::string TrackTitle(std::string_view path, TLeadByteTest isLeadByte);
// The same for a UTF-16 path, where no unit of a character beyond ASCII is a separator
// or a dot.
std::wstring TrackTitle(std::wstring_view path);

// Titles are at most this many UTF-16 units long: as long as a file name can be (the
// game's text routine may copy a line into a buffer made for that).
inline constexpr std::size_t MaxTitleUnits = 255;

// The title cut to MaxTitleUnits at a character's boundary: never between the two
// halves of a surrogate pair.
std::wstring_view CutTitle(std::wstring_view title) noexcept;
