// Attacked and InCheck, and both move generators with their ordering scores.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <span>
#include <vector>

#include "board_test_util.h"

namespace vardo {
namespace {

using test::FromFen;
using test::Sq;

// Piece steps as (ranks, files), ranks counted towards rank 1.
struct Step {
    int ranks, files;
};
constexpr Step KNIGHT_STEPS[] = {{-2, -1}, {-2, 1}, {-1, -2}, {-1, 2},
                                 {1, -2},  {1, 2},  {2, -1},  {2, 1}};
constexpr Step KING_STEPS[] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                               {0, 1},   {1, -1}, {1, 0},  {1, 1}};
constexpr Step BISHOP_STEPS[] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
constexpr Step ROOK_STEPS[] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};

std::span<const Step> StepsOf(int piece) {
    switch (piece) {
        case KNIGHT:
            return KNIGHT_STEPS;
        case BISHOP:
            return BISHOP_STEPS;
        case ROOK:
            return ROOK_STEPS;
        case QUEEN:
        case KING:
            return KING_STEPS;
        default:
            return {};
    }
}

// The squares reached from `square` by repeating `step` (once for a piece that does not
// slide), nearest first, up to the edge of the board.
std::vector<int> Walk(int square, Step step, int piece) {
    const bool slides = piece == BISHOP || piece == ROOK || piece == QUEEN;
    std::vector<int> squares;
    int rank = square >> 3, file = square & 7;
    do {
        rank += step.ranks;
        file += step.files;
        if (rank < 0 || rank > 7 || file < 0 || file > 7) break;
        squares.push_back(8 * rank + file);
    } while (slides);
    return squares;
}

TEST(Generation, InitialPositionListsPawnsKnightsAndBothCastlings) {
    Board board;
    board.GenerateMoves();
    const MoveList& moves = board.CurrentMoves();
    ASSERT_EQ(moves.size(), 22);
    int castles = 0;
    for (const MoveEntry& e : moves) {
        EXPECT_EQ(e.score, 0);
        if (e.move.bits == CASTLE) ++castles;
    }
    EXPECT_EQ(castles, 2);
    board.GenerateCaptures();
    EXPECT_TRUE(board.CurrentMoves().empty());
}

TEST(Generation, PromotionsComeInFoursAfterEveryCapture) {
    // b7 pawn can take the a8 rook or advance; the d1 rook can take the d5 knight.
    Board board = FromFen("r3k3/1P6/8/3n4/8/8/8/3RK3 w - - 0 1");
    board.GenerateMoves();
    const MoveList& moves = board.CurrentMoves();
    int promotions = 0;
    int lastCapture = -1, firstPromotion = -1;
    for (int i = 0; i < moves.size(); ++i) {
        const Move& m = moves[i].move;
        if (m.bits & PROMOTION) {
            ++promotions;
            EXPECT_EQ(moves[i].score, 1000000);
            EXPECT_TRUE(m.bits == 48 || m.bits == 49);
            EXPECT_GE(m.promote, KNIGHT);
            EXPECT_LE(m.promote, QUEEN);
            if (firstPromotion < 0) firstPromotion = i;
        } else if (m.bits & CAPTURE) {
            lastCapture = i;
            EXPECT_EQ(moves[i].score, 1000000 + 10 * 300 - 500);  // rook takes knight
        }
    }
    EXPECT_EQ(promotions, 8);
    EXPECT_LT(lastCapture, firstPromotion);
}

TEST(Generation, CaptureScoresOrderVictimThenAttacker) {
    // Pawn and queen can both take the d5 queen; the queen can also take the a8 pawn.
    Board board = FromFen("p3k3/8/8/3q4/4P3/8/Q7/4K3 w - - 0 1");
    board.GenerateCaptures();
    const MoveList& moves = board.CurrentMoves();
    ASSERT_GE(moves.size(), 3);
    EXPECT_EQ(moves[0].score, 1008900);  // pawn takes queen
    EXPECT_EQ(moves[0].move.from, Sq("e4"));
    EXPECT_EQ(moves[1].score, 1008100);  // queen takes queen
    EXPECT_EQ(moves.size(), 3);
    EXPECT_EQ(moves[2].score, 1000100);  // queen takes pawn
    for (int i = 1; i < moves.size(); ++i) EXPECT_GE(moves[i - 1].score, moves[i].score);
}

