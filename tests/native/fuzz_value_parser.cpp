// libFuzzer target: any bytes as a key value text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ValueParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = ParseIntegerValue(text);
    // A value that parses keeps parsing to itself when written in decimal.
    if (value) {
        const auto again = ParseIntegerValue(std::to_string(*value));
        if (!again || *again != *value) __builtin_trap();
    }
    return 0;
}
