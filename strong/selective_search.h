// The selective search of --strong: principal variation search with a transposition table,
// null-move pruning, reverse futility, late move pruning and reductions, futility and exchange
// pruning, aspiration windows and quiet-move history. Its scores differ from the full-width
// search's on purpose: what it skips, games judge. All its steps together: +576 +- 105 Elo
// against the full-width search (200 games at 40 moves in 10 s, one thread each, measured
// with a check extension since left out). Each step's own value, where games have measured it
// by leaving it out, stands beside it in Negamax.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "board/board.h"
#include "search/evaluate.h"
#include "search/iteration_lines.h"
#include "search/line.h"
#include "search/root_moves.h"
#include "search/search_engine.h"
#include "search/search_listener.h"
#include "search/search_types.h"
#include "search/transposition_table.h"
#include "strong/accumulator.h"
#include "strong/history.h"
#include "strong/move_picker.h"
#include "strong/network.h"
#include "strong/strong_evaluator.h"

namespace vardo {

class SelectiveHelper;

// A side to move that is checkmated `ply` plies below the root scores -(SELECTIVE_MATE - ply),
// so a nearer mate scores further from zero whatever was reduced or extended on the way. Every
// such score lies beyond MATE_SEEN, as the full-width search's mate scores do.
inline constexpr int SELECTIVE_MATE = MATE_SCORE + MAX_DEPTH;

// The number of plies to the mate a selective score announces: positive when the side to move
// mates, negative when it is mated, 0 for a score that is no mate.
int SelectiveMatePlies(int score);

class SelectiveSearcher : public SearchEngine {
   public:
    // A searcher on `table`, with threads - 1 helpers that search the same position alongside
    // and share the table.
    SelectiveSearcher(TranspositionTable& table, int threads);
    // A searcher with a table of its own of `hashMegabytes` (TranspositionTable::Resize).
    SelectiveSearcher(std::size_t hashMegabytes, int threads);
    ~SelectiveSearcher() override;
    SelectiveSearcher(const SelectiveSearcher&) = delete;
    SelectiveSearcher& operator=(const SelectiveSearcher&) = delete;

    // Iterative deepening from depth 1 on a copy of `game` up to `maxDepth` (clamped to
    // 1..MAX_DEPTH), reporting each completed iteration to `listener` (may be null) as the
    // full-width search does. Depth 1 always completes; later iterations end at the first
    // node after stopFlag is raised, or, where `softSeconds` is positive, an iteration is not
    // begun once that many seconds have passed (it could not finish in the time left), more
    // while the best move keeps changing. A positive `nodeLimit` ends it, from depth 2 on,
    // once this thread has searched that many nodes. Returns the last completed iteration's
    // first move and score (side to move's view), or the move of an iteration cut short when
    // it beat the first move searched there.
    //
    // The root tries only the moves `root` lets it. With `lines` above 1 every iteration finds
    // that many lines (or as many as the root has moves to lead them), each led by another
    // move, and reports them best first (SearchListener::OnOtherLine); the first of them is
    // the move returned.
    BestMove Search(const Board& game, SearchListener* listener, int maxDepth,
                    float softSeconds = 0.0f, std::uint64_t nodeLimit = 0,
                    const RootMoves& root = RootMoves(), int lines = 1);
    BestMove Search(const Board& game, SearchListener* listener,
                    const SearchLimits& limits) override {
        return Search(game, listener, limits.maxDepth, limits.softSeconds, limits.nodeLimit,
                      limits.rootMoves, limits.lines);
    }
    // A soft limit that comes while the search runs (a pondering search that becomes a
    // search on the clock), in seconds since it began; it takes over from `softSeconds` when
    // longer. Zero (none) until set; the caller lowers it before each search.
    void SetLateSoftSeconds(float seconds) override { lateSoftSeconds = seconds; }

