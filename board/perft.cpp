#include "board/perft.h"

namespace vardo {

std::uint64_t Perft(Board& board, int depth) {
    if (depth <= 0) return 1;
    board.GenerateMovesUnsorted();  // the count does not depend on the order
    const MoveList& moves = board.CurrentMoves();
    std::uint64_t leaves = 0;
    // One ply from the end the legal moves are only counted: IsLegal tells them without
    // making them, by the same test MakeMove makes first.
    if (depth == 1) {
        for (const MoveEntry& entry : moves) leaves += board.IsLegal(entry.move) ? 1 : 0;
        return leaves;
    }
    for (int i = 0; i < moves.size(); ++i) {
        if (!board.MakeMove(moves[i].move)) continue;
        leaves += Perft(board, depth - 1);
        board.TakeBack();
    }
    return leaves;
}

}  // namespace vardo
