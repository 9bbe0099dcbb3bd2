// "vardo bench [DEPTH]": the bench run from the engine's own program, as OpenBench and similar
// testing frameworks call it to measure an engine's speed and check its bench signature.
#pragma once

#include <optional>
#include <ostream>

namespace vardo {

// When the first argument is "bench": searches the bench positions to DEPTH (the bench's
// default when none is given) on one thread with the default table, writes one line per
// position and then "N nodes M nps" on `out`, and gives the exit status (2, with a usage
// line on `err`, for a bad depth). Otherwise nullopt and nothing is written.
std::optional<int> AnswerBenchCommand(int argc, const char* const* argv, std::ostream& out,
                                      std::ostream& err);

}  // namespace vardo
