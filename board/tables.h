// Constant tables of board geometry, castling and capture ordering, shared by the rules core.
#pragma once

#include <array>
#include <cstdint>

namespace vardo {

// 10x12 mailbox: entry 21 + 10*row + file holds the square 8*row + file, the border holds -1.
extern const int mailbox[120];
// Index of each square in `mailbox`.
extern const int mailbox64[64];

// Move geometry per piece code (steps in mailbox indices).
extern const int offsetCount[6];
extern const bool slides[6];
extern const int pieceOffsets[6][8];

// Rights that survive a move touching each square; MakeMove ANDs the entries of from and to.
extern const int castleMask[64];

// Piece values used only to order captures.
extern const int captureValue[6];

// The initial position.
extern const int initialColour[64];
extern const int initialPiece[64];

// Random numbers hashed into the position key: a man of colour c and piece code p standing on
// square s contributes zobristKeys[(c * 6 + p) * 64 + s].
extern const std::array<std::uint64_t, 768> zobristKeys;

}  // namespace vardo
