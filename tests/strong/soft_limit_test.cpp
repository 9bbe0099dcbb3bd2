#include "strong/soft_limit.h"

#include <gtest/gtest.h>

namespace vardo {
namespace {

Move MoveOf(int from, int to) {
    Move move;
    move.from = static_cast<std::int8_t>(from);
    move.to = static_cast<std::int8_t>(to);
    return move;
}

// A best move that keeps its place (and, with USE_NODE_SHARE_TIME, takes most of each
// iteration's nodes) ends the search sooner than one the iterations keep changing, or that
// other moves contest; either way the factor stays within its bounds, so that the soft limit
// never runs away.
TEST(SoftLimit, StableMovesGetLessTimeThanContestedOnes) {
    SoftLimit settled, contested;
    for (int depth = 1; depth <= 12; ++depth) {
        settled.Iterated(MoveOf(12, 28), 950, 1000);
        contested.Iterated(MoveOf(depth % 2 ? 12 : 6, depth % 2 ? 28 : 21), 300, 1000);
        if (depth > 1) {
            EXPECT_LT(settled.Factor(), contested.Factor()) << depth;
        }
        for (const SoftLimit* limit : {&settled, &contested}) {
            EXPECT_GE(limit->Factor(), 0.25);
            EXPECT_LE(limit->Factor(), 3.0);
        }
    }
}

}  // namespace
}  // namespace vardo
