// The order of play as the player has always had it (in order with wrap-around, or a
// fresh draw of the shared generator in shuffle), with a look ahead: PeekNext tells the
// entry that Next will return, drawing at most once, and the drawn pick is cached
// until a Next or Prev consumes it. Reads the player's shuffle switch and generator;
// a pick drawn before a reseed, another draw or a change of the entry count is stale
// and drawn again.
#pragma once

#include <cstdint>

#include "core/RandomGenerator.h"

class TOrderStandIn {
public:
    TOrderStandIn(const bool& shuffle, TRandomGenerator& random) noexcept : FShuffle(shuffle), FRandom(random) {}

    std::int32_t Next(std::int32_t current, std::int32_t count) noexcept {
        if (FShuffle) return Pick(count, true);
        return current + 1 >= count ? 0 : current + 1;
    }
    std::int32_t Prev(std::int32_t current, std::int32_t count) noexcept {
        if (FShuffle) return Pick(count, true);
        return current - 1 < 0 ? count - 1 : current - 1;
    }
    std::int32_t PeekNext(std::int32_t current, std::int32_t count) noexcept {
        if (FShuffle) return Pick(count, false);
        return Next(current, count);
    }

private:
    std::int32_t Pick(std::int32_t count, bool consume) noexcept {
        if (!FCached || FCount != count || FRandom.Seed() != FSeedAfter) {
            FPick = FRandom.Draw(count);
            FCount = count;
            FSeedAfter = FRandom.Seed();
        }
        FCached = !consume;
        return FPick;
    }

    const bool& FShuffle;
    TRandomGenerator& FRandom;
    bool FCached = false;
    std::int32_t FPick = 0;
    std::int32_t FCount = 0;
    std::uint32_t FSeedAfter = 0;
};
