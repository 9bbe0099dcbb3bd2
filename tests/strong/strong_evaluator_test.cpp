#include "strong/strong_evaluator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "board/board_test_util.h"
#include "strong/eval_values.h"

namespace vardo {
namespace {

using test::FromFen;

// The position with colours swapped and the board turned upside down: the same position for
// the other side.
Board Mirrored(const Board& board) {
    Board mirror;
    for (int s = 0; s < 64; ++s) {
        mirror.piece[s ^ 56] = board.piece[s];
        mirror.colour[s ^ 56] = board.colour[s] == NO_COLOUR ? NO_COLOUR : Other(board.colour[s]);
    }
    mirror.side = Other(board.side);
    mirror.castle = ((board.castle & (CASTLE_WK | CASTLE_WQ)) << 2) |
                    ((board.castle & (CASTLE_BK | CASTLE_BQ)) >> 2);
    mirror.enPassant = board.enPassant == NO_SQUARE ? NO_SQUARE : board.enPassant ^ 56;
    mirror.fifty = board.fifty;
    mirror.Refresh();
    return mirror;
}

// The score the tuner's model gives a trace: each colour's weights times their counts, each
// king's danger squared in the middlegame, the two halves blended by phase and scale.
int ScoreOfTrace(const EvalTrace& trace) {
    const Score* weights = reinterpret_cast<const Score*>(&EVAL_WEIGHTS);
    long mg = 0;
    long eg = 0;
    long danger[2][2] = {};
    for (int i = 0; i < WEIGHT_COUNT; ++i) {
        const int net = trace.linear[i][WHITE] - trace.linear[i][BLACK];
        mg += long{MgOf(weights[i])} * net;
        eg += long{EgOf(weights[i])} * net;
        for (int c = WHITE; c <= BLACK; ++c) {
            danger[c][0] += long{MgOf(weights[i])} * trace.safety[i][c];
            danger[c][1] += long{EgOf(weights[i])} * trace.safety[i][c];
        }
    }
    for (int c = WHITE; c <= BLACK; ++c) {
        if (!trace.danger[c]) continue;
        const long m = std::clamp<long>(danger[c][0], 0, DANGER_CAP);
        const long e = std::clamp<long>(danger[c][1], 0, DANGER_CAP);
        mg += (c == WHITE ? 1 : -1) * (m * m / DANGER_MG_DIVISOR);
        eg += (c == WHITE ? 1 : -1) * (e / DANGER_EG_DIVISOR);
    }
    return static_cast<int>(
        (mg * trace.phase + eg * (MAX_PHASE - trace.phase) * trace.scale / SCALE_NORMAL) /
        MAX_PHASE);
}

std::vector<std::string> PositionsOf(const std::string& file) {
    std::vector<std::string> fens;
    std::ifstream in(std::string(VARDO_SOURCE_DIR) + "/tests/data/" + file);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string fields[4];
        words >> fields[0] >> fields[1] >> fields[2] >> fields[3];
        fens.push_back(fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3]);
    }
    return fens;
}

// Over the openings, the search positions and random games from varied positions: a position
// and its mirror score the same for the side to move (a term that favours one colour, or
// reads a square unmirrored, breaks it); the evaluation with the pawn table is the traced one;
// and the trace, weighed as the tuner weighs it, gives the score back (a term counted in the
// score but not in the trace, or the other way round, breaks it).
TEST(StrongEvaluator, MirrorsAgreeAndTracesAddUpToTheScore) {
    StrongEvaluator evaluator;
    EvalTrace trace;
    int checked = 0;
    int special = 0;
    const auto check = [&](const Board& board, const std::string& where) {
        const int score = evaluator.Evaluate(board);
        ASSERT_EQ(score, evaluator.Evaluate(Mirrored(board))) << where;
        const int white = evaluator.Trace(board, trace);
        ASSERT_EQ(board.side == WHITE ? white : -white, score) << where;
        if (trace.special) {
            ++special;
            return;
        }
        ASSERT_EQ(ScoreOfTrace(trace), white) << where;
        ++checked;
    };
    for (const char* file : {"openings.epd", "search-positions.epd"})
        for (const std::string& fen : PositionsOf(file)) check(FromFen(fen), fen);
    test::WalkRandomGames(11, 120, [&](const Board& board, const std::string& fen, int ply) {
        check(board, fen + " after " + std::to_string(ply) + " random plies");
    });
    EXPECT_GT(checked, 1500);
}

