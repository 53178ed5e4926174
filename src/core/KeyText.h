// Hot-key values of the [keys] section: a virtual-key code as a number, a key's name,
// or a combination of Ctrl, Alt and Shift with a name or a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// A hot key as one code: the virtual-key code in the low byte, the modifiers a
// combination needs above it. A code without modifier bits is a bare key, which acts
// whatever modifiers are held. A key code of 0 is no key.
enum : std::uint16_t {
    KeyCtrl = 0x100,
    KeyShift = 0x200,
    KeyAlt = 0x400,
    KeyModifiers = KeyCtrl | KeyShift | KeyAlt,
};

// Reads a value. A text the value parser reads as a number is that number's low 8 bits,
// exactly as ever. Else: a key name (F1..F24, A..Z, 0..9, Home, PgUp, Num+, MediaNext,
// ...; any case), or "Ctrl+", "Alt+" and "Shift+" (each at most once, any order, any
// case) before a name or a number. Blanks (space, tab) may stand around names and
// around "+". In a combination a name comes before a number: "Ctrl+5" is the 5 key,
// "Ctrl+117" is code 117. Returns nothing for any other text.
std::optional<std::uint16_t> ParseKeyText(std::string_view text);
