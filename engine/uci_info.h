// The UCI "info" line written after each completed iteration of a UCI turn.
#pragma once

#include <string>

#include "board/types.h"
#include "engine/console_reader.h"
#include "search/search_listener.h"
#include "search/searcher.h"

namespace vardo {

// The score of a line as UCI writes it, from the side to move's point of view: "cp X", or
// "mate N" when the score is a mate's. A side mated with R plies of a D-ply iteration left
// scores -(MATE_SCORE + R), so the mate falls D - R plies from the root; N counts the moves
// of the side to move up to it, negative when the side to move is the one mated. When every
// root move loses to a mate the root fails low and scores exactly -MATE_SCORE, a bound that
// carries no distance: the iteration before saw no mate, so it falls D - 1 plies away.
// The selective search (strong) scores a side mated P plies from the root -(SELECTIVE_MATE - P)
// whatever the depth.
std::string UciScore(int score, int depth, bool strong = false);

class UciInfo : public SearchListener {
   public:
    UciInfo(ConsoleReader& console, const Searcher& searcher);

    // The side to move at the root of the coming turn, whose point of view the scores take.
    // Set before the turn starts.
    void SetRootSide(int side) { rootSide = side; }
    // How many lines the coming turn finds (MultiPV). Above 1, every line names its rank.
    void SetLines(int count) { lines = count; }

    // "info depth D seldepth S score ... nodes N nps N time MS hashfull H pv m1 m2 ...", the
    // moves in coordinate notation (no pv when the line is empty); with several lines,
    // "multipv K" after the seldepth. Runs on the search thread.
    void OnIteration(int depth, unsigned nodes, float seconds, int score,
                     const Line& line) override;
    void OnOtherLine(int depth, int rank, unsigned nodes, float seconds, int score,
                     const Line& line) override;

   private:
    void Write(int depth, int rank, unsigned nodes, float seconds, int score, const Line& line);

    ConsoleReader& console;
    const Searcher& searcher;
    int rootSide = WHITE;
    int lines = 1;
};

}  // namespace vardo
