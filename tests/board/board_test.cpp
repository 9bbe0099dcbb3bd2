// The Board as a value: reset, reading FEN text, the position key and copies.
#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <random>
#include <string>

#include "board/tables.h"
#include "board_test_util.h"

namespace vardo {
namespace {

using test::FromFen;
using test::Sq;
using test::WalkRandomGames;

TEST(BoardState, ResetGivesTheInitialPositionWithEmptyHistory) {
    Board board;
    board.MakeMove(ParseMove("e4", board).move);
    board.historyTable[1][2] = 7;
    board.Reset();
    EXPECT_EQ(board.side, WHITE);
    EXPECT_EQ(board.castle, 15);
    EXPECT_EQ(board.enPassant, NO_SQUARE);
    EXPECT_EQ(board.fifty, 0);
    EXPECT_TRUE(board.undoStack.empty());
    ASSERT_EQ(board.plyMoves.size(), 1u);
    EXPECT_TRUE(board.CurrentMoves().empty());
    EXPECT_EQ(board.historyTable[1][2], 0);
    EXPECT_EQ(board.piece[4], KING);
    EXPECT_EQ(board.colour[4], BLACK);
    EXPECT_EQ(board.piece[60], KING);
    EXPECT_EQ(board.colour[60], WHITE);
    EXPECT_TRUE(board == Board());
}

TEST(Fen, ReadsEveryField) {
    Board board = FromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(board.side, BLACK);
    EXPECT_EQ(board.castle, 15);
    EXPECT_EQ(board.enPassant, 44);
    EXPECT_EQ(board.fifty, 0);
    EXPECT_EQ(board.piece[36], PAWN);
    EXPECT_EQ(board.colour[36], WHITE);
    EXPECT_EQ(board.piece[52], EMPTY);
    EXPECT_EQ(board.colour[52], NO_COLOUR);

    EXPECT_TRUE(board.SetFromFen("4k3/8/8/8/8/8/8/4K3 w - - 12 40"));
    EXPECT_EQ(board.fifty, 12);
    EXPECT_EQ(board.castle, 0);
    EXPECT_EQ(board.enPassant, NO_SQUARE);
    EXPECT_TRUE(board.IsConsistent());
}

TEST(Fen, LeavesHistoryListsAndRecordsAlone) {
    Board board;
    board.MakeMove(ParseMove("e4", board).move);
    board.MakeMove(ParseMove("e5", board).move);
    const auto records = board.undoStack;
    const std::size_t lists = board.plyMoves.size();
    EXPECT_TRUE(board.SetFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(board.undoStack, records);
    EXPECT_EQ(board.plyMoves.size(), lists);
}

TEST(Fen, EnPassantSquareCountsOnlyWhereACaptureCanFollowADoubleStep) {
    EXPECT_EQ(FromFen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1").enPassant, Sq("d6"));
    EXPECT_EQ(FromFen("4k3/8/8/8/8/8/8/4K3 w - d6 0 1").enPassant, NO_SQUARE);     // no pawn
    EXPECT_EQ(FromFen("4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 1").enPassant, NO_SQUARE);  // wrong rank
    EXPECT_EQ(FromFen("4k3/8/8/3pP3/8/8/8/4K3 w - z9 0 1").enPassant, NO_SQUARE);
    // The square passed over and the pawn's starting square must be empty. An occupied square
    // would list a capture and an en-passant capture with the same squares, and notation could
    // not tell them apart.
    EXPECT_EQ(FromFen("4k3/8/3n4/3pP3/8/8/8/4K3 w - d6 0 1").enPassant, NO_SQUARE);
    EXPECT_EQ(FromFen("4k3/3n4/8/3pP3/8/8/8/4K3 w - d6 0 1").enPassant, NO_SQUARE);
    EXPECT_EQ(FromFen("4k3/8/8/8/1pP5/2N5/8/4K3 b - c3 0 1").enPassant, NO_SQUARE);
    EXPECT_EQ(FromFen("4k3/8/8/8/1pP5/8/8/4K3 b - c3 0 1").enPassant, Sq("c3"));
}

TEST(Fen, MalformedTextIsRefusedAndLeavesTheBoardUnchanged) {
    const char* bad[] = {
        "",
        " ",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",             // seven ranks
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",  // nine ranks
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // digit above 8
        "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",   // nine on a rank
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",     // seven on a rank
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1",    // unknown letter
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNR w kq - 0 1",      // no white king
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w kq - 0 1",      // two white kings
        "4k3/8/8/8/8/8/QQQQQQQQ/QQQQQQQK w - - 0 1",                   // seventeen men
        "4k3/4Q3/8/8/8/8/8/4K3 w - - 0 1",                             // side not to move in check
        "rnbqkbnr/pppppppp/0/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    };
    Board board = FromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 9");
    const Board before(board);
    for (const char* fen : bad) {
        EXPECT_FALSE(board.SetFromFen(fen)) << fen;
        EXPECT_TRUE(board == before) << fen;
    }
}

// Random, truncated and mutated texts: never a crash or a read off the board (run under the
// sanitizers), and every accepted position is consistent and can be generated and played.
TEST(Fen, FuzzedTextNeverBreaksTheBoard) {
    std::mt19937 rng(12345);
    const std::string alphabet = "pnbrqkPNBRQKxX0123456789/ -wbKQkqacdefgh\t\n;=";
    const auto& fens = test::VariedFens();
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        if (i % 3 == 0) {
            const int len = static_cast<int>(rng() % 90);
            for (int k = 0; k < len; ++k) text += alphabet[rng() % alphabet.size()];
        } else {
            text = fens[rng() % fens.size()];
            const int edits = 1 + static_cast<int>(rng() % 3);
            for (int k = 0; k < edits && !text.empty(); ++k) {
                const std::size_t at = rng() % text.size();
                switch (rng() % 3) {
                    case 0:
                        text[at] = alphabet[rng() % alphabet.size()];
                        break;
                    case 1:
                        text.erase(at, 1);
                        break;
                    default:
                        text.resize(at);
                        break;
                }
            }
        }
        Board board;
        const Board before(board);
        if (!board.SetFromFen(text)) {
            ASSERT_TRUE(board == before) << text;
            continue;
        }
        ++accepted;
        ASSERT_TRUE(board.IsConsistent()) << text;
        board.GenerateMoves();
        const MoveList moves = board.CurrentMoves();
        for (const MoveEntry& entry : moves) {
            if (board.MakeMove(entry.move)) {
                board.GenerateCaptures();
                board.TakeBack();
            }
        }
        int result;
        board.IsGameOver(result);
        ASSERT_TRUE(board.IsConsistent()) << text;
    }
    EXPECT_GT(accepted, 1000);
}

TEST(Fen, PawnsOnTheBackRanksNeverMakeTheGeneratorsLeaveTheBoard) {
    const char* fens[] = {
        "P3k2P/8/8/8/8/8/8/p3K2p w - - 0 1",
        "P3k2P/8/8/8/8/8/8/p3K2p b - - 0 1",
        "pppkpppp/8/8/8/8/8/8/PPPPKPPP w - - 0 1",
        "PPPkPPPP/8/8/8/8/8/8/ppppKppp b - - 0 1",
    };
    for (const char* fen : fens) {
        Board board = FromFen(fen);
        board.GenerateMoves();
        for (const MoveEntry& e : board.CurrentMoves()) {
            EXPECT_GE(e.move.to, 0);
            EXPECT_LT(e.move.to, 64);
        }
        board.GenerateCaptures();
        EXPECT_TRUE(board.IsConsistent());
    }
}

TEST(HashKey, CoversThePlacementOnly) {
    Board start;
    Board blackToMove = FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b - - 0 1");
    EXPECT_EQ(start.HashKey(), blackToMove.HashKey());

    Board board;
    const std::uint64_t key = board.HashKey();
    for (const char* move : {"Nf3", "Nf6", "Ng1", "Ng8"})
        board.MakeMove(ParseMove(move, board).move);
    EXPECT_EQ(board.HashKey(), key);
    board.MakeMove(ParseMove("e4", board).move);
    EXPECT_NE(board.HashKey(), key);

    const std::uint64_t kings = FromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1").HashKey();
    EXPECT_EQ(kings,
              zobristKeys[(WHITE * 6 + KING) * 64 + 60] ^ zobristKeys[(BLACK * 6 + KING) * 64 + 4]);
}

TEST(BoardCopy, IsIndependentOfItsSource) {
    Board board;
    for (const char* move : {"e4", "e5", "Nf3", "Nc6", "Bb5"})
        board.MakeMove(ParseMove(move, board).move);
    Board copy(board);
    EXPECT_TRUE(copy == board);
    const Board snapshot(board);
    while (!copy.undoStack.empty()) copy.TakeBack();
    EXPECT_TRUE(copy.IsConsistent());
    EXPECT_TRUE(board == snapshot);
    Board start;
    for (int sq = 0; sq < 64; ++sq) {
        EXPECT_EQ(copy.piece[sq], start.piece[sq]);
        EXPECT_EQ(copy.colour[sq], start.colour[sq]);
    }
}

TEST(Characters, PieceLettersRoundTrip) {
    for (int p = PAWN; p <= KING; ++p) {
        EXPECT_EQ(LetterPiece(PieceLetter(p)), p);
        EXPECT_EQ(LetterPiece(static_cast<char>(std::tolower(PieceLetter(p)))), p);
    }
    EXPECT_EQ(PieceLetter(EMPTY), ' ');
    EXPECT_EQ(LetterPiece('x'), EMPTY);
    EXPECT_EQ(LetterPiece('O'), EMPTY);
}

// The search's key: the same for the same position however it was reached, different when whose
// turn it is, which castlings remain or where a pawn may be taken in passing differ; kept by
// make and take back and foreseen by KeyAfter for every generated move.
TEST(PositionKey, FollowsThePositionThroughMovesAndTakeBacks) {
    Board byKnights;
    for (const char* move : {"Nf3", "Nf6", "Nc3", "Nc6"})
        byKnights.MakeMove(ParseMove(move, byKnights).move);
    Board otherOrder;
    for (const char* move : {"Nc3", "Nc6", "Nf3", "Nf6"})
        otherOrder.MakeMove(ParseMove(move, otherOrder).move);
    EXPECT_EQ(byKnights.PositionKey(), otherOrder.PositionKey());
    const std::string placement = "r1bqkb1r/pppppppp/2n2n2/8/8/2N2N2/PPPPPPPP/R1BQKB1R";
    EXPECT_EQ(FromFen(placement + " w KQkq - 4 3").PositionKey(), byKnights.PositionKey());
    for (const char* other : {" b KQkq - 4 3", " w Kkq - 4 3"})
        EXPECT_NE(FromFen(placement + other).PositionKey(), byKnights.PositionKey()) << other;
    EXPECT_NE(
        FromFen("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3").PositionKey(),
        FromFen("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 3").PositionKey());

    // Castling rights without the king at home: the castling moves are listed all the same.
    for (const char* fen : {"1k6/8/8/8/8/8/8/4K3 b kq - 0 1", "4k3/8/8/8/8/8/8/1K5R w KQ - 0 1"}) {
        Board board = FromFen(fen);
        board.GenerateMovesUnsorted();
        const MoveList moves = board.CurrentMoves();
        for (const MoveEntry& entry : moves) {
            const std::uint64_t foreseen = board.KeyAfter(entry.move);
            if (!board.MakeMove(entry.move)) continue;
            EXPECT_EQ(board.PositionKey(), foreseen) << fen;
            board.TakeBack();
        }
    }

    WalkRandomGames(7, 40, [](Board& board, const std::string& fen, int ply) {
        const std::uint64_t key = board.PositionKey();
        board.GenerateMovesUnsorted();
        const MoveList moves = board.CurrentMoves();
        for (const MoveEntry& entry : moves) {
            const std::uint64_t foreseen = board.KeyAfter(entry.move);
            if (!board.MakeMove(entry.move)) continue;
            Board fresh(board);
            fresh.Refresh();
            ASSERT_EQ(board.PositionKey(), foreseen) << fen << " ply " << ply;
            ASSERT_EQ(fresh.PositionKey(), foreseen) << fen << " ply " << ply;
            board.TakeBack();
            ASSERT_EQ(board.PositionKey(), key) << fen << " ply " << ply;
        }
    });
}

// FindGenerated answers exactly as a search of the whole generated list would, for every
// record the generators could make in the position (any squares, flags and promotion piece).
TEST(FindGenerated, AgreesWithTheWholeList) {
    const int flagSets[] = {0,
                            CAPTURE,
                            CASTLE,
                            PAWN_MOVE,
                            PAWN_MOVE | CAPTURE,
                            PAWN_MOVE | DOUBLE_PUSH,
                            PAWN_MOVE | EN_PASSANT | CAPTURE,
                            PAWN_MOVE | PROMOTION,
                            PAWN_MOVE | CAPTURE | PROMOTION};
    WalkRandomGames(11, 8, [&](Board& board, const std::string& fen, int ply) {
        board.GenerateMovesUnsorted();
        std::map<std::uint32_t, MoveEntry> listed;
        for (const MoveEntry& entry : board.CurrentMoves())
            listed[std::bit_cast<std::uint32_t>(entry.move)] = entry;
        for (int from = 0; from < 64; ++from)
            for (int to = 0; to < 64; ++to)
                for (const int bits : flagSets)
                    for (int promote = 0; promote <= QUEEN; ++promote) {
                        if ((promote != 0) != ((bits & PROMOTION) != 0)) continue;
                        const Move move{
                            static_cast<std::int8_t>(from), static_cast<std::int8_t>(to),
                            static_cast<std::uint8_t>(promote), static_cast<std::uint8_t>(bits)};
                        const auto it = listed.find(std::bit_cast<std::uint32_t>(move));
                        MoveEntry found;
                        ASSERT_EQ(board.FindGenerated(move, found), it != listed.end())
                            << fen << " ply " << ply << " " << from << "-" << to << " " << bits;
                        if (it != listed.end()) {
                            ASSERT_EQ(found, it->second);
                        }
                    }
    });
}

}  // namespace
}  // namespace vardo
