// Shared chess types: squares, piece and colour codes, the move record and its flags.
#pragma once

#include <bit>
#include <cstdint>

namespace vardo {

// Squares are numbered 0..63 rank by rank from a8: a8 = 0, h8 = 7, a1 = 56, h1 = 63.
constexpr int NO_SQUARE = -1;

constexpr int FileOf(int square) {
    return square & 7;
}

// Piece codes.
constexpr int PAWN = 0;
constexpr int KNIGHT = 1;
constexpr int BISHOP = 2;
constexpr int ROOK = 3;
constexpr int QUEEN = 4;
constexpr int KING = 5;
constexpr int EMPTY = 6;

// Colour codes; NO_COLOUR marks an empty square, or no side where a side is asked for.
constexpr int WHITE = 0;
constexpr int BLACK = 1;
constexpr int NO_COLOUR = 2;

constexpr int Other(int colour) {
    return colour ^ 1;
}

// Castling-right bits.
constexpr int CASTLE_WK = 1;
constexpr int CASTLE_WQ = 2;
constexpr int CASTLE_BK = 4;
constexpr int CASTLE_BQ = 8;

// Move flag bits.
constexpr int CAPTURE = 1;
constexpr int CASTLE = 2;
constexpr int EN_PASSANT = 4;
constexpr int DOUBLE_PUSH = 8;
constexpr int PAWN_MOVE = 16;
constexpr int PROMOTION = 32;

// A move in four bytes. The all-zero move (a8 to a8, no flags) stands for "no move".
struct Move {
    std::int8_t from = 0;
    std::int8_t to = 0;
    std::uint8_t promote = 0;
    std::uint8_t bits = 0;

    bool IsNull() const { return std::bit_cast<std::uint32_t>(*this) == 0; }
    // Equal when all four bytes are, compared as one word.
    friend bool operator==(const Move& a, const Move& b) {
        return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
    }
};

// A move and its ordering score; move lists, lines and parse results hold these.
struct MoveEntry {
    Move move;
    std::int32_t score = 0;

    friend bool operator==(const MoveEntry&, const MoveEntry&) = default;
};

// What MakeMove saves so that TakeBack can restore the position exactly:
// the piece taken on `to` (EMPTY for none and for en passant), the castling rights,
// en-passant square and fifty-move counter before the move, and the move itself.
struct UndoRecord {
    std::int32_t captured = EMPTY;
    std::int32_t castle = 0;
    std::int32_t enPassant = NO_SQUARE;
    std::int32_t fifty = 0;
    Move move;

    friend bool operator==(const UndoRecord&, const UndoRecord&) = default;
};

// Character helpers for move and position text.
char PieceLetter(int piece);  // "PNBRQK" for 0..5, a blank otherwise
int LetterPiece(char c);      // case-insensitive inverse of PieceLetter; EMPTY otherwise
inline bool IsRankDigit(char c) {
    return c >= '1' && c <= '8';
}
inline bool IsFileLetter(char c) {
    return c >= 'a' && c <= 'h';
}

}  // namespace vardo
