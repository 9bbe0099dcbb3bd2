#include "transcript.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
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

// Read as text: the log is written as text, so its lines end in "\r\n" where that is the
// system's line end.
std::vector<std::string> FileLines(const fs::path& file) {
    std::ifstream in(file);
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

ProgramSession::ProgramSession(const fs::path& folder, const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {"--threads", std::to_string(TestThreads())};
    all.insert(all.end(), arguments.begin(), arguments.end());
    if (!child.Start(BuiltProgram("vardo"), all, folder, folder / "stderr.txt")) return;
    started = true;
    reader = std::thread([this] { ReadOutput(); });
}

ProgramSession::~ProgramSession() {
    Finish();
}

void ProgramSession::ReadOutput() {
    char buffer[4096];
    while (const std::size_t n = child.Read(buffer, sizeof buffer)) {
        for (std::size_t i = 0; i < n; ++i) {
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
    child.Write(line + "\n");
}

void ProgramSession::CloseInput() {
    child.CloseInput();
}

int ProgramSession::Finish(std::chrono::milliseconds timeout) {
    if (waited || !started) return exitCode;
    CloseInput();
    exitCode = child.Wait(timeout);
    waited = true;
    if (reader.joinable()) reader.join();
    return exitCode;
}

double ProgramSession::CpuSeconds() const {
    return child.CpuSeconds();
}

bool Play(Board& board, const std::string& moveText) {
    const MoveEntry entry = ParseMove(moveText, board);
    return !entry.move.IsNull() && board.MakeMove(entry.move);
}

}  // namespace vardo::testing
