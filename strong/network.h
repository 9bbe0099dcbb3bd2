// The network that can judge positions for the selective search, trained on Vardo's own games
// (tools/train_net.py writes it): 768 inputs, one for each man's colour (as seen from a side),
// kind and square; a hidden layer of NETWORK_HIDDEN shared by both sides' views, kept as two
// accumulators that each move updates; squared clipped ReLU; one output from the side to
// move's view and the other's. All of it in integers: weights and sums as the trainer
// quantised them, the output a score in centipawns.
//
// The net file: the 8 bytes "VARDONN2", the hidden size as 32 bits, the hidden weights (768
// rows of NETWORK_HIDDEN 16-bit numbers), the hidden biases, the output weights (the side to
// move's half, then the other's), the output bias as 32 bits, all little-endian, and last the
// 64-bit FNV-1a hash of everything before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "board/board.h"

namespace vardo {

inline constexpr int NETWORK_INPUTS = 768;
inline constexpr int NETWORK_HIDDEN = 256;
// The trainer's scales: hidden values times QA, output weights times QB, output times
// NETWORK_SCALE / (QA * QB) in centipawns.
inline constexpr int NETWORK_QA = 255;
inline constexpr int NETWORK_QB = 256;
inline constexpr int NETWORK_SCALE = 400;
// The output weights the engine takes: larger ones could overflow its 32-bit sums.
inline constexpr int NETWORK_OUTPUT_WEIGHT_LIMIT = 127;
// The size of a net file of NETWORK_HIDDEN.
inline constexpr std::size_t NETWORK_FILE_SIZE =
    8 + 4 +
    2 * (std::size_t{NETWORK_INPUTS} * NETWORK_HIDDEN + NETWORK_HIDDEN + 2 * NETWORK_HIDDEN) + 4 +
    8;

// The input of a man of `colour` and `kind` on `square` (the board's numbering, a8 = 0) as
// `view` sees it: its own men first, the board turned for Black.
inline int NetworkInput(int view, int colour, int kind, int square) {
    return (colour == view ? 0 : 384) + kind * 64 + (view == WHITE ? square ^ 56 : square);
}

// The hidden layer's values of one side's view, before the activation.
struct alignas(64) HiddenValues {
    std::int16_t values[NETWORK_HIDDEN];
};

struct alignas(64) Network {
    std::int16_t inputWeights[NETWORK_INPUTS][NETWORK_HIDDEN];
    std::int16_t inputBias[NETWORK_HIDDEN];
    std::int16_t outputWeights[2 * NETWORK_HIDDEN];
    std::int32_t outputBias;

    // Reads a net file's bytes; false, with the reason in `why`, when they are not a net of
    // this size whose hash matches, and the net is then left as it was.
    bool Load(const unsigned char* bytes, std::size_t size, std::string& why);
    // The same from a file.
    bool LoadFile(const std::string& path, std::string& why);
    // The net file at `path`, or, when `path` is empty, the net built into the program; false
    // when it is refused (the reason in `why`) or the program has none (`why` left empty).
    bool LoadChosen(const std::string& path, std::string& why);

    // A view's hidden values computed anew from the board.
    void Refresh(const Board& board, int view, HiddenValues& out) const;
    // The score of a position, side to move's point of view, from the side to move's and the
    // other side's hidden values.
    int Output(const HiddenValues& us, const HiddenValues& them) const;
};

// The FNV-1a hash of bytes, as net files end with.
std::uint64_t Fnv1a64(const unsigned char* bytes, std::size_t size);

// The kernels, chosen once at start: AVX2 where the processor has it, else portable code that
// gives the same results. UsePortableNetworkKernels forces the portable ones (for tests and
// measurements).
void AddInput(const Network& net, HiddenValues& values, int input);
// The inputs a move turns on and off in one view (at most four squares change).
struct InputChange {
    int added[4];
    int removed[4];
    int addedCount = 0;
    int removedCount = 0;
};
// `to` becomes `from` with the change made: the same numbers as adding and taking away the rows
// one by one, in one pass over the values.
void ChangeInputs(const Network& net, const HiddenValues& from, HiddenValues& to,
                  const InputChange& change);
void UsePortableNetworkKernels(bool portable);

}  // namespace vardo
