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
}

}  // namespace
