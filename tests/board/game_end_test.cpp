// IsListed, IsRepetition and IsGameOver: generated moves, repeated placements, mate,
// stalemate and the fifty-move draw.
#include <gtest/gtest.h>

#include "board_test_util.h"

namespace vardo {
namespace {

using test::FromFen;
using test::Sq;

void Play(Board& board, std::initializer_list<const char*> moves) {
    for (const char* m : moves) ASSERT_TRUE(board.MakeMove(ParseMove(m, board).move)) << m;
}

TEST(IsListed, MatchesAllFourBytes) {
    Board board;
    EXPECT_TRUE(board.IsListed(Move{52, 36, 0, 24}));
    EXPECT_FALSE(board.IsListed(Move{52, 36, 0, 16}));
    EXPECT_TRUE(board.IsListed(Move{60, 62, 0, CASTLE}));
    EXPECT_FALSE(board.MakeMove(Move{60, 62, 0, CASTLE}));
}

TEST(IsRepetition, CountsThreeOccurrencesOfThePlacement) {
    Board board;
    Play(board, {"Nf3", "Nf6", "Ng1", "Ng8"});
    EXPECT_FALSE(board.IsRepetition());
    Play(board, {"Nf3", "Nf6", "Ng1", "Ng8"});
    EXPECT_EQ(board.fifty, 8);
    EXPECT_TRUE(board.IsRepetition());

    // A different route back to the same placement counts too.
    Board other;
    Play(other, {"Nc3", "Nc6", "Nb1", "Nb8", "Nf3", "Nf6", "Ng1", "Ng8"});
    EXPECT_TRUE(other.IsRepetition());

    EXPECT_FALSE(FromFen("4k3/8/8/8/8/8/8/4K3 w - - 40 80").IsRepetition());
}

TEST(IsGameOver, MateStalemateFiftyAndPlay) {
    int result = -1;
    Board mate;
    Play(mate, {"f3", "e5", "g4", "Qh4"});
    EXPECT_TRUE(mate.IsGameOver(result));
    EXPECT_EQ(result, BLACK);

    EXPECT_TRUE(FromFen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1").IsGameOver(result));
    EXPECT_EQ(result, NO_COLOUR);

    Board start;
    EXPECT_FALSE(start.IsGameOver(result));
    EXPECT_EQ(result, NO_COLOUR);

    EXPECT_TRUE(FromFen("4k3/8/8/8/8/8/8/R3K3 w - - 100 80").IsGameOver(result));
    EXPECT_EQ(result, NO_COLOUR);
    // Mate on the hundredth reversible ply is still a draw by the fifty-move rule.
    EXPECT_TRUE(FromFen("R5k1/5ppp/8/8/8/8/8/4K3 b - - 100 80").IsGameOver(result));
    EXPECT_EQ(result, NO_COLOUR);
}

TEST(IsGameOver, LeavesTheBoardUntouched) {
    Board board;
    Play(board, {"e4", "e5"});
    board.historyTable[3][4] = 9;
    const Board before(board);
    int result;
    board.IsGameOver(result);
    EXPECT_TRUE(board == before);
}

}  // namespace
}  // namespace vardo