    // Forgets the history, counter moves and killers (the table is the caller's to clear).
    void Clear();
    // The same, and the table.
    void ClearOrderingMemory() override {
        Clear();
        table.Clear();
    }
    int Threads() const override { return 1 + static_cast<int>(helpers.size()); }
    // Replaces the helpers so that `threads` threads search (0: one per core); their histories
    // start empty. Only while no search runs.
    void SetThreads(int threads) override;
    // The nodes of every thread of the current or last search.
    std::uint64_t AllNodes() const override;
    // The deepest ply the last completed iteration reached, quiescence included.
    int SelDepth() const override { return selDepth; }
    // A selective score's mate lies where the score says, whatever the iteration's depth.
    int MatePlies(int score, int depth) const override {
        (void)depth;
        return SelectiveMatePlies(score);
    }
    TranspositionTable& Table() override { return table; }
    const TranspositionTable& Table() const override { return table; }
    // The network that judges positions in place of the strong evaluation (null: none), this
    // thread's and its helpers'; the caller keeps it alive while it is set. Only while no
    // search runs.
    void SetNetwork(const Network* net);
    // The null moves this thread made in its last search.
    std::uint64_t NullMovesMade() const { return nullMoves; }
    // The reduced moves this thread searched again at full depth, in its last search, because
    // they failed high.
    std::uint64_t ReSearchesMade() const { return reSearches; }
    // The moves this thread extended as singular in its last search.
    std::uint64_t SingularExtensionsMade() const { return singularExtensions; }

   private:
    friend class SelectiveHelper;
    struct Signals;

    // The `index`th helper's searcher: shares the table and follows `signals`.
    SelectiveSearcher(TranspositionTable& table, const Signals& signals, int index);

    // One node of Negamax: its window and depth, and what its steps share.
    struct Node {
        int alpha = 0;
        int beta = 0;
        int depth = 0;
        int ply = 0;
        bool cutNode = false;  // expected to fail high
        bool pvNode = false;   // searched with an open window
        bool root = false;
        bool inCheck = false;
        std::uint64_t key = 0;
        bool tableHit = false;
        Move tableMove;
        // What the table said of the node: the score, depth and bound stored with its move.
        int tableScore = 0;
        int tableDepth = 0;
        Bound tableBound = Bound::NONE;
        // The move a singular test leaves out (null at every other node): the node is searched
        // without it, neither cut by the table nor stored there.
        Move excluded;
        int staticEval = 0;      // corrected by the correction histories
        int rawEval = 0;         // as the evaluation gave it
        bool improving = false;  // the evaluation beats the side's two plies ago
        bool hasPieces = false;  // the side to move has men besides king and pawns
        int best = -(SELECTIVE_MATE + 1);
        Move bestMove;
        int legal = 0;
        int quietsTried = 0;
        bool skipQuiets = false;
        // The quiet move being searched: its histories summed (see QuietHistory).
        int moveHistory = 0;
        // The moves searched, for the histories to learn from: the quiet ones and the others,
        // the first so many of each.
        static constexpr int KEPT_QUIETS = 64;
        static constexpr int KEPT_CAPTURES = 32;
        int quietCount = 0;
        int captureCount = 0;
        std::array<Move, KEPT_QUIETS> quiets;
        std::array<Move, KEPT_CAPTURES> captures;
    };

    // The principal variation search of a node, as numbered steps, each described where it
    // is defined.
    int Negamax(int alpha, int beta, int depth, int ply, bool cutNode);
    bool EndsByRule(Node& node, int& score);
    bool TableEndsNode(Node& node, int& score);
    void EvaluateNode(Node& node);
    bool ReverseFutilityCuts(const Node& node) const;
    bool NullMoveCuts(const Node& node, int& score);
    bool ProbCuts(Node& node, int& score);
    bool Prunes(Node& node, Move move, bool quiet, MovePicker::Kind kind);
    int SingularExtension(Node& node, Move move, int& cutScore);
    int SearchMade(const Node& node, bool quiet, bool badCapture, int extension);
    bool RaisesToBeta(Node& node, Move move, int score);
    int Quiesce(int alpha, int beta, int ply);
    // One iteration at the root with aspiration windows around `previous`.
    int SearchRoot(int depth, int previous);
    // The lines after the first of the iteration at `depth`, whose first line (`first`,
    // scoring `firstScore`) has just completed, up to `lineCount` lines in all; the lines go
    // to iterationLines, best first. False when the stop flag ended them.
    bool SearchOtherLines(int depth, int firstScore, const Line& first, int lineCount);
    // The continuation rows of the moves one and two plies before `ply` (null where there is
    // none: before the root, or a null move).
    std::array<const ContinuationRow*, 2> Rows(int ply) const;
    // The counter move of the move that led to `ply`, if any.
    Move CounterMove(int ply) const;
    // Records `move` as the move made from `ply`, with its continuation row.
    void Follow(int ply, Move move);
    // A quiet move's histories at `ply`, summed: the butterfly's and, where they are used, the
    // continuation histories after the moves one and two plies before.
    int QuietHistory(Move move, int ply) const;
    // The capture history's entry of a capture or promotion.
    std::int16_t& CaptureHistory(Move move);
    bool IsDraw(int ply) const;
    void CountNode();
    // After `best` cut off at `node`: its histories grow, those of the moves of its kind searched
    // before it shrink, and a quiet one becomes a killer and a counter move.
    void UpdateHistories(const Node& node, Move best);
    // Fresh counts, a copy of `game` to search on (discarded by the caller), its keys.
    void BeginSearch(const Board& game);
    // Sets keys[] from the game's moves since its last capture or pawn move.
    void LoadGameKeys(const Board& game);
    // The helpers' part: iterate on `game` until the signals say stop.
    void Help(const Board& game);

