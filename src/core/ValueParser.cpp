#include "core/ValueParser.h"

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<std::uint32_t> ParseHexDigits(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    int significant = 0;
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0) return std::nullopt;
        if (significant > 0 || d != 0) ++significant;
        if (significant > 8) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

// Magnitude of a decimal number, capped just above the largest magnitude any sign allows.
std::optional<std::uint64_t> ParseDecimalDigits(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    constexpr std::uint64_t cap = 2147483648ULL + 1;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (!IsDecimalDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > cap) value = cap;
    }
    return value;
}

} // namespace

std::optional<std::int32_t> ParseIntegerValue(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;

    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::string_view rest = text.substr(pos);

    std::string_view hexDigits;
    bool hex = false;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        hex = true;
        hexDigits = rest.substr(1);
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        hex = true;
        hexDigits = rest.substr(2);
    }

    if (hex) {
        const auto pattern = ParseHexDigits(hexDigits);
        if (!pattern) return std::nullopt;
        const std::uint32_t bits = negative ? 0u - *pattern : *pattern;
        return static_cast<std::int32_t>(bits);
    }

    const auto magnitude = ParseDecimalDigits(rest);
    if (!magnitude) return std::nullopt;
    if (negative) {
        if (*magnitude > 2147483648ULL) return std::nullopt;
        return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(*magnitude));
    }
    if (*magnitude > 2147483647ULL) return std::nullopt;
    return static_cast<std::int32_t>(*magnitude);
}
