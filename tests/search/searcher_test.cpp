#include "search/searcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "board/notation.h"
#include "search/stop_flag.h"

namespace vardo {
namespace {

Board FromFen(std::string_view fen) {
    Board board;
    EXPECT_TRUE(board.SetFromFen(fen)) << fen;
    return board;
}

Move Play(Board& board, const char* text) {
    const Move move = ParseMove(text, board).move;
    EXPECT_TRUE(board.MakeMove(move)) << text;
    return move;
}

// Every completed iteration as the listener saw it; can raise the stop flag at a given depth.
struct Recorder : SearchListener {
    struct Report {
        int depth;
        unsigned nodes;
        int score;
        Line line;
    };
    std::vector<Report> reports;
    int stopAtDepth = 0;
    std::function<void(int)> onIteration;

    void OnIteration(int depth, unsigned nodes, float, int score, const Line& line) override {
        reports.push_back({depth, nodes, score, line});
        if (onIteration) onIteration(depth);
        if (depth == stopAtDepth) stopFlag = true;
    }
};

// The stop flag is process-wide: every test starts and ends with it lowered.
class SearchTest : public ::testing::Test {
   protected:
    void SetUp() override { stopFlag = false; }
    void TearDown() override { stopFlag = false; }

    // Searches `fen` from its root with AlphaBeta directly.
    int AlphaBeta(const Board& board, int alpha, int beta, int depth, Line& line) {
        searcher.board = std::make_unique<Board>(board);
        return searcher.AlphaBeta(alpha, beta, depth, line);
    }

