// The program's arguments: --version and --help answer and exit, --hash sizes the table and
// --threads sets the search threads, anything else is misuse, and without arguments the engine
// starts.
#include "engine/arguments.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "transcript.h"

namespace vardo {
namespace {

// The usage lines every refusal ends with and --help begins with.
constexpr const char* USAGE =
    "Usage: vardo [--hash MB] [--threads N] [--strong] [--elo N] [--seed N]\n"
    "             [--eval-file PATH] | --help | --version\n";

struct Answer {
    std::optional<int> status;
    std::string out;
    std::string err;
    EngineOptions options;
};

Answer Answered(std::vector<const char*> args) {
    args.insert(args.begin(), "vardo");
    std::ostringstream out, err;
    Answer answer;
    answer.status =
        AnswerArguments(static_cast<int>(args.size()), args.data(), out, err, answer.options);
    answer.out = out.str();
    answer.err = err.str();
    return answer;
}

TEST(Arguments, VersionHelpOptionsAndMisuse) {
    const Answer none = Answered({});
    EXPECT_EQ(none.status, std::nullopt);
    EXPECT_EQ(none.out + none.err, "");
    EXPECT_EQ(none.options.hashMegabytes, TranspositionTable::DEFAULT_MEGABYTES);

    const Answer version = Answered({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Vardo 0.72\n");
    EXPECT_EQ(version.err, "");

    const Answer help = Answered({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with(USAGE)) << help.out;
    EXPECT_NE(help.out.find("--hash MB"), std::string::npos);
    EXPECT_EQ(help.err, "");

    for (const char* size : {"0", "1", "1024", "1048576"}) {
        const Answer hash = Answered({"--hash", size});
        EXPECT_EQ(hash.status, std::nullopt) << size;
        EXPECT_EQ(hash.out + hash.err, "") << size;
        EXPECT_EQ(hash.options.hashMegabytes, std::stoul(size));
    }
    const Answer both = Answered({"--threads", "4", "--strong", "--hash", "64"});
    EXPECT_EQ(both.status, std::nullopt);
    EXPECT_EQ(both.options.threads, 4);
    EXPECT_EQ(both.options.hashMegabytes, 64u);
    EXPECT_TRUE(both.options.strong);
    EXPECT_FALSE(Answered({}).options.strong);
    EXPECT_EQ(Answered({"--threads", "0"}).options.threads, 0);
    EXPECT_EQ(Answered({}).options.threads, 1);
    const Answer level = Answered({"--elo", "1400", "--seed", "18446744073709551615"});
    EXPECT_EQ(level.status, std::nullopt);
    EXPECT_EQ(level.options.elo, 1400);
    EXPECT_EQ(level.options.seed, UINT64_MAX);
    EXPECT_EQ(Answered({}).options.elo, 0);

    const std::string usage = USAGE;
    const std::string hashUsage = "vardo: --hash needs a size in megabytes from 0 to 1048576\n";
    const std::string threadsUsage = "vardo: --threads needs a number from 0 to 256\n";
    const std::string eloUsage = "vardo: --elo needs a rating from 800 to 2400\n";
    const std::string seedUsage = "vardo: --seed needs a number from 1 to 18446744073709551615\n";
    for (const auto& [args, message] :
         std::vector<std::pair<std::vector<const char*>, std::string>>{
             {{"-v"}, "vardo: unknown option '-v'\n"},
             {{"--versions"}, "vardo: unknown option '--versions'\n"},
             {{""}, "vardo: unknown option ''\n"},
             {{"xboard"}, "vardo: unknown option 'xboard'\n"},
             {{"--help", "--version"}, "vardo: '--help' stands alone\n"},
             {{"--hash", "8", "--version"}, "vardo: '--version' stands alone\n"},
             {{"--hash"}, hashUsage},
             {{"--hash", "-1"}, hashUsage},
             {{"--hash", "12MB"}, hashUsage},
             {{"--hash", "1048577"}, hashUsage},
             {{"--hash", "99999999999999999999999"}, hashUsage},
             {{"--threads"}, threadsUsage},
             {{"--threads", "-1"}, threadsUsage},
             {{"--threads", "257"}, threadsUsage},
             {{"--threads", "two"}, threadsUsage},
             {{"--elo"}, eloUsage},
             {{"--elo", "799"}, eloUsage},
             {{"--elo", "2401"}, eloUsage},
             {{"--seed", "0"}, seedUsage},
             {{"--seed", "18446744073709551616"}, seedUsage},
             {{"--eval-file"}, "vardo: --eval-file needs the path of a net file\n"}}) {
        const Answer answer = Answered(args);
        EXPECT_EQ(answer.status, 2) << args[0];
        EXPECT_EQ(answer.out, "") << args[0];
        EXPECT_EQ(answer.err, message + usage) << args[0];
        EXPECT_EQ(answer.options.hashMegabytes, TranspositionTable::DEFAULT_MEGABYTES);
        EXPECT_EQ(answer.options.threads, 1);
    }
}

// The built program answers before anything of a session happens: no banner, no log file.
TEST(Arguments, TheProgramAnswersAndExitsWithoutASession) {
    testing::ScratchDir dir;
    testing::RunOutcome outcome;
    auto run = [&](const std::string& arg) {
        outcome = testing::RunProgram(testing::BuiltProgram("vardo"), {arg}, dir.Path());
        return outcome.status;
    };
    EXPECT_EQ(run("--version"), 0);
    EXPECT_EQ(outcome.out, "Vardo 0.72\n");
    EXPECT_EQ(run("--help"), 0);
    EXPECT_TRUE(outcome.out.starts_with(USAGE)) << outcome.out;
    EXPECT_EQ(run("--bogus"), 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, std::string("vardo: unknown option '--bogus'\n") + USAGE);
    EXPECT_FALSE(std::filesystem::exists(dir / "vardo0.72.log"));
}

// A table larger than the machine can give is reduced, and the program says so on standard
// error and in the log, then plays as usual.
TEST(Arguments, AnOversizedTableIsReducedWithAMessage) {
    testing::ScratchDir dir;
    const testing::RunOutcome outcome = testing::RunProgram(
        testing::BuiltProgram("vardo"), {"--hash", "1048576"}, dir.Path(), "ping 1\nquit\n");
    ASSERT_EQ(outcome.status, 0);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        outcome.err, match,
        std::regex("vardo: a hash table of 1048576 MB is more than this machine can give \\(a "
                   "table takes at most half its memory\\); using ([0-9]+) MB\n")))
        << outcome.err;
    const unsigned long used = std::stoul(match[1]);
    EXPECT_GT(used, 0u);
    EXPECT_LT(used, 1048576u);
    EXPECT_TRUE(outcome.out.ends_with("pong 1\n")) << outcome.out;
    bool logged = false;
    for (const std::string& line : testing::FileLines(dir / "vardo0.72.log"))
        logged |= line.ends_with(";Warning  ;(Main) Hash table reduced;1048576 MB asked, " +
                                 std::string(match[1]) + " MB allocated");
    EXPECT_TRUE(logged);
}

}  // namespace
}  // namespace vardo