TEST(Generation, EnPassantIsListedWithItsFlags) {
    Board board;
    for (const char* m : {"d4", "Nf6", "d5", "e5"}) board.MakeMove(ParseMove(m, board).move);
    board.GenerateMoves();
    const auto& moves = board.CurrentMoves();
    const auto ep = std::find_if(moves.begin(), moves.end(),
                                 [](const MoveEntry& e) { return e.move.bits == 21; });
    ASSERT_NE(ep, moves.end());
    EXPECT_EQ(ep->move.from, Sq("d5"));
    EXPECT_EQ(ep->move.to, Sq("e6"));
    EXPECT_EQ(ep->score, 1000000 + 10 * 100 - 100);  // ordered as a pawn taking a pawn

    Board black = FromFen("4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1");
    black.GenerateCaptures();
    ASSERT_EQ(black.CurrentMoves().size(), 1);
    EXPECT_EQ(black.CurrentMoves()[0].move, (Move{35, 44, 0, 21}));
}

TEST(Generation, CapturesOnlyListsNoQuietMoveButPromotions) {
    for (const std::string& fen : test::VariedFens()) {
        Board board = FromFen(fen);
        board.GenerateCaptures();
        for (const MoveEntry& e : board.CurrentMoves())
            EXPECT_TRUE((e.move.bits & CAPTURE) || (e.move.bits & PROMOTION)) << fen;
        // ...and every one of them is also in the full list.
        const MoveList captures = board.CurrentMoves();
        board.GenerateMoves();
        for (const MoveEntry& c : captures)
            EXPECT_TRUE(std::any_of(board.CurrentMoves().begin(), board.CurrentMoves().end(),
                                    [&](const MoveEntry& e) { return e.move == c.move; }));
    }
}

TEST(Generation, QuietMovesSortByHistory) {
    Board board;
    board.historyTable[Sq("g1")][Sq("f3")] = 50;
    board.historyTable[Sq("b2")][Sq("b3")] = 20;
    board.GenerateMoves();
    EXPECT_EQ(board.CurrentMoves()[0].move.from, Sq("g1"));
    EXPECT_EQ(board.CurrentMoves()[0].score, 50);
    EXPECT_EQ(board.CurrentMoves()[1].move.from, Sq("b2"));
}

// The moves of knights, bishops, rooks, queens and kings as the rules describe them, found by
// walking each piece's directions outward square by square, in from-to order.
void SortByFromAndTo(std::vector<Move>& moves) {
    std::sort(moves.begin(), moves.end(),
              [](Move a, Move b) { return a.from != b.from ? a.from < b.from : a.to < b.to; });
}

std::vector<Move> PieceMovesFollowingOffsets(const Board& b, bool capturesOnly) {
    std::vector<Move> moves;
    for (int s = 0; s < 64; ++s) {
        const int p = b.piece[s];
        if (b.colour[s] != b.side || p == PAWN) continue;
        for (const Step step : StepsOf(p)) {
            for (const int n : Walk(s, step, p)) {
                if (b.colour[n] == b.side) break;
                const bool capture = b.colour[n] != NO_COLOUR;
                if (capture || !capturesOnly)
                    moves.push_back(Move{static_cast<std::int8_t>(s), static_cast<std::int8_t>(n),
                                         0, static_cast<std::uint8_t>(capture ? CAPTURE : 0)});
                if (capture) break;
            }
        }
    }
    SortByFromAndTo(moves);
    return moves;
}