    // The table of a searcher that owns its own; null for one given a table.
    std::unique_ptr<TranspositionTable> ownTable;
    TranspositionTable& table;
    // The static evaluation of `b`, the position at `ply`: the network's when one is set,
    // else the strong one, or the designed one while USE_STRONG_EVALUATION is off.
    int Evaluate(const Board& b, int ply);
    // The static evaluation corrected by what searches found of like positions
    // (USE_CORRECTION_HISTORY), within the scores that are no mate; the evaluation itself in
    // `raw`.
    int CorrectedEvaluate(const Board& b, int ply, int& raw);
    // Makes `move` at `ply` on the search's board, as Board::MakeMove, keeping the network's
    // values in step when one is set.
    bool MakeSearchMove(Move move, int ply);
    StrongEvaluator evaluator;
    Evaluator designEvaluator;
    std::unique_ptr<Board> board;
    std::uint64_t nodes = 0;
    std::uint64_t nullMoves = 0;
    std::uint64_t reSearches = 0;
    std::uint64_t singularExtensions = 0;
    std::uint64_t nodeLimit = 0;  // 0: none
    std::atomic<std::uint64_t> publishedNodes{0};
    std::atomic<float> lateSoftSeconds{0.0f};
    int selDepth = 0;
    int iterationSelDepth = 0;
    int rootDepth = 0;  // the depth of the iteration in progress
    // The nodes this thread spent on each root move (by from and to) in the iteration in
    // progress or last completed.
    std::uint64_t rootMoveNodes[64][64] = {};
    // The moves the root tries; with several lines, those of the iteration in progress or last
    // completed, and of the one before it.
    RootMoves rootMoves;
    IterationLines iterationLines;
    IterationLines previousLines;
    // The root move that last raised alpha in the current iteration, and its score.
    Move iterationMove;
    int iterationScore = 0;
    // False during depth 1 on the main thread, which completes whatever the stop flag says.
    bool honourStop = true;
    const Signals* helperSignals = nullptr;  // a helper's: its main searcher's signals
    int helperIndex = 0;                     // a helper's: 1 for the first
    std::unique_ptr<Signals> ownSignals;
    std::vector<std::unique_ptr<SelectiveHelper>> helpers;

    // Position keys of the game since its last capture or pawn move and of the current path,
    // for the repetition test: keys[gamePlies + ply] is the key at `ply`.
    std::vector<std::uint64_t> keys;
    int gamePlies = 0;

    // The plies of the current path that per-ply state is kept for.
    static constexpr std::size_t PATH_PLIES = MAX_DEPTH + 2;
    // Per ply of the current path.
    struct PlyState {
        int staticEval = 0;
        Move move;  // the move made from this ply
        // The continuation row of that move (null for a null move): its man and target square.
        ContinuationRow* continuation = nullptr;
        bool nullMade = false;     // whether this ply's move is a null move
        Move excluded;             // the move a singular test leaves out at this ply
        int doubleExtensions = 0;  // how many moves on the path to this ply were extended twice
    };
    std::vector<PlyState> plies = std::vector<PlyState>(PATH_PLIES);
    std::vector<std::array<Move, MAX_DEPTH + 1>> pv =
        std::vector<std::array<Move, MAX_DEPTH + 1>>(PATH_PLIES);
    std::vector<int> pvLength = std::vector<int>(PATH_PLIES);
    // Each ply's move list, kept aside while a singular test searches the ply again.
    std::vector<MoveList> singularLists = std::vector<MoveList>(PATH_PLIES);

    const Network* network = nullptr;
    // The network's values along the current path (on the heap: about 150 kilobytes).
    std::unique_ptr<AccumulatorStack> accumulators = std::make_unique<AccumulatorStack>();

    // What the search has learnt about moves (on the heap: over a megabyte).
    std::unique_ptr<Histories> histories = std::make_unique<Histories>();
};

}  // namespace vardo
