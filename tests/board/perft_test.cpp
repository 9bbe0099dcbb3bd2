// Perft counts of standard positions, checked against counts from an independent engine.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board_test_util.h"

namespace vardo {
namespace {

std::uint64_t Perft(Board& board, int depth) {
    board.GenerateMoves();
    const MoveList& moves = board.CurrentMoves();
    std::uint64_t leaves = 0;
    for (int i = 0; i < moves.size(); ++i) {
        if (!board.MakeMove(moves[i].move)) continue;
        leaves += depth > 1 ? Perft(board, depth - 1) : 1;
        board.TakeBack();
    }
    return leaves;
}

struct PerftCase {
    std::string fen;
    std::vector<std::uint64_t> counts;  // counts[d - 1] is the count at depth d
};

std::vector<PerftCase> ReadEpd() {
    std::ifstream in(VARDO_SOURCE_DIR "/tests/data/perft-standard.epd");
    std::vector<PerftCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        PerftCase c;
        std::getline(fields, c.fen, ';');
        std::string depthField;
        while (std::getline(fields, depthField, ';')) {
            std::istringstream depth(depthField);
            std::string name;
            std::uint64_t count;
            depth >> name >> count;
            c.counts.push_back(count);
        }
        cases.push_back(c);
    }
    return cases;
}

// Small enough for every build type, sanitizers included.
constexpr std::uint64_t MAX_LEAVES_IN_UNIT_TEST = 500000;

TEST(Perft, StandardPositionsMatchKnownCounts) {
    const auto cases = ReadEpd();
    ASSERT_EQ(cases.size(), 6u);
    for (const PerftCase& c : cases) {
        Board board = test::FromFen(c.fen);
        const Board before(board);
        for (std::size_t d = 1; d <= c.counts.size(); ++d) {
            if (c.counts[d - 1] > MAX_LEAVES_IN_UNIT_TEST) break;
            EXPECT_EQ(Perft(board, static_cast<int>(d)), c.counts[d - 1])
                << c.fen << " depth " << d;
        }
        // Everything made was taken back; only the current ply's list was refilled.
        board.CurrentMoves() = before.plyMoves.back();
        EXPECT_TRUE(board == before) << c.fen;
        EXPECT_TRUE(board.IsConsistent());
    }
}

// Positions that stress one rule each, with counts from an independent engine.
TEST(Perft, ThemedPositions) {
    struct Themed {
        const char* fen;
        int depth;
        std::uint64_t count;
    };
    const Themed themed[] = {
        // en passant that would expose the king along the rank
        {"8/8/8/8/k2Pp2Q/8/8/3K4 b - d3 0 1", 1, 6},
        {"3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1", 6, 1134888},
        // castling through and into check, rights lost by captures
        {"r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1", 4, 1274206},
        {"r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1", 4, 1720476},
        // promotions with and without capture, underpromotion giving check
        {"2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1", 6, 3821001},
        {"4k3/1P6/8/8/8/8/K7/8 w - - 0 1", 6, 217342},
        {"8/P1k5/K7/8/8/8/8/8 w - - 0 1", 6, 92683},
        // discovered check and double check
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", 6, 661072},
        {"8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1", 4, 23527},
        {"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", 6, 1440467},
    };
    for (const Themed& t : themed) {
        Board board = test::FromFen(t.fen);
        EXPECT_EQ(Perft(board, t.depth), t.count) << t.fen;
    }
}

}  // namespace
}  // namespace vardo
