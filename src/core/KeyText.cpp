#include "core/KeyText.h"

#include "core/ValueParser.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

struct TNamedKey {
    const char* Name; // lower case
    std::uint8_t Code;
};

constexpr TNamedKey NamedKeys[] = {
    {"backspace", 0x08},  {"tab", 0x09},         {"enter", 0x0D},      {"pause", 0x13},
    {"esc", 0x1B},        {"space", 0x20},       {"pgup", 0x21},       {"pageup", 0x21},
    {"pgdn", 0x22},       {"pagedown", 0x22},    {"end", 0x23},        {"home", 0x24},
    {"left", 0x25},       {"up", 0x26},          {"right", 0x27},      {"down", 0x28},
    {"insert", 0x2D},     {"delete", 0x2E},      {"num*", 0x6A},       {"num+", 0x6B},
    {"num-", 0x6D},       {"num.", 0x6E},        {"num/", 0x6F},       {"volumemute", 0xAD},
    {"volumedown", 0xAE}, {"volumeup", 0xAF},    {"medianext", 0xB0},  {"mediaprev", 0xB1},
    {"mediastop", 0xB2},  {"mediaplaypause", 0xB3},
};

// The code of a key name (already trimmed), or 0.
std::uint8_t NamedKeyCode(std::string_view name) {
    char lower[16];
    if (name.empty() || name.size() >= sizeof lower) return 0;
    for (std::size_t i = 0; i < name.size(); ++i) lower[i] = Lower(name[i]);
    const std::string_view text(lower, name.size());
    const char first = text[0];
    if (text.size() == 1) {
        if (first >= 'a' && first <= 'z') return static_cast<std::uint8_t>('A' + (first - 'a'));
        if (first >= '0' && first <= '9') return static_cast<std::uint8_t>(first);
        return 0;
    }
    // F1..F24: no leading zero.
    if (first == 'f' && text[1] >= '1' && text[1] <= '9') {
        unsigned number = static_cast<unsigned>(text[1] - '0');
        if (text.size() == 3) {
            if (text[2] < '0' || text[2] > '9') return 0;
            number = number * 10 + static_cast<unsigned>(text[2] - '0');
        } else if (text.size() > 3) {
            return 0;
        }
        return number <= 24 ? static_cast<std::uint8_t>(0x70 + number - 1) : 0;
    }
    if (text.size() == 4 && text.substr(0, 3) == "num" && text[3] >= '0' && text[3] <= '9')
        return static_cast<std::uint8_t>(0x60 + (text[3] - '0'));
    for (const TNamedKey& key : NamedKeys)
        if (text == key.Name) return key.Code;
    return 0;
}

// The modifier that text starts with, followed by blanks and "+", or 0; on a match,
// text is left after the "+".
std::uint16_t TakeModifier(std::string_view& text) {
    static constexpr struct {
        const char* Name;
        std::uint16_t Bit;
    } Modifiers[] = {{"ctrl", KeyCtrl}, {"shift", KeyShift}, {"alt", KeyAlt}};
    for (const auto& modifier : Modifiers) {
        const std::string_view name(modifier.Name);
        if (text.size() <= name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) same = Lower(text[i]) == name[i];
        if (!same) continue;
        const std::string_view rest = TrimBlanks(text.substr(name.size()));
        if (rest.empty() || rest.front() != '+') continue;
        text = rest.substr(1);
        return modifier.Bit;
    }
    return 0;
}

} // namespace

std::optional<std::uint16_t> ParseKeyText(std::string_view text) {
    if (const auto number = ParseIntegerValue(text)) return static_cast<std::uint16_t>(*number & 0xFF);
    std::uint16_t modifiers = 0;
    text = TrimBlanks(text);
    while (const std::uint16_t modifier = TakeModifier(text)) {
        if (modifiers & modifier) return std::nullopt;
        modifiers |= modifier;
        text = TrimBlanks(text);
    }
    if (const std::uint8_t code = NamedKeyCode(text)) return static_cast<std::uint16_t>(modifiers | code);
    if (modifiers == 0 || text.empty()) return std::nullopt;
    const auto number = ParseIntegerValue(text);
    if (!number) return std::nullopt;
    const auto code = static_cast<std::uint16_t>(*number & 0xFF);
    return code == 0 ? std::uint16_t{0} : static_cast<std::uint16_t>(modifiers | code);
}
