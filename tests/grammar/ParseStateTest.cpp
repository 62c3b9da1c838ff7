// The arc-hybrid transition system and its dynamic oracle: every run of allowed moves ends in
// a tree, and following the oracle's cheapest moves rebuilds any projective tree exactly,
// also after a wrong move has been made (at the cost the oracle said).
#include "core/grammar/ParseState.h"
#include "core/grammar/training/Oracle.h"

#include <gtest/gtest.h>

#include <random>

namespace qm::grammar {
namespace {

// A random projective tree over n words: gold[i] is the head, n for the root. Built by
// splitting spans: a span's head takes the heads of the spans left and right of it.
void buildSpan(std::int32_t from, std::int32_t to, std::int32_t head,
               std::vector<std::int32_t>& gold, std::mt19937& rng) {
    if (from >= to) return;
    const std::int32_t h =
        from + static_cast<std::int32_t>(rng() % static_cast<unsigned>(to - from));
    gold[static_cast<std::size_t>(h)] = head;
    // Split each side into a few consecutive subtrees of h.
    for (const auto& [a, b] : {std::pair{from, h}, std::pair{h + 1, to}}) {
        std::int32_t start = a;
        while (start < b) {
            const std::int32_t end =
                start + 1 + static_cast<std::int32_t>(rng() % static_cast<unsigned>(b - start));
            buildSpan(start, end, h, gold, rng);
            start = end;
        }
    }
}

std::vector<std::int32_t> randomTree(std::size_t n, std::mt19937& rng) {
    std::vector<std::int32_t> gold(n, -1);
    buildSpan(0, static_cast<std::int32_t>(n), static_cast<std::int32_t>(n), gold, rng);
    return gold;
}

Move cheapest(const ParseState& state, const std::vector<std::int32_t>& gold, int& cost) {
    const auto costs = moveCosts(state, gold);
    int best = -1;
    for (int m = 0; m < 3; ++m) {
        if (!state.valid(static_cast<Move>(m))) continue;
        if (best < 0 || costs[static_cast<std::size_t>(m)] < costs[static_cast<std::size_t>(best)])
            best = m;
    }
    cost = costs[static_cast<std::size_t>(best)];
    return static_cast<Move>(best);
}

int wrongHeads(const ParseState& state, const std::vector<std::int32_t>& gold) {
    int wrong = 0;
    for (std::size_t i = 0; i < gold.size(); ++i)
        wrong += state.head(i) != gold[i];
    return wrong;
}

TEST(ArcHybrid, FollowingTheOracleRebuildsProjectiveTrees) {
    std::mt19937 rng(11);
    ParseState state;
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = 1 + rng() % 30;
        const auto gold = randomTree(n, rng);
        state.reset(n);
        std::size_t moves = 0;
        while (!state.done()) {
            int cost = 0;
            const Move m = cheapest(state, gold, cost);
            ASSERT_EQ(cost, 0) << "round " << round;
            state.apply(m, m == Move::Left && state.leftToRoot() ? Rel::Root : Rel::Dep);
            ++moves;
        }
        EXPECT_EQ(moves, 2 * n);
        EXPECT_EQ(wrongHeads(state, gold), 0) << "round " << round;
    }
}

TEST(ArcHybrid, AfterAWrongMoveTheOracleLosesNoMoreThanItCounted) {
    std::mt19937 rng(12);
    ParseState state;
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = 2 + rng() % 25;
        const auto gold = randomTree(n, rng);
        state.reset(n);
        int counted = 0;
        bool strayed = false;
        while (!state.done()) {
            int cost = 0;
            Move m = cheapest(state, gold, cost);
            // Once per sentence, take a random allowed move instead.
            if (!strayed && rng() % 4 == 0) {
                do {
                    m = static_cast<Move>(rng() % 3);
                } while (!state.valid(m));
                strayed = true;
                cost = moveCosts(state, gold)[static_cast<std::size_t>(m)];
            }
            counted += cost;
            state.apply(m, m == Move::Left && state.leftToRoot() ? Rel::Root : Rel::Dep);
        }
        EXPECT_EQ(wrongHeads(state, gold), counted) << "round " << round;
    }
}

TEST(ArcHybrid, AnyAllowedMovesEndInOneTree) {
    std::mt19937 rng(13);
    ParseState state;
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = 1 + rng() % 40;
        state.reset(n);
        while (!state.done()) {
            Move m;
            do {
                m = static_cast<Move>(rng() % 3);
            } while (!state.valid(m));
            state.apply(m, m == Move::Left && state.leftToRoot() ? Rel::Root : Rel::Nmod);
        }
        int roots = 0;
        for (std::size_t i = 0; i < n; ++i) {
            ASSERT_GE(state.head(i), 0);
            ASSERT_LE(state.head(i), static_cast<std::int32_t>(n));
            roots += state.head(i) == static_cast<std::int32_t>(n);
            EXPECT_EQ(state.label(i) == Rel::Root, state.head(i) == static_cast<std::int32_t>(n));
            // Walking up from any word reaches the root.
            std::int32_t at = static_cast<std::int32_t>(i);
            for (std::size_t steps = 0; at != static_cast<std::int32_t>(n); ++steps) {
                ASSERT_LE(steps, n);
                at = state.head(static_cast<std::size_t>(at));
            }
        }
        EXPECT_EQ(roots, 1);
    }
}

} // namespace
} // namespace qm::grammar
