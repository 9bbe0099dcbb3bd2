// Fuzz target: move text of any content against varied positions. The parser gives the
// all-zero entry, a castling entry or a generated move, and never changes the board.
#include <cstddef>
#include <cstdint>
#include <string>

#include "board/board.h"
#include "board/notation.h"

using namespace vardo;

namespace {
const char* const POSITIONS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "4k3/8/8/8/1b6/2N5/8/4K1N1 w - - 0 1",
    "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1",
    "4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1",
};
constexpr std::size_t POSITION_COUNT = sizeof POSITIONS / sizeof POSITIONS[0];
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Board board;
    if (!board.SetFromFen(POSITIONS[data[0] % POSITION_COUNT])) __builtin_trap();
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const Board before(board);
    const MoveEntry entry = ParseMove(text, board);
    if (!(board == before)) __builtin_trap();
    if (!entry.move.IsNull() && !(entry.move.bits & CASTLE) && !board.IsListed(entry.move))
        __builtin_trap();
    Board play(before);
    if (play.MakeMove(entry.move)) {
        FormatMove(entry.move, before);
        play.TakeBack();
    }
    play.CurrentMoves() = before.plyMoves.back();
    if (!(play == before)) __builtin_trap();
    return 0;
}
