// The castling moves of one game: which right each needs, where king and rook stand and go, and
// which squares must be empty or safe. A board holds its own set: standard chess's, or one built
// for a Chess960 start, where king and rooks may stand on any files of the back rank. Every part
// of the rules that deals with castling reads it here.
#pragma once

#include <array>
#include <cstdint>

#include "board/types.h"

namespace vardo {

struct CastleRule {
    int right = 0;             // CASTLE_WK, CASTLE_WQ, CASTLE_BK or CASTLE_BQ
    int king = NO_SQUARE;      // the king's home square
    int to = NO_SQUARE;        // the move record's destination (see CastlingRules)
    int kingTo = NO_SQUARE;    // where the king goes
    int rookFrom = NO_SQUARE;  // the rook's home square
    int rookTo = NO_SQUARE;    // where the rook goes
    // The squares that must be empty (king and rook aside): every square either man crosses
    // or lands on.
    std::uint64_t empty = 0;
    // The squares the king crosses and lands on, besides its own: none may be attacked.
    std::uint64_t path = 0;

    friend bool operator==(const CastleRule&, const CastleRule&) = default;
};

// Square numbers of the back ranks' a-files.
inline constexpr int WHITE_BACK_RANK = 56;
inline constexpr int BLACK_BACK_RANK = 0;

class CastlingRules {
   public:
    // Standard chess: king on e, rooks on a and h; a castling record names the king's move
    // (e1g1).
    constexpr CastlingRules() : chess960(false) {
        for (int index = 0; index < 4; ++index) {
            const int rank = index < 2 ? WHITE_BACK_RANK : BLACK_BACK_RANK;
            const bool queenSide = index % 2 == 1;
            Set(index, rank + 4, rank + (queenSide ? 0 : 7));
        }
        FillMask();
    }

    // Chess960: the kings' home squares and the rook square of each right (in the order of
    // the rights' bits: White's king side, White's queen side, Black's king side, Black's
    // queen side), NO_SQUARE for a right the game does not have. A castling record names the
    // king taking its own rook (e1h1), as UCI writes it, which no other move can be.
    static constexpr CastlingRules Chess960(int whiteKing, int blackKing,
                                            const std::array<int, 4>& rooks) {
        CastlingRules rules;
        rules.chess960 = true;
        for (int index = 0; index < 4; ++index) {
            rules.rules[index] = CastleRule{};
            rules.rules[index].right = 1 << index;
            if (rooks[index] != NO_SQUARE)
                rules.Set(index, index < 2 ? whiteKing : blackKing, rooks[index]);
        }
        rules.FillMask();
        return rules;
    }

    bool IsChess960() const { return chess960; }
    // The rule of one right, by its bit's index.
    const CastleRule& Rule(int index) const { return rules[index]; }
    // The rule of one side's castling move on the king's side or the queen's side.
    const CastleRule& For(int side, bool queenSide) const {
        return rules[2 * side + (queenSide ? 1 : 0)];
    }
    // The rule whose record goes to `to`, or null.
    const CastleRule* Find(int to) const {
        for (const CastleRule& rule : rules)
            if (rule.to == to && rule.to != NO_SQUARE) return &rule;
        return nullptr;
    }
    // Rights that survive a move touching `square`: moving or taking a king or rook from its
    // home square gives up the castling that needs it. MakeMove ANDs the entries of from and to.
    int Mask(int square) const { return mask[square]; }

    friend bool operator==(const CastlingRules&, const CastlingRules&) = default;

   private:
    constexpr void Set(int index, int king, int rook) {
        const int rank = king & ~7;
        const bool queenSide = index % 2 == 1;
        CastleRule& rule = rules[index];
        rule.right = 1 << index;
        rule.king = king;
        rule.kingTo = rank + (queenSide ? 2 : 6);
        rule.rookFrom = rook;
        rule.rookTo = rank + (queenSide ? 3 : 5);
        rule.to = chess960 ? rook : rule.kingTo;
        rule.empty = (Span(king, rule.kingTo) | Span(rook, rule.rookTo)) & ~(Bit(king) | Bit(rook));
        rule.path = Span(king, rule.kingTo) & ~Bit(king);
    }
    constexpr void FillMask() {
        for (auto& rights : mask) rights = CASTLE_WK | CASTLE_WQ | CASTLE_BK | CASTLE_BQ;
        for (const CastleRule& rule : rules) {
            if (rule.rookFrom == NO_SQUARE) continue;
            mask[rule.king] &= ~rule.right;
            mask[rule.rookFrom] &= ~rule.right;
        }
    }
    static constexpr std::uint64_t Bit(int square) { return std::uint64_t{1} << square; }
    // The squares from a to b on one rank, both included.
    static constexpr std::uint64_t Span(int a, int b) {
        std::uint64_t bits = 0;
        for (int s = a < b ? a : b; s <= (a < b ? b : a); ++s) bits |= Bit(s);
        return bits;
    }

    CastleRule rules[4];
    std::array<std::uint8_t, 64> mask{};
    bool chess960;
};

inline constexpr CastlingRules STANDARD_CASTLING{};

// The move record of a castling move (flag CASTLE only).
constexpr Move CastleMove(const CastleRule& rule) {
    return Move{static_cast<std::int8_t>(rule.king), static_cast<std::int8_t>(rule.to), 0,
                static_cast<std::uint8_t>(CASTLE)};
}

}  // namespace vardo
