#include "strong/selective_search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

#include "search/search_types.h"
#include "search/stop_flag.h"
#include "strong/selective_tuning.h"
#include "strong/soft_limit.h"
#include "strong/static_exchange.h"
#include "support/log.h"
#include "support/thread.h"

namespace vardo {

namespace {

constexpr int INFINITE_SCORE = SELECTIVE_MATE + 1;
constexpr int MAX_PLY = MAX_DEPTH;
// Records the deepest line can need: the full-width plies, then quiescence.
constexpr std::size_t RECORD_ROOM = 2 * MAX_DEPTH + 16;

// Late move reductions by depth and move number.
struct ReductionTable {
    std::uint8_t plies[MAX_DEPTH + 1][64];
    ReductionTable() {
        for (int d = 0; d <= MAX_DEPTH; ++d)
            for (int m = 0; m < 64; ++m) {
                const double r =
                    d == 0 || m == 0
                        ? 0.0
                        : LMR_BASE + std::log(double(d)) * std::log(double(m)) / LMR_DIVISOR;
                plies[d][m] = static_cast<std::uint8_t>(std::max(0.0, r));
            }
    }
    int At(int depth, int moveNumber) const {
        return plies[std::min(depth, MAX_DEPTH)][std::min(moveNumber, 63)];
    }
};
const ReductionTable REDUCTIONS;

bool IsQuiet(Move move) {
    return (move.bits & (CAPTURE | PROMOTION | EN_PASSANT)) == 0;
}

// A mate score is stored in the table as the distance from the node, not from the root.
int ToTable(int score, int ply) {
    if (score > MATE_SEEN) return score + ply;
    if (score < -MATE_SEEN) return score - ply;
    return score;
}
int FromTable(int score, int ply) {
    if (score > MATE_SEEN) return score - ply;
    if (score < -MATE_SEEN) return score + ply;
    return score;
}

bool HasPiecesBesidesPawns(const Board& board, int side) {
    return (board.Occupancy(side) & ~(board.Pieces(PAWN) | board.Pieces(KING))) != 0;
}

}  // namespace

int SelectiveMatePlies(int score) {
    if (score > MATE_SEEN) return SELECTIVE_MATE - score;
    if (score < -MATE_SEEN) return -(SELECTIVE_MATE + score);
    return 0;
}

struct SelectiveSearcher::Signals {
    std::atomic<bool> stop{false};
};

// A helper thread: searches the main searcher's position on its own board and history, and
// gives what it finds only through the shared table.
class SelectiveHelper : public Thread {
   public:
    SelectiveHelper(TranspositionTable& table, const SelectiveSearcher::Signals& signals, int index)
        : searcher(table, signals, index) {}
    ~SelectiveHelper() override { Wait(); }
    bool Begin(const Board& game) {
        root = &game;
        return Start();
    }
    SelectiveSearcher searcher;

   protected:
    void Run() override { searcher.Help(*root); }

