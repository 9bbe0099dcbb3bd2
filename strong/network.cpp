#include "strong/network.h"

#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <vector>

#include "strong/embedded_network.h"

namespace vardo {

namespace {

constexpr char MAGIC[8] = {'V', 'A', 'R', 'D', 'O', 'N', 'N', '2'};

// Little-endian numbers from a net file's bytes, the reading point moved past them.
std::int16_t Read16(const unsigned char*& at) {
    const auto value = static_cast<std::uint16_t>(at[0] | at[1] << 8);
    at += 2;
    return static_cast<std::int16_t>(value);
}

std::uint32_t Read32(const unsigned char*& at) {
    const std::uint32_t value =
        static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
        static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    at += 4;
    return value;
}

}  // namespace

std::uint64_t Fnv1a64(const unsigned char* bytes, std::size_t size) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ULL;
    return hash;
}

bool Network::Load(const unsigned char* bytes, std::size_t size, std::string& why) {
    if (size < 12 || std::memcmp(bytes, MAGIC, sizeof MAGIC) != 0) {
        why = "not a Vardo net file";
        return false;
    }
    const unsigned char* at = bytes + 8;
    const std::uint32_t hidden = Read32(at);
    if (hidden != NETWORK_HIDDEN) {
        why = "a net of " + std::to_string(hidden) + " hidden values, this program takes " +
              std::to_string(NETWORK_HIDDEN);
        return false;
    }
    if (size != NETWORK_FILE_SIZE) {
        why = "a net file of " + std::to_string(size) + " bytes, not " +
              std::to_string(NETWORK_FILE_SIZE);
        return false;
    }
    const unsigned char* hashAt = bytes + size - 8;
    std::uint64_t stored = 0;
    for (int i = 7; i >= 0; --i) stored = stored << 8 | hashAt[i];
    if (stored != Fnv1a64(bytes, size - 8)) {
        why = "a damaged net file (its checksum does not match)";
        return false;
    }
    // Read into a copy first, so that a net refused for its weights leaves this one whole.
    auto read = std::make_unique<Network>();
    for (auto& row : read->inputWeights)
        for (std::int16_t& weight : row) weight = Read16(at);
    for (std::int16_t& bias : read->inputBias) bias = Read16(at);
    for (std::int16_t& weight : read->outputWeights) {
        weight = Read16(at);
        if (weight > NETWORK_OUTPUT_WEIGHT_LIMIT || weight < -NETWORK_OUTPUT_WEIGHT_LIMIT) {
            why = "an output weight beyond " + std::to_string(NETWORK_OUTPUT_WEIGHT_LIMIT);
            return false;
        }
    }
    read->outputBias = static_cast<std::int32_t>(Read32(at));
    *this = *read;
    return true;
}

bool Network::LoadFile(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot open " + path;
        return false;
    }
    // No net file is larger than one of this program's size: a larger file is not read whole.
    std::vector<unsigned char> bytes(NETWORK_FILE_SIZE + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return Load(bytes.data(), bytes.size(), why);
}

bool Network::LoadChosen(const std::string& path, std::string& why) {
    if (!path.empty()) return LoadFile(path, why);
    const std::span<const unsigned char> builtIn = EmbeddedNetwork();
    return !builtIn.empty() && Load(builtIn.data(), builtIn.size(), why);
}

void Network::Refresh(const Board& board, int view, HiddenValues& out) const {
    std::memcpy(out.values, inputBias, sizeof out.values);
    for (int colour : {WHITE, BLACK})
        for (std::uint64_t men = board.Occupancy(colour); men != 0; men &= men - 1) {
            const int square = std::countr_zero(men);
            AddInput(*this, out, NetworkInput(view, colour, board.piece[square], square));
        }
}

}  // namespace vardo
