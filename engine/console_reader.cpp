#include "engine/console_reader.h"

#include <chrono>

#include "support/log.h"

namespace vardo {

ConsoleReader::ConsoleReader(std::istream& input_, std::ostream& output_)
    : input(input_), output(output_) {
    output.setf(std::ios::unitbuf);
}

void ConsoleReader::Begin() {
    if (!Start()) {
        // The log may be missing or unread; standard error reaches whoever started us.
        std::cerr << "(Console) Thread didn't start" << std::endl;
        LogError("(Console) Thread didn't start");
        Append("quit");
    }
}

ConsoleReader::~ConsoleReader() {
    // Run uses the queue and the streams, so it must end before they do.
    Wait();
}

// Reads through the stream buffer directly: no sentry, so reading never flushes a tied output
// stream from this thread while another thread writes to it.

bool ReadLine(std::istream& input, std::string& line) {
    line.clear();
    std::streambuf* buffer = input.rdbuf();
    if (buffer == nullptr) return false;
    bool readAny = false;
    bool cut = false;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof() || c == '\n') {
            // A line end written as CR LF (telnet, clients on other systems, files saved that
            // way) reads like a plain one. A cut line's last kept character is not its end.
            if (!cut && !line.empty() && line.back() == '\r') line.pop_back();
            return readAny || c == '\n';
        }
        readAny = true;
        if (line.size() < MAX_LINE_LENGTH)
            line.push_back(static_cast<char>(c));
        else
            cut = true;
    }
}

void ConsoleReader::Run() {
    std::string line;
    for (;;) {
        if (!ReadLine(input, line)) {
            // The input has ended (a closed pipe, an interface that exited, a file of moves):
            // nothing more can arrive. The command loop finishes what the lines already read
            // asked for, then ends the session as "quit" would.
            LogEvent("(Console) End of input");
            LogEvent("(Console) Quiting...");
            ended = true;
            Wake();
            return;
        }
        const bool stop = line == "quit";
        if (stop) LogEvent("(Console) Quiting...");
        Append(line);
        if (stop) return;
    }
}

void ConsoleReader::Append(std::string line) {
    {
        MutexLock lock(*this);
        queue.push_back(std::move(line));
    }
    Wake();
}

bool ConsoleReader::PopLine(std::string& line) {
    MutexLock lock(*this);
    if (queue.empty()) return false;
    line = std::move(queue.front());
    queue.pop_front();
    return true;
}

void ConsoleReader::WriteLine(std::string text) {
    const std::size_t end = text.find('\0');
    if (end != std::string::npos) text.resize(end);
    text.push_back('\n');
    std::lock_guard<std::mutex> guard(outputMutex);
    output.write(text.data(), static_cast<std::streamsize>(text.size()));
    output.flush();
}

void ConsoleReader::WaitForInput(int milliseconds) {
    std::unique_lock<std::mutex> lock(wakeMutex);
    wakeSignal.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return woken; });
    woken = false;
}

void ConsoleReader::Wake() {
    {
        std::lock_guard<std::mutex> guard(wakeMutex);
        woken = true;
    }
    wakeSignal.notify_one();
}

}  // namespace vardo
