// Integer values of the hot-key section: decimal or hexadecimal, with an optional sign.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Parses the whole value text. Accepted: leading blanks (byte 32 only), at most one
// "+" or "-", then decimal digits, or "$", "x", "X", "0x" or "0X" followed by hex
// digits. Nothing may follow the digits. A decimal value must fit a signed 32-bit
// integer; a hexadecimal one is a 32-bit pattern of at most 8 significant digits.
// Returns nothing when the text does not match.
std::optional<std::int32_t> ParseIntegerValue(std::string_view text);
