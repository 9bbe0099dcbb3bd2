// What a level chooses among: the lines of its search's last completed iteration, kept as they
// are reported, while the lines an interface asked to see are passed on to its listener.
#pragma once

#include <vector>

#include "board/types.h"
#include "engine/level.h"
#include "search/search_listener.h"

namespace vardo {

class LevelLines : public SearchListener {
   public:
    // `shown` receives the first `shownLines` lines of each iteration (may be null); scores
    // are kept from `rootSide`'s point of view.
    LevelLines(SearchListener* shown_, int shownLines_, int rootSide_)
        : shown(shown_), shownLines(shownLines_), rootSide(rootSide_) {}

    void OnIteration(int depth, unsigned nodes, float seconds, int score,
                     const Line& line) override {
        lines.clear();
        Keep(score, line);
        if (shown != nullptr) shown->OnIteration(depth, nodes, seconds, score, line);
    }
    void OnOtherLine(int depth, int rank, unsigned nodes, float seconds, int score,
                     const Line& line) override {
        Keep(score, line);
        if (shown != nullptr && rank <= shownLines)
            shown->OnOtherLine(depth, rank, nodes, seconds, score, line);
    }

    // The last iteration's lines, best first as the search reported them.
    const std::vector<LevelLine>& Lines() const { return lines; }

   private:
    void Keep(int whiteScore, const Line& line) {
        if (line.empty()) return;
        lines.push_back({line[0].move, line.size() > 1 ? line[1].move : Move(),
                         rootSide == WHITE ? whiteScore : -whiteScore});
    }

    SearchListener* shown;
    int shownLines;
    int rootSide;
    std::vector<LevelLine> lines;
};

}  // namespace vardo
