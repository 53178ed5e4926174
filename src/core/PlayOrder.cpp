#include "core/PlayOrder.h"

#include <algorithm>
#include <utility>

static_assert((TPlayOrder::HistorySize & (TPlayOrder::HistorySize - 1)) == 0, "the ring wraps by a mask");

void TPlayOrder::SetShuffle(bool on, std::int32_t current, std::uint32_t seed) noexcept {
    FShuffle = on;
    FRandom.Reseed(seed);
    FPicked = -1;
    FLeft = 0;
    FKnown = 0;
    FStartEntry = current;
    FLength = 0;
    FBack = 0;
    if (current >= 0) Remember(current);
}

std::int32_t TPlayOrder::Next(std::int32_t current, std::int32_t count) {
    const std::int32_t entry = PeekNext(current, count);
    if (!FShuffle || count < 1) return entry;
    if (FBack > 0) {
        // Forward again through the history (a pick made ahead waits at its head).
        --FBack;
    } else {
        FPicked = -1;
        if (FRounds) Remember(entry);
    }
    return entry;
}

std::int32_t TPlayOrder::Prev(std::int32_t current, std::int32_t count) {
    if (count < 1) return -1;
    if (!FShuffle) return current > 0 && current <= count ? current - 1 : count - 1;
    // Drawn anew each step, previous takes a draw as next does.
    if (!FRounds || FLength == 0) return Next(current, count);
    if (FBack + 1 < FLength) ++FBack;
    return Back(FBack);
}

std::int32_t TPlayOrder::PeekNext(std::int32_t current, std::int32_t count) {
    if (count < 1) return -1;
    if (!FShuffle) return current + 1 < count ? current + 1 : 0;
    if (FBack > 0) return Back(FBack - 1);
    // The pick made ahead, or a new one, kept until a step takes it.
    if (FPicked < 0 || FPicked >= count) FPicked = FRounds ? PickFromRound(count) : FRandom.Draw(count);
    return FPicked;
}

std::int32_t TPlayOrder::PickFromRound(std::int32_t count) {
    if (count > FRoom) {
        auto room = std::make_unique<std::int32_t[]>(static_cast<std::size_t>(count));
        std::copy_n(FUnplayed.get(), FLeft, room.get());
        FUnplayed = std::move(room);
        FRoom = count;
    }
    // Entries found since the last pick join the round unplayed.
    for (; FKnown < count; ++FKnown)
        if (FKnown != FStartEntry) FUnplayed[static_cast<std::size_t>(FLeft++)] = FKnown;
    std::int32_t drawn = FLeft;
    if (drawn == 0) {
        // Every entry has played: a new round of all of them. The entry just played
        // waits at the end, out of its first draw, so that it does not play twice in a
        // row (it stays in the round for a later pick).
        for (std::int32_t entry = 0; entry < count; ++entry) FUnplayed[static_cast<std::size_t>(entry)] = entry;
        FLeft = drawn = count;
        const std::int32_t last = FLength > 0 ? Back(0) : -1;
        if (count > 1 && last >= 0 && last < count) {
            std::swap(FUnplayed[static_cast<std::size_t>(last)], FUnplayed[static_cast<std::size_t>(count - 1)]);
            --drawn;
        }
    }
    const auto slot = static_cast<std::size_t>(FRandom.Draw(drawn));
    const std::int32_t entry = FUnplayed[slot];
    FUnplayed[slot] = FUnplayed[static_cast<std::size_t>(--FLeft)];
    return entry;
}

void TPlayOrder::Remember(std::int32_t entry) noexcept {
    FNewest = (FNewest + 1) & (HistorySize - 1);
    FHistory[static_cast<std::size_t>(FNewest)] = entry;
    if (FLength < HistorySize) ++FLength;
    FBack = 0;
}
