#include "search/searcher.h"

#include <algorithm>
#include <cstring>
#include <thread>

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
    if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (threads > 1) {
        ownBusy = std::make_unique<BusyTable>();
        busy = ownBusy.get();
        deferred.resize(MAX_DEPTH + 1);
    }
    for (int k = 1; k < threads; ++k) helpers.push_back(std::make_unique<SearchHelper>(*this));
}

Searcher::~Searcher() = default;

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
        if (!helper->Begin(game)) LogWarning("(Main) Search helper didn't start");
}

void Searcher::StopHelpers() {
    signals.stop = true;
    for (auto& helper : helpers) helper->Wait();
}

std::uint32_t Searcher::AllNodes() const {
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
    if (helperStop != nullptr) {
        publishedNodes.store(nodes, std::memory_order_relaxed);
        if (helperStop->load(std::memory_order_relaxed) ||
            helperDepth < mainDepthOf->load(std::memory_order_relaxed)) [[unlikely]]
            throw StopSignal{nodes};
    }
    if (honourStop && stopFlag.load(std::memory_order_relaxed)) [[unlikely]]
        throw StopSignal{nodes};
}

int Searcher::AlphaBetaAt(int alpha, int beta, int depth, int ply, Line& line) {
    Board& b = *board;

    // Step 1. Draw by the fifty-move rule or by repetition, below the root only.
    if (ply > 0 && (b.fifty >= FIFTY_MOVE_LIMIT || b.IsRepetition())) return DRAW_SCORE;

    // Step 2. At the horizon, resolve captures.
    if (depth == 0) return Quiesce(alpha, beta);

    // Step 3. Count the node; stop if asked.
    CountNode();

    // Step 4. The table, below the root only (the root keeps its own order). Its move is
    // tried first. Its score ends the node only where it is certain to be the score this
    // search would return:
    // - from an entry under the node's own key, which carries whatever the draw tests below
    //   the node read (IsPathFree, TableKey);
    // - at exactly this depth: a deeper search scores another tree;
    // - in a null window: a node with a wider window lies on the line the search reports,
    //   which is collected move by move down to the horizon, as without a table.
    // A fail-hard search returns its window's bound when the value lies beyond it, so a lower
    // bound at or above beta gives beta, an upper bound at or below alpha gives alpha, and an
    // exact score, which in a null window lies on one side or the other, gives one of them.
    if (ply == 0) windowKeys[0] = RootWindowKey(b);
    const bool pathFree = IsPathFree(b.fifty, depth);
    const std::uint64_t key = TableKey(b.PositionKey(), pathFree, ply);
    Move tableMove;
    if (ply > 0) {
        TableEntry stored;
        if (shared->Probe(key, depth, stored)) {
            tableMove = stored.move;
            if (beta - alpha == 1 && stored.depth == depth) {
                const auto bound = static_cast<unsigned>(stored.bound);
                if ((bound & static_cast<unsigned>(Bound::LOWER)) && stored.score >= beta)
                    return beta;
                if ((bound & static_cast<unsigned>(Bound::UPPER)) && stored.score <= alpha)
                    return alpha;
            }
        } else if (!pathFree && shared->Probe(b.PositionKey(), depth, stored)) {
            // Another path's entry: its move is as good a first try here.
            tableMove = stored.move;
        }
    }

    // Step 5. What breaks ties between moves of equal ordering score: the previous
    // iteration's move here, the killers, and the moves that caused most successes.
    TieBreaks ties;
    if (linePlies == ply && ply < previousLine.size()) ties.lineMove = previousLine[ply].move;
    ties.killers[0] = killers[ply][0];
    ties.killers[1] = killers[ply][1];
    ties.successes = (ply == 0 ? rootSuccesses : successes)[b.side];

    // Searching a move: the first legal one with the whole window, the others with a null
    // window at alpha, which tells whether they raise it; one that does is searched again
    // with the whole window for its score and line (principal variation search). Each returns
    // the score the whole window would give wherever that matters. False for an illegal move.
    Line childLine;
    bool hasLegalMove = false;
    // The table key of the position a move leads to; sets the window key of the next ply. One
    // ply above the horizon the child is resolved by quiescence, which keeps no entries: no key
    // is needed (0).
    auto childKey = [&](Move move) -> std::uint64_t {
        if (depth == 1) return 0;
        const bool resets = move.bits & (CAPTURE | PAWN_MOVE);
        windowKeys[ply + 1] = resets ? 0 : ExtendWindow(windowKeys[ply], move);
        return TableKey(b.KeyAfter(move), IsPathFree(resets ? 0 : b.fifty + 1, depth - 1), ply + 1);
    };
    // Whether another thread is searching the position a move leads to: the move can wait.
    const bool mayDefer = busy != nullptr && depth - 1 >= BUSY_MIN_DEPTH && (ply > 0 || helperStop);
    auto othersSearch = [&](std::uint64_t child) {
        return mayDefer && hasLegalMove && busy->IsBusy(BusyKey(child, depth - 1));
    };
    // `child` is childKey of the move, worked out just before: the window key it sets is the
    // move's own.
    auto searchMove = [&](const MoveEntry& entry, std::uint64_t child, int& score) {
        if (depth > 1) shared->Prefetch(child);
        if (!b.MakeMove(entry.move)) return false;
        BusyMark mark(busy != nullptr && depth - 1 >= BUSY_MIN_DEPTH ? busy : nullptr,
                      BusyKey(child, depth - 1));
        childLine.clear();  // a child's line never carries moves from a sibling's search
        const bool followsLine = entry.move == ties.lineMove;
        if (followsLine) linePlies = ply + 1;
        if (!hasLegalMove || beta - alpha == 1) {
            score = -AlphaBetaAt(-beta, -alpha, depth - 1, ply + 1, childLine);
        } else {
            score = -AlphaBetaAt(-alpha - 1, -alpha, depth - 1, ply + 1, childLine);
            if (score > alpha) {
                childLine.clear();
                score = -AlphaBetaAt(-beta, -alpha, depth - 1, ply + 1, childLine);
            }
        }
        hasLegalMove = true;
        if (followsLine) linePlies = ply;
        b.TakeBack();
        return true;
    };
    // A move that raises alpha heads the line, and it is rewarded for ordering, more the
    // deeper it stands. True when it reaches beta: the node is done.
    Move bestMove;
    auto raisesToBeta = [&](const MoveEntry& entry, int score) {
        line.Assign(entry, childLine);
        std::int32_t& history = b.historyTable[entry.move.from][entry.move.to];
        history += static_cast<int>(b.plyMoves.size());
        historyPeak = std::max(historyPeak, history);
        if (!(entry.move.bits & (CAPTURE | PROMOTION))) RewardQuietMove(entry.move, ply, depth);
        if (score >= beta) {
            shared->Store(key, entry.move, beta, depth, Bound::LOWER);
            return true;
        }
        alpha = score;
        bestMove = entry.move;
        return false;
    };

    // Step 6. The table's move first, when the generators list it, before the other moves
    // are generated: it cuts off often enough that they are then never needed.
    MoveEntry tableEntry;
    const bool tableFirst = !tableMove.IsNull() && b.FindGenerated(tableMove, tableEntry);
    if (tableFirst) {
        int score;
        if (searchMove(tableEntry, childKey(tableEntry.move), score) && score > alpha &&
            raisesToBeta(tableEntry, score))
            return beta;
    }

    // Step 7. Generate; the list of this ply stays in place while deeper plies are searched.
    // It is put in order one move at a time, as the moves are tried: best ordering score
    // first, then by the tie-breaks. Below the root, where every order gives the same score,
    // MoveOrder::PrepareOwn's order instead.
    //
    // While every history count is below the promotion score, every capture and promotion
    // ranks above every quiet move, so the captures and promotions are ordered and tried
    // first, and the quiet moves only when none of them cuts off. One node in two cuts off
    // before. One ply above the horizon the quiet moves are not even generated until then,
    // and those nodes order as the root does.
    b.GenerateCapturesUnsorted();
    MoveList& moves = b.CurrentMoves();
    const bool capturesFirst = historyPeak < PROMOTION_SCORE;
    bool quietsToAdd = capturesFirst && depth == 1;
    const int captureEnd = moves.size();
    if (!quietsToAdd) b.AddQuietMoves();
    MoveOrder& order = orders[ply];
    const bool ownOrder = ply > 0 && !quietsToAdd;
    int rangeEnd = capturesFirst && !ownOrder ? captureEnd : moves.size();
    if (ownOrder)
        order.PrepareOwn(b, moves, ties, 0, rangeEnd);
    else
        order.Prepare(moves, ties, 0, rangeEnd);

    // Step 8. Search every other legal move in that order. Where threads share the search, a
    // move (but the first) into a position another thread is searching waits until the others
    // are done, when that thread's result is likely in the table; the order changes, the
    // score cannot. The main thread's root keeps its order.
    int deferredCount = 0;
    for (int i = 0;; ++i) {
        if (i == rangeEnd) {
            // The captures and promotions are done: on to the quiet moves.
            if (quietsToAdd) {
                b.AddQuietMoves();
                quietsToAdd = false;
            }
            if (i == moves.size()) break;
            rangeEnd = moves.size();
            order.Prepare(moves, ties, i, rangeEnd);
        }
        order.PickNext(moves, i);
        const MoveEntry entry = moves[i];
        if (tableFirst && entry.move == tableEntry.move) continue;
        const std::uint64_t child = childKey(entry.move);
        if (deferredCount < DEFER_ROOM && othersSearch(child)) {
            deferred[ply][deferredCount++] = entry;
            continue;
        }
        int score;
        if (searchMove(entry, child, score) && score > alpha && raisesToBeta(entry, score))
            return beta;
    }
    // The moves left for another thread's search: by now its result is likely in the table.
    for (int i = 0; i < deferredCount; ++i) {
        const MoveEntry entry = deferred[ply][i];
        int score;
        if (searchMove(entry, childKey(entry.move), score) && score > alpha &&
            raisesToBeta(entry, score))
            return beta;
    }

    // Step 9. No legal move: checkmate (quicker mates score further from zero) or stalemate,
    // returned as they are and not stored, as they cost no more than a probe. Otherwise the
    // node's result goes to the table: the value is at most alpha when no move raised it, and
    // exactly alpha when one did (a move that reached beta stored a lower bound above). A
    // stopped search throws past every store, so only completed nodes are stored.
    if (!hasLegalMove) return b.InCheck(b.side) ? -MATE_SCORE - depth : DRAW_SCORE;
    shared->Store(key, bestMove, alpha, depth, bestMove.IsNull() ? Bound::UPPER : Bound::EXACT);
    return alpha;
}

int Searcher::Quiesce(int alpha, int beta) {
    Board& b = *board;

    // Step 1. Count the node; stop if asked.
    CountNode();

    // Step 2. Stand pat on the static evaluation.
    const int stand = evaluator.Evaluate(b);
    if (stand >= beta) return beta;
    if (stand > alpha) alpha = stand;

    // Step 3. Try captures and promotions, best ordering score first.
    b.GenerateCapturesUnsorted();
    MoveList& moves = b.CurrentMoves();
    for (int i = 0; i < moves.size(); ++i) {
        moves.PickNext(i);
        if (!b.MakeMove(moves[i].move)) continue;
        const int score = -Quiesce(-beta, -alpha);
        b.TakeBack();
        if (score > alpha) {
            if (score >= beta) return beta;
            alpha = score;
        }
    }
    return alpha;
}

}  // namespace vardo
