#include "search/searcher.h"

#include "search/stop_flag.h"

namespace vardo {

void Searcher::CountNode() {
    ++nodes;
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

    // Step 4. Generate; the list of this ply stays in place while deeper plies are searched.
    // It is put in best-first order one move at a time, as the moves are tried.
    b.GenerateMovesUnsorted();
    MoveList& moves = b.CurrentMoves();

    // Step 5. Search every legal move, best ordering score first.
    Line childLine;
    bool hasLegalMove = false;
    for (int i = 0; i < moves.size(); ++i) {
        moves.PickNext(i);
        const MoveEntry entry = moves[i];
        if (!b.MakeMove(entry.move)) continue;
        hasLegalMove = true;
        childLine.clear();  // a child's line never carries moves from a sibling's search
        const int score = -AlphaBetaAt(-beta, -alpha, depth - 1, ply + 1, childLine);
        b.TakeBack();
        if (score <= alpha) continue;

        // The move raises alpha: it heads the line, and it is rewarded for ordering, more the
        // deeper it stands.
        line.Assign(entry, childLine);
        b.historyTable[entry.move.from][entry.move.to] += static_cast<int>(b.plyMoves.size());
        if (score >= beta) return beta;
        alpha = score;
    }

    // Step 6. No legal move: checkmate (quicker mates score further from zero) or stalemate.
    if (hasLegalMove) return alpha;
    return b.InCheck(b.side) ? -MATE_SCORE - depth : DRAW_SCORE;
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
