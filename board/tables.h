// Constant tables of the rules core: castling rights, capture ordering, the initial position
// and the position-key numbers.
#pragma once

#include <array>
#include <cstdint>

namespace vardo {

// Piece values used only to order captures.
inline constexpr int captureValue[6] = {100, 300, 300, 500, 900, 0};

// The initial position.
extern const int initialColour[64];
extern const int initialPiece[64];
// The initial position as FEN text.
inline constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Random numbers hashed into the position key: a man of colour c and piece code p standing on
// square s contributes zobristKeys[(c * 6 + p) * 64 + s].
extern const std::array<std::uint64_t, 768> zobristKeys;

// The rest of the search's position key: Black to move, each set of castling rights (by its
// four bits) and each en-passant square contribute these.
extern const std::uint64_t blackToMoveKey;
extern const std::array<std::uint64_t, 16> castlingKeys;
extern const std::array<std::uint64_t, 64> enPassantKeys;

}  // namespace vardo
