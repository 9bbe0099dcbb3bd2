// The searcher: fail-hard alpha-beta with quiescence on a private copy of the game board,
// driven by iterative deepening.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "board/board.h"
#include "board/fifty_move_rule.h"
#include "search/busy_table.h"
#include "search/evaluate.h"
#include "search/iteration_lines.h"
#include "search/line.h"
#include "search/move_order.h"
#include "search/root_moves.h"
#include "search/search_engine.h"
#include "search/search_listener.h"
#include "search/search_types.h"
#include "search/transposition_table.h"

namespace vardo {

// Whether the score of a search of `depth` plies from a node whose fifty-move counter is
// `fifty` is the same whatever path led to the node, so that its table entry may be stored
// under the position's key alone and serve every path to it.
//
// Below the root, a node is scored as a draw when its counter reaches FIFTY_MOVE_LIMIT or its
// placement occurred twice before within the last `fifty` plies (IsRepetition, which never
// fires below MIN_REPETITION_PLIES). Those are the only tests that read anything but the
// position, which the key carries whole (placement, side, castling rights, en-passant
// square); generation, evaluation and the mate scores by remaining depth read nothing else.
// Along any line below the node the counter grows by at most one a ply, so no node of the
// subtree has a counter above fifty + depth. Then:
// - fifty + depth < MIN_REPETITION_PLIES: neither test can fire anywhere in the subtree, on
//   any path; the subtree is the same tree, with the same score, wherever it is met.
// - fifty == 0 (the node was reached by a capture or a pawn move, or starts the game record)
//   and depth < FIFTY_MOVE_LIMIT: no fifty-move draw can fire, and every repetition test in
//   the subtree looks back only over moves made below the node, never above it. The tests
//   that fire are the same wherever the node is met.
// In both cases the subtree's draws are those of the position alone; where depth is below
// MIN_REPETITION_PLIES the two cases agree (no test fires), so an entry stored under one may
// serve the other.
//
// Otherwise the tests read the moves since the last capture or pawn move (their squares and
// number) and whether the game record holds them all: the window key, which the searcher
// combines with the position's key (Searcher::TableKey). An entry stored under that key serves
// only a node with the same position and window: the same tree again, as when another thread
// or a later search reaches the node along the same moves.
constexpr bool IsPathFree(int fifty, int depth) {
    return fifty + depth < MIN_REPETITION_PLIES || (fifty == 0 && depth < FIFTY_MOVE_LIMIT);
}

class SearchHelper;

class Searcher : public SearchEngine {
   public:
    // A searcher with a transposition table of `hashMegabytes` (0: none), searching on
    // `threads` threads (0: one per core the machine has), this one included: the others are
    // helpers that share the table.
    explicit Searcher(std::size_t hashMegabytes = TranspositionTable::DEFAULT_MEGABYTES,
                      int threads = 1);
    ~Searcher() override;
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
    //
    // The root tries only the moves rootMoves lets it. With `lines` above 1 every iteration
    // finds that many lines (or as many as the root has moves to lead them), each led by
    // another move, and reports them best first (SearchListener::OnOtherLine); the first
    // line, the move returned and every score of it are those of a search of one line.
    BestMove Search(const Board& game, SearchListener* listener, int maxDepth = MAX_DEPTH);
    // The same within `limits`, which set nodeLimit, rootMoves and lines first; the soft
    // limit is not the full-width search's: it searches until stopped.
    BestMove Search(const Board& game, SearchListener* listener,
                    const SearchLimits& limits) override;

    // Searches `board` to `depth` plies with the window alpha..beta, fail-hard: the result
    // lies within the window except the mate, stalemate and draw scores, returned as they are.
    // `line` receives the principal variation whenever a move raises alpha. The position the
    // call starts from is a root: draw tests are made and the table is read only at the nodes
    // below it, and its moves are tried in the generators' order with the tie-breaks.
    // Throws StopSignal when stopFlag is raised.
    int AlphaBeta(int alpha, int beta, int depth, Line& line) {
        MeasureHistoryPeak();
        return AlphaBetaAt(alpha, beta, depth, 0, line);
    }
    // Capture-only search ending in the static evaluation; fail-hard; no draw or mate
    // detection. Throws StopSignal when stopFlag is raised.
    int Quiesce(int alpha, int beta) { return Quiesce(alpha, beta, nullptr); }

