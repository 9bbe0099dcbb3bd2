// The UCI "info" line written after each completed iteration of a UCI turn.
#pragma once

#include <functional>
#include <string>

#include "board/types.h"
#include "engine/console_reader.h"
#include "search/search_engine.h"
#include "search/search_listener.h"

namespace vardo {

// The score of a line as UCI writes it, from the side to move's point of view: "cp X", or
// "mate N" when the score is a mate's, `matePlies` from the root (SearchEngine::MatePlies); N
// counts the moves of the side to move up to it, negative when the side to move is the one
// mated.
std::string UciScore(int score, int matePlies);

class UciInfo : public SearchListener {
   public:
    // `search` is asked, as each line is written, for the search that runs the turn.
    UciInfo(ConsoleReader& console, std::function<const SearchEngine&()> search);

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
    std::function<const SearchEngine&()> search;
    int rootSide = WHITE;
    int lines = 1;
};

}  // namespace vardo
