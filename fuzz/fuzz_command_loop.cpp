// Fuzz target: the command loop fed arbitrary lines, read as the console reads them. Every
// input ends with the end of input, which ends the session like "quit".
//
// One engine serves every input: building one costs far more than most inputs take to run
// (the searcher's per-ply tables alone are half a megabyte, slow to map under the address
// sanitizer), and the console thread's start and stop would be paid per input too. So the
// lines are fed to the loop's passes directly, and after each input the engine is put back in
// its starting state with commands: "new" (board, sides, time control, draw offer, cutoff
// counts, and a search still running), "nopost", and "bk" when the input left the book off.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/console_reader.h"
#include "engine/engine.h"
#include "support/clock.h"

using namespace vardo;

namespace {
constexpr std::size_t LONGEST_INPUT = 4096;  // keeps each run short
// The watch of a stopped turn ends at its next poll; the engine's poll would make every input
// that sets a time and starts a turn wait up to that long.
constexpr int WATCH_POLL_MS = 1;

std::istringstream noInput;
std::ostringstream output;

Engine& TheEngine() {
    static Engine* engine = [] {
        auto* made = new Engine(noInput, output, "/nonexistent/vardo.bk", "/dev/null");
        made->SetTimerClock(&ClockSeconds, WATCH_POLL_MS);
        return made;
    }();
    return *engine;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > LONGEST_INPUT) return 0;
    Engine& engine = TheEngine();
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::string line;
    bool quit = false;
    bool bookOff = false;
    while (!quit && ReadLine(input, line)) {
        if (line == "bk") bookOff = !bookOff;
        quit = engine.FeedLine(line);
    }
    if (!quit && !engine.FeedLine("quit")) __builtin_trap();  // the end of input
    // Back to the starting state for the next input.
    if (engine.FeedLine("new") || engine.FeedLine("nopost")) __builtin_trap();
    if (bookOff && engine.FeedLine("bk")) __builtin_trap();
    output.str("");
    return 0;
}
