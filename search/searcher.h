// The searcher: fail-hard alpha-beta with quiescence on a private copy of the game board,
// driven by iterative deepening.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "board/board.h"
#include "board/fifty_move_rule.h"
#include "search/evaluate.h"
#include "search/line.h"
#include "search/move_order.h"
#include "search/search_listener.h"

namespace vardo {

// Window bound and mate base: a side to move that is checkmated with `depth` plies left
// scores -(MATE_SCORE + depth).
constexpr int MATE_SCORE = 10000;
// Any score beyond this in either direction means a mate has been seen.
constexpr int MATE_SEEN = 9000;
// Score of a draw (stalemate, fifty-move rule, repetition).
constexpr int DRAW_SCORE = 0;

// The stop signal: thrown out of AlphaBeta/Quiesce when stopFlag is seen raised, carrying
// the node count. Only Search catches it.
using StopSignal = std::uint32_t;

// Best move and its score (side to move's point of view) of a search.
struct BestMove {
    Move move;
    int score = 0;
};

class Searcher {
   public:
    Searcher();
    virtual ~Searcher() = default;
    Searcher(const Searcher&) = delete;
    Searcher& operator=(const Searcher&) = delete;

    // Iterative deepening from depth 1 on a copy of `game`, up to `maxDepth` (clamped to
    // 1..MAX_DEPTH; the default runs until a mate is seen or the search is stopped). After
    // every completed iteration the listener (may be null) gets the depth, nodes, elapsed
    // seconds, the score from White's point of view and the root line. Returns the first move
    // of the last completed iteration whose line is not empty and that iteration's score, or
    // the null move and 0.
    //
    // Stopping: the search ends at the first node after stopFlag is raised, except during
    // depth 1, which always completes so a side with a legal move always gets one. Search
    // never lowers stopFlag: the caller lowers it before it starts whatever may raise it (the
    // timer), so a stop raised early is never lost.
    BestMove Search(const Board& game, SearchListener* listener, int maxDepth = MAX_DEPTH);

    // Searches `board` to `depth` plies with the window alpha..beta, fail-hard: the result
    // lies within the window except the mate, stalemate and draw scores, returned as they are.
    // `line` receives the principal variation whenever a move raises alpha. The position the
    // call starts from is a root: draw tests are made only at the nodes below it.
    // Throws StopSignal when stopFlag is raised.
    int AlphaBeta(int alpha, int beta, int depth, Line& line) {
        MeasureHistoryPeak();
        return AlphaBetaAt(alpha, beta, depth, 0, line);
    }
    // Capture-only search ending in the static evaluation; fail-hard; no draw or mate
    // detection. Throws StopSignal when stopFlag is raised.
    int Quiesce(int alpha, int beta);

    // Forgets the successes counted in earlier searches, so that the next search orders its
    // moves as it would in a new game.
    void ClearOrderingMemory();

    Evaluator evaluator;
    // The private copy searched; set by Search for its duration, null otherwise. Tests may
    // set it to call AlphaBeta and Quiesce directly.
    std::unique_ptr<Board> board;
    // Nodes of the current or last search: AlphaBeta calls that pass the draw tests and the
    // horizon, plus Quiesce calls. Runs on across iterations.
    std::uint32_t nodes = 0;
    // The side the computer plays (WHITE, BLACK or NO_COLOUR); kept for the command loop,
    // never read by the search.
    std::atomic<int> computerSide{BLACK};

   private:
    int AlphaBetaAt(int alpha, int beta, int depth, int ply, Line& line);
    // Sets historyPeak from the board's history table, before a search from a root.
    void MeasureHistoryPeak();
    // Counts a node and throws StopSignal when the stop flag is raised and honoured.
    void CountNode();

    // Records a quiet move that raised alpha (a cutoff or a new best move), for the order of
    // later nodes.
    void RewardQuietMove(Move move, int ply, int depth);

    // False while the first iteration runs: it completes whatever the stop flag says.
    bool honourStop = true;

    // What orders moves of equal ordering score (see MoveOrder).
    std::vector<MoveOrder> orders;             // one per ply
    std::vector<std::array<Move, 2>> killers;  // one pair per ply, kept through one search
    std::uint16_t successes[2][64][64] = {};   // by side, from, to; kept until cleared
    Line previousLine;                         // the last completed iteration's line
    int linePlies = 0;  // how many plies from the root the current path follows that line
    // At least the highest count in the board's history table: counts only grow during a
    // search, and each raise also raises this.
    std::int32_t historyPeak = 0;
};

}  // namespace vardo
