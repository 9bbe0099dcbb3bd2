// The program's arguments: --version and --help answer and exit, anything else is misuse, and
// without arguments the engine starts.
#include "engine/arguments.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "transcript.h"

namespace vardo {
namespace {

struct Answer {
    std::optional<int> status;
    std::string out;
    std::string err;
};

Answer Answered(std::vector<const char*> args) {
    args.insert(args.begin(), "vardo");
    std::ostringstream out, err;
    Answer answer;
    answer.status = AnswerArguments(static_cast<int>(args.size()), args.data(), out, err);
    answer.out = out.str();
    answer.err = err.str();
    return answer;
}

TEST(Arguments, VersionHelpAndMisuse) {
    const Answer none = Answered({});
    EXPECT_EQ(none.status, std::nullopt);
    EXPECT_EQ(none.out + none.err, "");

    const Answer version = Answered({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Vardo 0.72\n");
    EXPECT_EQ(version.err, "");

    const Answer help = Answered({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: vardo [--help | --version]\n")) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");

    for (const std::vector<const char*>& misuse :
         std::vector<std::vector<const char*>>{{"-v"},
                                               {"--versions"},
                                               {""},
                                               {"xboard"},
                                               {"--help", "--version"},
                                               {"--version", "x"}}) {
        const Answer answer = Answered(misuse);
        EXPECT_EQ(answer.status, 2) << misuse[0];
        EXPECT_EQ(answer.out, "") << misuse[0];
        EXPECT_EQ(answer.err, "Usage: vardo [--help | --version]\n") << misuse[0];
    }
}

// The built program answers before anything of a session happens: no banner, no log file.
TEST(Arguments, TheProgramAnswersAndExitsWithoutASession) {
    testing::ScratchDir dir;
    const std::string program = std::string(VARDO_BINARY_DIR) + "/vardo";
    auto run = [&](const std::string& args) {
        const std::string command = "cd '" + dir.Path().string() + "' && '" + program + "' " +
                                    args + " >out.txt 2>err.txt </dev/null";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(run("--version"), 0);
    EXPECT_EQ(testing::FileLines(dir / "out.txt"), std::vector<std::string>{"Vardo 0.72"});
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(testing::FileLines(dir / "out.txt").front(), "Usage: vardo [--help | --version]");
    EXPECT_EQ(run("--bogus"), 2);
    EXPECT_TRUE(testing::FileLines(dir / "out.txt").empty());
    EXPECT_EQ(testing::FileLines(dir / "err.txt"),
              std::vector<std::string>{"Usage: vardo [--help | --version]"});
    EXPECT_FALSE(std::filesystem::exists(dir / "vardo0.72.log"));
}

}  // namespace
}  // namespace vardo