    // Forgets the successes counted in earlier searches and every table entry, so that the
    // next search runs as it would in a new game. Only while no search runs.
    void ClearOrderingMemory() override;
    // How many threads search, this one included.
    int Threads() const override { return 1 + static_cast<int>(helpers.size()); }
    // Replaces the helpers so that `threads` threads search (0: one per core). Only while no
    // search runs.
    void SetThreads(int threads) override;
    // The most plies from the root this thread reached in the current or last search,
    // quiescence included.
    int SelDepth() const override { return static_cast<int>(deepestRecords - rootRecords); }
    // The nodes of every thread of the current or last search.
    std::uint64_t AllNodes() const override;
    // A side mated with R plies of a D-ply iteration left scores -(MATE_SCORE + R), so the
    // mate falls D - R plies from the root. When every root move loses to a mate the root
    // fails low and scores exactly -MATE_SCORE, a bound that carries no distance: the
    // iteration before saw no mate, so it falls D - 1 plies away.
    int MatePlies(int score, int depth) const override;
    TranspositionTable& Table() override { return table; }
    const TranspositionTable& Table() const override { return table; }

    Evaluator evaluator;
    // Shared by the iterations and turns of a game; cleared with the ordering memory.
    TranspositionTable table;
    // The private copy searched; set by Search for its duration, null otherwise. Tests may
    // set it to call AlphaBeta and Quiesce directly.
    std::unique_ptr<Board> board;
    // Nodes of the current or last search: AlphaBeta calls that pass the draw tests and the
    // horizon, plus Quiesce calls. Runs on across iterations. The main thread's alone; the
    // listener is given the sum over every thread.
    std::uint32_t nodes = 0;
    // This thread's node count at which a search stops as if the stop flag were raised
    // (honoured from depth 2 on, like the flag); set before Search. 0, the default: none (the
    // count may then wrap around in a search of over four billion nodes, as it always could).
    std::uint32_t nodeLimit = 0;
    // The root moves the next searches try (all, by default) and how many lines each
    // iteration finds (MultiPV); set before Search.
    RootMoves rootMoves;
    int lines = 1;

   private:
    friend class SearchHelper;

    // One node of AlphaBetaAt: its window and depth, and what its steps share.
    struct Node {
        Node(int alphaAt, int betaAt, int depthAt, int plyAt, Line& lineOut)
            : alpha(alphaAt), beta(betaAt), depth(depthAt), ply(plyAt), line(lineOut) {}
        int alpha;
        int beta;
        int depth;
        int ply;
        Line& line;             // filled whenever a move raises alpha
        std::uint64_t key = 0;  // the table key its result is stored under
        TieBreaks ties;
        Move bestMove;  // the last move that raised alpha; null while none has
        bool hasLegalMove = false;
        bool mayDefer = false;   // whether its moves may wait for another thread's search
        int deferredCount = 0;   // moves waiting in deferred[ply]
        bool evaluated = false;  // whether `evaluation` holds the node's, for the frontier test
        Evaluation evaluation;
        // The evaluation after the move the frontier test last scored, for its child.
        Move scoredMove;
        Evaluation afterScored;
        Line childLine;  // handed to every child search
    };

    // `known`, when not null, is the node's Evaluation, worked out by its parent; it is read
    // only at the horizon, by quiescence.
    int AlphaBetaAt(int alpha, int beta, int depth, int ply, Line& line,
                    const Evaluation* known = nullptr);
    int Quiesce(int alpha, int beta, const Evaluation* known);
    // The steps of AlphaBetaAt, each described where it is defined.
    bool TableEndsNode(Node& node, bool pathFree, Move& tableMove, int& score);
    std::uint64_t ChildKey(const Node& node, Move move);
    std::uint64_t ChildKeyAndWindow(const Node& node, Move move, std::uint64_t& window) const;
    bool Defer(Node& node, const MoveEntry& entry, std::uint64_t child);
    bool SearchMove(Node& node, const MoveEntry& entry, std::uint64_t child, int& score);
    bool RaisesToBeta(Node& node, const MoveEntry& entry, int score);
    bool TryMove(Node& node, const MoveEntry& entry, std::uint64_t child) {
        int score;
        return SearchMove(node, entry, child, score) && score > node.alpha &&
               RaisesToBeta(node, entry, score);
    }
    // The node's Evaluation, worked out at the first call.
    const Evaluation& NodeEvaluation(Node& node) {
        if (!node.evaluated) {
            evaluator.Evaluate(*board, node.evaluation);
            node.evaluated = true;
        }
        return node.evaluation;
    }
    bool IsFutile(Node& node, Move move);
    void AddFrontierQuiets(Node& node);
    bool HasLegalKingStep();
    bool SearchGenerated(Node& node, const MoveEntry* tried);
    bool SearchDeferred(Node& node);
    // Sets historyPeak from the board's history table, before a search from a root.
    void MeasureHistoryPeak();
    // Counts a node and throws StopSignal when the stop flag is raised and honoured.
    void CountNode();