    Searcher searcher;
};

constexpr const char* KIWIPETE =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

TEST_F(SearchTest, MateInOneFoundAtDepthTwoAndDeepeningStops) {
    const Board board = FromFen("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    Recorder recorder;
    const BestMove best = searcher.Search(board, &recorder);
    EXPECT_EQ(CoordinateText(best.move), "d1d8");
    EXPECT_EQ(best.score, MATE_SCORE);
    ASSERT_EQ(recorder.reports.size(), 2u);
    EXPECT_LT(recorder.reports[0].score, MATE_SEEN);  // Quiesce does not see the mate
    EXPECT_EQ(recorder.reports[1].score, MATE_SCORE);
    EXPECT_EQ(recorder.reports[1].line.front().move, best.move);
    EXPECT_EQ(searcher.board, nullptr);
}

TEST_F(SearchTest, MateStalemateAndDraws) {
    Line line;
    // Checkmated: -(10000 + depth) at every depth, and no line.
    const Board mated = FromFen("3R2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
    for (int depth = 1; depth <= 3; ++depth) {
        EXPECT_EQ(AlphaBeta(mated, -MATE_SCORE, MATE_SCORE, depth, line), -MATE_SCORE - depth);
        EXPECT_TRUE(line.empty());
    }
    // Stalemate.
    const Board stalemate = FromFen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    for (int depth = 1; depth <= 3; ++depth)
        EXPECT_EQ(AlphaBeta(stalemate, -MATE_SCORE, MATE_SCORE, depth, line), DRAW_SCORE);

    // A lone king against a queen: lost, unless every move reaches the fifty-move limit.
    Board fifty = FromFen("7k/8/8/3q4/8/8/8/K7 w - - 0 1");
    EXPECT_LT(AlphaBeta(fifty, -MATE_SCORE, MATE_SCORE, 1, line), -500);
    fifty.fifty = 99;
    EXPECT_EQ(AlphaBeta(fifty, -MATE_SCORE, MATE_SCORE, 1, line), DRAW_SCORE);

    // The same, but the king can repeat the position a third time: a1b1 is a draw.
    Board repeat = FromFen("7k/8/8/3q4/8/8/8/K7 w - - 0 1");
    for (int round = 0; round < 2; ++round)
        for (const char* move : {"a1b1", "d5d6", "b1a1", "d6d5"}) Play(repeat, move);
    EXPECT_EQ(AlphaBeta(repeat, -MATE_SCORE, MATE_SCORE, 1, line), DRAW_SCORE);
    ASSERT_EQ(line.size(), 1);
    EXPECT_EQ(CoordinateText(line.front().move), "a1b1");
}

TEST_F(SearchTest, MatedAtEveryMoveKeepsThePreviousIteration) {
    // Black's only move Kb8 is met by Rh8#, seen at depth 3: no root move raises alpha.
    const Board board = FromFen("k7/8/1K6/8/8/8/8/7R b - - 0 1");
    Recorder recorder;
    const BestMove best = searcher.Search(board, &recorder);
    ASSERT_EQ(recorder.reports.size(), 3u);
    EXPECT_TRUE(recorder.reports[2].line.empty());
    EXPECT_EQ(recorder.reports[2].score, MATE_SCORE);  // White's point of view
    EXPECT_EQ(CoordinateText(best.move), "a8b8");
    EXPECT_EQ(best.score, -recorder.reports[1].score);
}

TEST_F(SearchTest, FailHardBounds) {
    const Board board = FromFen(KIWIPETE);
    Line line;
    const int exact = AlphaBeta(board, -MATE_SCORE, MATE_SCORE, 3, line);
    EXPECT_EQ(AlphaBeta(board, exact + 50, exact + 100, 3, line), exact + 50);
    EXPECT_EQ(AlphaBeta(board, exact - 100, exact - 50, 3, line), exact - 50);
    EXPECT_EQ(AlphaBeta(board, exact - 1, exact + 1, 3, line), exact);

    // A quiet position: Quiesce is the static evaluation clamped to the window.
    searcher.board = std::make_unique<Board>(FromFen("4k3/8/8/8/8/8/3PP3/4K3 w - - 0 1"));
    const int stand = Evaluator().Evaluate(*searcher.board);
    EXPECT_EQ(searcher.Quiesce(-MATE_SCORE, MATE_SCORE), stand);
    EXPECT_EQ(searcher.Quiesce(stand + 10, stand + 20), stand + 10);
    EXPECT_EQ(searcher.Quiesce(stand - 20, stand - 10), stand - 10);
}

TEST_F(SearchTest, EveryReportedLineIsPlayableFromTheRoot) {
    for (const char* fen : {KIWIPETE, "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
                            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"}) {
        const Board board = FromFen(fen);
        Recorder recorder;
        const BestMove best = searcher.Search(board, &recorder, 5);
        unsigned lastNodes = 0;
        for (const auto& report : recorder.reports) {
            EXPECT_GE(report.nodes, lastNodes);
            lastNodes = report.nodes;
            ASSERT_FALSE(report.line.empty());
            EXPECT_LE(report.line.size(), report.depth);
            Board replay = board;
            for (const MoveEntry& entry : report.line)
                ASSERT_TRUE(replay.MakeMove(entry.move))
                    << fen << " depth " << report.depth << " " << CoordinateText(entry.move);
        }
        EXPECT_EQ(best.move, recorder.reports.back().line.front().move);
    }
}

TEST_F(SearchTest, LineNeverCarriesASiblingsMoves) {
    // Nxb5 raises alpha first; Nxd5 is worse, and its reply is left in the child line; then
    // every quiet move is a fifty-move draw, found without searching below it. The line of
    // the draw must be that move alone, not followed by the reply to Nxd5.
    const Board board = FromFen("7k/8/8/1r1p4/7q/2N5/8/K7 w - - 99 80");
    Line line;
    EXPECT_EQ(AlphaBeta(board, -MATE_SCORE, MATE_SCORE, 2, line), DRAW_SCORE);
    ASSERT_EQ(line.size(), 1);
    EXPECT_FALSE(line.front().move.bits & CAPTURE);
}

TEST_F(SearchTest, ScoresReportedFromWhitesPointOfView) {
    const Board board = FromFen("4k3/8/8/3q4/8/8/8/4K3 b - - 0 1");  // Black a queen up
    Recorder recorder;
    const BestMove best = searcher.Search(board, &recorder, 2);
    EXPECT_GT(best.score, 500);
    EXPECT_EQ(recorder.reports.back().score, -best.score);
}

TEST_F(SearchTest, HistoryGrowsByThePlyListCount) {
    // White's only legal move is Kh2. Two moves made before the search put its root two plies
    // below the lists' start: the quiet move raising alpha there earns 3, and also when it
    // causes the cut.
    Board board = FromFen("8/8/8/8/8/5k2/8/6K1 w - - 0 1");
    Play(board, "g1h1");
    Play(board, "f3f2");
    const int h1 = 63, h2 = 55;
    Line line;
    AlphaBeta(board, -MATE_SCORE, MATE_SCORE, 1, line);
    EXPECT_EQ(searcher.board->historyTable[h1][h2], 3);
    EXPECT_EQ(AlphaBeta(board, -MATE_SCORE, -MATE_SEEN, 1, line), -MATE_SEEN);
    EXPECT_EQ(searcher.board->historyTable[h1][h2], 3);
    ASSERT_EQ(line.size(), 1);

    // Through the driver, counts start again every iteration: the root move earns 1 in each.
    Recorder recorder;
    recorder.onIteration = [&](int) { EXPECT_EQ(searcher.board->historyTable[h1][h2], 1); };
    searcher.Search(FromFen("8/8/8/8/8/8/5k2/7K w - - 0 1"), &recorder, 3);
    EXPECT_EQ(recorder.reports.size(), 3u);
}

TEST_F(SearchTest, StopFlagEndsTheSearchAndKeepsTheLastIteration) {
    const Board board = FromFen(KIWIPETE);
    Recorder recorder;
    recorder.stopAtDepth = 3;
    const BestMove best = searcher.Search(board, &recorder);
    ASSERT_EQ(recorder.reports.size(), 3u);
    EXPECT_EQ(best.move, recorder.reports[2].line.front().move);
    EXPECT_EQ(best.score, recorder.reports[2].score);          // White to move
    EXPECT_EQ(searcher.nodes, recorder.reports[2].nodes + 1);  // stopped at depth 4's root
    EXPECT_EQ(searcher.board, nullptr);

    // Raised before the search: depth 1 still completes, so there is a move.
    Recorder early;
    stopFlag = true;
    EXPECT_FALSE(searcher.Search(board, &early).move.IsNull());
    EXPECT_EQ(early.reports.size(), 1u);
    EXPECT_TRUE(stopFlag);  // the caller lowers it

    // Outside the driver the signal is the node count.
    Line line;
    searcher.nodes = 0;
    try {
        AlphaBeta(board, -MATE_SCORE, MATE_SCORE, 3, line);
        ADD_FAILURE() << "no stop signal";
    } catch (StopSignal signal) {
        EXPECT_EQ(signal, 1u);
    }
}

TEST_F(SearchTest, SearchesAreDeterministicAndLeaveTheGameBoardAlone) {
    Board game = FromFen(KIWIPETE);
    Play(game, "a2a3");
    const Board before = game;
    const BestMove first = searcher.Search(game, nullptr, 4);
    const unsigned firstNodes = searcher.nodes;
    searcher.ClearOrderingMemory();  // as "new" does
    const BestMove second = searcher.Search(game, nullptr, 4);
    EXPECT_EQ(first.move, second.move);
    EXPECT_EQ(first.score, second.score);
    EXPECT_EQ(searcher.nodes, firstNodes);
    EXPECT_TRUE(game == before);
}

// While the history counts stay low, captures are tried before the quiet moves are even
// listed; counts that rank quiet moves above captures (a long search can get there) make every
// node list all its moves at once. Either way every move is searched and the scores agree.
TEST_F(SearchTest, HistoryCountsAbovePromotionsChangeNoScore) {
    // Quiet moves ranked first order the search badly, so the depths stay small.
    const std::pair<const char*, int> cases[] = {{KIWIPETE, 2},
                                                 {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 3},
                                                 {"8/P7/8/8/8/8/p7/K1k5 w - - 0 1", 4}};
    for (const auto& [fen, maxDepth] : cases) {
        Board board = FromFen(fen);
        for (int depth = 1; depth <= maxDepth; ++depth) {
            Line line;
            board.ClearPlyState();
            const int plain = AlphaBeta(board, -MATE_SCORE, MATE_SCORE, depth, line);
            for (int from = 0; from < 64; ++from)
                for (int to = 0; to < 64; ++to)
                    board.historyTable[from][to] = 2 * PROMOTION_SCORE + (from * 7 + to) % 13;
            EXPECT_EQ(AlphaBeta(board, -MATE_SCORE, MATE_SCORE, depth, line), plain)
                << fen << " depth " << depth;
        }
    }
}

// What the search remembers from earlier searches (success counts, killers, the previous
// iteration's line) only reorders moves of equal ordering score: every iteration scores the
// same with a fresh memory and with one left by searches of other positions.
TEST_F(SearchTest, RememberedOrderingChangesNoIterationScore) {
    const char* positions[] = {
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    };
    for (const char* fen : positions) {
        Recorder fresh;
        searcher.ClearOrderingMemory();
        searcher.Search(FromFen(fen), &fresh, 5);
        Recorder remembering;
        searcher.Search(FromFen(KIWIPETE), nullptr, 4);
        searcher.Search(FromFen(fen), &remembering, 5);
        ASSERT_EQ(fresh.reports.size(), remembering.reports.size()) << fen;
        for (std::size_t i = 0; i < fresh.reports.size(); ++i)
            EXPECT_EQ(fresh.reports[i].score, remembering.reports[i].score)
                << fen << " depth " << i + 1;
    }
}

// Keys order by ordering score first whatever the tie-breaks say; ties go to the killers and
// the line's move.
// The table keeps its entries from one search to the next, and a position met again may carry
// another history. Each pair here is one position with two histories whose draws differ,
// searched one after the other to the same depth with the same table: the second search meets
// the first one's entries at exactly their depths, and a table that took their scores would
// carry a score across the histories.
// - A mate a few moves ahead, with a fresh halfmove clock and with a clock of 97, where the
//   fifty-move draw comes first (either way round).
// - A position Black can repeat once more for a draw after shuffling a bishop and a knight out
//   and back, and the same position set up with the same clock but no history, where the
//   repetition test has nothing to count.
// - A queen's perpetual check (Qe8+ Kh7 Qh5+ Kg8) one ply into the game record, the king's
//   last step, and the same position set up with a clock of 1: the third time the checked
//   king stands on h7 counts only with the record's first position. White's capture Qxb5 comes
//   first at the root, so the checks are searched in a null window, whose child (a clock of 2)
//   reads the table: an entry of a node so near the last capture still depends on the path.
TEST_F(SearchTest, TableEntriesNeverCarryAScoreAcrossHistories) {
    constexpr const char* MATE = "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - ";
    const Board fresh = FromFen(std::string(MATE) + "0 1");
    const Board late = FromFen(std::string(MATE) + "97 90");
    constexpr const char* SHUFFLE = "3q1rk1/p4pp1/2pb3p/3p4/6Pr/1PNQ4/P1PB1PP1/4RRK1 b - - ";
    Board shuffled = FromFen(std::string(SHUFFLE) + "0 1");
    for (const char* move : {"d6b8", "c3b5", "b8d6", "b5c3"}) Play(shuffled, move);
    shuffled.ClearPlyState();
    const Board setUp = FromFen(std::string(SHUFFLE) + "4 3");
    Board checking = FromFen("8/6pk/8/1p5Q/8/rr6/6PP/7K b - - 0 1");
    Play(checking, "h7g8");
    checking.ClearPlyState();
    const Board checkingSetUp = FromFen("6k1/6p1/8/1p5Q/8/rr6/6PP/7K w - - 1 2");

    // Each board with its depth and the score a search without a table gives it.
    struct Case {
        const Board* board;
        int depth;
        int score;
    };
    auto untabled = [](const Board& board, int depth) {
        Searcher reference(0);
        reference.board = std::make_unique<Board>(board);
        Line line;
        return Case{&board, depth, reference.AlphaBeta(-MATE_SCORE, MATE_SCORE, depth, line)};
    };
    const Case mate = untabled(fresh, 4), drawn = untabled(late, 4);
    const Case repeated = untabled(shuffled, 5), lost = untabled(setUp, 5);
    const Case perpetual = untabled(checking, 7), behind = untabled(checkingSetUp, 7);
    EXPECT_EQ(mate.score, MATE_SCORE);
    EXPECT_EQ(drawn.score, 0);
    EXPECT_EQ(repeated.score, 0);
    EXPECT_LT(lost.score, -100);
    EXPECT_EQ(perpetual.score, 0);
    EXPECT_LT(behind.score, -50);

    for (const auto& [first, second] :
         {std::pair{mate, drawn}, std::pair{drawn, mate}, std::pair{lost, repeated},
          std::pair{repeated, lost}, std::pair{perpetual, behind}, std::pair{behind, perpetual}}) {
        Searcher tabled(1);
        Line line;
        for (const Case& next : {first, second}) {
            tabled.board = std::make_unique<Board>(*next.board);
            EXPECT_EQ(tabled.AlphaBeta(-MATE_SCORE, MATE_SCORE, next.depth, line), next.score);
        }
    }
}

// A move one ply above the horizon whose evaluation after it is at most alpha is not searched;
// each case here needs one condition of that rule. The root's window is passed on whole to
// the frontier nodes of its first move.
// - Black's king, knight and bishop moves reach the fifty-move limit: a draw, which raises
//   Black's alpha of -50 though they leave Black behind (with a fresh count White scores 50
//   here). Every White move is quiet, and no quiet move of Black's may be left out, not even
//   where a bound shows them all futile by their evaluation.
// - After Nxh1 Black can only move its bishop, every move futile at Black's alpha of -100:
//   the node still had a legal move, so it is neither stalemate nor mate.
// - The same with Black's king free: Black has no capture, and a bound on what any quiet move
//   can gain shows them all futile before they are generated; the king's step still counts.
TEST_F(SearchTest, FutileMovesAreThoseThatCannotRaiseAlpha) {
    Line line;
    EXPECT_EQ(AlphaBeta(FromFen("kn6/1p5b/8/8/8/8/8/3Q3K w - - 98 80"), -50, 50, 2, line), 0);
    for (const char* fen :
         {"k7/2K5/1B6/8/8/6Nb/8/7n w - - 0 1", "7k/8/1B6/2K5/8/6Nb/8/7n w - - 0 1"})
        EXPECT_EQ(AlphaBeta(FromFen(fen), -MATE_SCORE, 100, 2, line), 100) << fen;
}

// A table entry's score is another tree's unless it was stored at exactly the remaining depth
// of the node that reads it. After a search of a position to some depth, a shallower search of
// it with the same table meets the first one's entries at every node it shares with it, each
// stored deeper than the node now searches: every shallower depth must still score as with an
// empty table.
TEST_F(SearchTest, OnlyEntriesOfTheSameDepthEndANode) {
    for (const char* fen : {"7k/p7/1R5K/6r1/6p1/6P1/8/8 w - - 0 1",
                            "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1"}) {
        for (int depth = 1; depth <= 4; ++depth) {
            Line line;
            Searcher untabled(0), tabled(1);
            untabled.board = std::make_unique<Board>(FromFen(fen));
            tabled.board = std::make_unique<Board>(FromFen(fen));
            tabled.AlphaBeta(-MATE_SCORE, MATE_SCORE, 5, line);
            EXPECT_EQ(tabled.AlphaBeta(-MATE_SCORE, MATE_SCORE, depth, line),
                      untabled.AlphaBeta(-MATE_SCORE, MATE_SCORE, depth, line))
                << fen << " depth " << depth;
        }
    }
}

// The line runs down to the horizon even where the table holds the scores of its positions at
// exactly their depths, as it does for the next turn when the game has followed the line: a
// node with a window wider than one point never ends on an entry.
TEST_F(SearchTest, LinesReachTheHorizonThroughStoredPositions) {
    for (const char* fen :
         {KIWIPETE, "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"}) {
        Board board = FromFen(fen);
        Line expected;
        AlphaBeta(board, -MATE_SCORE, MATE_SCORE, 5, expected);
        ASSERT_EQ(expected.size(), 5) << fen;
        for (int ply = 1; ply <= 2; ++ply) {
            ASSERT_TRUE(board.MakeMove(expected[ply - 1].move));
            Line line;
            AlphaBeta(board, -MATE_SCORE, MATE_SCORE, 5 - ply, line);
            EXPECT_EQ(line.size(), 5 - ply) << fen << " after " << ply;
        }
    }
}

// Helper threads share the table and change nothing the search reports but its node counts:
// every completed depth's score and the move picked are those of one thread.
TEST_F(SearchTest, MoreThreadsGiveTheSameScoresAndMove) {
    for (const char* fen : {KIWIPETE, "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
                            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"}) {
        const Board board = FromFen(fen);
        Recorder one;
        const BestMove alone = Searcher(1, 1).Search(board, &one, 5);
        for (const int threads : {2, 4}) {
            Searcher parallel(1, threads);
            EXPECT_EQ(parallel.Threads(), threads);
            Recorder many;
            const BestMove together = parallel.Search(board, &many, 5);
            EXPECT_EQ(together.move, alone.move) << fen << " on " << threads;
            EXPECT_EQ(together.score, alone.score) << fen << " on " << threads;
            ASSERT_EQ(many.reports.size(), one.reports.size()) << fen;
            for (std::size_t i = 0; i < one.reports.size(); ++i)
                EXPECT_EQ(many.reports[i].score, one.reports[i].score) << fen << " depth " << i + 1;
            EXPECT_GE(many.reports.back().nodes, parallel.nodes);
        }
    }
}

// The stop flag ends every thread's search: the search returns the last completed depth's
// move, and the searcher can search again at once and be destroyed. A flag raised before the
// search leaves the first depth to complete.
TEST_F(SearchTest, TheStopFlagEndsEveryThread) {
    Searcher parallel(1, 4);
    const Board board = FromFen(KIWIPETE);
    for (int round = 0; round < 3; ++round) {
        stopFlag = false;
        Recorder recorder;
        recorder.stopAtDepth = 2;
        const BestMove best = parallel.Search(board, &recorder, MAX_DEPTH);
        ASSERT_EQ(recorder.reports.size(), 2u);
        EXPECT_EQ(best.move, recorder.reports.back().line.front().move);
    }
    // Raised before the search: the main thread completes depth 1 alone, as on one thread.
    stopFlag = true;
    Recorder recorder;
    const BestMove best = parallel.Search(board, &recorder, MAX_DEPTH);
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_FALSE(best.move.IsNull());
}

// Every line an iteration reports, first to last, with its rank.
struct LinesRecorder : SearchListener {
    struct Report {
        int depth;
        int rank;
        int score;
        Line line;
    };
    std::vector<Report> reports;
    void OnIteration(int depth, unsigned, float, int score, const Line& line) override {
        reports.push_back({depth, 1, score, line});
    }
    void OnOtherLine(int depth, int rank, unsigned, float, int score, const Line& line) override {
        reports.push_back({depth, rank, score, line});
    }
};

// With several lines, each iteration's first line is exactly the one line a search finds, and
// the others are the best of the moves left: line k scores as the k-th best root move does when
// the root searches it alone. After the search the root's table entry is the first line's: the
// others score only some moves. Where fewer moves are legal, fewer lines.
TEST_F(SearchTest, SeveralLinesAreTheBestOfTheMovesLeft) {
    const Board board =
        FromFen("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10");
    constexpr int DEPTH = 4, LINES = 3;
    Recorder single;
    const BestMove one = Searcher(1, 1).Search(board, &single, DEPTH);
    searcher.lines = LINES;
    LinesRecorder several;
    const BestMove best = searcher.Search(board, &several, DEPTH);
    EXPECT_EQ(best.move, one.move);
    EXPECT_EQ(best.score, one.score);
    ASSERT_EQ(several.reports.size(), static_cast<std::size_t>(DEPTH * LINES));
    TableEntry root;
    ASSERT_TRUE(searcher.table.Probe(board.PositionKey(), DEPTH, root));
    EXPECT_EQ(root.move, one.move);

    // Each root move searched alone: its score at each depth.
    Board moves(board);
    moves.GenerateMoves();
    std::vector<std::vector<int>> alone(DEPTH + 1);
    for (const MoveEntry& entry : MoveList(moves.CurrentMoves())) {
        if (!moves.IsLegal(entry.move)) continue;
        Searcher restricted(1, 1);
        restricted.rootMoves.Allow(entry.move);
        Recorder recorder;
        EXPECT_EQ(restricted.Search(board, &recorder, DEPTH).move, entry.move);
        for (const Recorder::Report& report : recorder.reports)
            alone[report.depth].push_back(report.score);
        EXPECT_FALSE(restricted.table.Probe(board.PositionKey(), DEPTH, root));
    }
    for (int depth = 1; depth <= DEPTH; ++depth) {
        std::sort(alone[depth].begin(), alone[depth].end(), std::greater<int>());
        const auto* first = &several.reports[(depth - 1) * LINES];
        EXPECT_EQ(first->score, single.reports[depth - 1].score) << depth;
        EXPECT_EQ(first->line.front().move, single.reports[depth - 1].line.front().move);
        for (int k = 0; k < LINES; ++k) {
            EXPECT_EQ(first[k].depth, depth);
            EXPECT_EQ(first[k].rank, k + 1);
            EXPECT_EQ(first[k].score, alone[depth][k]) << "depth " << depth << " line " << k + 1;
            for (int j = 0; j < k; ++j)
                EXPECT_NE(first[k].line.front().move, first[j].line.front().move);
        }
    }

    // In check with two ways out: two lines an iteration.
    LinesRecorder two;
    searcher.lines = 5;
    searcher.Search(FromFen("7k/8/8/8/8/8/8/r6K w - - 0 1"), &two, 3);
    ASSERT_EQ(two.reports.size(), 6u);
    EXPECT_EQ(two.reports[1].rank, 2);
    EXPECT_EQ(two.reports[2].rank, 1);
}

TEST(MoveOrderTest, TieBreaksNeverOutrankAHigherScore) {
    MoveList moves;
    for (int i = 0; i < 40; ++i)
        moves.push_back({Move{static_cast<std::int8_t>(i), static_cast<std::int8_t>(i + 1), 0, 0},
                         (i % 3) - 1});  // scores -1, 0, 1, with many ties
    std::uint16_t successes[64][64];
    for (int from = 0; from < 64; ++from)
        for (int to = 0; to < 64; ++to)
            successes[from][to] = static_cast<std::uint16_t>(60000 - from * 900);
    TieBreaks ties;
    ties.successes = successes;
    ties.killers[0] = moves[30].move;  // scored -1
    ties.killers[1] = moves[4].move;   // scored 0
    ties.lineMove = moves[37].move;    // scored 0
    MoveOrder order;
    order.Prepare(moves, ties, 0, moves.size());
    for (int i = 0; i < moves.size(); ++i) order.PickNext(moves, i);
    for (int i = 1; i < moves.size(); ++i) EXPECT_GE(moves[i - 1].score, moves[i].score) << i;
    // 13 moves score 1, then 13 score 0: the line's move first, then the killer, though the
    // success counts favour lower origin squares; then 14 score -1, the other killer first.
    EXPECT_EQ(moves[13].move.from, 37);
    EXPECT_EQ(moves[14].move.from, 4);
    EXPECT_EQ(moves[26].move.from, 30);
}

}  // namespace
}  // namespace vardo
