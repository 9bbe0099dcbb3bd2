// Fuzz target: the command loop fed arbitrary lines, with the console replaced by a string
// source and sink. Every input ends with the end of input, which ends the loop like "quit".
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/engine.h"

using namespace vardo;

namespace {
constexpr std::size_t LONGEST_INPUT = 4096;  // keeps each run short
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > LONGEST_INPUT) return 0;
    static const std::string log = "/tmp/vardo-fuzz-loop-" + std::to_string(getpid()) + ".log";
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream output;
    int status;
    {
        Engine engine(input, output, "/nonexistent/vardo.bk", log);
        status = engine.CommandLoop();
    }
    unlink(log.c_str());
    if (status != 0) __builtin_trap();
    return 0;
}
