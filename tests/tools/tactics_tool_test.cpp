// vardo-tactics on a two-position file: a mate in one given in algebraic notation, found at
// once, and a quiet middlegame whose bm is a poor move, searched until the time runs out and
// missed. The count, the exit status and the end of the time limit are what is checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"

namespace {

TEST(TacticsTool, CountsSolvedPositionsAndStopsOnTime) {
    const std::filesystem::path folder = vardo::testing::PrivateFolder("vardo_tactics_test");
    const std::filesystem::path file = folder / "vardo_tactics_tool_test.epd";
    {
        std::ofstream out(file);
        out << "# a comment, then a blank line\n\n"
               "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - bm Qxf7#; "
               "id \"mate\"; hmvc 4; fmvn 4;\n"
               "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - bm a1b1; "
               "id \"quiet\";\n";
    }
    const auto program = vardo::testing::BuiltProgram("vardo-tactics");
    // The 20-second cut of RunProgram would end a search that never stops.
    const vardo::testing::RunOutcome run =
        vardo::testing::RunProgram(program, {"--ms", "100", file.string()}, folder);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("mate expected f3f7 found f3f7 ok depth ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nquiet expected a1b1 found "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" miss depth "), std::string::npos) << run.out;
    EXPECT_TRUE(run.out.ends_with("\nsolved 1 of 2\n")) << run.out;

    const vardo::testing::RunOutcome missing =
        vardo::testing::RunProgram(program, {(folder / "no such file.epd").string()}, folder);
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    std::filesystem::remove_all(folder);
}

}  // namespace
