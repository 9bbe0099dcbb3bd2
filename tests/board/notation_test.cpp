// Move text: parsing coordinate and algebraic notation, and formatting moves.
#include <gtest/gtest.h>

#include <random>

#include "board_test_util.h"

namespace vardo {
namespace {

using test::FromFen;
using test::Sq;

// For every legal move of varied positions: the formatted text and the coordinate text both
// parse back to the same move, and parsing leaves the board unchanged.
TEST(Notation, EveryLegalMoveRoundTrips) {
    for (const std::string& fen : test::VariedFens()) {
        const Board board = FromFen(fen);
        const Board before(board);
        for (const Move& move : test::LegalMoves(board)) {
            const std::string san = FormatMove(move, board);
            EXPECT_EQ(ParseMove(san, board).move, move) << fen << " " << san;
            const std::string coordinate = CoordinateText(move);
            EXPECT_EQ(ParseMove(coordinate, board).move, move) << fen << " " << coordinate;
        }
        EXPECT_TRUE(board == before);
    }
}

TEST(ParseMove, CoordinateAndAlgebraicForms) {
    Board board;
    const MoveEntry e4 = ParseMove("e2e4", board);
    EXPECT_EQ(e4.move, (Move{52, 36, 0, 24}));
    EXPECT_EQ(ParseMove("e4", board), e4);
    EXPECT_TRUE(ParseMove("E2E4", board).move.IsNull());
    EXPECT_TRUE(ParseMove(" e2e4", board).move.IsNull());
    EXPECT_EQ(ParseMove("Nf3+", board).move, (Move{62, 45, 0, 0}));
    EXPECT_EQ(ParseMove("Pe4", board).move.to, Sq("e4"));
    EXPECT_TRUE(ParseMove("0-0", board).move.IsNull());
    EXPECT_TRUE(ParseMove("O-O+", board).move.IsNull());
}

// A piece letter followed by no readable destination square names no move: words and typos
// are never played as that piece's first move.
TEST(ParseMove, PieceLetterWithoutADestinationIsNoMove) {
    Board board;
    for (const char* text : {"NEW", "Ne", "Nb", "Na", "N", "Nzz", "Nx", "Nbx", "Ngx1", "Nexus"})
        EXPECT_TRUE(ParseMove(text, board).move.IsNull()) << text;
    ASSERT_TRUE(board.MakeMove(ParseMove("e4", board).move));
    ASSERT_TRUE(board.MakeMove(ParseMove("e5", board).move));
    for (const char* text : {"Queen", "Kill", "Ke", "Q", "Bishop", "Rook"})
        EXPECT_TRUE(ParseMove(text, board).move.IsNull()) << text;
    // Texts naming a destination still read: marks, origin file or rank, captures.
    EXPECT_EQ(ParseMove("Qh5!", board).move, ParseMove("d1h5", board).move);
    EXPECT_EQ(ParseMove("Ke2+", board).move, ParseMove("e1e2", board).move);
    EXPECT_EQ(ParseMove("Nge2", board).move, ParseMove("g1e2", board).move);
    Board rooks = FromFen("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(ParseMove("R1a3", rooks).move, ParseMove("a1a3", rooks).move);
    Board capture = FromFen("4k3/8/8/3p4/8/2N5/8/4K3 w - - 0 1");
    EXPECT_EQ(ParseMove("Nxd5#", capture).move, ParseMove("c3d5", capture).move);
    EXPECT_EQ(ParseMove("Ncxd5", capture).move, ParseMove("c3d5", capture).move);
}

// A text names a move only when all of it is read, and only one legal move fits it: what a
// person typed is never played as another move.
TEST(ParseMove, TheWholeTextNamesOneMove) {
    Board start;
    // Text after the move; coordinate shape is not read again as SAN.
    for (const char* text : {"e4e5", "a3a4", "e3 e4", "e2e4x", "e2e4q", "Nf3 Nc3", "e4Q"})
        EXPECT_TRUE(ParseMove(text, start).move.IsNull()) << text;
    Board king = FromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(ParseMove("Kd2d3", king).move.IsNull());
    EXPECT_EQ(ParseMove("Kd2?!", king).move, ParseMove("e1d2", king).move);
    // Long algebraic with a piece letter: origin, then destination.
    EXPECT_EQ(ParseMove("Ng1-f3", start).move, ParseMove("g1f3", start).move);
    Board blocked = FromFen("4k3/8/8/8/8/5P2/4N3/4K1N1 w - - 0 1");
    EXPECT_TRUE(ParseMove("Ng1f3", blocked).move.IsNull());  // not Ne2-g1
    Board capture = FromFen("4k3/8/8/8/8/2p5/8/1N2K3 w - - 0 1");
    EXPECT_EQ(ParseMove("Nb1xc3+", capture).move, ParseMove("b1c3", capture).move);
    // Two knights that can both go to d7: the text must say which.
    Board knights = FromFen("1n2k3/8/5n2/8/8/8/8/4K3 b - - 0 1");
    EXPECT_TRUE(ParseMove("Nd7", knights).move.IsNull());
    EXPECT_EQ(ParseMove("Nbd7", knights).move.from, Sq("b8"));
    EXPECT_EQ(ParseMove("Nf6d7", knights).move.from, Sq("f6"));
}

TEST(ParseMove, CastlingWordsAreBuiltForTheSideToMove) {
    Board board;
    EXPECT_EQ(ParseMove("o-o", board).move, (Move{60, 62, 0, CASTLE}));
    EXPECT_EQ(ParseMove("O-O-O", board).move, (Move{60, 58, 0, CASTLE}));
    board.MakeMove(ParseMove("e4", board).move);
    EXPECT_EQ(ParseMove("O-O", board).move, (Move{4, 6, 0, CASTLE}));
    EXPECT_EQ(ParseMove("o-o-o", board).move, (Move{4, 2, 0, CASTLE}));

    Board ready = FromFen("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    EXPECT_EQ(ParseMove("Kg1", ready).move.bits, CASTLE);
    EXPECT_EQ(ParseMove("e1g1", ready).move.bits, CASTLE);
}

TEST(ParseMove, PromotionsNeedTheirLetter) {
    Board board = FromFen("4k3/4P3/8/8/8/8/8/R3K3 w - - 0 1");
    board.piece[Sq("e8")] = EMPTY;
    board.colour[Sq("e8")] = NO_COLOUR;
    board.piece[Sq("h8")] = KING;
    board.colour[Sq("h8")] = BLACK;
    board.Refresh();
    const Move queen{12, 4, QUEEN, 48};
    EXPECT_EQ(ParseMove("e7e8q", board).move, queen);
    EXPECT_EQ(ParseMove("e7e8Q", board).move, queen);
    EXPECT_EQ(ParseMove("e8=Q", board).move, queen);
    EXPECT_EQ(ParseMove("e8=N", board).move.promote, KNIGHT);
    EXPECT_TRUE(ParseMove("e7e8", board).move.IsNull());
    EXPECT_TRUE(ParseMove("e8", board).move.IsNull());
    EXPECT_TRUE(ParseMove("e7e8k", board).move.IsNull());

    Board rook = FromFen("7k/R7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(ParseMove("a7a8q", rook).move, (Move{8, 0, 0, 0}));
}

TEST(ParseMove, EnPassantAndPawnCaptures) {
    Board board = FromFen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_EQ(ParseMove("exd6", board).move.bits, 21);
    EXPECT_EQ(ParseMove("e5d6", board).move.bits, 21);
    EXPECT_TRUE(ParseMove("zxd6", board).move.IsNull());
}

// A pinned piece is no rival: with the c3 knight pinned against the e1 king, Ne2 is the g1
// knight's move whichever knight the generator lists first.
TEST(ParseMove, PinnedRivalDoesNotHideTheLegalMove) {
    Board board = FromFen("4k3/8/8/8/1b6/2N5/8/4K1N1 w - - 0 1");
    const MoveEntry entry = ParseMove("Ne2", board);
    EXPECT_EQ(entry.move.from, Sq("g1"));
    Board copy(board);
    EXPECT_TRUE(copy.MakeMove(entry.move));
    // Formatting still names the file, as the pinned knight is a rival on the list.
    EXPECT_EQ(FormatMove(entry.move, board), "Nge2");
    // When no fitting move is legal the first fit comes back, and MakeMove refuses it.
    Board pinned = FromFen("4k3/8/8/8/1b6/2N5/8/4K3 w - - 0 1");
    const MoveEntry refused = ParseMove("Nd5", pinned);
    EXPECT_EQ(refused.move.from, Sq("c3"));
    EXPECT_FALSE(pinned.MakeMove(refused.move));
}

TEST(FormatMove, DisambiguationChecksAndMates) {
    Board knights = FromFen("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1");
    EXPECT_EQ(FormatMove(ParseMove("b1d2", knights).move, knights), "Nbd2");
    Board rooks = FromFen("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(FormatMove(ParseMove("a1a3", rooks).move, rooks), "R1a3");
    Board queens = FromFen("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1");
    EXPECT_EQ(FormatMove(ParseMove("a1b2", queens).move, queens), "Qa1b2");
    // ...and the whole origin square reads back, with or without the capture mark.
    EXPECT_EQ(ParseMove("Qa1b2", queens).move, ParseMove("a1b2", queens).move);
    EXPECT_EQ(ParseMove("Qc1b2", queens).move, ParseMove("c1b2", queens).move);
    Board takes = FromFen("4k3/8/8/8/8/Q7/1r6/Q1Q1K3 w - - 0 1");
    EXPECT_EQ(ParseMove("Qa3xb2", takes).move, ParseMove("a3b2", takes).move);
    EXPECT_EQ(FormatMove(ParseMove("a3b2", takes).move, takes), "Q3xb2");
    // A knight named with its square and no rival still finds its move.
    EXPECT_EQ(ParseMove("Ng1f3", Board()).move, ParseMove("g1f3", Board()).move);

    Board mate;
    for (const char* m : {"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6"})
        mate.MakeMove(ParseMove(m, mate).move);
    EXPECT_EQ(FormatMove(ParseMove("h5f7", mate).move, mate), "Qxf7#");

    Board check = FromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(FormatMove(ParseMove("a1a8", check).move, check), "Ra8+");
    Board castleCheck = FromFen("5k2/8/8/8/8/8/8/4K2R w K - 0 1");
    EXPECT_EQ(FormatMove(ParseMove("o-o", castleCheck).move, castleCheck), "o-o");
    Board promote = FromFen("7k/4P3/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(FormatMove(ParseMove("e8=Q", promote).move, promote), "e8=Q+");
    Board capture = FromFen("1r5k/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(FormatMove(ParseMove("axb8=N", capture).move, capture), "axb8=N");

    // Rights granted by a FEN list castling for a rook standing on the king's square; that
    // entry is no rival of the rook's own move, which must still read back.
    Board rookOnKingSquare = FromFen("4r3/k7/8/8/8/8/8/7K b kq - 0 1");
    const Move rookMove = ParseMove("e8c8", rookOnKingSquare).move;
    EXPECT_EQ(FormatMove(rookMove, rookOnKingSquare), "Rc8");
    EXPECT_EQ(ParseMove("Rc8", rookOnKingSquare).move, rookMove);
}

// Move text of any length or content gives the all-zero entry or a generated move.
TEST(ParseMove, ArbitraryTextNeverBreaks) {
    std::mt19937 rng(99);
    const std::string alphabet = "abcdefghNBRQKOox=+#-12345678 \t\x01\xff";
    for (const std::string& fen : test::VariedFens()) {
        Board board = FromFen(fen);
        board.GenerateMoves();
        const MoveList moves = board.CurrentMoves();
        for (int i = 0; i < 2000; ++i) {
            std::string text;
            const int len = static_cast<int>(rng() % (i % 100 == 0 ? 5000 : 9));
            for (int k = 0; k < len; ++k) text += alphabet[rng() % alphabet.size()];
            const MoveEntry entry = ParseMove(text, board);
            if (entry.move.IsNull() || (entry.move.bits & CASTLE)) continue;
            bool found = false;
            for (const MoveEntry& e : moves) found |= e.move == entry.move;
            ASSERT_TRUE(found) << text;
        }
    }
    // A megabyte of text is answered like any other: no square, so no move; a move with a
    // megabyte of annotation after it still reads.
    EXPECT_TRUE(ParseMove(std::string(1 << 20, 'N'), Board()).move.IsNull());
    EXPECT_EQ(ParseMove("Nf3" + std::string(1 << 20, '!'), Board()).move,
              ParseMove("g1f3", Board()).move);
}

}  // namespace
}  // namespace vardo
