#include "strong/selective_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "board/board_test_util.h"
#include "board/notation.h"
#include "search/stop_flag.h"
#include "strong/static_exchange.h"

namespace vardo {
namespace {

using test::FromFen;

struct LastIteration : SearchListener {
    int score = 0;
    Line line;
    void OnIteration(int, unsigned, float, int whiteScore, const Line& pv) override {
        score = whiteScore;
        line = pv;
    }
};

class SelectiveSearchTest : public ::testing::Test {
   protected:
    void SetUp() override { stopFlag = false; }
    void TearDown() override { stopFlag = false; }
    SelectiveSearcher searcher{std::size_t{8}, 1};
};

// A mate the selective search announces is a mate: its line, played out, checkmates the side
// it says, in as many plies as the score says, never fewer than the shortest mate and, but
// for the long mate of queen and king, no more. The first moves of several are quiet, which the
// search reduces and prunes; the king's side is in check at many nodes, where a null move
// would leave a king en prise (a Debug build asserts that none is made).
TEST_F(SelectiveSearchTest, AnnouncedMatesAreMates) {
    const struct {
        const char* fen;
        int plies;  // the shortest mate
        int slack;  // how many plies longer the announced mate may be
    } mates[] = {
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 1, 0},
        {"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", 1, 0},
        {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 3, 0},
        {"6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 3, 0},
        {"8/8/8/8/8/5K2/7R/6k1 w - - 0 1", 3, 0},
        {"r5rk/5p1p/5R2/4B3/8/8/7P/7K w - - 0 1", 5, 0},
        // Queen and king against king: many transpositions, so mate scores pass through the
        // table at other plies than they were found. The shortest mate is 11 plies (Stockfish
        // agrees); the search stops looking for a shorter one two plies past the one it found.
        {"8/8/8/8/8/2k5/8/K2Q4 w - - 0 1", 11, 4},
    };
    for (const auto& mate : mates) {
        searcher.ClearOrderingMemory();
        const Board game = FromFen(mate.fen);
        LastIteration last;
        const BestMove best = searcher.Search(game, &last, 18);
        const int announced = SelectiveMatePlies(best.score);
        EXPECT_GE(announced, mate.plies) << mate.fen;
        EXPECT_LE(announced, mate.plies + mate.slack) << mate.fen;
        EXPECT_GE(searcher.SelDepth(), announced) << mate.fen;
        ASSERT_GE(last.line.size(), announced) << mate.fen;
        EXPECT_EQ(last.line.front().move, best.move) << mate.fen;
        Board replay(game);
        for (int i = 0; i < announced; ++i)
            ASSERT_TRUE(replay.MakeMove(last.line[i].move)) << mate.fen << " ply " << i;
        int winner = NO_COLOUR;
        EXPECT_TRUE(replay.IsGameOver(winner)) << mate.fen;
        EXPECT_EQ(winner, game.side) << mate.fen;
    }
}

// Null moves are made in middlegames and never where the side to move has only its king and
// pawns, where being obliged to move is so often what decides. (The pawns here are blocked:
// no line within the depth promotes one.) A reduced move that fails high is searched again
// at full depth, not taken at its reduced word.
TEST_F(SelectiveSearchTest, NullMovesAndReSearchesWhereTheyBelong) {
    const SelectiveSearcher& selective = searcher;
    searcher.Search(FromFen("8/8/3k4/1p1p1p2/1P1P1P2/3K4/8/8 w - - 0 1"), nullptr, 10);
    EXPECT_EQ(selective.NullMovesMade(), 0u);
    searcher.Search(FromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"),
                    nullptr, 8);
    EXPECT_GT(selective.NullMovesMade(), 0u);
    EXPECT_GT(selective.ReSearchesMade(), 0u);
}

// A move that alone holds the position is searched deeper: Black has just taken the queen,
// and only the king can take back. The search extends such moves on its lines (every other
// move of the king's side loses the queen's worth), and plays the recapture.
TEST_F(SelectiveSearchTest, SingularMovesAreExtended) {
    const Board game = FromFen("rnb1kbnr/pppp1ppp/8/8/4P3/8/PPPP1PPP/RNBqKBNR w KQkq - 0 3");
    const BestMove best = searcher.Search(game, nullptr, 12);
    EXPECT_EQ(best.move, ParseMove("e1d1", game).move);
    EXPECT_GT(searcher.SingularExtensionsMade(), 0u);
}

// Several lines: every iteration reports them best first, each led by another move, and the
// move played leads the last iteration's first line. A root restricted to some moves plays
// and reports only those, also on two threads, and stores no score for the position.
TEST_F(SelectiveSearchTest, SeveralLinesLedByDifferentMovesBestFirst) {
    const Board game =
        FromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    struct Lines : SearchListener {
        std::vector<std::pair<int, Line>> found;  // rank and line
        std::vector<int> scores;
        void OnIteration(int, unsigned, float, int score, const Line& line) override {
            found.push_back({1, line});
            scores.push_back(score);
        }
        void OnOtherLine(int, int rank, unsigned, float, int score, const Line& line) override {
            found.push_back({rank, line});
            scores.push_back(score);
        }
    };
    const std::vector<Move> allowed = {ParseMove("d2d3", game).move, ParseMove("b1c3", game).move,
                                       ParseMove("c4f7", game).move, ParseMove("a2a4", game).move};
    for (const bool restricted : {false, true}) {
        for (const int threads : {1, 2}) {
            SelectiveSearcher strong(std::size_t{8}, threads);
            SearchLimits limits;
            limits.maxDepth = 8;
            limits.lines = 3;
            if (restricted)
                for (const Move move : allowed) limits.rootMoves.Allow(move);
            Lines lines;
            const BestMove best = strong.Search(game, &lines, limits);
            ASSERT_EQ(lines.found.size(), 8u * 3u);
            for (std::size_t i = 0; i < lines.found.size(); i += 3) {
                for (std::size_t k = 0; k < 3; ++k) {
                    EXPECT_EQ(lines.found[i + k].first, static_cast<int>(k) + 1);
                    const Move first = lines.found[i + k].second.front().move;
                    if (restricted) {
                        EXPECT_NE(std::find(allowed.begin(), allowed.end(), first), allowed.end());
                    }
                    if (k > 0) {
                        EXPECT_NE(first, lines.found[i + k - 1].second.front().move);
                        EXPECT_NE(first, lines.found[i].second.front().move);
                        EXPECT_GE(lines.scores[i + k - 1], lines.scores[i + k]);  // White to move
                    }
                }
            }
            EXPECT_EQ(best.move, lines.found[lines.found.size() - 3].second.front().move);
            // A restricted root's score is no value of the position: nothing is stored for it.
            TableEntry stored;
            if (restricted) {
                EXPECT_FALSE(strong.Table().Probe(game.PositionKey(), 8, stored) &&
                             stored.depth == 8);
            }
        }
    }
}

// Helper threads share the table and stop with the main thread: a search stopped by the flag
// after its third iteration returns that iteration's move, a legal one, with every thread
// joined (ThreadSanitizer watches the sharing in CI).
TEST(SelectiveThreads, HelpersStopWithTheMainThread) {
    stopFlag = false;
    SelectiveSearcher searcher(std::size_t{8}, 3);
    struct StopAtThree : LastIteration {
        void OnIteration(int depth, unsigned nodes, float seconds, int whiteScore,
                         const Line& pv) override {
            LastIteration::OnIteration(depth, nodes, seconds, whiteScore, pv);
            if (depth == 3) stopFlag = true;
        }
    } listener;
    Board game = FromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    const BestMove best = searcher.Search(game, &listener, 30);
    stopFlag = false;
    ASSERT_FALSE(listener.line.empty());
    EXPECT_EQ(best.move, listener.line.front().move);
    EXPECT_TRUE(game.IsListed(best.move) && game.MakeMove(best.move));
}

// A soft limit that arrives while the search runs (a pondering search put on the clock) ends
// it after the iteration in progress, with no stop raised.
TEST_F(SelectiveSearchTest, LateSoftLimitEndsTheSearch) {
    struct LimitAtThree : LastIteration {
        SelectiveSearcher* searcher = nullptr;
        int depth = 0;
        void OnIteration(int d, unsigned nodes, float seconds, int whiteScore,
                         const Line& pv) override {
            LastIteration::OnIteration(d, nodes, seconds, whiteScore, pv);
            depth = d;
            if (d == 3) searcher->SetLateSoftSeconds(1e-6f);
            if (d == 7) stopFlag = true;  // only where the limit is ignored
        }
    } listener;
    listener.searcher = &searcher;
    Board game = FromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    searcher.Search(game, &listener, 30);
    EXPECT_FALSE(stopFlag);
    EXPECT_EQ(listener.depth, 3);
    searcher.SetLateSoftSeconds(0.0f);
}

// Static exchange: what a capture or a quiet move wins once both sides have taken back with
// their least valuable men, with sliders behind others joining in.
TEST(StaticExchange, CountsTheWholeExchange) {
    const struct {
        const char* fen;
        const char* move;
        int atLeast;  // the exchange wins at least this...
        int below;    // ...and not this much
    } cases[] = {
        // A pawn takes a knight defended by a pawn: wins 320 - 100.
        {"4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 220, 221},
        // A queen takes a pawn defended by a pawn: loses 950 - 100.
        {"4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", -850, -849},
        // A rook takes a rook defended by a rook, with a second rook behind the first:
        // RxR RxR RxR wins a rook.
        {"3rk3/8/8/3r4/8/8/3R4/3RK3 w - - 0 1", "d2d5", 500, 501},
        // The same without the second white rook loses the exchange back: even.
        {"3rk3/8/8/3r4/8/8/3R4/4K3 w - - 0 1", "d2d5", 0, 1},
        // A knight stepping where a pawn takes it loses the knight.
        {"4k3/8/8/2p5/8/5N2/8/4K3 w - - 0 1", "f3d4", -320, -319},
        // En passant wins a pawn.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 100, 101},
    };
    for (const auto& c : cases) {
        Board board = FromFen(c.fen);
        const Move move = ParseMove(c.move, board).move;
        ASSERT_FALSE(move.IsNull()) << c.fen << ' ' << c.move;
        EXPECT_TRUE(ExchangeAtLeast(board, move, c.atLeast)) << c.fen << ' ' << c.move;
        EXPECT_FALSE(ExchangeAtLeast(board, move, c.below)) << c.fen << ' ' << c.move;
    }
}

}  // namespace
}  // namespace vardo
