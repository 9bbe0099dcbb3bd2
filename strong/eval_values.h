// The strong evaluation's weights, each a pair of middlegame and endgame values in
// centipawns, term by term as strong/eval_terms.h lists them (safety terms in units of king
// danger). Written by tools/tune_eval.py; do not edit by hand.
// Texel's method over 955211 positions of the engine's own games: round 0, 1,000,000 positions,
// K = 0.005307, 300 epochs of Adam at 1.0; mean squared error on the 95522 held-out
// positions 0.089987 before, 0.086703 after.
#pragma once

#include "strong/eval_terms.h"

namespace vardo {

// clang-format off
inline constexpr EvalWeights EVAL_WEIGHTS = {
    // Material: a pawn, knight, bishop, rook and queen
    .pieceValue = {S(94, 91), S(353, 309), S(369, 332), S(487, 550), S(1188, 836)},
    // Pawns by square
    .pawnSquare =
        {
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(7, -46), S(-24, 26), S(-37, 24), S(7, -5),
            S(14, -31), S(-34, 13), S(0, 11), S(31, -8),
            S(20, 16), S(-23, 14), S(0, 6), S(0, 1),
            S(9, 27), S(-24, 37), S(-2, 20), S(9, 0),
            S(9, 11), S(-4, 22), S(5, 16), S(-8, -4),
            S(7, 1), S(6, 13), S(11, 15), S(-4, -48),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
        },
    // Knights by square
    .knightSquare =
        {
            S(-8, -3), S(-37, 11), S(-29, -7), S(-158, 24),
            S(47, -36), S(42, 11), S(-10, 22), S(-19, 31),
            S(132, -51), S(2, 12), S(36, 36), S(9, 33),
            S(51, -13), S(9, 9), S(29, 18), S(29, 23),
            S(9, -22), S(68, -4), S(29, 26), S(42, 20),
            S(-25, 4), S(9, 12), S(16, 1), S(29, 13),
            S(-24, -16), S(11, 5), S(14, 2), S(22, -4),
            S(-100, -28), S(1, 6), S(-29, 14), S(0, 4),
        },
    // Bishops by square
    .bishopSquare =
        {
            S(37, -32), S(41, 22), S(-145, 56), S(-55, 43),
            S(-74, 82), S(-36, 51), S(5, 31), S(44, 27),
            S(-26, 28), S(0, 13), S(2, 29), S(-9, 17),
            S(-23, 24), S(0, 23), S(24, 3), S(22, 23),
            S(0, -13), S(10, 14), S(11, 16), S(43, 3),
            S(3, 28), S(10, 17), S(20, 1), S(17, 20),
            S(10, -25), S(13, -26), S(10, 3), S(29, -8),
            S(-57, 27), S(39, -36), S(9, 8), S(20, -7),
        },
    // Rooks by square
    .rookSquare =
        {
            S(32, 18), S(103, 1), S(41, 13), S(-60, 53),
            S(51, -17), S(-42, 27), S(57, -16), S(45, -35),
            S(30, 20), S(65, 11), S(74, -5), S(73, -15),
            S(0, 13), S(50, -5), S(18, 12), S(10, 5),
            S(-25, 28), S(2, 4), S(-14, 20), S(-5, 14),
            S(-33, 26), S(11, 26), S(0, -3), S(-11, -3),
            S(-41, 16), S(-32, 19), S(14, -20), S(0, -13),
            S(-25, 2), S(-6, 10), S(19, 3), S(28, -15),
        },
    // Queens by square
    .queenSquare =
        {
            S(24, -23), S(129, -60), S(-51, 92), S(103, -30),
            S(33, -67), S(10, 27), S(15, 98), S(8, 64),
            S(48, -47), S(2, 54), S(18, 54), S(9, 106),
            S(26, -32), S(33, 48), S(22, 71), S(34, 92),
            S(45, -63), S(37, -8), S(13, 62), S(28, 36),
            S(48, -68), S(40, -11), S(28, -3), S(38, -45),
            S(31, -45), S(21, -29), S(49, -60), S(41, -49),
            S(26, -24), S(59, -69), S(59, -107), S(45, -58),
        },
    // The king by square
    .kingSquare =
        {
            S(-57, -1), S(68, -12), S(-83, 50), S(-11, -19),
            S(-140, -18), S(-120, 37), S(-185, 9), S(-136, -10),
            S(-81, 43), S(24, 44), S(-97, 68), S(-90, 68),
            S(55, 20), S(13, 29), S(-39, 52), S(-81, 74),
            S(-74, 17), S(42, 18), S(-77, 35), S(-10, 44),
            S(-48, 2), S(20, -1), S(-6, 27), S(-29, 28),
            S(8, 1), S(11, 10), S(-15, 27), S(-42, 25),
            S(1, -15), S(32, 11), S(-2, 10), S(23, -14),
        },
    // A pawn with no pawn of its own on either neighbouring file
    .pawnIsolated = {S(-10, -11)},
    // A pawn with a pawn of its own ahead of it on its file
    .pawnDoubled = {S(-22, -5)},
    // A pawn behind every pawn of its own on the neighbouring files, whose stop square an enemy
    // pawn attacks
    .pawnBackward = {S(-6, -14)},
    // A pawn defended by a pawn of its own, by rank
    .pawnConnected = {S(0, 0), S(0, 0), S(3, 11), S(5, -7), S(23, 10), S(76, 55), S(58, 26), S(0, 0)},
    // A pawn with a pawn of its own beside it, by rank
    .pawnPhalanx =
        {
            S(0, 0), S(0, -4), S(0, -10), S(11, 8), S(25, 15), S(55, 115), S(19, 167), S(0, 0),
        },
    // A passed pawn (no enemy pawn ahead on its file or the neighbouring ones, none of its own
    // ahead on its file), by rank
    .passedPawn =
        {
            S(0, 0), S(25, -5), S(16, 21), S(-9, 33), S(21, 29), S(62, 26), S(40, 32), S(0, 0),
        },
    // A passed pawn whose way to promotion is empty, by rank
    .passedFree =
        {
            S(0, 0), S(12, -16), S(2, 7), S(-8, 13), S(-10, 34), S(-26, 51), S(44, 44), S(0, 0),
        },
    // A passed pawn whose stop square no enemy man attacks, by rank
    .passedSafe =
        {
            S(0, 0), S(-1, 28), S(-29, 7), S(7, 13), S(-25, 28), S(-6, 25), S(3, 44), S(0, 0),
        },
    // A passed pawn from its 5th rank on, per square its own king stands from its stop square,
    // times its rank less 3
    .passedOwnKing = {S(1, -3)},
    // The same for the enemy king's distance
    .passedEnemyKing = {S(1, 14)},
    // A passed pawn the enemy king cannot catch, the enemy having only pawns
    .passedUnstoppable = {S(-67, 179)},
    // A knight by the squares it attacks that no enemy pawn attacks and no man of its own holds
    .knightMobility =
        {
            S(1, 3), S(8, -9), S(12, 15), S(20, 9), S(23, 14), S(24, 19), S(25, 22), S(29, 23),
            S(48, 8),
        },
    // A bishop by the same count
    .bishopMobility =
        {
            S(-19, 22), S(-2, -22), S(5, -17), S(7, -7), S(16, 6), S(16, 4), S(16, 16), S(20, 25),
            S(29, 29), S(21, 34), S(21, 17), S(33, 34), S(65, 18), S(-68, 10),
        },
    // A rook by the same count
    .rookMobility =
        {
            S(-33, -78), S(-11, -23), S(1, 15), S(6, 26), S(8, 23), S(16, 37), S(16, 33), S(17, 39),
            S(21, 38), S(26, 37), S(24, 44), S(24, 45), S(37, 37), S(73, 34), S(95, 20),
        },
    // A queen by the same count
    .queenMobility =
        {
            S(6, 12), S(22, 84), S(38, -5), S(38, 90), S(40, 94), S(46, 82), S(48, 131), S(53, 102),
            S(53, 138), S(55, 115), S(61, 123), S(64, 103), S(72, 113), S(72, 108), S(71, 104), S(65, 105),
            S(77, 91), S(81, 79), S(115, 17), S(85, 38), S(201, -54), S(184, -144), S(138, -65), S(36, -123),
            S(-19, -100), S(-84, -160), S(-15, -71), S(-75, -122),
        },
    // The king's own pawns: on its file (0-7) and each neighbouring file (8-15), by the rank of the
    // nearest pawn of its own ahead of the king, 0 for none
    .kingShelter =
        {
            S(-15, 24), S(13, -11), S(17, -19), S(-1, -8), S(-14, -5), S(-90, 41), S(-39, -11), S(0, 0),
            S(-5, 21), S(18, -12), S(13, -9), S(-13, -5), S(-15, -2), S(-41, 29), S(66, -23), S(0, 0),
        },
    // Enemy pawns on the king's file and its neighbours, by the rank (seen from the king's side) of
    // the nearest one ahead of the king: free to advance (0-7) or blocked by a pawn of the king's
    // (8-15)
    .kingStorm =
        {
            S(-18, 15), S(-33, 6), S(-59, 24), S(-4, 5), S(-2, 1), S(0, -8), S(2, -6), S(0, 0),
            S(0, 0), S(0, 0), S(8, -64), S(-1, -4), S(10, -7), S(14, -11), S(23, -23), S(0, 0),
        },
    // Each of the king's file and its neighbours without a pawn of its own
    .kingSemiOpenFile = {S(-11, -7)},
    // Each of those files without any pawn
    .kingOpenFile = {S(3, -33)},
    // An enemy man a pawn attacks, by the victim's piece
    .threatByPawn = {S(0, 0), S(45, 26), S(43, 32), S(71, 9), S(37, -16), S(0, 0)},
    // An enemy man a knight or bishop attacks, but a pawn an enemy pawn defends, by the victim's
    // piece
    .threatByMinor = {S(-4, 16), S(15, 22), S(28, 29), S(47, -10), S(29, 36), S(0, 0)},
    // An enemy queen, or an undefended enemy man, a rook attacks, by the victim's piece
    .threatByRook = {S(0, 24), S(4, 21), S(12, 12), S(23, -32), S(36, 43), S(0, 0)},
    // An enemy man, not the king, attacked and not defended
    .threatHanging = {S(13, 19)},
    // Two bishops or more
    .bishopPair = {S(18, 45)},
    // A rook on a file without pawns
    .rookOpenFile = {S(51, -5)},
    // A rook on a file without pawns of its own but with an enemy pawn
    .rookSemiOpenFile = {S(9, 10)},
    // A rook on the 7th rank, with the enemy king on the 8th or enemy pawns on the 7th
    .rookOnSeventh = {S(0, 62)},
    // A knight on the 4th to 6th rank, defended by a pawn, that no enemy pawn can attack
    .knightOutpost = {S(28, 7)},
    // A bishop on such a square
    .bishopOutpost = {S(42, 13)},
    // The side to move
    .tempo = {S(14, 6)},
    // King danger: each man attacking the zone around the enemy king, by piece
    .safetyAttacker = {S(0, 0), S(3, 55), S(40, 64), S(21, 3), S(3, -11), S(0, 0)},
    // King danger: each attack on a square of the zone, counted per attacking man
    .safetyZoneAttacks = {S(28, 13)},
    // King danger: each square of the zone attacked and defended at most by the king or queen
    .safetyWeakZone = {S(26, -25)},
    // King danger: each safe checking square a man attacks, by piece
    .safetyCheck = {S(0, 0), S(80, 74), S(72, 28), S(120, 49), S(55, 5), S(0, 0)},
    // King danger: the attacker has no queen
    .safetyNoQueen = {S(-274, -117)},
    // King danger: once, wherever it is counted
    .safetyOffset = {S(-15, -2)},
};
// clang-format on

}  // namespace vardo
