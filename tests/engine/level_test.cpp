// Levels: the rating table and the choice keep their bounds, and a level played through UCI
// moves legally, varies with its seed, takes a natural time on the clock and never plays a move
// that a full search at depth 1 finds much worse than the best.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/level.h"
#include "search/line.h"
#include "search/search_types.h"
#include "transcript.h"

namespace vardo {
namespace {

using testing::ProgramSession;
using testing::ScratchDir;
using namespace std::chrono_literals;

TEST(Level, StrengthSettingsAndChoiceKeepTheirBounds) {
    // A higher rating is never a weaker game: it searches no less and chooses no worse.
    LevelSettings last = LevelFor(MIN_LEVEL_ELO - 500);
    EXPECT_EQ(last.maxDepth, LevelFor(MIN_LEVEL_ELO).maxDepth);
    for (int elo = MIN_LEVEL_ELO; elo <= MAX_LEVEL_ELO; elo += 25) {
        const LevelSettings now = LevelFor(elo);
        EXPECT_GE(now.maxDepth, last.maxDepth) << elo;
        const auto nodes = [](const LevelSettings& l) {
            return l.nodes == 0 ? UINT64_MAX : l.nodes;
        };
        EXPECT_GE(nodes(now), nodes(last)) << elo;  // 0: no limit
        EXPECT_GE(now.keepPercent, last.keepPercent) << elo;
        EXPECT_LE(now.noise, last.noise) << elo;
        EXPECT_LE(now.maxLoss, last.maxLoss) << elo;
        EXPECT_GT(now.thinkShareLow, 0.0f);
        EXPECT_LE(now.thinkShareHigh, 0.75f);
        last = now;
    }
    const LevelSettings top = SettingsOfStrength(LEVEL_TOP);
    EXPECT_EQ(top.maxDepth, MAX_DEPTH);
    EXPECT_EQ(top.nodes, 0u);
    EXPECT_EQ(top.maxLoss, 0);

    // Close lines are all played now and then; a line beyond the most loss never is; the top
    // strength always plays the best.
    const std::vector<LevelLine> lines = {
        {Move(), Move(), 50}, {Move(), Move(), 40}, {Move(), Move(), -60}, {Move(), Move(), -300}};
    const LevelSettings weakest = SettingsOfStrength(0.0);
    ASSERT_LT(weakest.maxLoss, 350);
    std::map<int, int> played;
    Random random(1);
    for (int i = 0; i < 2000; ++i) ++played[ChooseLevelLine(lines, weakest, random)];
    EXPECT_EQ(played.count(3), 0u);
    EXPECT_GT(played[0], played[2]);
    EXPECT_GT(played[1], 100);
    EXPECT_GT(played[2], 20);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(ChooseLevelLine(lines, top, random), 0);
}

// A middle-game position where many moves lose a man at once.
constexpr const char* POSITION =
    "r2qkb1r/ppp2ppp/2np1n2/4p3/2B1P1b1/2NP1N2/PPP2PPP/R1BQK2R w KQkq - 1 6";

// The moves a session plays at a level from POSITION, `count` times over.
std::vector<std::string> LevelMoves(ProgramSession& program, int count) {
    std::vector<std::string> moves;
    for (int i = 0; i < count; ++i) {
        program.Send(std::string("position fen ") + POSITION);
        program.Send("go");
        const auto line = program.NextMatching(
            [](const std::string& l) { return l.starts_with("bestmove "); }, 20s);
        if (!line) {
            ADD_FAILURE() << "no bestmove";
            break;
        }
        moves.push_back(line->substr(9, line->find(' ', 9) - 9));
    }
    return moves;
}

TEST(Level, PlaysLegalVariedMovesInANaturalTimeAndNoWideBlunder) {
    ScratchDir dir;
    ProgramSession program(dir.Path(), {"--elo", "800", "--seed", "11"});
    program.Send("uci");
    std::vector<std::string> reply;
    ASSERT_TRUE(
        program.NextMatching([](const std::string& l) { return l == "uciok"; }, 10s, &reply));
    ASSERT_GE(reply.size(), 3u);
    EXPECT_EQ(reply[reply.size() - 2],
              "option name UCI_Elo type spin default 800 min 800 max 2400");
    EXPECT_EQ(reply[reply.size() - 3], "option name UCI_LimitStrength type check default true");
    program.Send("setoption name UCI_Elo value 799");
    EXPECT_EQ(program.Next(),
              "info string UCI_Elo takes a number from 800 to 2400, unchanged: 799");

    // Every move's score by the full selective search at depth 1.
    program.Send("setoption name UCI_LimitStrength value false");
    program.Send("setoption name Strong value true");
    program.Send("setoption name MultiPV value 500");
    program.Send(std::string("position fen ") + POSITION);
    program.Send("go depth 1");
    std::vector<std::string> info;
    ASSERT_TRUE(program.NextMatching([](const std::string& l) { return l.starts_with("bestmove"); },
                                     20s, &info));
    std::map<std::string, int> depthOne;
    int best = -MATE_SCORE;
    for (const std::string& line : info) {
        const std::size_t cp = line.find(" score cp ");
        const std::size_t pv = line.find(" pv ");
        if (cp == std::string::npos || pv == std::string::npos) continue;
        const int score = std::stoi(line.substr(cp + 10));
        depthOne[line.substr(pv + 4, line.find(' ', pv + 4) - pv - 4)] = score;
        best = std::max(best, score);
    }
    ASSERT_GT(depthOne.size(), 30u);
    ASSERT_GT(std::count_if(depthOne.begin(), depthOne.end(),
                            [&](const auto& entry) { return entry.second < best - 350; }),
              5);  // the position has blunders to make
    program.Send("setoption name Strong value false");
    program.Send("setoption name MultiPV value 1");
    program.Send("setoption name UCI_LimitStrength value true");

    const auto checkMoves = [&](const std::vector<std::string>& moves) {
        for (const std::string& move : moves) {
            ASSERT_EQ(depthOne.count(move), 1u) << move;  // a legal move
            EXPECT_GE(depthOne[move], best - 350) << move;
        }
    };
    const std::vector<std::string> weakest = LevelMoves(program, 24);
    checkMoves(weakest);
    EXPECT_GE(std::set<std::string>(weakest.begin(), weakest.end()).size(), 3u);
    program.Send("setoption name UCI_Elo value 1400");
    checkMoves(LevelMoves(program, 8));

    // On the clock, a level whose search ends at once still takes a share of the allotment
    // (a thirtieth of the clock): at least a quarter of it.
    program.Send(std::string("position fen ") + POSITION);
    const auto start = std::chrono::steady_clock::now();
    program.Send("go wtime 30000 btime 30000");
    ASSERT_TRUE(
        program.NextMatching([](const std::string& l) { return l.starts_with("bestmove"); }, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
    program.Send("quit");
    EXPECT_EQ(program.Finish(), 0);

    // Another seed, other moves; the same seed, the same moves.
    ScratchDir otherDir;
    ProgramSession other(otherDir.Path(), {"--elo", "800", "--seed", "12"});
    other.Send("uci");
    const std::vector<std::string> otherMoves = LevelMoves(other, 24);
    checkMoves(otherMoves);
    EXPECT_NE(otherMoves, weakest);
    ScratchDir sameDir;
    ProgramSession same(sameDir.Path(), {"--elo", "800", "--seed", "11", "--threads", "1"});
    same.Send("uci");
    if (testing::TestThreads() == 1) {
        EXPECT_EQ(LevelMoves(same, 24), weakest);
    }
}

}  // namespace
}  // namespace vardo
