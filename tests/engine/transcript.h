// Test harnesses that talk to the engine line by line: in the test's own process through
// streams (EngineSession), or to the built program through pipes (ProgramSession). Both keep
// every line the engine writes and hand them out in order, with time-outs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "engine/engine.h"

namespace vardo::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A fresh, empty folder for one test, removed at the end.
class ScratchDir {
   public:
    ScratchDir();
    ~ScratchDir();
    const fs::path& Path() const { return path; }
    fs::path operator/(const std::string& name) const { return path / name; }

   private:
    fs::path path;
};

// The messages of a log file: each line without its 30-character timestamp and kind field.
std::vector<std::string> LogMessages(const fs::path& file);

// The search threads the engine sessions of these tests run with: VARDO_TEST_THREADS when it
// is set (CI runs the engine's tests on 2 and 4 threads under ThreadSanitizer), else 1.
int TestThreads();
// The lines of a file as they stand.
std::vector<std::string> FileLines(const fs::path& file);
void WriteFile(const fs::path& file, const std::string& text);

// What both harnesses share: sending lines and taking the engine's output lines in order.
class Transcript {
   public:
    virtual ~Transcript() = default;
    virtual void Send(const std::string& line) = 0;
    // Closes the engine's input (its end of input).
    virtual void CloseInput() = 0;

    // The next output line, or nullopt when none comes within the time.
    std::optional<std::string> Next(std::chrono::milliseconds timeout = 5s);
    // The next line that satisfies `wanted`; the lines skipped on the way go to `skipped`.
    std::optional<std::string> NextMatching(const std::function<bool(const std::string&)>& wanted,
                                            std::chrono::milliseconds timeout = 10s,
                                            std::vector<std::string>* skipped = nullptr);
    // The next line starting with "move "; its move text.
    std::optional<std::string> NextMove(std::chrono::milliseconds timeout = 10s,
                                        std::vector<std::string>* skipped = nullptr);
    // Sends "ping n" and returns every line written before "pong n": the replies to what was
    // sent before, since lines are handled in order.
    std::vector<std::string> Sync();

   protected:
    // Called by the reading side with every complete line.
    void Deliver(std::string line);
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> lines;
    std::size_t cursor = 0;
    bool ended = false;  // no more output can come
    int pings = 0;
};

// A stream buffer the test feeds; reads block until there is data or it is closed.
class FeedBuffer : public std::streambuf {
   public:
    void Feed(const std::string& text);
    void Close();

   protected:
    int_type underflow() override;

   private:
    std::mutex mutex;
    std::condition_variable ready;
    std::string data;
    std::size_t next = 0;
    bool closed = false;
    char current = 0;
};

// A stream buffer that splits what is written into lines for a Transcript.
class LineSink : public std::streambuf {
   public:
    explicit LineSink(std::function<void(std::string)> onLine) : deliver(std::move(onLine)) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

   private:
    std::function<void(std::string)> deliver;
    std::string partial;
};

// An Engine in this process, its command loop on a thread of its own.
class EngineSession : public Transcript {
   public:
    // With bookText set, a book file with that text is written for the engine; otherwise the
    // engine finds none.
    explicit EngineSession(std::optional<std::string> bookText = std::nullopt);
    ~EngineSession() override;
    void Send(const std::string& line) override;
    void CloseInput() override;
    // Closes the input if still open and waits for the loop; its result.
    int Finish();
    fs::path LogFile() const { return dir / "vardo.log"; }

   private:
    ScratchDir dir;
    FeedBuffer input;
    std::istream inputStream{&input};
    std::unique_ptr<LineSink> sink;
    std::unique_ptr<std::ostream> outputStream;
    std::unique_ptr<Engine> engine;
    std::thread loop;
    int exitCode = -1;
    bool finished = false;
};

// The built vardo program in a folder of its own.
class ProgramSession : public Transcript {
   public:
    // Starts the program in `folder` (created by the caller, kept after the session), with
    // `arguments` after the test's thread count.
    explicit ProgramSession(const fs::path& folder, const std::vector<std::string>& arguments = {});
    ~ProgramSession() override;
    void Send(const std::string& line) override;
    void CloseInput() override;
    // Closes the input if still open and waits for the program to end; its exit code, or -1
    // when it did not end within the time (it is then killed).
    int Finish(std::chrono::milliseconds timeout = 10s);
    // CPU seconds (user + system) the program has used so far.
    double CpuSeconds() const;

   private:
    void ReadOutput();
    ChildProcess child;
    bool started = false;
    std::thread reader;
    std::string partial;
    int exitCode = -1;
    bool waited = false;
};

// Applies moves given as text to a board with ParseMove; false when one is no legal move.
bool Play(Board& board, const std::string& moveText);

}  // namespace vardo::testing
