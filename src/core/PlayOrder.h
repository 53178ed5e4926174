// The order of play: which entry comes after or before the current one. With shuffle
// off, playlist order. With shuffle on, either a fresh random draw for every step (the
// default), or rounds: every entry once, in a random order, before any plays again,
// with a history that previous walks back and next walks forward again.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "core/RandomGenerator.h"

class TPlayOrder {
public:
    // How many of the latest entries previous can walk back to, the current one
    // included.
    static constexpr std::int32_t HistorySize = 1024;

    // True: shuffle plays in rounds; false: every step draws anew. Set before playing.
    void SetRounds(bool on) noexcept { FRounds = on; }
    bool Shuffle() const noexcept { return FShuffle; }
    // Switches shuffle and reseeds the generator. Forgets a pick made ahead, the round
    // and its history: a new round starts, in which current (an entry, or -1 for
    // none) counts as played and is the oldest entry of the history.
    void SetShuffle(bool on, std::int32_t current, std::uint32_t seed) noexcept;

    // The entry to play after current, among count entries (count >= 1; -1 without
    // any). Entries beyond those of the last call join the running round unplayed.
    std::int32_t Next(std::int32_t current, std::int32_t count);
    // The entry to play before current: in order, the one before it; drawn, a draw as
    // for next; in rounds, one step back through the history (the oldest stays).
    std::int32_t Prev(std::int32_t current, std::int32_t count);
    // What Next(current, count) will return, without moving on. A draw it needs is made
    // once and kept for the Next (or, drawn anew each step, the Prev) that follows, so
    // looking ahead changes no sequence.
    std::int32_t PeekNext(std::int32_t current, std::int32_t count);

private:
    TRandomGenerator FRandom;
    bool FShuffle = false;
    bool FRounds = false;
    // The pick made ahead by PeekNext, or -1.
    std::int32_t FPicked = -1;
    // The round: its entries not yet played (FLeft of them, in room for FRoom), how many
    // entries it knows, and the entry that counted as played when it started.
    std::unique_ptr<std::int32_t[]> FUnplayed;
    std::int32_t FLeft = 0;
    std::int32_t FRoom = 0;
    std::int32_t FKnown = 0;
    std::int32_t FStartEntry = -1;
    // The history, a ring: its newest slot, its length and how far back the player is.
    std::array<std::int32_t, HistorySize> FHistory;
    std::int32_t FNewest = 0;
    std::int32_t FLength = 0;
    std::int32_t FBack = 0;

    std::int32_t PickFromRound(std::int32_t count);
    std::int32_t Back(std::int32_t steps) const noexcept { return FHistory[(FNewest - steps) & (HistorySize - 1)]; }
    void Remember(std::int32_t entry) noexcept;
};
