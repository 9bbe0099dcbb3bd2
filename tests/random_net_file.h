// A net file of random weights of the sizes a trained one has, for the tests of the network and
// of the tools that load one.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "strong/network.h"

namespace vardo::testing {

inline std::vector<unsigned char> RandomNetFile(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes = {'V', 'A', 'R', 'D', 'O', 'N', 'N', '2'};
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    const auto number = [&](int low, int high) {
        return static_cast<std::uint32_t>(std::uniform_int_distribution<int>(low, high)(random));
    };
    put(NETWORK_HIDDEN, 4);
    for (int i = 0; i < NETWORK_INPUTS * NETWORK_HIDDEN; ++i) put(number(-40, 40), 2);
    for (int i = 0; i < NETWORK_HIDDEN; ++i) put(number(0, 120), 2);
    for (int i = 0; i < 2 * NETWORK_HIDDEN; ++i) put(number(-127, 127), 2);
    put(number(-5000, 5000), 4);
    const std::uint64_t hash = Fnv1a64(bytes.data(), bytes.size());
    put(static_cast<std::uint32_t>(hash), 4);
    put(static_cast<std::uint32_t>(hash >> 32), 4);
    return bytes;
}

}  // namespace vardo::testing
