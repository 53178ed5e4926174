// Which action a key press runs: the hot keys of the actions, in the order in which
// they are tested, and the rule between combinations and bare keys.
#pragma once

#include <array>
#include <cstdint>

#include "core/KeyText.h"

class TKeyMap {
public:
    static constexpr std::size_t MaxActions = 12;

    TKeyMap() noexcept = default;
    // keys[i] is the hot key (see KeyText.h) of action i; a key code of 0 is no key.
    explicit TKeyMap(const std::array<std::uint16_t, MaxActions>& keys) noexcept;

    // True when some action has the key code key (with or without modifiers): a key
    // for which this is false never acts.
    bool Bound(std::uint16_t key) const noexcept { return Has(FBound, key); }
    // True when a combination has the key code key: only then do the held modifiers
    // matter.
    bool Combined(std::uint16_t key) const noexcept { return Has(FCombined, key); }

    // The action of a press of the key code in pressed's low byte with the modifiers
    // above it held, or -1. A combination acts when exactly its modifiers are held, and
    // then the bare key on the same code does not; else the bare key acts, whatever is
    // held. Among equal keys the first action acts.
    int Find(std::uint16_t pressed) const noexcept;

private:
    using TKeySet = std::array<std::uint32_t, 8>;
    static bool Has(const TKeySet& set, std::uint16_t key) noexcept {
        return key < 256 && (set[key >> 5] >> (key & 31) & 1u) != 0;
    }

    std::array<std::uint16_t, MaxActions> FKeys{};
    TKeySet FBound{};
    TKeySet FCombined{};
};
