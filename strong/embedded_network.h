// The net built into the program: the bytes of the net file strong/vardo.nnue (or the file
// the build's VARDO_NETWORK names) as it was when the program was built, so that the program
// stays one file. Empty when the build had no net file.
#pragma once

#include <span>

namespace vardo {

std::span<const unsigned char> EmbeddedNetwork();

}  // namespace vardo
