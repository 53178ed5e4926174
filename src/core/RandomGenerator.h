// The player's process-wide random generator: a 32-bit linear congruential sequence.
#pragma once

#include <cstdint>

class TRandomGenerator {
public:
    // Next value in 0 .. n - 1 (n >= 1): seed := seed * 134775813 + 1, and the result
    // is the high half of the 64-bit product n * seed.
    std::int32_t Draw(std::int32_t n) noexcept {
        FSeed = FSeed * 134775813u + 1u;
        return static_cast<std::int32_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(n)) * FSeed) >> 32);
    }

    void Reseed(std::uint32_t seed) noexcept { FSeed = seed; }
    std::uint32_t Seed() const noexcept { return FSeed; }

private:
    std::uint32_t FSeed = 0;
};
