// The strong evaluation's weights, each a pair of middlegame and endgame values in
// centipawns, term by term as strong/eval_terms.h lists them (safety terms in units of king
// danger). Written by tools/tune_eval.py; do not edit by hand.
// Hand-set starting values, before any tuning.
#pragma once

#include "strong/eval_terms.h"

namespace vardo {

// clang-format off
inline constexpr EvalWeights EVAL_WEIGHTS = {
    // Material: a pawn, knight, bishop, rook and queen
    .pieceValue = {S(100, 110), S(320, 300), S(330, 320), S(480, 530), S(960, 960)},
    // Pawns by square
    .pawnSquare =
        {
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(0, 40), S(0, 40), S(3, 40), S(6, 40),
            S(0, 32), S(0, 32), S(3, 32), S(6, 32),
            S(0, 24), S(0, 24), S(3, 24), S(6, 24),
            S(0, 16), S(0, 16), S(3, 16), S(6, 16),
            S(0, 8), S(0, 8), S(3, 8), S(6, 8),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
        },
    // Knights by square
    .knightSquare =
        {
            S(-10, -10), S(-5, -6), S(0, -2), S(5, 2),
            S(-5, -6), S(0, -2), S(5, 2), S(10, 6),
            S(0, -2), S(5, 2), S(10, 6), S(15, 10),
            S(5, 2), S(10, 6), S(15, 10), S(20, 14),
            S(5, 2), S(10, 6), S(15, 10), S(20, 14),
            S(0, -2), S(5, 2), S(10, 6), S(15, 10),
            S(-5, -6), S(0, -2), S(5, 2), S(10, 6),
            S(-10, -10), S(-5, -6), S(0, -2), S(5, 2),
        },
    // Bishops by square
    .bishopSquare =
        {
            S(0, 0), S(2, 2), S(4, 4), S(6, 6),
            S(2, 2), S(4, 4), S(6, 6), S(8, 8),
            S(4, 4), S(6, 6), S(8, 8), S(10, 10),
            S(6, 6), S(8, 8), S(10, 10), S(12, 12),
            S(6, 6), S(8, 8), S(10, 10), S(12, 12),
            S(4, 4), S(6, 6), S(8, 8), S(10, 10),
            S(2, 2), S(4, 4), S(6, 6), S(8, 8),
            S(0, 0), S(2, 2), S(4, 4), S(6, 6),
        },
    // Rooks by square
    .rookSquare =
        {
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(10, 0), S(10, 0), S(10, 0), S(10, 0),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
        },
    // Queens by square
    .queenSquare =
        {
            S(0, 0), S(0, 2), S(0, 4), S(0, 6),
            S(0, 2), S(0, 4), S(0, 6), S(0, 8),
            S(0, 4), S(0, 6), S(0, 8), S(0, 10),
            S(0, 6), S(0, 8), S(0, 10), S(0, 12),
            S(0, 6), S(0, 8), S(0, 10), S(0, 12),
            S(0, 4), S(0, 6), S(0, 8), S(0, 10),
            S(0, 2), S(0, 4), S(0, 6), S(0, 8),
            S(0, 0), S(0, 2), S(0, 4), S(0, 6),
        },
    // The king by square
    .kingSquare =
        {
            S(-20, 0), S(-20, 6), S(-20, 12), S(-20, 18),
            S(-20, 6), S(-20, 12), S(-20, 18), S(-20, 24),
            S(-20, 12), S(-20, 18), S(-20, 24), S(-20, 30),
            S(-20, 18), S(-20, 24), S(-20, 30), S(-20, 36),
            S(-20, 18), S(-20, 24), S(-20, 30), S(-20, 36),
            S(-20, 12), S(-20, 18), S(-20, 24), S(-20, 30),
            S(0, 6), S(0, 12), S(0, 18), S(0, 24),
            S(20, 0), S(20, 6), S(0, 12), S(0, 18),
        },
    // A pawn with no pawn of its own on either neighbouring file
    .pawnIsolated = {S(-10, -15)},
    // A pawn with a pawn of its own ahead of it on its file
    .pawnDoubled = {S(-10, -20)},
    // A pawn behind every pawn of its own on the neighbouring files, whose stop square an enemy
    // pawn attacks
    .pawnBackward = {S(-8, -8)},
    // A pawn defended by a pawn of its own, by rank
    .pawnConnected = {S(0, 0), S(0, 0), S(8, 4), S(10, 6), S(14, 10), S(20, 20), S(30, 40), S(0, 0)},
    // A pawn with a pawn of its own beside it, by rank
    .pawnPhalanx = {S(0, 0), S(4, 2), S(6, 4), S(10, 6), S(14, 10), S(20, 20), S(30, 40), S(0, 0)},
    // A passed pawn (no enemy pawn ahead on its file or the neighbouring ones, none of its own
    // ahead on its file), by rank
    .passedPawn = {S(0, 0), S(0, 5), S(0, 10), S(5, 20), S(15, 40), S(30, 70), S(50, 110), S(0, 0)},
    // A passed pawn whose way to promotion is empty, by rank
    .passedFree = {S(0, 0), S(0, 0), S(0, 2), S(0, 5), S(5, 10), S(10, 25), S(20, 50), S(0, 0)},
    // A passed pawn whose stop square no enemy man attacks, by rank
    .passedSafe = {S(0, 0), S(0, 0), S(0, 2), S(0, 5), S(5, 10), S(10, 20), S(15, 35), S(0, 0)},
    // A passed pawn from its 5th rank on, per square its own king stands from its stop square,
    // times its rank less 3
    .passedOwnKing = {S(0, -4)},
    // The same for the enemy king's distance
    .passedEnemyKing = {S(0, 8)},
    // A passed pawn the enemy king cannot catch, the enemy having only pawns
    .passedUnstoppable = {S(0, 200)},
    // A knight by the squares it attacks that no enemy pawn attacks and no man of its own holds
    .knightMobility =
        {
            S(-18, -18), S(-12, -12), S(-6, -6), S(0, 0), S(6, 6), S(12, 12), S(18, 18), S(24, 24),
            S(30, 30),
        },
    // A bishop by the same count
    .bishopMobility =
        {
            S(-20, -20), S(-15, -15), S(-10, -10), S(-5, -5), S(0, 0), S(5, 5), S(10, 10), S(15, 15),
            S(20, 20), S(25, 25), S(30, 30), S(35, 35), S(40, 40), S(45, 45),
        },
    // A rook by the same count
    .rookMobility =
        {
            S(-15, -30), S(-12, -24), S(-9, -18), S(-6, -12), S(-3, -6), S(0, 0), S(3, 6), S(6, 12),
            S(9, 18), S(12, 24), S(15, 30), S(18, 36), S(21, 42), S(24, 48), S(27, 54),
        },
    // A queen by the same count
    .queenMobility =
        {
            S(-18, -36), S(-16, -32), S(-14, -28), S(-12, -24), S(-10, -20), S(-8, -16), S(-6, -12), S(-4, -8),
            S(-2, -4), S(0, 0), S(2, 4), S(4, 8), S(6, 12), S(8, 16), S(10, 20), S(12, 24),
            S(14, 28), S(16, 32), S(18, 36), S(20, 40), S(22, 44), S(24, 48), S(26, 52), S(28, 56),
            S(30, 60), S(32, 64), S(34, 68), S(36, 72),
        },
    // The king's own pawns: on its file (0-7) and each neighbouring file (8-15), by the rank of the
    // nearest pawn of its own ahead of the king, 0 for none
    .kingShelter =
        {
            S(-20, 0), S(0, 0), S(15, 0), S(10, 0), S(5, 0), S(0, 0), S(0, 0), S(0, 0),
            S(-20, 0), S(0, 0), S(15, 0), S(10, 0), S(5, 0), S(0, 0), S(0, 0), S(0, 0),
        },
    // Enemy pawns on the king's file and its neighbours, by the rank (seen from the king's side) of
    // the nearest one ahead of the king: free to advance (0-7) or blocked by a pawn of the king's
    // (8-15)
    .kingStorm =
        {
            S(0, 0), S(0, 0), S(0, 0), S(-20, 0), S(-10, 0), S(-5, 0), S(0, 0), S(0, 0),
            S(0, 0), S(0, 0), S(0, 0), S(-5, 0), S(-3, 0), S(0, 0), S(0, 0), S(0, 0),
        },
    // Each of the king's file and its neighbours without a pawn of its own
    .kingSemiOpenFile = {S(-10, 0)},
    // Each of those files without any pawn
    .kingOpenFile = {S(-10, 0)},
    // An enemy man a pawn attacks, by the victim's piece
    .threatByPawn = {S(0, 0), S(50, 30), S(50, 30), S(60, 40), S(60, 40), S(0, 0)},
    // An enemy man a knight or bishop attacks, but a pawn an enemy pawn defends, by the victim's
    // piece
    .threatByMinor = {S(5, 15), S(20, 20), S(20, 20), S(40, 30), S(40, 30), S(0, 0)},
    // An enemy queen, or an undefended enemy man, a rook attacks, by the victim's piece
    .threatByRook = {S(3, 15), S(15, 20), S(15, 20), S(0, 0), S(40, 30), S(0, 0)},
    // An enemy man, not the king, attacked and not defended
    .threatHanging = {S(20, 10)},
    // Two bishops or more
    .bishopPair = {S(30, 50)},
    // A rook on a file without pawns
    .rookOpenFile = {S(30, 10)},
    // A rook on a file without pawns of its own but with an enemy pawn
    .rookSemiOpenFile = {S(12, 8)},
    // A rook on the 7th rank, with the enemy king on the 8th or enemy pawns on the 7th
    .rookOnSeventh = {S(10, 20)},
    // A knight on the 4th to 6th rank, defended by a pawn, that no enemy pawn can attack
    .knightOutpost = {S(20, 10)},
    // A bishop on such a square
    .bishopOutpost = {S(12, 5)},
    // The side to move
    .tempo = {S(15, 10)},
    // King danger: each man attacking the zone around the enemy king, by piece
    .safetyAttacker = {S(0, 0), S(15, 5), S(12, 4), S(18, 6), S(25, 8), S(0, 0)},
    // King danger: each attack on a square of the zone, counted per attacking man
    .safetyZoneAttacks = {S(8, 3)},
    // King danger: each square of the zone attacked and defended at most by the king or queen
    .safetyWeakZone = {S(10, 3)},
    // King danger: each safe checking square a man attacks, by piece
    .safetyCheck = {S(0, 0), S(40, 10), S(25, 8), S(35, 10), S(30, 10), S(0, 0)},
    // King danger: the attacker has no queen
    .safetyNoQueen = {S(-120, -40)},
    // King danger: once, wherever it is counted
    .safetyOffset = {S(-20, -10)},
};
// clang-format on

}  // namespace vardo
