// Perft counts of standard and Chess960 positions, checked against counts from an independent
// engine.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/perft.h"
#include "board_test_util.h"

namespace vardo {
namespace {

struct PerftCase {
    std::string fen;
    std::vector<std::uint64_t> counts;  // counts[d - 1] is the count at depth d
};

std::vector<PerftCase> ReadEpd(const std::string& name) {
    std::ifstream in(std::string(VARDO_SOURCE_DIR "/tests/data/") + name);
    std::vector<PerftCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        PerftCase c;
        std::getline(fields, c.fen, ';');
        std::string depthField;
        while (std::getline(fields, depthField, ';')) {
            std::istringstream depth(depthField);
            std::string label;
            std::uint64_t count;
            depth >> label >> count;
            c.counts.push_back(count);
        }
        cases.push_back(c);
    }
    return cases;
}

// Small enough for every build type, sanitizers included.
constexpr std::uint64_t MAX_LEAVES_IN_UNIT_TEST = 250000;

void CheckFile(const std::string& name, std::size_t expectedPositions,
               Board::Variant variant = Board::Variant::STANDARD) {
    const auto cases = ReadEpd(name);
    ASSERT_EQ(cases.size(), expectedPositions);
    for (const PerftCase& c : cases) {
        Board board;
        ASSERT_TRUE(board.SetFromFen(c.fen, variant)) << c.fen;
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

TEST(Perft, StandardPositionsMatchKnownCounts) {
    CheckFile("perft-standard.epd", 6);
}

// Positions that stress one rule each: en passant, castling, promotion, checks and pins.
TEST(Perft, ThemedPositionsMatchKnownCounts) {
    CheckFile("perft-themed.epd", 17);
}

// Castling with king and rooks on other files: kings on b to g, a rook beside the king or on
// the king's destination, a king that does not move, an inner rook's right, a rook that shields
// its king. Make and take back of every castling must leave the board as it was.
TEST(Perft, Chess960PositionsMatchKnownCounts) {
    CheckFile("perft-chess960.epd", 24, Board::Variant::CHESS960);
}

}  // namespace
}  // namespace vardo
