#include "core/KeyMap.h"

TKeyMap::TKeyMap(const std::array<std::uint16_t, MaxActions>& keys) noexcept : FKeys(keys) {
    for (const std::uint16_t key : FKeys) {
        const unsigned code = key & 0xFFu;
        if (code == 0) continue;
        FBound[code >> 5] |= 1u << (code & 31);
        if (key & KeyModifiers) FCombined[code >> 5] |= 1u << (code & 31);
    }
}

int TKeyMap::Find(std::uint16_t pressed) const noexcept {
    const std::uint16_t code = pressed & 0xFF;
    if (code == 0) return -1;
    if (pressed & KeyModifiers) {
        for (std::size_t i = 0; i < MaxActions; ++i)
            if (FKeys[i] == pressed) return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < MaxActions; ++i)
        if (FKeys[i] == code) return static_cast<int>(i);
    return -1;
}