int WhiteScore(const std::string& fen) {
    StrongEvaluator evaluator;
    Board board = FromFen(fen);
    const int score = evaluator.Evaluate(board);
    return board.side == WHITE ? score : -score;
}

// A passed pawn is worth more a rank further on, in the middlegame and in the endgame, with
// its way free or blocked.
TEST(StrongEvaluator, PassedPawnsGainByRank) {
    const std::vector<std::string> shells = {
        "r5k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",  // rooks
        "6k1/5ppp/8/8/8/8/5PPP/6K1 w - - 0 1",    // pawns only
        "3n2k1/5ppp/8/8/8/8/5PPP/3N2K1 w - - 0 1",
    };
    for (const std::string& shell : shells) {
        int previous = -100000;
        for (int rank = 2; rank <= 7; ++rank) {
            Board board = FromFen(shell);
            const int square = 8 * (8 - rank) + 1;  // on the b-file
            board.piece[square] = PAWN;
            board.colour[square] = WHITE;
            board.Refresh();
            StrongEvaluator evaluator;
            const int score = evaluator.Evaluate(board);
            EXPECT_GT(score, previous) << shell << " pawn on b" << rank;
            previous = score;
        }
    }
}

// What cannot be won scores a draw or near it; king, bishop and knight against a king is won
// and better nearer the bishop's corner; opposite bishops scale a pawn's worth down, and a rook
// against a minor piece without pawns is near a draw, as is a rook's pawn with the bishop of
// the wrong colour.
TEST(StrongEvaluator, KnownEndgamesScaleTowardTheirResult) {
    EXPECT_EQ(WhiteScore("8/8/4k3/8/8/3NK3/8/8 w - - 0 1"), 0);
    EXPECT_EQ(WhiteScore("8/8/4k3/8/8/3BK3/8/8 b - - 0 1"), 0);
    EXPECT_EQ(WhiteScore("8/8/4k3/8/8/2NNK3/8/8 w - - 0 1"), 0);
    EXPECT_EQ(WhiteScore("8/8/4k3/3b4/8/3NK3/8/8 w - - 0 1"), 0);

    // White's bishop is dark-squared: a1 and h8 are its corners.
    const int centre = WhiteScore("8/8/8/3k4/8/8/8/2BNK3 w - - 0 1");
    const int rightCorner = WhiteScore("7k/8/8/8/8/8/8/2BNK3 w - - 0 1");
    const int wrongCorner = WhiteScore("k7/8/8/8/8/8/8/2BNK3 w - - 0 1");
    EXPECT_GT(centre, 500);
    EXPECT_GT(rightCorner, wrongCorner);
    EXPECT_GT(wrongCorner, 0);
    EXPECT_LT(-WhiteScore("2bnk3/8/8/8/8/8/8/K7 w - - 0 1"), rightCorner + 1);

    const int opposite = WhiteScore("6k1/5p2/4b3/8/3B4/8/5PP1/6K1 w - - 0 1");
    const int same = WhiteScore("6k1/5p2/3b4/8/3B4/8/5PP1/6K1 w - - 0 1");
    EXPECT_GT(same, 0);
    EXPECT_LT(4 * opposite, 3 * same);

    // A rook's pawn whose promotion square the bishop does not cover, the defending king there.
    const int wrongBishop = WhiteScore("k7/8/8/P7/8/8/8/2B1K3 w - - 0 1");
    EXPECT_LT(std::abs(wrongBishop), 30);
    EXPECT_LT(std::abs(WhiteScore("3bk3/8/8/7p/8/8/8/6K1 b - - 0 1")), 30);
    EXPECT_GT(WhiteScore("k7/8/8/P7/8/8/8/3BK3 w - - 0 1"), wrongBishop + 200);
    EXPECT_GT(WhiteScore("8/8/8/P7/8/8/7k/2B1K3 w - - 0 1"), wrongBishop + 200);

    const int rookAgainstBishop = WhiteScore("8/8/4k3/3b4/8/4K3/8/R7 w - - 0 1");
    const int rookAgainstPawn = WhiteScore("8/8/4k3/3p4/8/4K3/8/R7 w - - 0 1");
    EXPECT_LT(std::abs(rookAgainstBishop), 60);
    EXPECT_GT(rookAgainstPawn, 150);
}

}  // namespace
}  // namespace vardo
