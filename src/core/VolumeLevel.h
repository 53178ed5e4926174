// The player's volume: a level from 0 % to 100 % in steps of 10, full at load.
#pragma once

#include <cstdint>

class TVolumeLevel {
public:
    static constexpr std::int32_t Full = 100;
    static constexpr std::int32_t Step = 10;

    std::int32_t Percent() const noexcept { return FPercent; }
    bool IsFull() const noexcept { return FPercent == Full; }
    // One step up or down, staying within 0 and 100.
    void Up() noexcept { FPercent = FPercent + Step > Full ? Full : FPercent + Step; }
    void Down() noexcept { FPercent = FPercent - Step < 0 ? 0 : FPercent - Step; }
    // The level on MCI's scale of 0 to 1000.
    std::uint32_t MciValue() const noexcept { return static_cast<std::uint32_t>(FPercent) * 10u; }

private:
    std::int32_t FPercent = Full;
};
