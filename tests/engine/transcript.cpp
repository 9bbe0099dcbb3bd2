#include "transcript.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "board/notation.h"

namespace vardo::testing {

namespace {

std::atomic<int> scratchCount{0};

}  // namespace

ScratchDir::ScratchDir() {
    path = fs::temp_directory_path() / ("vardo_engine_test_" + std::to_string(::getpid()) + "_" +
                                        std::to_string(scratchCount++));
    fs::remove_all(path);
    fs::create_directories(path);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::vector<std::string> FileLines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

std::vector<std::string> LogMessages(const fs::path& file) {
    constexpr std::size_t MESSAGE_COLUMN = 30;  // 19 for the time stamp, 11 for the kind field
    std::vector<std::string> messages;
    for (const std::string& line : FileLines(file)) {
        messages.push_back(line.size() >= MESSAGE_COLUMN ? line.substr(MESSAGE_COLUMN) : line);
    }
    return messages;
}

void WriteFile(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

// --- Transcript ---

void Transcript::Deliver(std::string line) {
    {
        std::lock_guard<std::mutex> guard(mutex);
        lines.push_back(std::move(line));
    }
    arrived.notify_all();
}

std::optional<std::string> Transcript::Next(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!arrived.wait_for(lock, timeout, [this] { return cursor < lines.size() || ended; }))
        return std::nullopt;
    if (cursor >= lines.size()) return std::nullopt;
    return lines[cursor++];
}

std::optional<std::string> Transcript::NextMatching(
    const std::function<bool(const std::string&)>& wanted, std::chrono::milliseconds timeout,
    std::vector<std::string>* skipped) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        std::optional<std::string> line = Next(left);
        if (!line) return std::nullopt;
        if (wanted(*line)) return line;
        if (skipped != nullptr) skipped->push_back(*line);
    }
}

std::optional<std::string> Transcript::NextMove(std::chrono::milliseconds timeout,
                                                std::vector<std::string>* skipped) {
    std::optional<std::string> line =
        NextMatching([](const std::string& l) { return l.starts_with("move "); }, timeout, skipped);
    if (!line) return std::nullopt;
    return line->substr(5);
}

std::vector<std::string> Transcript::Sync() {
    const std::string pong = "pong " + std::to_string(++pings);
    Send("ping " + std::to_string(pings));
    std::vector<std::string> before;
    if (!NextMatching([&](const std::string& l) { return l == pong; }, 10s, &before))
        before.push_back("<no " + pong + ">");
    return before;
}

// --- In-process streams ---

void FeedBuffer::Feed(const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(mutex);
        data += text;
    }
    ready.notify_all();
}

void FeedBuffer::Close() {
    {
        std::lock_guard<std::mutex> guard(mutex);
        closed = true;
    }
    ready.notify_all();
}

FeedBuffer::int_type FeedBuffer::underflow() {
    std::unique_lock<std::mutex> lock(mutex);
    ready.wait(lock, [this] { return next < data.size() || closed; });
    if (next >= data.size()) return traits_type::eof();
    current = data[next++];
    setg(&current, &current, &current + 1);
    return traits_type::to_int_type(current);
}

LineSink::int_type LineSink::overflow(int_type c) {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    xsputn(&ch, 1);
    return c;
}

std::streamsize LineSink::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) {
        if (s[i] == '\n') {
            deliver(partial);
            partial.clear();
        } else {
            partial.push_back(s[i]);
        }
    }
    return n;
}

int TestThreads() {
    const char* text = std::getenv("VARDO_TEST_THREADS");
    return text != nullptr ? std::max(1, std::atoi(text)) : 1;
}

// --- EngineSession ---

EngineSession::EngineSession(std::optional<std::string> bookText) {
    sink = std::make_unique<LineSink>([this](std::string line) { Deliver(std::move(line)); });
    outputStream = std::make_unique<std::ostream>(sink.get());
    const fs::path book = dir / "vardo.bk";
    if (bookText) WriteFile(book, *bookText);
    EngineOptions options;
    options.threads = TestThreads();
    engine = std::make_unique<Engine>(inputStream, *outputStream, book.string(), LogFile().string(),
                                      options);
    loop = std::thread([this] { exitCode = engine->CommandLoop(); });
}

EngineSession::~EngineSession() {
    Finish();
}

void EngineSession::Send(const std::string& line) {
    input.Feed(line + "\n");
}

void EngineSession::CloseInput() {
    input.Close();
}

int EngineSession::Finish() {
    if (finished) return exitCode;
    finished = true;
    CloseInput();
    loop.join();
    engine.reset();
    {
        std::lock_guard<std::mutex> guard(mutex);
        ended = true;
    }
    arrived.notify_all();
    return exitCode;
}

// --- ProgramSession ---

ProgramSession::ProgramSession(const fs::path& folder) {
    // A write to a program that has already ended must fail, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string program = std::string(VARDO_BINARY_DIR) + "/vardo";
    const std::string errorFile = (folder / "stderr.txt").string();
    const std::string folderText = folder.string();
    const std::string threads = std::to_string(TestThreads());
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (::chdir(folderText.c_str()) != 0) ::_exit(126);
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) ::dup2(err, 2);
        ::execl(program.c_str(), program.c_str(), "--threads", threads.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    toChild = in[1];
    fromChild = out[0];
    reader = std::thread([this] { ReadOutput(); });
}

ProgramSession::~ProgramSession() {
    Finish();
}

void ProgramSession::ReadOutput() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fromChild, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                Deliver(partial);
                partial.clear();
            } else {
                partial.push_back(buffer[i]);
            }
        }
    }
    {
        std::lock_guard<std::mutex> guard(mutex);
        ended = true;
    }
    arrived.notify_all();
}

void ProgramSession::Send(const std::string& line) {
    if (toChild < 0) return;
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(toChild, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

void ProgramSession::CloseInput() {
    if (toChild >= 0) ::close(toChild);
    toChild = -1;
}

int ProgramSession::Finish(std::chrono::milliseconds timeout) {
    if (waited || pid <= 0) return exitCode;
    CloseInput();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            exitCode = -1;
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    waited = true;
    if (reader.joinable()) reader.join();
    ::close(fromChild);
    return exitCode;
}

double CpuSeconds(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(in, text);
    // The fields after the command name in parentheses; utime and stime are the 14th and 15th
    // fields of the line, the 12th and 13th after the closing parenthesis.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0.0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i == 12 || i == 13) ticks += std::stod(field);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

bool Play(Board& board, const std::string& moveText) {
    const MoveEntry entry = ParseMove(moveText, board);
    return !entry.move.IsNull() && board.MakeMove(entry.move);
}

}  // namespace vardo::testing
