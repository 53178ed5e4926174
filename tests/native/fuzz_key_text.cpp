// libFuzzer target: any bytes as a hot-key value of the [keys] section (a file players
// edit by hand): a number, a key's name or a combination.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/KeyText.h"
#include "core/ValueParser.h"

namespace {

std::string WithCase(std::string_view text, bool upper) {
    std::string result(text);
    for (char& c : result) {
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto key = ParseKeyText(text);
    // The case of ASCII letters never matters: not in names, modifiers or numbers.
    if (ParseKeyText(WithCase(text, true)) != key || ParseKeyText(WithCase(text, false)) != key) __builtin_trap();
    // A text that is not a number means the same with blanks around it.
    if (!ParseIntegerValue(text) && ParseKeyText(" \t" + std::string(text) + "\t ") != key) __builtin_trap();
    if (!key) return 0;
    // A key is a code and modifiers; modifiers never stand without a code.
    const std::uint16_t code = *key & 0xFF, modifiers = *key & KeyModifiers;
    if ((*key & ~(0xFF | KeyModifiers)) != 0 || (modifiers != 0 && code == 0)) __builtin_trap();
    // Written back as a combination of its modifiers and its code, it reads as itself.
    std::string written = (modifiers & KeyCtrl ? "Ctrl+" : "");
    written += modifiers & KeyShift ? "Shift+" : "";
    written += modifiers & KeyAlt ? "Alt+" : "";
    char number[8];
    std::snprintf(number, sizeof number, "0x%02X", code);
    if (ParseKeyText(written + number) != key) __builtin_trap();
    return 0;
}
