#include "engine/engine.h"

#include <algorithm>
#include <chrono>

#include "engine/level.h"
#include "engine/search_choice.h"
#include "search/stop_flag.h"
#include "strong/network.h"

namespace vardo {

SessionLog::SessionLog(const std::string& fileName) : log(std::make_unique<Log>(fileName)) {
    theLog = log.get();
}

SessionLog::~SessionLog() {
    theLog = nullptr;
}

// The members come up in their declared order: the log first (so every thread that logs finds
// it), then the board, the book (still empty), the search playing Black, the console reader
// (its thread starts with the command loop) and the default time control.
Engine::Engine(std::istream& input, std::ostream& output, const std::string& bookFile,
               const std::string& logFile, const EngineOptions& options)
    : sessionLog(logFile),
      search(MakeSearch(options.strong || options.elo > 0, options.hashMegabytes, options.threads)),
      strong(options.strong),
      selective(options.strong || options.elo > 0),
      levelElo(options.elo > 0 ? std::clamp(options.elo, MIN_LEVEL_ELO, MAX_LEVEL_ELO) : 0),
      levelRandom(options.seed != 0
                      ? options.seed
                      : static_cast<std::uint64_t>(
                            std::chrono::system_clock::now().time_since_epoch().count())),
      console(input, output) {
    std::string why;
    if (!LoadNetwork(options.evalFile, why))
        LogWarning("(Main) Net file refused;" + options.evalFile + ": " + why);
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

void Engine::SetGamePosition(const Board& position) {
    PositionChanged();
    board = position;
}

// As the xboard "new", without the sides, which the UCI loop leaves unused.
void Engine::StartNewGame() {
    PositionChanged();
    board.Reset();
    search->ClearOrderingMemory();
    drawOffered = false;
    {
        MutexLock lock(*this);
        timer.Assign(Timer(0));
    }
    LogEvent("(Main) New game");
}

void Engine::SetClock(int movesToGo, float seconds, float increment) {
    MutexLock lock(*this);
    timer.Assign(Timer(movesToGo));
    timer.SetTimeLeft(seconds);
    timer.SetIncrement(increment);
}

// As the command loop starts a computer turn; the result is left for TakeResult.
bool Engine::StartTurn(const TurnLimits& limits) {
    Wait();
    ClearResult();
    searchBoard = board;
    turn = limits;
    turnDone = false;
    {
        MutexLock lock(*this);
        watchAllowed = true;
    }
    stopFlag = false;
    search->SetLateSoftSeconds(0.0f);
    if (Start()) return true;
    LogError("(Main) Thread didn't start");
    return false;
}

bool Engine::StartTurnClock(float spentSeconds) {
    MutexLock lock(*this);
    if (!watchAllowed || turn.watch != TurnLimits::Watch::NONE) return false;
    if (!timer.StartClock(spentSeconds)) {
        LogError("(Main) Time control didn't start");
        return false;
    }
    // The selective search counts from its start, as the clock does with the time spent.
    if (selective) search->SetLateSoftSeconds(timer.Allotment() * SOFT_TIME_SHARE);
    return true;
}

void Engine::StopTurn() {
    stopFlag = true;
}

SearchResult Engine::TakeResult() {
    Wait();
    SearchResult taken = result;
    ClearResult();
    return taken;
}

std::size_t Engine::SetHashMegabytes(std::size_t megabytes) {
    return search->Table().Resize(std::min(megabytes, hashCap));
}

void Engine::SetThreads(int threads) {
    search->SetThreads(std::min(threads, threadCap));
}

void Engine::ClearHash() {
    search->Table().Clear();
}

void Engine::SetStrong(bool on) {
    strong = on;
    ChooseSearch();
}

void Engine::SetLevel(int elo) {
    levelElo = elo > 0 ? std::clamp(elo, MIN_LEVEL_ELO, MAX_LEVEL_ELO) : 0;
    ChooseSearch();
}

void Engine::ChooseSearch() {
    const bool wanted = strong || levelElo > 0;
    if (wanted == selective) return;
    const std::size_t megabytes = search->Table().Megabytes();
    const int threads = search->Threads();
    // The old search and its table go first, so that the two tables are never held at once.
    search.reset();
    search = MakeSearch(wanted, megabytes, threads);
    SetSearchNetwork(*search, network.get());
    selective = wanted;
}

bool Engine::LoadNetwork(const std::string& path, std::string& why) {
    auto loaded = std::make_unique<Network>();
    const bool usable = loaded->LoadChosen(path, why);
    if (!usable && !path.empty()) return false;  // a refused file: the net in use stays
    // Without a path: the net built into the program, or, where the build had none (or a
    // damaged one), the evaluation.
    if (!usable) loaded.reset();
    SetSearchNetwork(*search, loaded.get());
    network = std::move(loaded);
    networkFile = path;
    return usable || why.empty();
}

}  // namespace vardo
