// The console reader on its own: line reading, the end of input, and whole output lines.
#include "engine/console_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "transcript.h"

namespace vardo {
namespace {

using testing::FeedBuffer;

std::vector<std::string> Drain(ConsoleReader& reader) {
    reader.Wait();  // the thread ends after "quit" or the end of input
    std::vector<std::string> lines;
    for (std::string line; reader.PopLine(line);) lines.push_back(line);
    return lines;
}

TEST(ConsoleReader, QueuesLinesInOrderAndStopsAfterQuit) {
    std::istringstream input("e2e4\n\n quit\nQUIT\nquit \nquit\nnever read\n");
    std::ostringstream output;
    ConsoleReader reader(input, output);
    reader.Begin();
    EXPECT_EQ(Drain(reader),
              (std::vector<std::string>{"e2e4", "", " quit", "QUIT", "quit ", "quit"}));
    std::string untouched = "kept";
    EXPECT_FALSE(reader.PopLine(untouched));
    EXPECT_EQ(untouched, "kept");
}

TEST(ConsoleReader, EndOfInputIsSaidOnceEveryLineIsQueued) {
    std::istringstream input("new\ngo");  // the last line has no line end
    std::ostringstream output;
    ConsoleReader reader(input, output);
    EXPECT_FALSE(reader.InputEnded());
    reader.Begin();
    EXPECT_EQ(Drain(reader), (std::vector<std::string>{"new", "go"}));
    EXPECT_TRUE(reader.InputEnded());
}

// One carriage return before the line end is part of the line end (CR LF); any other stays.
TEST(ConsoleReader, CarriageReturnBeforeTheLineEndIsDropped) {
    std::istringstream input("new\r\n\r\nmid\rdle\ntwo\r\r\n\rlead\nquit\r\nnever read\n");
    std::ostringstream output;
    ConsoleReader reader(input, output);
    reader.Begin();
    EXPECT_EQ(Drain(reader),
              (std::vector<std::string>{"new", "", "mid\rdle", "two\r", "\rlead", "quit"}));

    std::istringstream last("go\r");  // the last line has no line end
    ConsoleReader lastReader(last, output);
    lastReader.Begin();
    EXPECT_EQ(Drain(lastReader), (std::vector<std::string>{"go"}));
}

TEST(ConsoleReader, LongLinesAreCutWithoutLosingTheNextLine) {
    const std::string exact(255, 'a');
    const std::string huge(MAX_LINE_LENGTH * 3 + 17, 'b');
    std::istringstream input(exact + "\n" + huge + "\nping 1\n");
    std::ostringstream output;
    ConsoleReader reader(input, output);
    reader.Begin();
    const std::vector<std::string> lines = Drain(reader);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], exact);
    EXPECT_EQ(lines[1], std::string(MAX_LINE_LENGTH, 'b'));
    EXPECT_EQ(lines[2], "ping 1");
}

TEST(ConsoleReader, WriteLineStopsAtNulAndEndsEveryTextWithOneLineEnd) {
    std::istringstream input("");
    std::ostringstream output;
    ConsoleReader reader(input, output);
    reader.Begin();
    reader.WriteLine("abc");
    reader.WriteLine("");
    reader.WriteLine(std::string("x\0y\nz", 5));
    reader.WriteLine("two\n");
    EXPECT_EQ(output.str(), "abc\n\nx\ntwo\n\n");
}

// Two threads writing at once: every line must come out whole.
TEST(ConsoleReader, LinesFromTwoThreadsNeverInterleave) {
    FeedBuffer feed;
    std::istream input(&feed);
    std::ostringstream output;
    {
        ConsoleReader reader(input, output);
        reader.Begin();
        const std::string a(300, 'a');
        const std::string b(300, 'b');
        std::thread other([&] {
            for (int i = 0; i < 500; ++i) reader.WriteLine(a);
        });
        for (int i = 0; i < 500; ++i) reader.WriteLine(b);
        other.join();
        feed.Close();
    }
    std::istringstream written(output.str());
    int count = 0;
    for (std::string line; std::getline(written, line); ++count) {
        ASSERT_TRUE(line == std::string(300, 'a') || line == std::string(300, 'b'));
    }
    EXPECT_EQ(count, 1000);
}

}  // namespace
}  // namespace vardo
