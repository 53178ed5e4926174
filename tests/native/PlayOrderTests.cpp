// The order of play: in playlist order, drawn anew each step, and in rounds with a
// history.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/PlayOrder.h"

namespace {

TPlayOrder Rounds(std::int32_t current, std::uint32_t seed = 7) {
    TPlayOrder order;
    order.SetRounds(true);
    order.SetShuffle(true, current, seed);
    return order;
}

TEST(PlayOrder, WithShuffleOffStepsInPlaylistOrderAndWraps) {
    struct Case {
        std::int32_t current, count, next, prev;
    };
    for (const Case& c : {Case{-1, 3, 0, 2}, Case{0, 3, 1, 2}, Case{2, 3, 0, 1}, Case{0, 1, 0, 0}, Case{1, 0, -1, -1}}) {
        for (const bool rounds : {false, true}) {
            TPlayOrder order;
            order.SetRounds(rounds);
            order.SetShuffle(true, c.current, 1);
            order.SetShuffle(false, c.current, 1);
            EXPECT_EQ(order.PeekNext(c.current, c.count), c.next) << c.current << " of " << c.count;
            EXPECT_EQ(order.Next(c.current, c.count), c.next) << c.current << " of " << c.count;
            EXPECT_EQ(order.Prev(c.current, c.count), c.prev) << c.current << " of " << c.count;
        }
    }
}

// The default shuffle: next and previous are each one draw of the player's generator.
TEST(PlayOrder, DrawnAnewEachStepNextAndPreviousAreTheGeneratorsDraws) {
    for (const std::uint32_t seed : {0u, 12345u, 0xFFFFFFFFu}) {
        TPlayOrder order;
        order.SetShuffle(true, 2, seed);
        TRandomGenerator random;
        random.Reseed(seed);
        for (std::int32_t step = 0; step < 40; ++step) {
            const std::int32_t count = 1 + step % 9;
            const std::int32_t got = step % 3 ? order.Next(0, count) : order.Prev(0, count);
            EXPECT_EQ(got, random.Draw(count)) << "seed " << seed << ", step " << step;
        }
    }
}

TEST(PlayOrder, ARoundPlaysEveryEntryOnceAndTheNextNeverStartsWithTheLast) {
    struct Case {
        std::int32_t count, current;
        std::uint32_t seed;
    };
    for (const Case& c : {Case{1, -1, 3}, Case{1, 0, 3}, Case{2, -1, 3}, Case{2, 1, 9}, Case{3, 0, 5},
                          Case{7, -1, 11}, Case{50, 13, 0}, Case{200, 199, 42}}) {
        TPlayOrder order = Rounds(c.current, c.seed);
        std::int32_t last = c.current;
        for (int round = 0; round < 4; ++round) {
            // The entry playing as shuffle went on counts as played in the first round.
            const bool startsPlayed = round == 0 && c.current >= 0;
            std::multiset<std::int32_t> played;
            for (std::int32_t pick = startsPlayed ? 1 : 0; pick < c.count; ++pick) {
                const std::int32_t entry = order.Next(last, c.count);
                if (pick == 0 && c.count > 1)
                    EXPECT_NE(entry, last) << "round " << round << " began with the entry just played";
                played.insert(last = entry);
            }
            if (startsPlayed) played.insert(c.current);
            std::multiset<std::int32_t> all;
            for (std::int32_t entry = 0; entry < c.count; ++entry) all.insert(entry);
            EXPECT_EQ(played, all) << c.count << " entries, round " << round;
        }
    }
}

TEST(PlayOrder, PreviousWalksBackThroughTheHistoryAndNextWalksForwardAgain) {
    struct Case {
        int picks, backs;
    };
    // Back further than the history reaches: previous stays with its oldest entry.
    for (const Case& c : {Case{3, 1}, Case{3, 2}, Case{3, 6}, Case{1500, 1000}, Case{1500, 1200}}) {
        TPlayOrder order = Rounds(4), twin = Rounds(4);
        std::vector<std::int32_t> played{4};
        for (int pick = 0; pick < c.picks; ++pick) played.push_back(order.Next(played.back(), 10));
        for (int pick = 0; pick < c.picks; ++pick) twin.Next(0, 10);
        const int kept = std::min<int>(static_cast<int>(played.size()), TPlayOrder::HistorySize);
        const int walked = std::min(c.backs, kept - 1);
        std::int32_t current = played.back();
        for (int back = 1; back <= c.backs; ++back) {
            current = order.Prev(current, 10);
            ASSERT_EQ(current, played[played.size() - 1 - static_cast<std::size_t>(std::min(back, walked))])
                << c.picks << " picks, back " << back;
        }
        for (int forward = walked - 1; forward >= 0; --forward) {
            current = order.Next(current, 10);
            ASSERT_EQ(current, played[played.size() - 1 - static_cast<std::size_t>(forward)]) << "forward " << forward;
        }
        for (int pick = 0; pick < 25; ++pick)
            EXPECT_EQ(order.Next(current, 10), twin.Next(current, 10)) << "the walk took no pick of the round";
    }
}

TEST(PlayOrder, EntriesAddedDuringARoundJoinItsUnplayedOnes) {
    struct Case {
        std::int32_t count, picks, grown;
    };
    for (const Case& c : {Case{4, 2, 8}, Case{3, 3, 5}, Case{1, 1, 2}, Case{6, 5, 7}}) {
        TPlayOrder order = Rounds(-1);
        std::set<std::int32_t> played;
        for (std::int32_t pick = 0; pick < c.picks; ++pick) played.insert(order.Next(0, c.count));
        for (std::int32_t pick = c.picks; pick < c.grown; ++pick) {
            const std::int32_t entry = order.Next(0, c.grown);
            EXPECT_TRUE(played.insert(entry).second) << entry << " twice in one round";
        }
        EXPECT_EQ(played.size(), static_cast<std::size_t>(c.grown));
    }
}

// Looking ahead before each step (twice, to show it draws once) gives the entries
// that the same steps give without it, and each next is the entry looked at.
TEST(PlayOrder, LookingAheadChangesNoSequence) {
    struct Case {
        bool shuffle, rounds;
        const char* steps; // N next, P previous, S shuffle switched on again
    };
    for (const Case& c : {Case{false, false, "NNNPPPPN"}, Case{true, false, "NNPPNPSNPN"},
                          Case{true, true, "NNNNPPPNNNNNNPNPNNNNSNNPN"}, Case{true, true, "PPPNNNNNNN"}}) {
        TPlayOrder seen, unseen;
        for (TPlayOrder* order : {&seen, &unseen}) {
            order->SetRounds(c.rounds);
            order->SetShuffle(c.shuffle, 1, 99);
        }
        std::int32_t current = 1;
        for (const char* step = c.steps; *step; ++step) {
            const std::int32_t ahead = seen.PeekNext(current, 3);
            EXPECT_EQ(seen.PeekNext(current, 3), ahead) << "looked ahead twice, at " << step;
            std::int32_t got = 0, want = 0;
            if (*step == 'S') {
                seen.SetShuffle(true, current, 5);
                unseen.SetShuffle(true, current, 5);
                continue;
            }
            if (*step == 'N') {
                got = seen.Next(current, 3);
                want = unseen.Next(current, 3);
                EXPECT_EQ(got, ahead) << "next is the entry looked at, at " << step;
            } else {
                got = seen.Prev(current, 3);
                want = unseen.Prev(current, 3);
            }
            EXPECT_EQ(got, want) << c.steps << " at " << step;
            current = got;
        }
    }
}

} // namespace
