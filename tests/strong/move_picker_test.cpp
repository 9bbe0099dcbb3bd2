#include "strong/move_picker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "board/board_test_util.h"
#include "board/notation.h"
#include "strong/history.h"
#include "strong/static_exchange.h"

namespace vardo {
namespace {

using test::FromFen;

// The picker hands out every pseudo-legal move once, in its stages: the table move, captures
// and promotions that do not lose material, killers and counter move, the other quiet moves,
// and the losing captures last; in quiescence, only the captures that do not lose. Killers
// that are not moves of the position, or are captures here, are not handed out as killers.
TEST(MovePicker, HandsOutEveryMoveOnceInItsStages) {
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
        "4k3/8/8/8/8/8/4q3/4K3 w - - 0 1",  // in check
    };
    auto histories = std::make_unique<Histories>();
    std::mt19937 random(7);
    for (std::size_t index = 0; index < std::size(fens); ++index) {
        const char* fen = fens[index];
        Board board = FromFen(fen);
        board.GenerateMovesUnsorted();
        std::vector<Move> all;
        for (const MoveEntry& entry : board.CurrentMoves()) all.push_back(entry.move);
        // Histories with some noise, so that the quiet order is not the generators'.
        for (int i = 0; i < 2000; ++i)
            AddHistoryBonus(histories->butterfly[board.side][random() % 64][random() % 64],
                            static_cast<int>(random() % 4001) - 2000);
        // Killers: a move of another position or a capture of this one, and a quiet move that is
        // the counter move too. The table move: another capture where there is one, in every
        // other position.
        Move foreign;
        foreign.from = 0;
        foreign.to = 9;
        Move firstCapture, capture, quiet;
        for (const Move move : all) {
            if (move.bits & CAPTURE) {
                capture = move;
                if (firstCapture.IsNull()) firstCapture = move;
            } else if (!(move.bits & PROMOTION)) {
                quiet = move;
            }
        }
        const bool tableCaptures = index % 2 == 0 && !firstCapture.IsNull();
        const Move table = tableCaptures ? firstCapture : all[random() % all.size()];
        for (const bool capturesOnly : {false, true}) {
            MovePicker picker(board, *histories, table, {index % 2 ? foreign : capture, quiet},
                              quiet, {nullptr, nullptr}, capturesOnly);
            std::vector<Move> handed;
            int lastKind = -1;
            for (Move move = picker.Next(); !move.IsNull(); move = picker.Next()) {
                const auto kind = picker.LastKind();
                EXPECT_GE(static_cast<int>(kind), lastKind) << fen;
                lastKind = static_cast<int>(kind);
                const bool isCapture = (move.bits & (CAPTURE | PROMOTION | EN_PASSANT)) != 0;
                switch (kind) {
                    case MovePicker::Kind::TABLE:
                        EXPECT_EQ(move, table) << fen;
                        break;
                    case MovePicker::Kind::GOOD_CAPTURE:
                        EXPECT_TRUE(isCapture && ExchangeAtLeast(board, move, 0)) << fen;
                        break;
                    case MovePicker::Kind::KILLER:
                        EXPECT_EQ(move, quiet) << fen;  // the only killer that is a quiet move
                        break;
                    case MovePicker::Kind::QUIET:
                        EXPECT_FALSE(isCapture) << fen;
                        break;
                    case MovePicker::Kind::BAD_CAPTURE:
                        EXPECT_TRUE(isCapture && !ExchangeAtLeast(board, move, 0)) << fen;
                        break;
                }
                EXPECT_EQ(std::count(handed.begin(), handed.end(), move), 0) << fen;
                handed.push_back(move);
            }
            std::vector<Move> expected;
            for (const Move move : all) {
                const bool isCapture = (move.bits & (CAPTURE | PROMOTION | EN_PASSANT)) != 0;
                if (!capturesOnly || (isCapture && ExchangeAtLeast(board, move, 0)))
                    expected.push_back(move);
            }
            auto order = [](Move a, Move b) {
                return std::tie(a.from, a.to, a.promote, a.bits) <
                       std::tie(b.from, b.to, b.promote, b.bits);
            };
            std::sort(handed.begin(), handed.end(), order);
            std::sort(expected.begin(), expected.end(), order);
            EXPECT_EQ(handed, expected) << fen << (capturesOnly ? " captures" : " all");
        }
    }
}

// Every history counter stays within its bound whatever bonuses and maluses it is given,
// however large, and a run of bonuses of one sign takes it toward that bound, never past it.
// The correction histories' entries stay within theirs too.
TEST(Histories, CountersStayWithinTheirBounds) {
    std::mt19937 random(11);
    std::int16_t counter = 0;
    for (int i = 0; i < 100000; ++i) {
        const int bonus = static_cast<int>(random() % 80001) - 40000;
        AddHistoryBonus(counter, bonus);
        ASSERT_LE(counter, HISTORY_BOUND);
        ASSERT_GE(counter, -HISTORY_BOUND);
    }
    for (int i = 0; i < 1000; ++i) AddHistoryBonus(counter, 12800);
    EXPECT_GT(counter, HISTORY_BOUND * 9 / 10);
    auto histories = std::make_unique<Histories>();
    const Board board =
        FromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    for (int i = 0; i < 1000; ++i) {
        histories->LearnCorrection(board, 1 + static_cast<int>(random() % 30),
                                   static_cast<int>(random() % 20001) - 10000, 0);
        ASSERT_LE(std::abs(histories->Correction(board)), CORRECTION_BOUND);
    }
    for (int i = 0; i < 1000; ++i) histories->LearnCorrection(board, 20, 5000, 0);
    EXPECT_GT(histories->Correction(board), CORRECTION_BOUND * 9 / 10);
}

}  // namespace
}  // namespace vardo
