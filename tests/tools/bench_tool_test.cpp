// vardo-bench's arguments: a depth it cannot finish in reasonable time, or no depth at all, is
// refused at once with its one usage line; a small depth runs.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the bench with the arguments; a run that would go on is cut after a few seconds.
Outcome Bench(const std::string& args) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string tag = std::to_string(::getpid());
    const auto out = dir / ("vardo-bench-out-" + tag), err = dir / ("vardo-bench-err-" + tag);
    const std::string command = std::string("timeout 20 '") + VARDO_BINARY_DIR + "/vardo-bench' " +
                                args + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return outcome;
}

TEST(BenchTool, RefusesDepthsBeyondItsLimitAndRunsSmallOnes) {
    const std::string usage = "vardo-bench: DEPTH must be a whole number from 1 to 8\n";
    for (const char* args : {"9", "99", "2147483648", "0", "-1", "x", "6x", "'6 '", "3 4"}) {
        const Outcome refused = Bench(args);
        EXPECT_EQ(refused.status, 2) << args;
        EXPECT_EQ(refused.out, "") << args;
        EXPECT_EQ(refused.err, usage) << args;
    }
    const Outcome run = Bench("1");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\nbench nodes "), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");

    const std::string hashUsage =
        "vardo-bench: --hash needs a size in megabytes from 0 to 1048576\n";
    for (const char* args : {"--hash", "--hash x 3", "--hash -1", "--hash 1048577 3"}) {
        const Outcome refused = Bench(args);
        EXPECT_EQ(refused.status, 2) << args;
        EXPECT_EQ(refused.err, hashUsage) << args;
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
    const Outcome none = Bench("--hash 0 4");
    const Outcome tiny = Bench("--hash 1 4");
    const Outcome standard = Bench("4");
    ASSERT_EQ(none.status, 0) << none.err;
    ASSERT_EQ(tiny.status, 0) << tiny.err;
    ASSERT_EQ(standard.status, 0) << standard.err;
    EXPECT_EQ(Scores(none.out).size() > 100, true);
    EXPECT_EQ(Scores(tiny.out), Scores(none.out));
    EXPECT_EQ(Scores(standard.out), Scores(none.out));
    EXPECT_NE(tiny.out, none.out);  // the table is used: the node counts differ
}

}  // namespace