// Every way of listing a position's moves gives the same moves with the same scores: all at
// once, sorted or sorted lazily, or the captures first with the quiet moves added after.
TEST(Generation, PieceMovesFollowTheRulesAndEveryWayOfListingAgrees) {
    std::mt19937 rng(11);
    test::WalkRandomGames(11, 30, [&](Board& board, const std::string& fen, int ply) {
        // Few distinct history values, so that many quiet moves tie.
        for (auto& row : board.historyTable)
            for (auto& value : row) value = static_cast<int>(rng() % 3);
        for (const bool capturesOnly : {false, true}) {
            capturesOnly ? board.GenerateCapturesUnsorted() : board.GenerateMovesUnsorted();
            MoveList lazy = board.CurrentMoves();
            std::vector<Move> pieceMoves;
            for (const MoveEntry& entry : lazy)
                if (!(entry.move.bits & (PAWN_MOVE | CASTLE))) pieceMoves.push_back(entry.move);
            SortByFromAndTo(pieceMoves);  // the order among equal scores is the generator's own
            ASSERT_EQ(pieceMoves, PieceMovesFollowingOffsets(board, capturesOnly))
                << fen << " ply " << ply;

            for (int i = 0; i < lazy.size(); ++i) lazy.PickNext(i);
            capturesOnly ? board.GenerateCaptures() : board.GenerateMoves();
            ASSERT_EQ(lazy, board.CurrentMoves()) << fen << " ply " << ply;
        }
        const auto entries = [&] {
            std::vector<std::pair<std::uint32_t, int>> list;
            for (const MoveEntry& entry : board.CurrentMoves())
                list.emplace_back(std::bit_cast<std::uint32_t>(entry.move), entry.score);
            std::sort(list.begin(), list.end());
            return list;
        };
        board.GenerateCapturesUnsorted();
        board.AddQuietMoves();
        const auto staged = entries();
        board.GenerateMovesUnsorted();
        ASSERT_EQ(staged, entries()) << fen << " ply " << ply;
    });
}

TEST(Attacks, DefendedMenAndKinglessSides) {
    // White king e1 next to the black pawn on d2, defended by the black bishop on a5.
    Board board = FromFen("4k3/8/8/b7/8/8/3p4/4K3 w - - 0 1");
    EXPECT_TRUE(board.Attacked(Sq("d2"), BLACK));
    EXPECT_TRUE(board.Attacked(Sq("d2"), WHITE));
    EXPECT_TRUE(board.Attacked(Sq("e1"), BLACK));  // pawn d2 gives check
    EXPECT_TRUE(board.InCheck(WHITE));
    EXPECT_FALSE(board.InCheck(BLACK));

    board.piece[Sq("e8")] = EMPTY;
    board.colour[Sq("e8")] = NO_COLOUR;
    board.Refresh();
    EXPECT_TRUE(board.InCheck(BLACK));  // no king: always in check
}

// The attack test looks outward from the target; following every attacker's own moves, as the
// rules describe it, must give the same answer for every square and colour.
bool AttackedByFollowingAttackers(const Board& b, int target, int by) {
    for (int s = 0; s < 64; ++s) {
        if (b.colour[s] != by) continue;
        const int p = b.piece[s];
        if (p == PAWN) {
            const int f = s & 7;
            if (by == WHITE && ((f != 0 && s - 9 == target) || (f != 7 && s - 7 == target)))
                return true;
            if (by == BLACK && ((f != 0 && s + 7 == target) || (f != 7 && s + 9 == target)))
                return true;
            continue;
        }
        for (const Step step : StepsOf(p)) {
            for (const int n : Walk(s, step, p)) {
                if (n == target) return true;
                if (b.piece[n] != EMPTY) break;
            }
        }
    }
    return false;
}

TEST(Attacks, AgreeWithFollowingTheAttackers) {
    test::WalkRandomGames(7, 40, [](const Board& board, const std::string& fen, int ply) {
        for (int sq = 0; sq < 64; ++sq)
            for (int by = WHITE; by <= BLACK; ++by)
                ASSERT_EQ(board.Attacked(sq, by), AttackedByFollowingAttackers(board, sq, by))
                    << fen << " ply " << ply << " square " << sq;
    });
}

}  // namespace
}  // namespace vardo
