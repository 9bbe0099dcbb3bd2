// Chess960 positions on the board: castling fields read in both notations and written in X-FEN,
// broken fields refused, castling records as the king taking its rook, and the position key
// kept and foreseen through castling.
#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "board/notation.h"
#include "board_test_util.h"

namespace vardo {
namespace {

constexpr Board::Variant CHESS960 = Board::Variant::CHESS960;

// X-FEN names the outermost rook on a side with K/Q and any other by its file; Shredder-FEN
// names every rook by its file. Both are read, X-FEN is written; standard chess's field is
// read and written as ever.
TEST(Chess960, CastlingFieldsInShredderAndXFenOutInXFen) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9",
         "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w KQkq - 2 1"},
        {"rk5r/8/8/8/8/8/8/RK5R b KQkq - 0 1", "rk5r/8/8/8/8/8/8/RK5R b KQkq - 0 1"},
        // The inner rook of two on the king's side keeps its file.
        {"3k4/8/8/8/8/8/8/R2KR2R w EA - 0 1", "3k4/8/8/8/8/8/8/R2KR2R w EQ - 0 1"},
        {"1r1kr2r/8/8/8/8/8/8/3K4 b eb - 0 1", "1r1kr2r/8/8/8/8/8/8/3K4 b eq - 0 1"},
        {"rkr5/8/8/8/8/8/8/RKR5 b - - 0 1", "rkr5/8/8/8/8/8/8/RKR5 b - - 0 1"},
    };
    for (const auto& c : cases) {
        Board board;
        ASSERT_TRUE(board.SetFromFen(c.in, CHESS960)) << c.in;
        EXPECT_EQ(board.Fen(), c.out);
        Board again;
        ASSERT_TRUE(again.SetFromFen(board.Fen(), CHESS960));
        EXPECT_EQ(again.Fen(), c.out);
        EXPECT_TRUE(again.castling == board.castling) << c.in;
    }
    const std::string standard = "r3k2r/8/8/8/8/8/8/R3K2R w Kq e3 7 1";
    Board board;
    ASSERT_TRUE(board.SetFromFen(standard));
    EXPECT_EQ(board.Fen(), "r3k2r/8/8/8/8/8/8/R3K2R w Kq - 7 1");  // no pawn passed e3
    EXPECT_FALSE(board.castling.IsChess960());
}

// A right with no rook for it, on the king's file, twice with different rooks, with the king
// off its back rank, or a letter that is no right: the FEN is refused and nothing changes.
TEST(Chess960, BrokenCastlingFieldsAreRefused) {
    Board board;
    ASSERT_TRUE(board.SetFromFen("r5kr/8/8/8/8/8/8/R5KR w HAha - 0 1", CHESS960));
    board.MakeMove(CastleMove(board.castling.For(WHITE, false)));
    const Board before(board);
    for (const char* fen :
         {"4k3/8/8/8/8/8/8/R3K3 w K - 0 1", "4k3/8/8/8/8/8/8/R3K3 w E - 0 1",
          "4k3/8/8/8/8/8/8/R3K1RR w GH - 0 1", "4k3/8/8/8/8/8/4K3/R6R w A - 0 1",
          "4k3/8/8/8/8/8/8/R3K2R w KZ - 0 1", "4k3/8/8/8/8/8/8/R3K2R w K- - 0 1"}) {
        EXPECT_FALSE(board.SetFromFen(fen, CHESS960)) << fen;
        EXPECT_TRUE(board == before) << fen;
    }
}

// Castling is written as the king taking its own rook, both ways, and read back as the same
// record; the men land on the g and f (c and d) files whatever their home files.
TEST(Chess960, CastlingIsTheKingTakingItsRook) {
    Board board;
    ASSERT_TRUE(board.SetFromFen("1r5k/8/8/8/8/8/8/1R1K2R1 w GB - 0 1", CHESS960));
    const Board before(board);
    int castlings = 0;
    for (const Move move : test::LegalMoves(board)) {
        if (!(move.bits & CASTLE)) continue;
        ++castlings;
        const std::string text = CoordinateText(move);
        EXPECT_TRUE(text == "d1g1" || text == "d1b1") << text;
        EXPECT_EQ(ParseMove(text, board).move, move);
        ASSERT_TRUE(board.MakeMove(move));
        const bool kingSide = text == "d1g1";
        EXPECT_EQ(board.piece[test::Sq(kingSide ? "g1" : "c1")], KING);
        EXPECT_EQ(board.piece[test::Sq(kingSide ? "f1" : "d1")], ROOK);
        EXPECT_EQ(board.castle, 0);
        board.TakeBack();
        EXPECT_TRUE(board == before);
    }
    EXPECT_EQ(castlings, 2);
    // The standard form names no move here.
    EXPECT_TRUE(ParseMove("d1c1", board).move.bits != CASTLE);
}

// The key MakeMove leaves after castling is the one KeyAfter foresees and the one worked out
// afresh from the position, also where king or rook does not move or lands on the other's
// home square.
TEST(Chess960, PositionKeyThroughCastling) {
    for (const char* fen :
         {"r5kr/8/8/8/8/8/8/R5KR w HAha - 0 1", "rkr5/pppppppp/8/8/8/8/PPPPPPPP/RKR5 b CAca - 0 1",
          "r1kr4/pppppppp/8/8/8/8/PPPPPPPP/R1KR4 w DAda - 0 1", "3k4/8/8/8/8/8/8/5RK1 w F - 0 1"}) {
        Board board;
        ASSERT_TRUE(board.SetFromFen(fen, CHESS960));
        board.GenerateMovesUnsorted();
        const MoveList moves = board.CurrentMoves();
        int castlings = 0;
        for (const MoveEntry& entry : moves) {
            const std::uint64_t foreseen = board.KeyAfter(entry.move);
            if (!board.MakeMove(entry.move)) continue;
            castlings += (entry.move.bits & CASTLE) ? 1 : 0;
            Board fresh(board);
            fresh.Refresh();
            EXPECT_EQ(board.PositionKey(), foreseen) << fen << " " << CoordinateText(entry.move);
            EXPECT_EQ(fresh.PositionKey(), foreseen) << fen;
            board.TakeBack();
        }
        EXPECT_GE(castlings, 1) << fen;
    }
}

}  // namespace
}  // namespace vardo
