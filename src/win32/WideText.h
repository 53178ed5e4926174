// Conversions between 8-bit text and the system's UTF-16, at the edges where 8-bit text
// comes in (the configuration's lines, code-page lists, tag fields) or goes out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The UTF-16 form of text in the system code page, or in UTF-8.
std::wstring WideOf(std::string_view text, bool utf8);

// The UTF-16 form of a name in the code page of the 8-bit file calls (the ANSI code
// page, or the OEM one once a program has switched them to it): the very name such a
// call would look for.
std::wstring WideOfFileName(std::string_view name);

// The UTF-8 form of a UTF-16 text.
std::string Utf8Of(std::wstring_view text);

// The system code page form of a UTF-16 text, when the code page spells every
// character of it exactly (no "?" and no best-fit look-alike); nothing otherwise.
std::optional<std::string> CodePageOf(std::wstring_view text);
