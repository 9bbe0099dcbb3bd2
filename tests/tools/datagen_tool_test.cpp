// vardo-datagen on a tiny run: every line is a quiet position (a FEN the board takes, its side
// to move not in check), a score and a result, and the same seed gives the same file on one
// thread and on two; the binary records say the same, and ranges of games add up.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "board/board.h"
#include "child_process.h"

namespace {

std::string Generate(const std::filesystem::path& folder, const std::string& name,
                     const std::string& threads, const std::string& format = "text",
                     const std::string& first = "0", const std::string& games = "3") {
    const std::filesystem::path out = folder / name;
    const vardo::testing::RunOutcome run = vardo::testing::RunProgram(
        vardo::testing::BuiltProgram("vardo-datagen"),
        {"--games", games, "--first-game", first, "--format", format, "--nodes", "400", "--threads",
         threads, "--seed", "7", "--openings",
         std::string(VARDO_SOURCE_DIR) + "/tests/data/openings.epd", "--out", out.string()},
        folder);
    EXPECT_EQ(run.status, 0) << run.err;
    std::ifstream in(out, std::ios::binary);  // the records as written, on every system
    std::stringstream text;
    text << in.rdbuf();
    in.close();  // Windows removes no file that is still open
    std::filesystem::remove(out);
    return text.str();
}

TEST(DatagenTool, WritesQuietScoredPositionsTheSameOnAnyThreadCount) {
    const std::filesystem::path folder = vardo::testing::PrivateFolder("vardo_datagen_test");
    const std::string one = Generate(folder, "vardo_datagen_test_1.txt", "1");
    const std::string two = Generate(folder, "vardo_datagen_test_2.txt", "2");
    EXPECT_EQ(one, two);

    std::istringstream lines(one);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const std::size_t bar = line.find(" | ");
        const std::size_t second = line.find(" | ", bar + 3);
        ASSERT_NE(second, std::string::npos) << line;
        vardo::Board board;
        ASSERT_TRUE(board.SetFromFen(line.substr(0, bar))) << line;
        EXPECT_FALSE(board.InCheck(board.side)) << line;
        const int score = std::stoi(line.substr(bar + 3, second - bar - 3));
        EXPECT_LT(std::abs(score), 9000) << line;
        const std::string result = line.substr(second + 3);
        EXPECT_TRUE(result == "1.0" || result == "0.5" || result == "0.0") << line;
    }
    EXPECT_GT(count, 30);  // three games of quiet positions

    // The binary records hold the same positions, scores and results, and runs over parts of
    // the range of games add up to the run over all of it.
    const std::string binary = Generate(folder, "vardo_datagen_test_3.bin", "2", "binary");
    ASSERT_EQ(binary.size(), 32u * static_cast<std::size_t>(count));
    EXPECT_EQ(Generate(folder, "vardo_datagen_test_4.bin", "1", "binary", "0", "1") +
                  Generate(folder, "vardo_datagen_test_5.bin", "1", "binary", "1", "2"),
              binary);
    lines.clear();
    lines.seekg(0);
    std::size_t at = 0;
    for (std::string line; std::getline(lines, line); at += 32) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(binary[at + i]); };
        vardo::Board board;
        ASSERT_TRUE(board.SetFromFen(line.substr(0, line.find(" | "))));
        std::uint64_t occupied = 0;
        for (int i = 0; i < 8; ++i) occupied |= std::uint64_t{byte(i)} << (8 * i);
        // The records number the squares from a1, the board from a8.
        EXPECT_EQ(occupied,
                  __builtin_bswap64(board.Occupancy(vardo::WHITE) | board.Occupancy(vardo::BLACK)));
        int nibble = 0;
        for (std::uint64_t rest = occupied; rest != 0; rest &= rest - 1, ++nibble) {
            const int square = std::countr_zero(rest) ^ 56;
            const int code = (byte(8 + nibble / 2) >> (4 * (nibble % 2))) & 15;
            EXPECT_EQ(code & 7, board.piece[square]) << line;
            EXPECT_EQ(code >> 3, board.colour[square]) << line;
        }
        const auto score = static_cast<std::int16_t>(byte(24) | byte(25) << 8);
        const std::size_t bar = line.find(" | ");
        EXPECT_EQ(score, std::stoi(line.substr(bar + 3))) << line;
        const std::string result = line.substr(line.rfind(" | ") + 3);
        EXPECT_EQ(byte(26), result == "1.0" ? 2 : result == "0.5" ? 1 : 0) << line;
        EXPECT_EQ(byte(27), board.side) << line;
        EXPECT_EQ(byte(28), board.castle) << line;
        EXPECT_EQ(byte(29), board.enPassant >= 0 ? board.enPassant ^ 56 : 64) << line;
    }

    const vardo::testing::RunOutcome wrong = vardo::testing::RunProgram(
        vardo::testing::BuiltProgram("vardo-datagen"), {"--games", "0", "--out", "x"}, folder);
    EXPECT_EQ(wrong.status, 2);
    std::filesystem::remove_all(folder);
}

}  // namespace
