// The music's volume: the player's own level (the volume keys, mute) and, with loudness
// on, each track's gain and the pre-amp on top of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/GainedVolume.h"
#include "core/ReplayGain.h"
#include "core/VolumeLevel.h"

// The [player] loudness settings.
struct TLoudnessSetting {
    TLoudness Mode = TLoudness::Off;
    double PreampDb = 0; // added to every gain found
};

class TTrackVolume {
public:
    TTrackVolume() = default;
    explicit TTrackVolume(const TLoudnessSetting& setting) noexcept : FSetting(setting) {}

    // Which gain a track's tags are read for: Off, none.
    TLoudness Loudness() const noexcept { return FSetting.Mode; }
    // The volume a track's device gets before its play: 0 muted, else the level with the
    // track's gain and the pre-amp on top (capped at full). Nothing for a track without
    // a gain at the full level: a new device plays at full volume by itself.
    std::optional<std::uint32_t> BeforePlay(std::optional<double> gainDb) const noexcept {
        if (!FMuted && !gainDb && FLevel.IsFull()) return std::nullopt;
        return Target(gainDb);
    }
    // The volume a track's device should have now, after a key or at the end of a fade
    // (the same, with full as a number).
    std::uint32_t Target(std::optional<double> gainDb) const noexcept {
        if (FMuted) return 0;
        if (!gainDb || FSetting.Mode == TLoudness::Off) return FLevel.MciValue();
        return GainedVolume(FLevel.MciValue(), *gainDb, FSetting.PreampDb);
    }

    // One step up or down (a step while muted unmutes, from the level before).
    void Step(bool up) noexcept {
        FMuted = false;
        up ? FLevel.Up() : FLevel.Down();
    }
    void ToggleMute() noexcept { FMuted = !FMuted; }
    // "Volume> 70%", or "Volume> muted".
    std::string Line() const;

private:
    TLoudnessSetting FSetting;
    TVolumeLevel FLevel;
    bool FMuted = false;
};
