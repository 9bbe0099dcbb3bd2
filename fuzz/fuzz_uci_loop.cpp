// Fuzz target: the UCI loop fed arbitrary lines, read as the console reads them, after the
// "uci" that opens a session. Every input ends with the end of input, which stops the search
// under way and every search the held lines start; no search may outlive it.
//
// As in fuzz_command_loop, one engine serves every input, without its console thread: the
// lines go to the loop's passes directly. Each input gets a loop of its own (MultiPV, Ponder,
// the held lines and the search state are the loop's), and afterwards the engine is put back
// as it was: a new game, and the table's size, the threads, the book and the strong search.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/console_reader.h"
#include "engine/engine.h"
#include "engine/uci_loop.h"
#include "support/clock.h"

using namespace vardo;

namespace {
constexpr std::size_t LONGEST_INPUT = 4096;  // keeps each run short
// The watch of a stopped turn ends at its next poll.
constexpr int WATCH_POLL_MS = 1;
// The table and threads each input starts with, and the most an option may ask for: a larger
// table or more threads cost memory and time, and reach no other code.
constexpr std::size_t HASH_MEGABYTES = 1;
constexpr std::size_t HASH_CAP_MEGABYTES = 4;
constexpr int THREAD_CAP = 2;

std::istringstream noInput;
std::ostringstream output;

Engine& TheEngine() {
    static Engine* engine = [] {
        EngineOptions options;
        options.hashMegabytes = HASH_MEGABYTES;
        options.threads = 1;
        auto* made = new Engine(noInput, output, "/nonexistent/vardo.bk", "/dev/null", options);
        made->CapResources(HASH_CAP_MEGABYTES, THREAD_CAP);
        return made;
    }();
    return *engine;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > LONGEST_INPUT) return 0;
    Engine& engine = TheEngine();
    {
        UciLoop loop(engine);
        loop.Open();
        engine.SetTimerClock(&ClockSeconds, WATCH_POLL_MS);
        std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
        std::string line;
        bool quit = false;
        while (!quit && ReadLine(input, line)) quit = loop.Feed(line);
        if (quit)
            loop.Close();
        else
            loop.EndInput();
    }
    // Every search has ended with the session, and left no result behind.
    if (!engine.TurnDone() || engine.TakeResult().Pending()) __builtin_trap();
    // Back to the starting state for the next input.
    engine.StartNewGame();
    if (engine.HashMegabytes() != HASH_MEGABYTES) engine.SetHashMegabytes(HASH_MEGABYTES);
    if (engine.Threads() != 1) engine.SetThreads(1);
    engine.SetOwnBook(true);
    engine.SetStrong(false);
    output.str("");
    return 0;
}