   private:
    const Board* root = nullptr;
};

SelectiveSearcher::SelectiveSearcher(TranspositionTable& sharedTable, int threads)
    : table(sharedTable), ownSignals(std::make_unique<Signals>()) {
    SetThreads(threads);
}

SelectiveSearcher::SelectiveSearcher(std::size_t hashMegabytes, int threads)
    : ownTable(std::make_unique<TranspositionTable>()),
      table(*ownTable),
      ownSignals(std::make_unique<Signals>()) {
    table.Resize(hashMegabytes);
    SetThreads(threads);
}

void SelectiveSearcher::SetThreads(int threads) {
    if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    helpers.clear();
    for (int k = 1; k < threads; ++k) {
        helpers.push_back(std::make_unique<SelectiveHelper>(table, *ownSignals, k));
        helpers.back()->searcher.network = network;
    }
}

void SelectiveSearcher::SetNetwork(const Network* net) {
    network = net;
    for (auto& helper : helpers) helper->searcher.network = net;
}

SelectiveSearcher::SelectiveSearcher(TranspositionTable& sharedTable, const Signals& signals,
                                     int index)
    : table(sharedTable), helperSignals(&signals), helperIndex(index) {}

SelectiveSearcher::~SelectiveSearcher() = default;

void SelectiveSearcher::Clear() {
    histories->Clear();
    for (auto& helper : helpers) helper->searcher.Clear();
}

std::uint64_t SelectiveSearcher::AllNodes() const {
    std::uint64_t all = nodes;
    for (const auto& helper : helpers)
        all += helper->searcher.publishedNodes.load(std::memory_order_relaxed);
    return all;
}

void SelectiveSearcher::LoadGameKeys(const Board& game) {
    Board walk(game);
    const int back =
        std::min<int>(std::max(game.fifty, 0), static_cast<int>(game.undoStack.size()));
    keys.assign(back + MAX_PLY + 2, 0);
    for (int i = back; i >= 0; --i) {
        keys[i] = walk.PositionKey();
        if (i > 0) walk.TakeBack();
    }
    gamePlies = back;
}

// Draws below the root: the fifty-move rule, and a repetition. A position met before on the
// current path counts at once (the side that could avoid it will, or the draw is its choice);
// one met only in the game before the root must have occurred twice there, as the game's rule
// asks three times in all.
bool SelectiveSearcher::IsDraw(int ply) const {
    const Board& b = *board;
    if (b.fifty >= 100) return true;
    const int now = gamePlies + ply;
    const int first = std::max(0, now - b.fifty);
    int before = 0;
    for (int i = now - 4; i >= first; i -= 2) {
        if (keys[i] != keys[now]) continue;
        if (i >= gamePlies) return true;
        if (++before == 2) return true;
    }
    return false;
}

int SelectiveSearcher::Evaluate(const Board& b, int ply) {
    if (network != nullptr)
        return std::clamp(accumulators->Evaluate(b, ply), -MATE_SEEN + 1, MATE_SEEN - 1);
    if constexpr (USE_STRONG_EVALUATION != 0) return evaluator.Evaluate(b);
    return designEvaluator.Evaluate(b);
}

bool SelectiveSearcher::MakeSearchMove(Move move, int ply) {
    Board& b = *board;
    if (network == nullptr) return b.MakeMove(move);
    accumulators->Before(b, move, ply);
    if (!b.MakeMove(move)) return false;
    accumulators->After(b, ply);
    return true;
}

int SelectiveSearcher::CorrectedEvaluate(const Board& b, int ply, int& raw) {
    raw = Evaluate(b, ply);
    if constexpr (USE_CORRECTION_HISTORY == 0) return raw;
    return std::clamp(raw + histories->Correction(b), -MATE_SEEN + 1, MATE_SEEN - 1);
}

void SelectiveSearcher::CountNode() {
    ++nodes;
    if ((nodes & 1023) == 0) publishedNodes.store(nodes, std::memory_order_relaxed);
    if (helperSignals != nullptr) {
        if (helperSignals->stop.load(std::memory_order_relaxed) ||
            stopFlag.load(std::memory_order_relaxed)) [[unlikely]]
            throw StopSignal{static_cast<std::uint32_t>(nodes)};
    } else if (honourStop && (stopFlag.load(std::memory_order_relaxed) ||
                              (nodeLimit != 0 && nodes >= nodeLimit))) [[unlikely]] {
        throw StopSignal{static_cast<std::uint32_t>(nodes)};
    }
}

std::array<const ContinuationRow*, 2> SelectiveSearcher::Rows(int ply) const {
    return {ply >= 1 ? plies[ply - 1].continuation : nullptr,
            ply >= 2 ? plies[ply - 2].continuation : nullptr};
}

int SelectiveSearcher::QuietHistory(Move move, int ply) const {
    return MovePicker::QuietOrder(*board, *histories, Rows(ply), move);
}

std::int16_t& SelectiveSearcher::CaptureHistory(Move move) {
    return histories->CaptureEntry(*board, move);
}

Move SelectiveSearcher::CounterMove(int ply) const {
    if (ply == 0 || plies[ply - 1].nullMade) return Move();
    return histories->CounterSlot(*board, plies[ply - 1].move);
}

void SelectiveSearcher::Follow(int ply, Move move) {
    PlyState& state = plies[ply];
    state.move = move;
    state.continuation =
        &histories->continuation[ColouredMan(board->side, board->piece[move.from])][move.to];
}

// The move that cut off gains HISTORY_BONUS_SCALE times depth squared (the square at most
// HISTORY_BONUS_CAP), and the moves of its kind searched before it (quiet moves before a quiet
// one) lose as much; captures searched before any cutoff lose in the capture history. A quiet
// move that cuts off also becomes its ply's first killer and the counter move of the move
// before it.
void SelectiveSearcher::UpdateHistories(const Node& node, Move best) {
    const int side = board->side;
    const int ply = node.ply;
    const int bonus = HISTORY_BONUS_SCALE * std::min(node.depth * node.depth, HISTORY_BONUS_CAP);
    if constexpr (USE_CAPTURE_HISTORY != 0)
        for (int i = 0; i < node.captureCount; ++i) {
            const Move move = node.captures[i];
            AddHistoryBonus(CaptureHistory(move), move == best ? bonus : -bonus);
        }
    if (!IsQuiet(best)) return;
    for (int i = 0; i < node.quietCount; ++i) {
        const Move move = node.quiets[i];
        const int change = move == best ? bonus : -bonus;
        AddHistoryBonus(histories->butterfly[side][move.from][move.to], change);
        if constexpr (USE_CONTINUATION_HISTORY != 0) {
            const int man = ColouredMan(side, board->piece[move.from]);
            for (int back = 1; back <= 2 && back <= ply; ++back)
                if (ContinuationRow* row = plies[ply - back].continuation)
                    AddHistoryBonus((*row)[man][move.to], change);
        }
    }
    histories->AddKiller(ply, best);
    if (ply > 0 && !plies[ply - 1].nullMade)
        histories->CounterSlot(*board, plies[ply - 1].move) = best;
}

int SelectiveSearcher::Quiesce(int alpha, int beta, int ply) {
    Board& b = *board;
    CountNode();
    iterationSelDepth = std::max(iterationSelDepth, ply);
    const bool inCheck = b.InCheck(b.side);
    if (ply >= MAX_PLY) return inCheck ? 0 : Evaluate(b, ply);

    // Step 1. The table: a stored bound that settles the window ends the node.
    const std::uint64_t key = b.PositionKey();
    TableEntry stored;
    Move tableMove;
    if (table.Probe(key, 0, stored)) {
        tableMove = stored.move;
        const int score = FromTable(stored.score, ply);
        if ((stored.bound == Bound::EXACT) || (stored.bound == Bound::LOWER && score >= beta) ||
            (stored.bound == Bound::UPPER && score <= alpha))
            return score;
    }

    // Step 2. Stand pat, unless in check: then every evasion is searched and none means mate.
    int best = -INFINITE_SCORE;
    int stand = 0;
    if (!inCheck) {
        int raw;
        stand = CorrectedEvaluate(b, ply, raw);
        if (stand >= beta) return stand;
        if (stand > alpha) alpha = stand;
        best = stand;
    }

    // Step 3. Out of check, the captures and promotions that do not lose material in the
    // exchange (the picker leaves out those that do); in check, every evasion.
    MovePicker picker(b, *histories, tableMove, histories->killers[ply], CounterMove(ply),
                      Rows(ply), !inCheck);
    Move bestMove;
    const int alphaIn = alpha;
    int legal = 0;
    for (Move move = picker.Next(); !move.IsNull(); move = picker.Next()) {
        if (!inCheck) {
            // Step 4. Delta pruning: the victim and a margin cannot lift the score to alpha.
            const int victim = CapturedMan(b, move);
            const int gain = (victim == EMPTY ? 0 : EXCHANGE_VALUE[victim]) +
                             ((move.bits & PROMOTION) ? EXCHANGE_VALUE[move.promote] : 0);
            if (stand + gain + DELTA_MARGIN <= alpha && !(move.bits & PROMOTION)) continue;
        }
        // The child's bucket is fetched while the move is made.
        table.Prefetch(b.KeyAfter(move));
        Follow(ply, move);
        if (!MakeSearchMove(move, ply)) continue;
        ++legal;
        const int score = -Quiesce(-beta, -alpha, ply + 1);
        b.TakeBack();
        if (score > best) {
            best = score;
            if (score > alpha) {
                bestMove = move;
                alpha = score;
                if (score >= beta) break;
            }
        }
    }
    if (inCheck && legal == 0) return -(SELECTIVE_MATE - ply);
    const Bound bound = best >= beta ? Bound::LOWER : best > alphaIn ? Bound::EXACT : Bound::UPPER;
    table.Store(key, bestMove, ToTable(best, ply), 0, bound);
    return best;
}

// Step 1. Draws by rule, and mate distance: no line from here can end in a mate nearer than
// one already found. True when that settles the node, its score in `score`.
bool SelectiveSearcher::EndsByRule(Node& node, int& score) {
    if (IsDraw(node.ply)) {
        score = DRAW_SCORE;
        return true;
    }
    if (node.ply >= MAX_PLY) {
        score = Evaluate(*board, node.ply);
        return true;
    }
    node.alpha = std::max(node.alpha, -(SELECTIVE_MATE - node.ply));
    node.beta = std::min(node.beta, SELECTIVE_MATE - node.ply - 1);
    score = node.alpha;
    return node.alpha >= node.beta;
}

// Step 3. The table: its move, and below the root a stored score that settles the window at
// this depth or deeper ends the node (never at a principal node, whose line is wanted).
bool SelectiveSearcher::TableEndsNode(Node& node, int& score) {
    TableEntry stored;
    if (!table.Probe(node.key, node.depth, stored)) return false;
    node.tableHit = true;
    node.tableMove = stored.move;
    score = FromTable(stored.score, node.ply);
    node.tableScore = score;
    node.tableDepth = stored.depth;
    node.tableBound = stored.bound;
    return !node.pvNode && !node.root && node.excluded.IsNull() && stored.depth >= node.depth &&
           ((stored.bound == Bound::EXACT) ||
            (stored.bound == Bound::LOWER && score >= node.beta) ||
            (stored.bound == Bound::UPPER && score <= node.alpha));
}

// Step 4. The static evaluation, and whether it improves on the side's two plies ago.
void SelectiveSearcher::EvaluateNode(Node& node) {
    const int ply = node.ply;
    PlyState& state = plies[ply];
    histories->killers[ply + 2] = {};
    node.staticEval =
        node.inCheck ? -INFINITE_SCORE : CorrectedEvaluate(*board, node.ply, node.rawEval);
    state.staticEval = node.staticEval;
    node.improving = !node.inCheck && ply >= 2 && plies[ply - 2].staticEval != -INFINITE_SCORE &&
                     node.staticEval > plies[ply - 2].staticEval;
    // Zugzwang is common where the side to move has only its king and pawns: neither a null
    // move nor the pruning of its moves is trusted there.
    node.hasPieces = HasPiecesBesidesPawns(*board, board->side);
}

// Step 5 (reverse futility). So far above beta that no quiet reply at this shallow depth is
// likely to bring it back: the node fails high on its evaluation. Measured with steps 9 to 12,
// the other shallow-depth pruning, as one group: see step 9.
bool SelectiveSearcher::ReverseFutilityCuts(const Node& node) const {
    return node.depth <= REVERSE_FUTILITY_DEPTH && std::abs(node.beta) < MATE_SEEN &&
           node.staticEval - REVERSE_FUTILITY_MARGIN * (node.depth - (node.improving ? 1 : 0)) >=
               node.beta;
}

// Step 6 (null move). Passing the turn and still failing high with a reduced search shows a
// position so good that a real move would fail high too. Not in check, not twice in a row, and
// not where the side has only pawns (zugzwang is common there). Worth +20 +- 34 Elo: the
// engine without it, 300 games at 40 moves in 4 s (a GSPRT of 0 against 20 Elo undecided; more
// games to come).
bool SelectiveSearcher::NullMoveCuts(const Node& node, int& score) {
    const int ply = node.ply;
    if (node.depth < NULL_MOVE_MIN_DEPTH || node.staticEval < node.beta || ply == 0 ||
        plies[ply - 1].nullMade || !node.hasPieces)
        return false;
    const int reduction =
        NULL_MOVE_BASE + node.depth / NULL_MOVE_DEPTH_DIVISOR +
        std::min((node.staticEval - node.beta) / NULL_MOVE_EVAL_DIVISOR, NULL_MOVE_EVAL_CAP);
    PlyState& state = plies[ply];
    state.nullMade = true;
    state.move = Move();
    state.continuation = nullptr;
    plies[ply + 1].doubleExtensions = state.doubleExtensions;
    ++nullMoves;
    const Board::NullMoveRecord record = board->MakeNullMove();
    if (network != nullptr) accumulators->NullMove(ply);
    score =
        -Negamax(-node.beta, -node.beta + 1, node.depth - 1 - reduction, ply + 1, !node.cutNode);
    board->TakeBackNullMove(record);
    state.nullMade = false;
    if (score < node.beta) return false;
    if (score > MATE_SEEN) score = node.beta;
    return true;
}

// Step 7 (ProbCut). A capture that beats beta by a margin in a search shallower by
// PROBCUT_REDUCTION would very likely beat beta in the full one: the node fails high on it.
// Only captures whose exchange alone comes near the raised bound are tried, each first by
// quiescence, and not where the table already says the node falls short of that bound.
bool SelectiveSearcher::ProbCuts(Node& node, int& score) {
    if (USE_PROBCUT == 0 || node.depth < PROBCUT_MIN_DEPTH || std::abs(node.beta) >= MATE_SEEN)
        return false;
    const int probBeta = node.beta + PROBCUT_MARGIN;
    if (node.tableHit && node.tableDepth >= node.depth - PROBCUT_REDUCTION + 1 &&
        node.tableScore < probBeta && node.tableBound != Bound::LOWER)
        return false;
    Board& b = *board;
    const int ply = node.ply;
    MovePicker picker(b, *histories, node.tableMove, histories->killers[ply], Move(), Rows(ply),
                      true);
    for (Move move = picker.Next(); !move.IsNull(); move = picker.Next()) {
        if (!ExchangeAtLeast(b, move, probBeta - node.staticEval)) continue;
        Follow(ply, move);
        table.Prefetch(b.KeyAfter(move));
        if (!MakeSearchMove(move, ply)) continue;
        plies[ply + 1].doubleExtensions = plies[ply].doubleExtensions;
        score = -Quiesce(-probBeta, -probBeta + 1, ply + 1);
        if (score >= probBeta)
            score = -Negamax(-probBeta, -probBeta + 1, node.depth - PROBCUT_REDUCTION, ply + 1,
                             !node.cutNode);
        b.TakeBack();
        if (score >= probBeta) {
            table.Store(node.key, move, ToTable(score, ply), node.depth - PROBCUT_REDUCTION + 1,
                        Bound::LOWER);
            return true;
        }
    }
    return false;
}

// Steps 10 to 14: whether a move is skipped unsearched at a shallow depth.
bool SelectiveSearcher::Prunes(Node& node, Move move, bool quiet, MovePicker::Kind kind) {
    const int depth = node.depth;
    if (node.root || node.best <= -MATE_SEEN || !node.hasPieces) return false;
    if (!quiet) {
        // Step 14 (exchange pruning of captures). A capture that loses material (the picker
        // has found that a good one does not).
        return kind != MovePicker::Kind::GOOD_CAPTURE && depth <= EXCHANGE_PRUNE_DEPTH &&
               !ExchangeAtLeast(*board, move, -EXCHANGE_CAPTURE_MARGIN * depth);
    }
    // Step 10 (late move pruning). At shallow depth, once enough quiet moves have been tried the
    // rest, ordered last by history, rarely matter. Steps 5, 10, 11, 13 and 14 together are worth
    // +195 +- 65 Elo: the engine without all five, 115 games at 40 moves in 4 s (a GSPRT of 0
    // against 20 Elo accepted 20). Each alone has not been measured.
    if (depth <= LMP_DEPTH &&
        node.quietsTried >= (LMP_BASE + depth * depth) / (node.improving ? 1 : 2)) {
        node.skipQuiets = true;
        return true;
    }
    // Step 11 (futility). A quiet move cannot lift an evaluation this far below alpha at this
    // shallow depth.
    if (!node.inCheck && depth <= FUTILITY_DEPTH &&
        node.staticEval + FUTILITY_BASE + FUTILITY_PER_DEPTH * depth <= node.alpha) {
        node.skipQuiets = true;
        return true;
    }
    // Step 12 (history pruning). A quiet move, neither killer nor counter move, whose histories
    // say it has failed here and after these moves before.
    if (depth <= HISTORY_PRUNE_DEPTH && kind == MovePicker::Kind::QUIET &&
        node.moveHistory < -HISTORY_PRUNE_MARGIN * depth)
        return true;
    // Step 13 (exchange pruning of quiet moves). A man put where it is lost.
    return depth <= EXCHANGE_PRUNE_DEPTH &&
           !ExchangeAtLeast(*board, move, -EXCHANGE_QUIET_MARGIN * depth * depth);
}

// Step 15 (singular extension). The table move of a node whose stored score no other move
// comes near is the only move that holds the position, and is searched a ply deeper (two, off
// the principal line, when the others fall far short, at most DOUBLE_EXTENSION_LIMIT times on
// a line). The test: every other move, searched at half the depth with a null window a margin
// below the stored score, fails low. When they do not and even that lowered bound reaches beta,
// several moves beat beta (multi-cut): the node fails high at once, -1 returned and the score in
// `cutScore`. Otherwise the plies to extend the move by, 0 for none.
int SelectiveSearcher::SingularExtension(Node& node, Move move, int& cutScore) {
    if (USE_SINGULAR_EXTENSION == 0 || node.root || !(move == node.tableMove) ||
        !node.excluded.IsNull() || node.depth < SINGULAR_MIN_DEPTH ||
        node.tableDepth < node.depth - SINGULAR_TABLE_DEPTH || node.tableBound == Bound::UPPER ||
        std::abs(node.tableScore) >= MATE_SEEN || node.ply >= 2 * rootDepth)
        return 0;
    const int ply = node.ply;
    const int singularBeta = node.tableScore - SINGULAR_MARGIN * node.depth;
    // The test searches this position again at this ply, on this ply's move list: the list the
    // node is going through is kept aside meanwhile.
    MoveList& list = board->CurrentMoves();
    singularLists[ply] = list;
    plies[ply].excluded = move;
    const int score =
        Negamax(singularBeta - 1, singularBeta, (node.depth - 1) / 2, ply, node.cutNode);
    plies[ply].excluded = Move();
    list = singularLists[ply];
    pvLength[ply] = ply;  // the test's line is no line of this node
    if (score < singularBeta) {
        ++singularExtensions;
        if (!node.pvNode && score < singularBeta - DOUBLE_EXTENSION_MARGIN &&
            plies[ply].doubleExtensions < DOUBLE_EXTENSION_LIMIT)
            return 2;
        return 1;
    }
    if (USE_MULTI_CUT != 0 && singularBeta >= node.beta) {
        cutScore = singularBeta;
        return -1;
    }
    return 0;
}

// Step 16: the search of a move made, with a null window after the first and late moves
// reduced. At a principal node a move that lands inside the window is searched again with the
// full window.
int SelectiveSearcher::SearchMade(const Node& node, bool quiet, bool badCapture, int extension) {
    const int ply = node.ply;
    const int alpha = node.alpha;
    const int beta = node.beta;
    // A move that gives check may be searched a ply deeper (CHECK_EXTENSION).
    if (extension == 0 && CHECK_EXTENSION != 0 && board->InCheck(board->side)) extension = 1;
    const int newDepth = node.depth - 1 + extension;
    const int legal = node.legal;
    int score;
    pvLength[ply + 1] = ply + 1;
    if (node.depth >= LMR_MIN_DEPTH && legal > 1 + (node.pvNode ? 1 : 0) && (quiet || badCapture)) {
        // Late move reductions: a late quiet move is searched shallower with a null window;
        // if it beats alpha after all, it is searched again at full depth. Worth +94 +- 46
        // Elo: the engine without them, 166 games at 40 moves in 4 s (a GSPRT of 0 against
        // 20 Elo accepted 20).
        int reduction = REDUCTIONS.At(node.depth, legal);
        if (node.pvNode) --reduction;
        if (!node.improving) ++reduction;
        if (board->InCheck(board->side)) --reduction;  // the move gives check
        if (node.cutNode) ++reduction;
        if (quiet) reduction -= std::clamp(node.moveHistory / LMR_HISTORY_DIVISOR, -2, 2);
        reduction = std::clamp(reduction, 0, newDepth - 1);
        score = -Negamax(-alpha - 1, -alpha, newDepth - reduction, ply + 1, true);
        if (score > alpha && reduction > 0) {
            ++reSearches;
            score = -Negamax(-alpha - 1, -alpha, newDepth, ply + 1, !node.cutNode);
        }
    } else if (!node.pvNode || legal > 1) {
        score = -Negamax(-alpha - 1, -alpha, newDepth, ply + 1, !node.cutNode);
    } else {
        score = alpha + 1;  // the first move of a principal node: full window below
    }
    if (node.pvNode && (legal == 1 || (score > alpha && score < beta)))
        score = -Negamax(-beta, -alpha, newDepth, ply + 1, false);
    return score;
}

// A searched move's score against the node's best: a new best that raises alpha takes the
// line; true when it reaches beta (a quiet move that does is remembered for ordering).
bool SelectiveSearcher::RaisesToBeta(Node& node, Move move, int score) {
    if (score <= node.best) return false;
    node.best = score;
    if (score <= node.alpha) return false;
    const int ply = node.ply;
    node.bestMove = move;
    node.alpha = score;
    if (node.root) {
        iterationMove = move;
        iterationScore = score;
    }
    pv[ply][ply] = move;
    for (int j = ply + 1; j < pvLength[ply + 1]; ++j) pv[ply][j] = pv[ply + 1][j];
    pvLength[ply] = std::max(pvLength[ply + 1], ply + 1);
    if (score < node.beta) return false;
    UpdateHistories(node, move);
    return true;
}

int SelectiveSearcher::Negamax(int alpha, int beta, int depth, int ply, bool cutNode) {
    Board& b = *board;
    Node node;
    node.alpha = alpha;
    node.beta = beta;
    node.depth = depth;
    node.ply = ply;
    node.cutNode = cutNode;
    node.pvNode = beta - alpha > 1;
    node.root = ply == 0;
    pvLength[ply] = ply;
    keys[gamePlies + ply] = b.PositionKey();
    int score;

    // Step 1. Draws by rule, and mate distance.
    if (!node.root && EndsByRule(node, score)) return score;

    // Step 2. At the horizon, quiescence, which answers a check with every evasion. A side in
    // check is not searched a ply deeper: that extension measured -13 +- 31 Elo (the engine
    // without it, 328 games at 40 moves in 4 s, a GSPRT of 0 against 15 Elo leaning to 0),
    // so it stays out.
    node.inCheck = b.InCheck(b.side);
    if (depth <= 0) return Quiesce(node.alpha, node.beta, ply);
    CountNode();
    // The deepest ply reached: a line may end here, in a mate or the table, before quiescence.
    iterationSelDepth = std::max(iterationSelDepth, ply);

    // Step 3. The table.
    node.key = b.PositionKey();
    node.excluded = plies[ply].excluded;
    if (TableEndsNode(node, score)) return score;

    // Step 4. The static evaluation.
    EvaluateNode(node);

    if (!node.pvNode && !node.inCheck && !node.root && node.excluded.IsNull()) {
        // Step 5. Reverse futility.
        if (ReverseFutilityCuts(node)) return node.staticEval;
        // Step 6. Null move.
        if (NullMoveCuts(node, score)) return score;
        // Step 7. ProbCut.
        if (ProbCuts(node, score)) return score;
    }

    // Step 8 (internal iterative reduction). Without a table move a deep node's order is poor:
    // search it a ply shallower, and the next iteration finds it with a move.
    if (!node.tableHit && node.depth >= IIR_MIN_DEPTH && !node.root && node.excluded.IsNull())
        --node.depth;

    // Step 9. Every move, from the picker: the table move, good captures, killers and the
    // counter move, quiet moves by history, bad captures.
    MovePicker picker(b, *histories, node.tableMove, histories->killers[ply], CounterMove(ply),
                      Rows(ply), false);
    const int alphaIn = node.alpha;
    for (Move move = picker.Next(); !move.IsNull(); move = picker.Next()) {
        // Root moves: only those rootMoves lets the root try (go searchmoves, MultiPV).
        if (node.root && !rootMoves.Searches(move)) continue;
        if (move == node.excluded) continue;
        const bool quiet = IsQuiet(move);
        if (quiet && node.skipQuiets) continue;
        const MovePicker::Kind kind = picker.LastKind();
        node.moveHistory = quiet ? QuietHistory(move, ply) : 0;
        // Steps 10 to 14. Pruning at shallow depth.
        if (Prunes(node, move, quiet, kind)) {
            if (node.skipQuiets) picker.SkipQuiets();
            continue;
        }
        // Step 15. Singular extension, and multi-cut.
        int cutScore = 0;
        const int extension = SingularExtension(node, move, cutScore);
        if (extension < 0) return cutScore;
        plies[ply + 1].doubleExtensions = plies[ply].doubleExtensions + (extension >= 2 ? 1 : 0);
        Follow(ply, move);
        table.Prefetch(b.KeyAfter(move));
        if (!MakeSearchMove(move, ply)) continue;
        ++node.legal;
        if (quiet) {
            ++node.quietsTried;
            if (node.quietCount < Node::KEPT_QUIETS) node.quiets[node.quietCount++] = move;
        } else if (node.captureCount < Node::KEPT_CAPTURES) {
            node.captures[node.captureCount++] = move;
        }
        // Step 16. The search of the move; at the root, its nodes are counted for the clock.
        const std::uint64_t nodesBefore = nodes;
        score = SearchMade(node, quiet, kind == MovePicker::Kind::BAD_CAPTURE, extension);
        if (node.root) rootMoveNodes[move.from][move.to] += nodes - nodesBefore;
        b.TakeBack();
        if (RaisesToBeta(node, move, score)) break;
    }

    // Step 17. No legal move: checkmate or stalemate; in a singular test, no move but the one
    // left out, which fails low.
    if (node.legal == 0) {
        if (!node.excluded.IsNull()) return node.alpha;
        return node.inCheck ? -(SELECTIVE_MATE - ply) : DRAW_SCORE;
    }

    // Root moves: a root that leaves moves out scores only those, no value of the position;
    // nor does a singular test, which leaves one out.
    const int best = node.best;
    if ((node.root && rootMoves.Restricted()) || !node.excluded.IsNull()) return best;
    const Bound bound = best >= node.beta ? Bound::LOWER
                        : best > alphaIn  ? Bound::EXACT
                                          : Bound::UPPER;
    table.Store(node.key, node.bestMove, ToTable(best, ply), node.depth, bound);
    // Step 18. What the search found teaches the correction histories, where the result says
    // something of the evaluation: not in check, no capture or promotion best (the evaluation
    // does not see those), no mate, and a bound on the right side of the evaluation.
    if (USE_CORRECTION_HISTORY != 0 && !node.inCheck &&
        (node.bestMove.IsNull() || IsQuiet(node.bestMove)) && std::abs(best) < MATE_SEEN &&
        !(bound == Bound::LOWER && best <= node.staticEval) &&
        !(bound == Bound::UPPER && best >= node.staticEval))
        histories->LearnCorrection(b, node.depth, best, node.rawEval);
    return best;
}

// Aspiration windows (step 19): from ASPIRATION_MIN_DEPTH on, a narrow window around the last
// iteration's score; a score outside it widens that side and searches again.
int SelectiveSearcher::SearchRoot(int depth, int previous) {
    rootDepth = depth;
    int delta = ASPIRATION_WINDOW;
    int alpha = -INFINITE_SCORE;
    int beta = INFINITE_SCORE;
    if (depth >= ASPIRATION_MIN_DEPTH && std::abs(previous) < MATE_SEEN) {
        alpha = std::max(previous - delta, -INFINITE_SCORE);
        beta = std::min(previous + delta, INFINITE_SCORE);
    }
    for (;;) {
        const int score = Negamax(alpha, beta, depth, 0, false);
        if (score <= alpha && alpha > -INFINITE_SCORE) {
            beta = (alpha + beta) / 2;
            alpha = std::max(score - delta, -INFINITE_SCORE);
        } else if (score >= beta && beta < INFINITE_SCORE) {
            beta = std::min(score + delta, INFINITE_SCORE);
        } else {
            return score;
        }
        delta += delta / 2;
        if (delta > 1000) {
            alpha = -INFINITE_SCORE;
            beta = INFINITE_SCORE;
        }
    }
}

namespace {

// Discards a searcher's board copy when its search ends, however it ends.
struct BoardGuard {
    std::unique_ptr<Board>& board;
    ~BoardGuard() { board.reset(); }
};

}  // namespace

void SelectiveSearcher::BeginSearch(const Board& game) {
    nodes = 0;
    nullMoves = 0;
    reSearches = 0;
    singularExtensions = 0;
    publishedNodes = 0;
    selDepth = 0;
    board = std::make_unique<Board>(game);
    board->ReserveRecords(RECORD_ROOM);
    board->ClearPlyState();
    LoadGameKeys(game);
    for (PlyState& state : plies) state = PlyState();
    if (network != nullptr) accumulators->Begin(*network, *board);
}

BestMove SelectiveSearcher::Search(const Board& game, SearchListener* listener, int maxDepth,
                                   float softSeconds, std::uint64_t limit, const RootMoves& root,
                                   int lines) {
    nodeLimit = limit;
    rootMoves = root;
    // Several lines, where asked for: no more than the root has moves to lead them.
    const int lineCount = lines > 1 ? std::min(lines, rootMoves.CountLegal(game)) : 1;
    if (lineCount > 1) {
        iterationLines.Reserve(lineCount);
        previousLines.Reserve(lineCount);
    }
    const auto start = std::chrono::steady_clock::now();
    BeginSearch(game);
    BoardGuard guard{board};
    // Older successes count for less in a new search.
    histories->Age();
    table.NewSearch();

    ownSignals->stop = false;
    for (auto& helper : helpers) {
        helper->searcher.rootMoves = rootMoves;
        if (!helper->Begin(game)) LogWarning("(Main) Search helper didn't start");
    }
    struct HelperGuard {
        SelectiveSearcher& main;
        ~HelperGuard() {
            main.ownSignals->stop = true;
            for (auto& helper : main.helpers) helper->Wait();
        }
    } helperGuard{*this};

    BestMove best;
    int score = 0;
    const int lastDepth = std::clamp(maxDepth, 1, MAX_DEPTH);
    SoftLimit softLimit;
    honourStop = false;
    try {
        for (int depth = 1; depth <= lastDepth; ++depth) {
            iterationSelDepth = 0;
            iterationMove = Move();
            std::fill(&rootMoveNodes[0][0], &rootMoveNodes[0][0] + 64 * 64, 0);
            const std::uint64_t nodesBefore = nodes;
            score = SearchRoot(depth, score);
            honourStop = true;
            selDepth = iterationSelDepth;
            Line line;
            for (int j = 0; j < pvLength[0]; ++j) line.push_back({pv[0][j], 0});
            // Where several lines are asked for, the others, after the first; the best of them
            // leads. A stop meanwhile ends the search once the lines found are reported.
            const bool severalLines = lineCount > 1 && !line.empty();
            bool stopped = false;
            if (severalLines) {
                stopped = !SearchOtherLines(depth, score, line, lineCount);
                line = iterationLines.LineAt(0);
                score = iterationLines.ScoreAt(0);
            }
            const std::chrono::duration<float> seconds = std::chrono::steady_clock::now() - start;
            if (listener && severalLines)
                iterationLines.Report(*listener, static_cast<unsigned>(AllNodes()), seconds.count(),
                                      board->side);
            else if (listener)
                listener->OnIteration(depth, static_cast<unsigned>(AllNodes()), seconds.count(),
                                      board->side == BLACK ? -score : score, line);
            if (!line.empty()) {
                const Move first = line.front().move;
                softLimit.Iterated(first, rootMoveNodes[first.from][first.to], nodes - nodesBefore);
                best = {first, score, line.size() > 1 ? line[1].move : Move()};
            }
            if (stopped) break;
            // A mate found with time to look for a shorter one has been looked at enough. Lines
            // the search extends reach longer mates at shallower depths than shorter ones it
            // reduces: twice the mate's plies gives the shorter ones their turn.
            const int mate = SelectiveMatePlies(score);
            if (mate != 0 && depth >= 2 * std::abs(mate) + 2) break;
            // While the best move is contested or keeps changing, the search goes on longer
            // before it begins no new iteration: the stop flag still ends it at the full
            // allotment.
            const float soft = std::max(softSeconds, lateSoftSeconds.load());
            if (soft > 0 && seconds.count() >= soft * softLimit.Factor()) break;
        }
    } catch (StopSignal) {
        // The iteration in progress is abandoned, but a root move that has beaten every move
        // searched before it in this iteration is better, at this depth, than the last
        // completed iteration's choice.
        if (USE_PARTIAL_ITERATION && !iterationMove.IsNull())
            best = {iterationMove, iterationScore, Move()};
    }
    honourStop = true;
    return best;
}

// Every line after the first is the best of the root moves that lead no line yet: the root
// leaves out the first moves of the lines found, with aspiration windows around the score of
// the line of the same rank at the last iteration. A selective search may score a line above
// one found before it; the lines are then reported in the order of their scores.
bool SelectiveSearcher::SearchOtherLines(int depth, int firstScore, const Line& first,
                                         int lineCount) {
    std::swap(iterationLines, previousLines);
    iterationLines.Begin(depth);
    iterationLines.Add(firstScore, first);
    bool completed = true;
    try {
        rootMoves.Exclude(first.front().move);
        Line line;
        for (int rank = 1; rank < lineCount; ++rank) {
            const bool known = previousLines.Depth() == depth - 1 && rank < previousLines.Size();
            const int score = SearchRoot(depth, known ? previousLines.ScoreAt(rank) : firstScore);
            line.clear();
            for (int j = 0; j < pvLength[0]; ++j) line.push_back({pv[0][j], 0});
            if (line.empty()) break;
            iterationLines.Add(score, line);
            rootMoves.Exclude(line.front().move);
        }
    } catch (StopSignal) {
        completed = false;
    }
    rootMoves.ClearExcluded();
    return completed;
}

// Every other helper starts a ply deeper, so that the threads are not all on one depth and
// what one stores is what another is about to look up.
void SelectiveSearcher::Help(const Board& game) {
    BeginSearch(game);
    BoardGuard guard{board};
    int score = 0;
    try {
        for (int depth = 1 + helperIndex % 2; depth <= MAX_DEPTH; ++depth)
            score = SearchRoot(depth, score);
    } catch (StopSignal) {
        // The main thread's search has ended.
    }
    publishedNodes = nodes;
}

}  // namespace vardo
