#include "search/searcher.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "board/geometry.h"
#include "search/search_helper.h"
#include "search/stop_flag.h"
#include "support/log.h"

namespace vardo {

namespace {
// Highest success count; MoveOrder ranks a killer above any count.
constexpr int SUCCESS_COUNT_LIMIT = 60000;
// splitmix64's finaliser: every bit of the result depends on every bit of z.
constexpr std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// The window key after one more move that neither captures nor moves a pawn: its squares are
// all the repetition test reads of it.
constexpr std::uint64_t ExtendWindow(std::uint64_t window, Move move) {
    return Mix(window + 0x9E3779B97F4A7C15ULL + static_cast<unsigned>(move.from * 64 + move.to));
}

// Success counts grow with the square of the remaining depth, and are halved for the whole side
// when one would pass its limit.
void AddSuccess(std::uint16_t (&counts)[64][64], Move move, int depth) {
    const int reward = depth * depth;
    if (counts[move.from][move.to] + reward > SUCCESS_COUNT_LIMIT)
        for (auto& row : counts)
            for (std::uint16_t& count : row) count = static_cast<std::uint16_t>(count / 2);
    counts[move.from][move.to] = static_cast<std::uint16_t>(
        std::min(counts[move.from][move.to] + reward, SUCCESS_COUNT_LIMIT));
}

}  // namespace

Searcher::Searcher(std::size_t hashMegabytes, int threads)
    : orders(MAX_DEPTH + 1), killers(MAX_DEPTH + 1) {
    table.Resize(hashMegabytes);
    SetThreads(threads);
}

void Searcher::SetThreads(int threads) {
    if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    helpers.clear();
    if (threads > 1) {
        if (!ownBusy) ownBusy = std::make_unique<BusyTable>();
        busy = ownBusy.get();
        deferred.resize(MAX_DEPTH + 1);
    } else {
        busy = nullptr;
        ownBusy.reset();
        deferred.clear();
    }
    for (int k = 1; k < threads; ++k) helpers.push_back(std::make_unique<SearchHelper>(*this));
}

Searcher::~Searcher() = default;

int Searcher::MatePlies(int score, int depth) const {
    if (std::abs(score) <= MATE_SEEN) return 0;
    const int plies =
        std::abs(score) == MATE_SCORE ? depth - 1 : depth - (std::abs(score) - MATE_SCORE);
    return score > 0 ? plies : -plies;
}

void Searcher::ClearOrderingMemory() {
    std::memset(successes, 0, sizeof successes);
    std::memset(rootSuccesses, 0, sizeof rootSuccesses);
    table.Clear();
    for (auto& helper : helpers) helper->ClearOrderingMemory();
}

std::uint64_t Searcher::RootWindowKey(const Board& b) {
    const auto fifty = static_cast<std::size_t>(std::max(b.fifty, 0));
    std::uint64_t window = Mix(0x57494E444F57ULL + fifty);
    // A record shorter than the window: the repetition test never fires along it.
    if (b.undoStack.size() < fifty) return Mix(window ^ 0x53484F5254ULL);
    for (std::size_t i = b.undoStack.size() - fifty; i < b.undoStack.size(); ++i)
        window = ExtendWindow(window, b.undoStack[i].move);
    return window;
}

void Searcher::StartHelpers(const Board& game) {
    signals.stop = false;
    if (busy != nullptr) busy->Clear();
    for (auto& helper : helpers)
        if (!helper->Begin(game, rootMoves)) LogWarning("(Main) Search helper didn't start");
}

void Searcher::StopHelpers() {
    signals.stop = true;
    for (auto& helper : helpers) helper->Wait();
}

std::uint64_t Searcher::AllNodes() const {
    // Each thread's count is a 32-bit counter, and their sum wraps as they do.
    std::uint32_t all = nodes;
    for (const auto& helper : helpers) all += helper->Nodes();
    return all;
}

// Killers are the two latest quiet moves of a ply that raised alpha. The root's moves are
// counted twice: with every other success, and on their own for the root's order.
void Searcher::RewardQuietMove(Move move, int ply, int depth) {
    std::array<Move, 2>& pair = killers[ply];
    if (!(pair[0] == move)) {
        pair[1] = pair[0];
        pair[0] = move;
    }
    AddSuccess(successes[board->side], move, depth);
    if (ply == 0) AddSuccess(rootSuccesses[board->side], move, depth);
}

void Searcher::MeasureHistoryPeak() {
    historyPeak = 0;
    for (const auto& row : board->historyTable)
        for (const std::int32_t count : row) historyPeak = std::max(historyPeak, count);
}

void Searcher::CountNode() {
    ++nodes;
    deepestRecords = std::max(deepestRecords, board->undoStack.size());
    if (helperStop != nullptr) {
        publishedNodes.store(nodes, std::memory_order_relaxed);
        if (helperStop->load(std::memory_order_relaxed) ||
            helperDepth < mainDepthOf->load(std::memory_order_relaxed)) [[unlikely]]
            throw StopSignal{nodes};
    }
    if (honourStop && (stopFlag.load(std::memory_order_relaxed) ||
                       (nodeLimit != 0 && nodes >= nodeLimit))) [[unlikely]]
        throw StopSignal{nodes};
}

int Searcher::AlphaBetaAt(int alpha, int beta, int depth, int ply, Line& line,
                          const Evaluation* known) {
    Board& b = *board;

    // Step 1. Draw by the fifty-move rule or by repetition, below the root only.
    if (ply > 0 && (b.fifty >= FIFTY_MOVE_LIMIT || b.IsRepetition())) return DRAW_SCORE;

    // Step 2. At the horizon, resolve captures.
    if (depth == 0) return Quiesce(alpha, beta, known);

    // Step 3. Count the node; stop if asked.
    CountNode();

    // Step 4. The table, below the root only (the root keeps its own order): its move, and
    // where it is certain, the node's score.
    Node node{alpha, beta, depth, ply, line};
    if (ply == 0) windowKeys[0] = RootWindowKey(b);
    const bool pathFree = IsPathFree(b.fifty, depth);
    node.key = TableKey(b.PositionKey(), pathFree, ply);
    Move tableMove;
    int tableScore;
    if (ply > 0 && TableEndsNode(node, pathFree, tableMove, tableScore)) return tableScore;

    // Step 5. What breaks ties between moves of equal ordering score: the previous
    // iteration's move here, the killers, and the moves that caused most successes.
    if (linePlies == ply && ply < previousLine.size()) node.ties.lineMove = previousLine[ply].move;
    node.ties.killers[0] = killers[ply][0];
    node.ties.killers[1] = killers[ply][1];
    node.ties.successes = (ply == 0 ? rootSuccesses : successes)[b.side];
    node.mayDefer = busy != nullptr && depth - 1 >= BUSY_MIN_DEPTH && (ply > 0 || helperStop);

    // Step 6. The table's move first, when the generators list it, before the other moves
    // are generated: it cuts off often enough that they are then never needed. Its child's
    // bucket is fetched while the generators are asked.
    MoveEntry tableEntry;
    const std::uint64_t tableChild = tableMove.IsNull() ? 0 : ChildKey(node, tableMove);
    if (tableChild != 0) shared->Prefetch(tableChild);
    const bool tableFirst = !tableMove.IsNull() && b.FindGenerated(tableMove, tableEntry);
    if (tableFirst && TryMove(node, tableEntry, tableChild)) return beta;

    // Step 7. Generate, and search every other legal move in order.
    if (SearchGenerated(node, tableFirst ? &tableEntry : nullptr)) return beta;

    // Step 8. The moves left for another thread's search: by now its result is likely in the
    // table.
    if (SearchDeferred(node)) return beta;

    // Step 9. No legal move: checkmate (quicker mates score further from zero) or stalemate,
    // returned as they are and not stored, as they cost no more than a probe. Otherwise the
    // node's result goes to the table: the value is at most alpha when no move raised it, and
    // exactly alpha when one did (a move that reached beta stored a lower bound above). A
    // stopped search throws past every store, so only completed nodes are stored.
    if (!node.hasLegalMove) return b.InCheck(b.side) ? -MATE_SCORE - depth : DRAW_SCORE;
    // A root that leaves moves out scores those it tries, which is no value of the position.
    if (ply == 0 && rootMoves.Restricted()) return node.alpha;
    shared->Store(node.key, node.bestMove, node.alpha, depth,
                  node.bestMove.IsNull() ? Bound::UPPER : Bound::EXACT);
    return node.alpha;
}

// The table probe. The stored move is tried first. The stored score ends the node (true, with
// `score` the node's result) only where it is certain to be the score this search would
// return:
// - from an entry under the node's own key, which carries whatever the draw tests below the
//   node read (IsPathFree, TableKey);
// - at exactly this depth: a deeper search scores another tree;
// - in a null window: a node with a wider window lies on the line the search reports, which
//   is collected move by move down to the horizon, as without a table.
// A fail-hard search returns its window's bound when the value lies beyond it, so a lower
// bound at or above beta gives beta, an upper bound at or below alpha gives alpha, and an
// exact score, which in a null window lies on one side or the other, gives one of them.
bool Searcher::TableEndsNode(Node& node, bool pathFree, Move& tableMove, int& score) {
    TableEntry stored;
    if (shared->Probe(node.key, node.depth, stored)) {
        tableMove = stored.move;
        if (node.beta - node.alpha == 1 && stored.depth == node.depth) {
            const auto bound = static_cast<unsigned>(stored.bound);
            if ((bound & static_cast<unsigned>(Bound::LOWER)) && stored.score >= node.beta) {
                score = node.beta;
                return true;
            }
            if ((bound & static_cast<unsigned>(Bound::UPPER)) && stored.score <= node.alpha) {
                score = node.alpha;
                return true;
            }
        }
    } else if (!pathFree && shared->Probe(board->PositionKey(), node.depth, stored)) {
        // Another path's entry: its move is as good a first try here.
        tableMove = stored.move;
    }
    return false;
}

// The table key of the position a move leads to; sets the window key of the next ply. One ply
// above the horizon the child is resolved by quiescence, which keeps no entries: no key is
// needed (0).
std::uint64_t Searcher::ChildKey(const Node& node, Move move) {
    if (node.depth == 1) return 0;
    return ChildKeyAndWindow(node, move, windowKeys[node.ply + 1]);
}

// The child's table key, and in `window` its window key.
std::uint64_t Searcher::ChildKeyAndWindow(const Node& node, Move move,
                                          std::uint64_t& window) const {
    const bool resets = move.bits & (CAPTURE | PAWN_MOVE);
    window = resets ? 0 : ExtendWindow(windowKeys[node.ply], move);
    const std::uint64_t key = board->KeyAfter(move);
    return IsPathFree(resets ? 0 : board->fifty + 1, node.depth - 1) ? key : key ^ window;
}

// The deferral to other threads. Where threads share the search, a move (but the first) into
// a position another thread is searching waits until the node's other moves are done, when
// that thread's result is likely in the table: true when the move waits. The order changes,
// the score cannot. The main thread's root keeps its order. `child` is the move's ChildKey.
bool Searcher::Defer(Node& node, const MoveEntry& entry, std::uint64_t child) {
    if (!node.mayDefer || !node.hasLegalMove || node.deferredCount == DEFER_ROOM ||
        !busy->IsBusy(BusyKey(child, node.depth - 1)))
        return false;
    deferred[node.ply][node.deferredCount++] = entry;
    return true;
}

// The search of one move: the first legal one with the whole window, the others with a null
// window at alpha, which tells whether they raise it; one that does is searched again with the
// whole window for its score and line (principal variation search). The score is the one the
// whole window would give wherever that matters. False for an illegal move. `child` is the
// move's ChildKey, worked out just before: the window key it sets is the move's own.
bool Searcher::SearchMove(Node& node, const MoveEntry& entry, std::uint64_t child, int& score) {
    Board& b = *board;
    const int depth = node.depth, ply = node.ply;
    if (depth > 1) shared->Prefetch(child);
    if (!b.MakeMove(entry.move)) return false;
    BusyMark mark(busy != nullptr && depth - 1 >= BUSY_MIN_DEPTH ? busy : nullptr,
                  BusyKey(child, depth - 1));
    Line& childLine = node.childLine;
    childLine.clear();  // a child's line never carries moves from a sibling's search
    const bool followsLine = entry.move == node.ties.lineMove;
    if (followsLine) linePlies = ply + 1;
    // A child at the horizon takes the evaluation the frontier test worked out for the move.
    const Evaluation* known =
        depth == 1 && entry.move == node.scoredMove ? &node.afterScored : nullptr;
    if (!node.hasLegalMove || node.beta - node.alpha == 1) {
        score = -AlphaBetaAt(-node.beta, -node.alpha, depth - 1, ply + 1, childLine, known);
    } else {
        score = -AlphaBetaAt(-node.alpha - 1, -node.alpha, depth - 1, ply + 1, childLine, known);
        if (score > node.alpha) {
            childLine.clear();
            score = -AlphaBetaAt(-node.beta, -node.alpha, depth - 1, ply + 1, childLine, known);
        }
    }
    node.hasLegalMove = true;
    if (followsLine) linePlies = ply;
    b.TakeBack();
    return true;
}

// A move that raises alpha heads the line, and it is rewarded for ordering, more the deeper it
// stands. True when it reaches beta: the node is done, with a lower bound stored.
bool Searcher::RaisesToBeta(Node& node, const MoveEntry& entry, int score) {
    Board& b = *board;
    node.line.Assign(entry, node.childLine);
    std::int32_t& history = b.historyTable[entry.move.from][entry.move.to];
    history += static_cast<int>(b.plyMoves.size());
    historyPeak = std::max(historyPeak, history);
    if (!(entry.move.bits & (CAPTURE | PROMOTION)))
        RewardQuietMove(entry.move, node.ply, node.depth);
    if (score >= node.beta) {
        shared->Store(node.key, entry.move, node.beta, node.depth, Bound::LOWER);
        return true;
    }
    node.alpha = score;
    node.bestMove = entry.move;
    return false;
}

// The frontier test: whether a move one ply above the horizon (below the root) can be left
// unsearched because its score cannot raise alpha, whatever the window of its search. Its child
// is resolved by quiescence, which stands pat on Evaluate at once: where the evaluation after
// the move is at most alpha, the child's stand pat is at least the child's beta (-alpha for
// the whole window and the null window alike), and the fail-hard child returns that beta: the
// move scores alpha and raises nothing. Nothing below it would be stored (quiescence keeps no
// entries), and a move that does not raise alpha changes no line, history count or killer, so
// skipping it changes nothing but the node count.
// - A child drawn by rule scores 0 before quiescence: where alpha < 0 a move whose child may
//   be a draw (a capture or pawn move resets the count, and a repetition needs at least
//   MIN_REPETITION_PLIES reversible plies) is searched.
// - The evaluation after the move is Evaluator::AfterMove's, which is Evaluate's of the
//   position the move leads to (checked against it in a Debug build).
// - A skipped move still counts as the node's legal move when it is one, so that the node
//   neither returns a mate or stalemate score nor searches its later moves with other windows.
bool Searcher::IsFutile(Node& node, Move move) {
    Board& b = *board;
    if (node.depth != 1 || node.ply == 0) return false;
    if (node.alpha < DRAW_SCORE && !(move.bits & (CAPTURE | PAWN_MOVE)) &&
        b.fifty + 1 >= MIN_REPETITION_PLIES)
        return false;
    evaluator.AfterMove(b, NodeEvaluation(node), move, node.afterScored);
    node.scoredMove = move;
    if (-node.afterScored.score > node.alpha) return false;
    CheckAfterMove(move, node.afterScored);
    if (!node.hasLegalMove && b.IsLegal(move)) node.hasLegalMove = true;
    return true;
}

// The quiet moves of a frontier node, added to `moves` after its captures and promotions: none
// at all where Evaluator::QuietGainBound shows every one futile, once the node is known to have
// a legal move and where alpha < 0, no quiet move's child can be a draw by rule. (Each one
// added meets the frontier test when its turn comes, with alpha as it stands then: testing
// them all as they are added costs more than the ordering it saves.)
void Searcher::AddFrontierQuiets(Node& node) {
    Board& b = *board;
    const bool mayDraw = node.alpha < DRAW_SCORE && b.fifty + 1 >= MIN_REPETITION_PLIES;
    int bound;
    if (node.ply > 0 && !mayDraw && evaluator.QuietGainBound(b, NodeEvaluation(node), bound) &&
        NodeEvaluation(node).score + bound <= node.alpha) {
        if (node.hasLegalMove) return;
        if (HasLegalKingStep()) {
            node.hasLegalMove = true;
            return;
        }
    }
    b.AddQuietMoves();
}

// Whether the side to move's king can step to an empty square: a legal quiet move, found
// without generating the moves.
bool Searcher::HasLegalKingStep() {
    Board& b = *board;
    const int from = b.KingSquare(b.side);
    if (from == NO_SQUARE) return false;
    for (std::uint64_t targets = GEOMETRY.king[from] & ~(b.Occupancy(WHITE) | b.Occupancy(BLACK));
         targets != 0; targets &= targets - 1) {
        const int to = std::countr_zero(targets);
        if (b.IsLegal(Move{static_cast<std::int8_t>(from), static_cast<std::int8_t>(to), 0, 0}))
            return true;
    }
    return false;
}

void Searcher::CheckAfterMove([[maybe_unused]] Move move,
                              [[maybe_unused]] const Evaluation& after) {
#ifndef NDEBUG
    Board& b = *board;
    if (!b.MakeMove(move)) return;
    Evaluation evaluated;
    evaluator.Evaluate(b, evaluated);
    b.TakeBack();
    assert(evaluated == after);
#endif
}

// Generates the node's moves and searches every legal one but `tried` (the table's move,
// already searched, or null) in order; true at a cutoff. The list of this ply stays in place
// while deeper plies are searched. It is put in order one move at a time, as the moves are
// tried: best ordering score first, then by the tie-breaks. Below the root, where every order
// gives the same score, MoveOrder::PrepareOwn's order instead.
//
// While every history count is below the promotion score, every capture and promotion ranks
// above every quiet move, so the captures and promotions are ordered and tried first, and the
// quiet moves only when none of them cuts off. One node in two cuts off before. One ply above
// the horizon the quiet moves are not even generated until then, nor at all where a bound
// shows every one futile (AddFrontierQuiets), and those nodes order as the root does.
bool Searcher::SearchGenerated(Node& node, const MoveEntry* tried) {
    Board& b = *board;
    b.GenerateCapturesUnsorted();
    MoveList& moves = b.CurrentMoves();
    const bool capturesFirst = historyPeak < PROMOTION_SCORE;
    bool quietsToAdd = capturesFirst && node.depth == 1;
    const int captureEnd = moves.size();
    if (!quietsToAdd) b.AddQuietMoves();
    MoveOrder& order = orders[node.ply];
    const bool ownOrder = node.ply > 0 && !quietsToAdd;
    int rangeEnd = capturesFirst && !ownOrder ? captureEnd : moves.size();
    int rangeStart = 0;
    Move ahead;  // the move whose child key is worked out ahead of its turn, with its window key
    std::uint64_t aheadKey = 0, aheadWindow = 0;
    if (ownOrder)
        order.PrepareOwn(b, moves, node.ties, 0, rangeEnd);
    else
        order.Prepare(moves, node.ties, 0, rangeEnd);

    for (int i = 0;; ++i) {
        if (i == rangeEnd) {
            // The captures and promotions are done: on to the quiet moves.
            if (quietsToAdd) {
                AddFrontierQuiets(node);
                quietsToAdd = false;
            }
            if (i == moves.size()) return false;
            rangeEnd = moves.size();
            rangeStart = i;
            order.Prepare(moves, node.ties, i, rangeEnd);
        }
        order.PickNext(moves, i);
        const MoveEntry entry = moves[i];
        std::uint64_t child;
        if (node.depth > 1 && entry.move == ahead) {
            child = aheadKey;
            windowKeys[node.ply + 1] = aheadWindow;
        } else {
            child = ChildKey(node, entry.move);
        }
        // The next move's bucket is fetched while this one is searched, so that it is in the
        // cache when the child probes it: from the range's second pick on, the moves left stand
        // in the order they are tried. Only from nodes two plies or more above the horizon,
        // whose children probe the table.
        if (node.depth > 1 && i > rangeStart && i + 1 < rangeEnd) {
            ahead = moves[i + 1].move;
            aheadKey = ChildKeyAndWindow(node, ahead, aheadWindow);
            shared->Prefetch(aheadKey);
        }
        if (tried != nullptr && entry.move == tried->move) continue;
        if (node.ply == 0 && !rootMoves.Searches(entry.move)) continue;
        if (IsFutile(node, entry.move) || Defer(node, entry, child)) continue;
        if (TryMove(node, entry, child)) return true;
    }
}

// Searches the moves Defer left waiting, in the order they were left; true at a cutoff. Their
// child keys are worked out again: the window key of the next ply has been overwritten since.
bool Searcher::SearchDeferred(Node& node) {
    for (int i = 0; i < node.deferredCount; ++i) {
        const MoveEntry entry = deferred[node.ply][i];
        if (TryMove(node, entry, ChildKey(node, entry.move))) return true;
    }
    return false;
}

// `known`, when not null, is the position's Evaluation, worked out by the parent without making
// the move (Evaluator::AfterMove; checked against Evaluate in a Debug build).
int Searcher::Quiesce(int alpha, int beta, const Evaluation* known) {
    Board& b = *board;

    // Step 1. Count the node; stop if asked.
    CountNode();

    // Step 2. Stand pat on the static evaluation.
    Evaluation evaluation;
    if (known != nullptr) {
        evaluation = *known;
#ifndef NDEBUG
        Evaluation evaluated;
        evaluator.Evaluate(b, evaluated);
        assert(evaluated == evaluation);
#endif
    } else {
        evaluator.Evaluate(b, evaluation);
    }
    const int stand = evaluation.score;
    if (stand >= beta) return beta;
    if (stand > alpha) alpha = stand;

    // Step 3. Try captures and promotions, best ordering score first. One whose evaluation
    // after it is at most alpha is left out (delta pruning): its child would stand pat at or
    // above its beta (-alpha) and return it, so the move would score alpha and raise nothing.
    b.GenerateCapturesUnsorted();
    MoveList& moves = b.CurrentMoves();
    for (int i = 0; i < moves.size(); ++i) {
        moves.PickNext(i);
        Evaluation after;
        evaluator.AfterMove(b, evaluation, moves[i].move, after);
        if (-after.score <= alpha) {
            CheckAfterMove(moves[i].move, after);
            continue;
        }
        if (!b.MakeMove(moves[i].move)) continue;
        const int score = -Quiesce(-beta, -alpha, &after);
        b.TakeBack();
        if (score > alpha) {
            if (score >= beta) return beta;
            alpha = score;
        }
    }
    return alpha;
}

}  // namespace vardo
