#include "support/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vardo {
namespace {

namespace fs = std::filesystem;

// A fresh file name in the test's scratch folder, removed before and after the test.
class LogFile : public ::testing::Test {
   protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::path(::testing::TempDir()) / (std::string("vardo_log_") + info->name() + ".log");
        fs::remove(path);
    }
    void TearDown() override { fs::remove(path); }

    std::vector<std::string> Lines() const {
        std::ifstream in(path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    fs::path path;
};

const std::regex LINE_FORMAT(
    R"(^(0[1-9]|1[0-2])/(0[1-9]|[12]\d|3[01])/\d{4} ([01]\d|2[0-3]):[0-5]\d:[0-5]\d)"
    R"(;(Event    |Warning  |Error    );.*$)");

TEST_F(LogFile, LinesHaveStampKindAndMessageAndAreFlushed) {
    Log log(path.string());
    log.Event("New session");
    log.Warning("(Main) Rejected;e2e5; with semicolons");
    log.Error("(Book) Error in opening book;xx");
    // Read while the log is still open: each line reaches the file as it is written.
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    const char* kinds[] = {";Event    ;", ";Warning  ;", ";Error    ;"};
    const char* messages[] = {"New session", "(Main) Rejected;e2e5; with semicolons",
                              "(Book) Error in opening book;xx"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], LINE_FORMAT)) << lines[i];
        EXPECT_EQ(lines[i].substr(19, 11), kinds[i]);
        EXPECT_EQ(lines[i].substr(30), messages[i]);
    }
    EXPECT_EQ(Timestamp().size(), 19u);
}

TEST_F(LogFile, AppendsToEarlierContents) {
    {
        std::ofstream earlier(path);
        earlier << "earlier line\n";
    }
    {
        Log first(path.string());
        first.Event("Closed session");
    }
    {
        Log second(path.string());
        second.Event("New session");
    }
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "earlier line");
    EXPECT_EQ(lines[1].substr(30), "Closed session");
    EXPECT_EQ(lines[2].substr(30), "New session");
}

// Standard output carries the protocol, so a log that cannot be opened drops its lines without
// a word there or on standard error, and creates nothing.
TEST_F(LogFile, UnopenableFileDropsLinesQuietly) {
    const fs::path missing = path.parent_path() / (path.stem().string() + "_no_folder") / "x.log";
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        Log log(missing.string());
        log.Event("dropped");
        log.Warning("dropped");
        log.Error("dropped");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(fs::exists(missing.parent_path()));
}

TEST_F(LogFile, GlobalWritersFollowTheLogPointer) {
    ASSERT_EQ(theLog, nullptr);
    LogEvent("before");  // no log yet: nothing happens
    theLog = new Log(path.string());
    LogEvent("event");
    LogWarning("warning");
    LogError("error");
    delete theLog;
    theLog = nullptr;
    LogError("after");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(19), ";Event    ;event");
    EXPECT_EQ(lines[1].substr(19), ";Warning  ;warning");
    EXPECT_EQ(lines[2].substr(19), ";Error    ;error");
}

TEST_F(LogFile, LinesFromSeveralThreadsComeOutWhole) {
    constexpr int THREADS = 4;
    constexpr int LINES_PER_THREAD = 300;
    std::set<std::string> expected;
    for (int t = 0; t < THREADS; ++t) {
        expected.insert("(Test) thread " + std::to_string(t) + ";" +
                        std::string(200, static_cast<char>('a' + t)));
    }
    {
        Log log(path.string());
        std::vector<std::thread> writers;
        for (int t = 0; t < THREADS; ++t) {
            writers.emplace_back([&log, t] {
                const std::string message = "(Test) thread " + std::to_string(t) + ";" +
                                            std::string(200, static_cast<char>('a' + t));
                for (int i = 0; i < LINES_PER_THREAD; ++i) {
                    if (i % 2 == 0) {
                        log.Event(message);
                    } else {
                        log.Warning(message);
                    }
                }
            });
        }
        for (auto& writer : writers) writer.join();
    }
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(THREADS * LINES_PER_THREAD));
    for (const auto& line : lines) {
        ASSERT_TRUE(std::regex_match(line, LINE_FORMAT)) << line;
        ASSERT_EQ(expected.count(line.substr(30)), 1u) << line;
    }
}

}  // namespace
}  // namespace vardo
