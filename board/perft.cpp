#include "board/perft.h"

namespace vardo {

std::uint64_t Perft(Board& board, int depth) {
    if (depth <= 0) return 1;
    board.GenerateMovesUnsorted();  // the count does not depend on the order
    const MoveList& moves = board.CurrentMoves();
    std::uint64_t leaves = 0;
    for (int i = 0; i < moves.size(); ++i) {
        if (!board.MakeMove(moves[i].move)) continue;
        leaves += depth > 1 ? Perft(board, depth - 1) : 1;
        board.TakeBack();
    }
    return leaves;
}

}  // namespace vardo
