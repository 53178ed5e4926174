// Digits of integers for messages and status lines. (The C library's printf family
// would bring its whole floating-point formatter into the plug-in for these.)
#pragma once

#include <cstdint>
#include <string>

// Decimal digits, at least minDigits of them (zeros in front), after a "-" for a
// negative value: DecimalText(7, 2) is "07", DecimalText(-7, 2) is "-07".
std::string DecimalText(std::int64_t value, int minDigits = 1);

// Hexadecimal digits, at least minDigits of them: HexText(0x1A2B, 8) is "00001A2B",
// HexText(0x1A2B, 1, false) is "1a2b".
std::string HexText(std::uint64_t value, int minDigits = 1, bool upperCase = true);
