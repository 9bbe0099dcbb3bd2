// vardo-datagen on a tiny run: every line is a quiet position (a FEN the board takes, its side
// to move not in check), a score and a result, and the same seed gives the same file on one
// thread and on two.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "board/board.h"
#include "child_process.h"

namespace {

std::string Generate(const std::filesystem::path& folder, const std::string& name,
                     const std::string& threads) {
    const std::filesystem::path out = folder / name;
    const vardo::testing::RunOutcome run = vardo::testing::RunProgram(
        vardo::testing::BuiltProgram("vardo-datagen"),
        {"--games", "3", "--nodes", "400", "--threads", threads, "--seed", "7", "--openings",
         std::string(VARDO_SOURCE_DIR) + "/tests/data/openings.epd", "--out", out.string()},
        folder);
    EXPECT_EQ(run.status, 0) << run.err;
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    in.close();  // Windows removes no file that is still open
    std::filesystem::remove(out);
    return text.str();
}

TEST(DatagenTool, WritesQuietScoredPositionsTheSameOnAnyThreadCount) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
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

    const vardo::testing::RunOutcome wrong = vardo::testing::RunProgram(
        vardo::testing::BuiltProgram("vardo-datagen"), {"--games", "0", "--out", "x"}, folder);
    EXPECT_EQ(wrong.status, 2);
}

}  // namespace
