// Fuzz target: FEN set-up, then generation, make and take back of every move, game end and
// notation on whatever position the text yields; each text is read twice, by standard chess's
// rules and by Chess960's, whose castling field names the rooks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "board/board.h"
#include "board/notation.h"

using namespace vardo;

namespace {

void Exercise(const std::string& text, Board::Variant variant) {
    Board board;
    const Board initial(board);
    if (!board.SetFromFen(text, variant)) {
        if (!(board == initial)) __builtin_trap();  // a refused text changes nothing
        return;
    }
    // What is written is read back as the same position.
    Board again;
    if (!again.SetFromFen(board.Fen(), variant) || again.Fen() != board.Fen() ||
        !(again.castling == board.castling) || again.castle != board.castle)
        __builtin_trap();
    if (!board.IsConsistent()) __builtin_trap();
    board.GenerateMoves();
    const MoveList moves = board.CurrentMoves();
    const Board before(board);
    for (const MoveEntry& entry : moves) {
        if (board.MakeMove(entry.move)) {
            if (!board.IsConsistent()) __builtin_trap();
            board.GenerateCaptures();
            board.TakeBack();
            const std::string san = FormatMove(entry.move, before);
            if (!(ParseMove(san, before).move == entry.move)) __builtin_trap();
        }
        board.CurrentMoves() = before.plyMoves.back();
        if (!(board == before)) __builtin_trap();
    }
    int result;
    board.IsGameOver(result);
    board.IsRepetition();
    board.HashKey();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Exercise(text, Board::Variant::STANDARD);
    Exercise(text, Board::Variant::CHESS960);
    return 0;
}
