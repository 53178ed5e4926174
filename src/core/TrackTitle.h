// The title of a track: its file name without folder and without its last extension.
#pragma once

#include <string>
#include <string_view>

// Lead-byte test of the system's double-byte code page (always false in a single-byte one).
using TLeadByteTest = bool (*)(unsigned char);

// The part after the last "\" or ":" (a "/" does not separate), cut at its last ".".
// The second byte of a double-byte character is never taken for a separator or a dot.
std::string TrackTitle(std::string_view path, TLeadByteTest isLeadByte);
