#include "engine/engine.h"

#include "search/stop_flag.h"

namespace vardo {

SessionLog::SessionLog(const std::string& fileName) : log(std::make_unique<Log>(fileName)) {
    theLog = log.get();
}

SessionLog::~SessionLog() {
    theLog = nullptr;
}

// The members come up in their declared order: the log first (so every thread that logs finds
// it), then the board, the book (still empty), the searcher playing Black, the console reader
// (its thread starts with the command loop) and the default time control.
Engine::Engine(std::istream& input, std::ostream& output, const std::string& bookFile,
               const std::string& logFile, const EngineOptions& options)
    : sessionLog(logFile),
      searcher(options.hashMegabytes, options.threads),
      console(input, output) {
    searcher.SetStrong(options.strong);
    if (HashMegabytes() != options.hashMegabytes)
        LogWarning("(Main) Hash table reduced;" + std::to_string(options.hashMegabytes) +
                   " MB asked, " + std::to_string(HashMegabytes()) + " MB allocated");
    if (!book.Load(bookFile)) {
        console.WriteLine("Couldn't read opening book: " + bookFile);
        LogError("(Main) Couldn't read opening book;" + bookFile);
    }
    // WriteLine adds the third line end: the banner and two empty lines.
    console.WriteLine(std::string("Vardo v") + VERSION + " (VARDO)\n\n");
}

// Order of the wind-down: the search is stopped and joined here; then the members go in
// reverse order: the timer's watch, the console thread (which has read "quit" or the end of
// input by the time the command loop returns), and the log last of all, so that every thread
// that logs has ended before it is closed.
Engine::~Engine() {
    stopFlag = true;
    Wait();
}

}  // namespace vardo