    // In a Debug build, checks an evaluation after `move` worked out by Evaluator::AfterMove
    // against Evaluate's of the position the move leads to, when the move is legal.
    void CheckAfterMove(Move move, const Evaluation& after);

    // The lines after the first of the iteration at `depth`, whose first line (`first`,
    // scoring `firstScore`) has just completed, up to `lineCount` lines in all; the lines go
    // to iterationLines. False when the stop flag ended them.
    bool SearchOtherLines(int depth, int firstScore, const Line& first, int lineCount);

    // Records a quiet move that raised alpha (a cutoff or a new best move), for the order of
    // later nodes.
    void RewardQuietMove(Move move, int ply, int depth);

    // The board's record count at the root and the most seen at any node since, for SelDepth.
    std::size_t rootRecords = 0;
    std::size_t deepestRecords = 0;

    // False while the first iteration runs: it completes whatever the stop flag says.
    bool honourStop = true;

    // The table searched: this searcher's own, or for a helper, the main searcher's.
    TranspositionTable* shared = &table;
    // Where threads share a search: the positions being searched (none on one thread), and the
    // moves each ply leaves for later because of them.
    static constexpr int BUSY_MIN_DEPTH = 2;
    static constexpr int DEFER_ROOM = 32;
    std::unique_ptr<BusyTable> ownBusy;
    BusyTable* busy = nullptr;
    std::vector<std::array<MoveEntry, DEFER_ROOM>> deferred;
    // The helpers (none on one thread).
    std::vector<std::unique_ptr<SearchHelper>> helpers;
    // What the helpers read at every node: whether this search has ended, and the depth of
    // its current iteration, which they follow. A cache line of their own, apart from the
    // fields this thread writes as it searches.
    struct alignas(64) HelperSignals {
        std::atomic<bool> stop{false};
        std::atomic<int> depth{1};
    };
    HelperSignals signals;
    // For a helper: its main searcher's signals, honoured from the first
    // node; the depth it searches; its node count, published for the main thread to add up.
    const std::atomic<bool>* helperStop = nullptr;
    const std::atomic<int>* mainDepthOf = nullptr;
    int helperDepth = 0;
    std::atomic<std::uint32_t> publishedNodes{0};
    // A helper's search of `game`, until helperStop is raised.
    void Help(const Board& game);
    // A position at a depth, as the busy table knows it.
    static std::uint64_t BusyKey(std::uint64_t key, int depth) {
        return key ^ (static_cast<std::uint64_t>(depth) * 0x9E3779B97F4A7C15ULL);
    }
    // The key of the moves since the last capture or pawn move, with the fifty-move count they
    // started from, at the root and at each ply of the current path (see TableKey).
    static std::uint64_t RootWindowKey(const Board& board);
    std::uint64_t windowKeys[MAX_DEPTH + 2] = {};
    // The key a node's entry is stored under: the position's key where its score cannot
    // depend on the path, else that key combined with the path's window key.
    std::uint64_t TableKey(std::uint64_t positionKey, bool pathFree, int ply) const {
        return pathFree ? positionKey : positionKey ^ windowKeys[ply];
    }
    // Starts the helpers on `game`; stops and waits for them.
    void StartHelpers(const Board& game);
    void StopHelpers();
    // What orders moves of equal ordering score (see MoveOrder).
    std::vector<MoveOrder> orders;             // one per ply
    std::vector<std::array<Move, 2>> killers;  // one pair per ply, kept through one search
    std::uint16_t successes[2][64][64] = {};   // by side, from, to; kept until cleared
    // The successes of the root's moves alone, which order the root: they depend on the root's
    // scores only, which every thread count computes alike, and not on the nodes searched.
    std::uint16_t rootSuccesses[2][64][64] = {};
    Line previousLine;  // the last completed iteration's line
    // With several lines: those of the iteration in progress or last completed, and of the one
    // before it.
    IterationLines iterationLines;
    IterationLines previousLines;
    // The root's successes as the first line left them, while the other lines are searched.
    std::uint16_t firstLineSuccesses[2][64][64] = {};
    int linePlies = 0;  // how many plies from the root the current path follows that line
    // At least the highest count in the board's history table: counts only grow during a
    // search, and each raise also raises this.
    std::int32_t historyPeak = 0;
};

}  // namespace vardo
