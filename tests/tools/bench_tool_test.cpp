// vardo-bench's arguments: a depth it cannot finish in reasonable time, or no depth at all, is
// refused at once with its one usage line; a small depth runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "random_net_file.h"

namespace {

using Args = std::vector<std::string>;
using vardo::testing::RunOutcome;

// Runs the bench with the arguments; a run that would go on is cut after 20 seconds.
RunOutcome Bench(const Args& args) {
    return vardo::testing::RunProgram(vardo::testing::BuiltProgram("vardo-bench"), args,
                                      std::filesystem::temp_directory_path());
}

// The arguments as one text, for failure messages.
std::string Joined(const Args& args) {
    std::string text;
    for (const std::string& arg : args) text += "[" + arg + "]";
    return text;
}

TEST(BenchTool, RefusesDepthsBeyondItsLimitAndRunsSmallOnes) {
    const std::string usage = "vardo-bench: DEPTH must be a whole number from 1 to 8\n";
    for (const Args& args : std::vector<Args>{
             {"9"}, {"99"}, {"2147483648"}, {"0"}, {"-1"}, {"x"}, {"6x"}, {"6 "}, {"3", "4"}}) {
        const RunOutcome refused = Bench(args);
        EXPECT_EQ(refused.status, 2) << Joined(args);
        EXPECT_EQ(refused.out, "") << Joined(args);
        EXPECT_EQ(refused.err, usage) << Joined(args);
    }
    const RunOutcome run = Bench({"1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\nbench nodes "), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");

    const std::string hashUsage =
        "vardo-bench: --hash needs a size in megabytes from 0 to 1048576\n";
    for (const Args& args : std::vector<Args>{
             {"--hash"}, {"--hash", "x", "3"}, {"--hash", "-1"}, {"--hash", "1048577", "3"}}) {
        const RunOutcome refused = Bench(args);
        EXPECT_EQ(refused.status, 2) << Joined(args);
        EXPECT_EQ(refused.err, hashUsage) << Joined(args);
    }
}

// The score of every position, one a line, from the bench's output.
std::string Scores(const std::string& out) {
    std::istringstream in(out);
    std::string scores;
    for (std::string index, move, score, nodes; in >> index >> move >> score >> nodes;)
        if (index != "bench") scores += index + " " + score + "\n";
    return scores;
}

// The table saves nodes and changes no score, whatever its size: none, one so small that
// entries are overwritten all the time, or the default.
TEST(BenchTool, TheTableChangesNoScore) {
    const RunOutcome none = Bench({"--hash", "0", "4"});
    const RunOutcome tiny = Bench({"--hash", "1", "4"});
    const RunOutcome standard = Bench({"4"});
    ASSERT_EQ(none.status, 0) << none.err;
    ASSERT_EQ(tiny.status, 0) << tiny.err;
    ASSERT_EQ(standard.status, 0) << standard.err;
    EXPECT_EQ(Scores(none.out).size() > 100, true);
    EXPECT_EQ(Scores(tiny.out), Scores(none.out));
    EXPECT_EQ(Scores(standard.out), Scores(none.out));
    EXPECT_NE(tiny.out, none.out);  // the table is used: the node counts differ
}

// "vardo bench" searches what vardo-bench searches: the same total, as OpenBench reads it.
TEST(BenchTool, TheEnginesBenchCommandCountsTheSameNodes) {
    const RunOutcome tool = Bench({"3"});
    const RunOutcome engine =
        vardo::testing::RunProgram(vardo::testing::BuiltProgram("vardo"), {"bench", "3"},
                                   std::filesystem::temp_directory_path());
    ASSERT_EQ(tool.status, 0);
    ASSERT_EQ(engine.status, 0) << engine.err;
    const std::size_t total = tool.out.find("\nbench nodes ");
    ASSERT_NE(total, std::string::npos);
    const std::string nodes =
        tool.out.substr(total + 13, tool.out.find(' ', total + 13) - total - 13);
    const std::size_t lastLine = engine.out.rfind('\n', engine.out.size() - 2);
    ASSERT_NE(lastLine, std::string::npos);
    EXPECT_EQ(Scores(engine.out.substr(0, lastLine + 1)), Scores(tool.out));
    const std::regex last("\n" + nodes + R"( nodes \d+ nps\n$)");
    EXPECT_TRUE(std::regex_search(engine.out, last)) << engine.out;
    EXPECT_EQ(vardo::testing::RunProgram(vardo::testing::BuiltProgram("vardo"), {"bench", "9"},
                                         std::filesystem::temp_directory_path())
                  .status,
              2);
}

// With a net file the selective search judges positions by it: other moves or scores than the
// hand-written evaluation's, the same with the portable arithmetic as with AVX2; a damaged net
// file, or a net file with --no-net, is refused.
TEST(BenchTool, TheStrongBenchJudgesWithTheNetGiven) {
    const std::filesystem::path net =
        std::filesystem::temp_directory_path() / "vardo-bench-test.nnue";
    std::vector<unsigned char> bytes = vardo::testing::RandomNetFile(5);
    std::ofstream(net, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const RunOutcome judged = Bench({"--strong", "--eval-file", net.string(), "5"});
    const RunOutcome portable = Bench({"--strong", "--eval-file", net.string(), "--portable", "5"});
    const RunOutcome handWritten = Bench({"--strong", "--no-net", "5"});
    ASSERT_EQ(judged.status, 0) << judged.err;
    ASSERT_EQ(portable.status, 0) << portable.err;
    ASSERT_EQ(handWritten.status, 0) << handWritten.err;
    EXPECT_EQ(judged.out.substr(0, judged.out.find("bench nodes")),
              portable.out.substr(0, portable.out.find("bench nodes")));
    EXPECT_NE(Scores(judged.out), Scores(handWritten.out));
    EXPECT_EQ(Bench({"--strong", "--no-net", "--eval-file", net.string(), "5"}).status, 2);

    bytes[1000] ^= 1;
    std::ofstream(net, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const RunOutcome refused = Bench({"--strong", "--eval-file", net.string(), "5"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find(net.string()), std::string::npos) << refused.err;
    std::filesystem::remove(net);
}

}  // namespace
