// Conversions between the plug-in's 8-bit paths and the system's UTF-16 names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/TrackPath.h"

// The UTF-16 form of text in the system code page, or in UTF-8.
std::wstring WideOf(std::string_view text, bool utf8);
inline std::wstring WideOf(const TTrackPath& path) { return WideOf(path.Text, path.Utf8); }

// The UTF-8 form of a UTF-16 text.
std::string Utf8Of(std::wstring_view text);

// The system code page form of a UTF-16 text, when the code page spells every
// character of it exactly (no "?" and no best-fit look-alike); nothing otherwise.
std::optional<std::string> CodePageOf(std::wstring_view text);

// The path of a UTF-16 name: in the code page where it can spell it, else in UTF-8.
TTrackPath TrackPathOf(std::wstring_view name);

// The same path, in the code page where that can spell it (a UTF-8 path otherwise).
TTrackPath InCodePageWherePossible(TTrackPath path);
