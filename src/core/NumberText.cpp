#include "core/NumberText.h"

#include <cctype>
#include <charconv>

namespace {

std::string Digits(std::uint64_t magnitude, int base, int minDigits, bool negative, bool upperCase = false) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
    const auto count = static_cast<int>(end - digits);
    std::string text;
    if (negative) text += '-';
    if (count < minDigits) text.append(static_cast<std::size_t>(minDigits - count), '0');
    for (const char* c = digits; c != end; ++c)
        text += upperCase ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
    return text;
}

} // namespace

std::string DecimalText(std::int64_t value, int minDigits) {
    const bool negative = value < 0;
    // The magnitude of the most negative value does not fit the signed type.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return Digits(magnitude, 10, minDigits, negative);
}

std::string HexText(std::uint64_t value, int minDigits, bool upperCase) {
    return Digits(value, 16, minDigits, false, upperCase);
}
