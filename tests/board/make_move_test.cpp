// MakeMove and TakeBack: castling, en passant, promotion, rights, the fifty counter,
// refusals that leave the board exactly as it was, and random round trips.
#include <gtest/gtest.h>

#include <random>

#include "board_test_util.h"

namespace vardo {
namespace {

using test::FromFen;
using test::Sq;

Move Find(const Board& board, const char* text) {
    const MoveEntry entry = ParseMove(text, board);
    EXPECT_FALSE(entry.move.IsNull()) << text;
    return entry.move;
}

TEST(MakeMove, DoubleStepSetsEnPassantAndTakeBackRestores) {
    Board board;
    const Board start(board);
    ASSERT_TRUE(board.MakeMove(Find(board, "e4")));
    EXPECT_EQ(board.enPassant, 44);
    EXPECT_EQ(board.fifty, 0);
    EXPECT_EQ(board.side, BLACK);
    EXPECT_EQ(board.undoStack.size(), 1u);
    EXPECT_EQ(board.plyMoves.size(), 2u);
    board.TakeBack();
    EXPECT_TRUE(board == start);
}

TEST(MakeMove, FiftyCounterRisesOnQuietMovesAndResetsOnPawnMovesAndCaptures) {
    Board board;
    board.MakeMove(Find(board, "Nf3"));
    EXPECT_EQ(board.fifty, 1);
    board.MakeMove(Find(board, "d5"));
    EXPECT_EQ(board.fifty, 0);
    board.MakeMove(Find(board, "Nd4"));
    board.MakeMove(Find(board, "Nf6"));
    EXPECT_EQ(board.fifty, 2);
    board.MakeMove(Find(board, "Nc6"));
    board.MakeMove(Find(board, "bxc6"));
    EXPECT_EQ(board.fifty, 0);

    // A piece taking a piece: no pawn moves, the counter still starts again.
    Board pieceCapture = FromFen("4k3/8/8/3n4/8/2N5/8/4K3 w - - 12 30");
    pieceCapture.MakeMove(Find(pieceCapture, "Nxd5"));
    EXPECT_EQ(pieceCapture.fifty, 0);

    Board castling = FromFen("4k3/8/8/8/8/8/8/4K2R w K - 7 20");
    castling.MakeMove(Find(castling, "o-o"));
    EXPECT_EQ(castling.fifty, 8);
}

TEST(MakeMove, CastlingMovesTheRookAndTakeBackPutsBoth) {
    Board board = FromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const Board before(board);
    ASSERT_TRUE(board.MakeMove(Find(board, "O-O")));
    EXPECT_EQ(board.piece[Sq("g1")], KING);
    EXPECT_EQ(board.piece[Sq("f1")], ROOK);
    EXPECT_EQ(board.piece[Sq("h1")], EMPTY);
    EXPECT_EQ(board.castle, 12);
    board.TakeBack();
    EXPECT_TRUE(board == before);

    board.side = BLACK;
    board.Refresh();
    ASSERT_TRUE(board.MakeMove(Find(board, "o-o-o")));
    EXPECT_EQ(board.piece[Sq("c8")], KING);
    EXPECT_EQ(board.piece[Sq("d8")], ROOK);
    EXPECT_EQ(board.castle, 3);
}

TEST(MakeMove, CastlingIsRefusedOutOfThroughOrAcrossTrouble) {
    struct Case {
        const char* fen;
        const char* move;
        bool allowed;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "o-o", true},
        {"4k3/8/8/8/8/8/5r2/4K2R w K - 0 1", "o-o", false},    // f1 attacked
        {"4k3/8/8/8/8/8/6r1/4K2R w K - 0 1", "o-o", false},    // g1 attacked
        {"4k3/8/8/8/8/8/4r3/4K2R w K - 0 1", "o-o", false},    // in check
        {"4k3/8/8/8/8/8/8/4KN1R w K - 0 1", "o-o", false},     // f1 occupied
        {"4k3/8/8/8/8/8/8/4K1NR w K - 0 1", "o-o", false},     // g1 occupied
        {"4k3/8/8/8/8/8/1r6/R3K3 w Q - 0 1", "o-o-o", true},   // only b1 attacked
        {"4k3/8/8/8/8/8/3r4/R3K3 w Q - 0 1", "o-o-o", false},  // d1 attacked
        {"4k3/8/8/8/8/8/8/RN2K3 w Q - 0 1", "o-o-o", false},   // b1 occupied
        {"4k3/8/8/8/8/8/8/4K3 w K - 0 1", "o-o", false},       // the right without a rook
        {"4k3/8/8/8/8/8/8/3K3R w K - 0 1", "o-o", false},      // the king off its square
        {"4k3/8/8/8/8/8/8/4K2B w K - 0 1", "o-o", false},      // a bishop on the rook's square
    };
    for (const Case& c : cases) {
        Board board = FromFen(c.fen);
        const Board before(board);
        const MoveEntry entry = ParseMove(c.move, board);
        EXPECT_EQ(board.MakeMove(entry.move), c.allowed) << c.fen;
        if (!c.allowed) {
            EXPECT_TRUE(board == before) << c.fen;
        }
    }
}

TEST(MakeMove, RightsFollowKingsAndRooks) {
    Board board = FromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    board.MakeMove(Find(board, "Rxa8"));
    EXPECT_EQ(board.castle, CASTLE_WK | CASTLE_BK);  // both a-side rights are gone
    board.MakeMove(Find(board, "Ke7"));
    EXPECT_EQ(board.castle, CASTLE_WK);
    board.MakeMove(Find(board, "Rh2"));
    EXPECT_EQ(board.castle, 0);
}

TEST(MakeMove, PromotionAndEnPassantAreUndoneExactly) {
    Board board = FromFen("1r2k3/P7/8/3pP3/8/8/8/4K3 w - d6 0 1");
    const Board before(board);
    ASSERT_TRUE(board.MakeMove(Find(board, "axb8=N")));
    EXPECT_EQ(board.piece[Sq("b8")], KNIGHT);
    EXPECT_EQ(board.colour[Sq("b8")], WHITE);
    board.TakeBack();
    EXPECT_TRUE(board == before);

    ASSERT_TRUE(board.MakeMove(Find(board, "exd6")));
    EXPECT_EQ(board.piece[Sq("d5")], EMPTY);
    EXPECT_EQ(board.piece[Sq("d6")], PAWN);
    board.TakeBack();
    EXPECT_TRUE(board == before);
}

TEST(MakeMove, IllegalMovesLeaveTheBoardExactlyAsItWas) {
    // The knight on d2 is pinned by the bishop on b4.
    Board white = FromFen("4k3/8/8/8/1b6/8/3N4/4K3 w - - 3 30");
    const Board before(white);
    EXPECT_FALSE(white.MakeMove(Find(white, "Nf3")));
    EXPECT_TRUE(white == before);
    EXPECT_FALSE(white.MakeMove(Move{}));
    EXPECT_FALSE(white.MakeMove(Move{36, 28, 0, 16}));  // empty square
    // Records no generator makes: the other side's bishop, and the knight onto its own king.
    EXPECT_FALSE(white.MakeMove(
        Move{static_cast<std::int8_t>(Sq("b4")), static_cast<std::int8_t>(Sq("c3")), 0, 0}));
    EXPECT_FALSE(white.MakeMove(
        Move{static_cast<std::int8_t>(Sq("d2")), static_cast<std::int8_t>(Sq("e1")), 0, CAPTURE}));
    EXPECT_TRUE(white == before);
    EXPECT_TRUE(white.IsConsistent());
}

// Random games: after every take back the board equals its snapshot field for field, and the
// redundant data agrees with the squares after every make.
TEST(MakeMove, RandomGamesRoundTripFieldForField) {
    std::mt19937 rng(2024);
    for (const std::string& fen : test::VariedFens()) {
        for (int game = 0; game < 20; ++game) {
            Board board = FromFen(fen);
            std::vector<Board> snapshots;
            for (int ply = 0; ply < 60; ++ply) {
                const auto legal = test::LegalMoves(board);
                if (legal.empty()) break;
                snapshots.push_back(board);
                ASSERT_TRUE(board.MakeMove(legal[rng() % legal.size()]));
                ASSERT_TRUE(board.IsConsistent());
            }
            while (!snapshots.empty()) {
                board.TakeBack();
                ASSERT_TRUE(board == snapshots.back()) << fen;
                ASSERT_TRUE(board.IsConsistent());
                snapshots.pop_back();
            }
        }
    }
}

TEST(TakeBack, PastAClearedPlyStateKeepsAListToGenerateInto) {
    Board board;
    board.MakeMove(Find(board, "e4"));
    board.ClearPlyState();
    board.TakeBack();
    EXPECT_EQ(board.plyMoves.size(), 1u);
    board.GenerateMoves();
    EXPECT_EQ(board.CurrentMoves().size(), 22);
    board.TakeBack();  // nothing left to take back
    EXPECT_TRUE(board.undoStack.empty());
}

}  // namespace
}  // namespace vardo
