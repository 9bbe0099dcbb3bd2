// When the selective search begins no new iteration: after the soft limit the engine gives it,
// scaled by what the iterations so far say of the best move. A move that takes most of an
// iteration's nodes and has stayed best for several iterations needs little more time; one the
// search keeps changing its mind about, or that other moves contest, gets more. The stop flag
// (the clock's hard limit) still ends the search wherever it is.
#pragma once

#include <algorithm>
#include <cstdint>

#include "board/types.h"
#include "strong/selective_tuning.h"

namespace vardo {

class SoftLimit {
   public:
    // After each completed iteration: its best move, and the share of the iteration's nodes
    // that the move's own search took.
    void Iterated(Move best, std::uint64_t bestNodes, std::uint64_t iterationNodes) {
        const bool changed = iterations > 0 && !(best == lastBest);
        instability = instability * 0.5 + (changed ? 1.0 : 0.0);
        stable = changed ? 0 : std::min(stable + 1, TIME_STABILITY_CAP);
        share = iterationNodes > 0 ? double(bestNodes) / double(iterationNodes) : 1.0;
        lastBest = best;
        ++iterations;
    }
    // What the engine's soft limit is multiplied by before the next iteration is begun.
    double Factor() const {
        if (USE_NODE_SHARE_TIME == 0) return 1.0 + UNSTABLE_TIME_SHARE * instability;
        const double nodes = std::clamp(TIME_NODE_BASE - TIME_NODE_SCALE * share, 0.5, 2.0);
        return nodes * (TIME_STABILITY_BASE - TIME_STABILITY_STEP * stable);
    }

   private:
    int iterations = 0;
    Move lastBest;
    // How often the best move changed lately: each iteration halves it, and a change adds one.
    double instability = 0.0;
    // How many iterations in a row the best move has stayed the same (at most the cap).
    int stable = 0;
    // The best move's share of the last iteration's nodes.
    double share = 1.0;
};

}  // namespace vardo
