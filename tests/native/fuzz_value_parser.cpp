// libFuzzer target: any bytes as a key value text, as a number and as a hot key.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/KeyText.h"
#include "core/ValueParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = ParseIntegerValue(text);
    // A value that parses keeps parsing to itself when written in decimal.
    if (value) {
        const auto again = ParseIntegerValue(std::to_string(*value));
        if (!again || *again != *value) __builtin_trap();
    }
    // A number is a hot key of its low 8 bits; a hot key is a code and modifiers only.
    const auto key = ParseKeyText(text);
    if (value && (!key || *key != (static_cast<std::uint32_t>(*value) & 0xFF))) __builtin_trap();
    if (key && (*key & ~(0xFF | KeyModifiers)) != 0) __builtin_trap();
    return 0;
}
