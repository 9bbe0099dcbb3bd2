// The strong evaluation's weights, each a pair of middlegame and endgame values in
// centipawns, term by term as strong/eval_terms.h lists them (safety terms in units of king
// danger). Written by tools/tune_eval.py; do not edit by hand.
// Texel's method over 1021636 positions of the engine's own games: round 2, 1,027,887 positions
// from 12,000 games at 8,000 nodes a move, K = 0.006141, 60 epochs of Adam at 1.0; mean squared
// error on the 102164 held-out positions 0.084584 before, 0.083248 after.
#pragma once

#include "strong/eval_terms.h"

namespace vardo {

// clang-format off
inline constexpr EvalWeights EVAL_WEIGHTS = {
    // Material: a pawn, knight, bishop, rook and queen
    .pieceValue = {S(80, 97), S(336, 312), S(359, 336), S(510, 565), S(1238, 880)},
    // Pawns by square
    .pawnSquare =
        {
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
            S(10, -20), S(-16, -7), S(8, 27), S(-12, 23),
            S(2, 3), S(2, 8), S(19, -3), S(55, -6),
            S(4, 15), S(1, 23), S(9, 1), S(8, -2),
            S(-2, 19), S(-6, 15), S(18, 9), S(13, 6),
            S(-1, -1), S(3, 10), S(7, 6), S(-7, 10),
            S(-8, 7), S(12, -1), S(0, 17), S(-6, -3),
            S(0, 0), S(0, 0), S(0, 0), S(0, 0),
        },
    // Knights by square
    .knightSquare =
        {
            S(-55, -42), S(-15, 10), S(-75, 12), S(-126, 46),
            S(10, 13), S(10, -5), S(1, 1), S(-57, 51),
            S(96, -14), S(-21, 30), S(21, 25), S(19, 29),
            S(25, 5), S(15, 1), S(13, 33), S(11, 36),
            S(14, 18), S(42, 10), S(37, 25), S(30, 30),
            S(-8, -7), S(8, 5), S(19, 5), S(22, 18),
            S(5, -20), S(25, -14), S(-4, -14), S(28, -6),
            S(-133, -56), S(-2, -29), S(-1, -3), S(-3, 17),
        },
    // Bishops by square
    .bishopSquare =
        {
            S(-16, -1), S(-8, 39), S(-143, 23), S(-82, 12),
            S(-69, 55), S(-79, 58), S(-25, 24), S(4, 12),
            S(-2, 21), S(7, 41), S(18, 25), S(7, 12),
            S(-15, 5), S(0, 19), S(-13, 26), S(7, 31),
            S(2, -3), S(7, 10), S(0, 28), S(16, 26),
            S(4, 27), S(9, 10), S(11, 8), S(12, 25),
            S(16, -8), S(30, -16), S(14, 1), S(21, 1),
            S(-56, -3), S(2, 13), S(0, 4), S(45, -19),
        },
    // Rooks by square
    .rookSquare =
        {
            S(69, 29), S(57, 10), S(54, 28), S(-13, 45),
            S(27, 22), S(-39, 39), S(90, -13), S(75, -7),
            S(1, 52), S(18, 31), S(74, 16), S(91, 10),
            S(-4, 26), S(40, 16), S(58, 2), S(24, 17),
            S(-16, 18), S(-31, 28), S(-14, 21), S(-6, 14),
            S(-50, 23), S(-18, 7), S(-12, 5), S(14, -5),
            S(-41, 9), S(-16, 14), S(-2, -7), S(33, -16),
            S(-7, -17), S(-16, -4), S(7, 0), S(28, -27),
        },
    // Queens by square
    .queenSquare =
        {
            S(59, 16), S(86, -55), S(-8, 48), S(120, -15),
            S(39, -24), S(31, 42), S(-6, 70), S(9, 79),
            S(52, 0), S(19, 36), S(8, 83), S(15, 87),
            S(21, 14), S(31, 80), S(31, 34), S(33, 120),
            S(41, -19), S(35, 21), S(34, 35), S(25, 73),
            S(32, -66), S(46, -13), S(44, 7), S(44, -6),
            S(32, -71), S(41, -73), S(56, -44), S(66, -70),
            S(-1, -63), S(67, -106), S(54, -128), S(48, -53),
        },
    // The king by square
    .kingSquare =
        {
            S(-101, -55), S(60, 2), S(-55, 83), S(8, 21),
            S(-100, 32), S(-82, 77), S(-144, 55), S(-98, 38),
            S(-63, 62), S(-22, 62), S(-106, 78), S(-105, 74),
            S(8, -2), S(-27, 45), S(-50, 41), S(-99, 59),
            S(-95, 28), S(16, 3), S(-39, 33), S(23, 34),
            S(-68, 11), S(41, 7), S(7, 15), S(3, 26),
            S(52, 6), S(43, 8), S(31, 18), S(-20, 20),
            S(-2, -3), S(50, -7), S(-27, 3), S(-7, -6),
        },
    // A pawn with no pawn of its own on either neighbouring file
    .pawnIsolated = {S(-2, -16)},
    // A pawn with a pawn of its own ahead of it on its file
    .pawnDoubled = {S(-17, -3)},
    // A pawn behind every pawn of its own on the neighbouring files, whose stop square an enemy
    // pawn attacks
    .pawnBackward = {S(-2, -24)},
    // A pawn defended by a pawn of its own, by rank
    .pawnConnected = {S(0, 0), S(0, 0), S(15, -4), S(13, 2), S(24, 15), S(36, 35), S(99, 73), S(0, 0)},
    // A pawn with a pawn of its own beside it, by rank
    .pawnPhalanx =
        {
            S(0, 0), S(10, -3), S(7, -5), S(12, 9), S(22, 30), S(15, 73), S(22, 175), S(0, 0),
        },
    // A passed pawn (no enemy pawn ahead on its file or the neighbouring ones, none of its own
    // ahead on its file), by rank
    .passedPawn =
        {
            S(0, 0), S(-2, -1), S(1, 11), S(-5, 16), S(43, 33), S(39, 15), S(72, 44), S(0, 0),
        },
    // A passed pawn whose way to promotion is empty, by rank
    .passedFree =
        {
            S(0, 0), S(30, -12), S(-13, 2), S(-15, 23), S(-30, 30), S(13, 58), S(80, 80), S(0, 0),
        },
    // A passed pawn whose stop square no enemy man attacks, by rank
    .passedSafe =
        {
            S(0, 0), S(16, 24), S(-7, 19), S(8, 22), S(-17, 12), S(-6, 49), S(17, 29), S(0, 0),
        },
    // A passed pawn from its 5th rank on, per square its own king stands from its stop square,
    // times its rank less 3
    .passedOwnKing = {S(2, -7)},
    // The same for the enemy king's distance
    .passedEnemyKing = {S(-3, 18)},
    // A passed pawn the enemy king cannot catch, the enemy having only pawns
    .passedUnstoppable = {S(-70, 165)},
    // A knight by the squares it attacks that no enemy pawn attacks and no man of its own holds
    .knightMobility =
        {
            S(-31, -42), S(3, -44), S(11, 15), S(15, 26), S(22, 20), S(26, 36), S(33, 33), S(31, 34),
            S(22, 21),
        },
    // A bishop by the same count
    .bishopMobility =
        {
            S(-27, -25), S(-11, -8), S(2, -5), S(8, 14), S(15, 19), S(19, 26), S(21, 29), S(21, 39),
            S(30, 33), S(22, 35), S(37, 34), S(-7, 50), S(74, 17), S(-43, 42),
        },
    // A rook by the same count
    .rookMobility =
        {
            S(-19, -46), S(-3, -22), S(0, -3), S(7, 10), S(9, 25), S(12, 35), S(18, 40), S(20, 38),
            S(18, 45), S(29, 42), S(26, 48), S(25, 59), S(26, 58), S(49, 46), S(41, 46),
        },
    // A queen by the same count
    .queenMobility =
        {
            S(44, 9), S(35, 124), S(44, 28), S(44, 57), S(48, 52), S(45, 106), S(49, 118), S(52, 122),
            S(52, 128), S(53, 136), S(62, 122), S(72, 120), S(69, 136), S(68, 139), S(71, 145), S(75, 125),
            S(78, 123), S(109, 81), S(130, 45), S(113, 51), S(163, -24), S(221, -127), S(164, -48), S(81, -162),
            S(15, -101), S(-44, -119), S(-13, -82), S(-79, -140),
        },
    // The king's own pawns: on its file (0-7) and each neighbouring file (8-15), by the rank of the
    // nearest pawn of its own ahead of the king, 0 for none
    .kingShelter =
        {
            S(-6, 12), S(14, -1), S(11, -9), S(-9, -1), S(-6, 7), S(-60, 4), S(-8, 12), S(0, 0),
            S(-10, 23), S(17, 5), S(-1, 7), S(-9, 2), S(-10, 4), S(-27, -1), S(106, -26), S(0, 0),
        },
    // Enemy pawns on the king's file and its neighbours, by the rank (seen from the king's side) of
    // the nearest one ahead of the king: free to advance (0-7) or blocked by a pawn of the king's
    // (8-15)
    .kingStorm =
        {
            S(-6, 15), S(5, 21), S(-55, 8), S(-26, 18), S(-2, 5), S(2, -10), S(2, -5), S(0, 0),
            S(0, 0), S(0, 0), S(-23, -65), S(-9, -1), S(21, 0), S(-5, -2), S(39, -18), S(0, 0),
        },
    // Each of the king's file and its neighbours without a pawn of its own
    .kingSemiOpenFile = {S(-11, 10)},
    // Each of those files without any pawn
    .kingOpenFile = {S(-7, -43)},
    // An enemy man a pawn attacks, by the victim's piece
    .threatByPawn = {S(0, 0), S(50, 7), S(33, 60), S(81, 18), S(38, 10), S(0, 0)},
    // An enemy man a knight or bishop attacks, but a pawn an enemy pawn defends, by the victim's
    // piece
    .threatByMinor = {S(2, 19), S(18, 22), S(32, 14), S(71, -2), S(31, 47), S(0, 0)},
    // An enemy queen, or an undefended enemy man, a rook attacks, by the victim's piece
    .threatByRook = {S(0, 25), S(-3, 31), S(-3, 19), S(3, 1), S(45, 26), S(0, 0)},
    // An enemy man, not the king, attacked and not defended
    .threatHanging = {S(14, 18)},
    // Two bishops or more
    .bishopPair = {S(32, 45)},
    // A rook on a file without pawns
    .rookOpenFile = {S(43, -2)},
    // A rook on a file without pawns of its own but with an enemy pawn
    .rookSemiOpenFile = {S(16, 8)},
    // A rook on the 7th rank, with the enemy king on the 8th or enemy pawns on the 7th
    .rookOnSeventh = {S(-18, 38)},
    // A knight on the 4th to 6th rank, defended by a pawn, that no enemy pawn can attack
    .knightOutpost = {S(27, 22)},
    // A bishop on such a square
    .bishopOutpost = {S(38, 6)},
    // The side to move
    .tempo = {S(16, 8)},
    // King danger: each man attacking the zone around the enemy king, by piece
    .safetyAttacker = {S(0, 0), S(27, 93), S(34, 49), S(46, 39), S(29, 6), S(0, 0)},
    // King danger: each attack on a square of the zone, counted per attacking man
    .safetyZoneAttacks = {S(41, 29)},
    // King danger: each square of the zone attacked and defended at most by the king or queen
    .safetyWeakZone = {S(2, -44)},
    // King danger: each safe checking square a man attacks, by piece
    .safetyCheck = {S(0, 0), S(129, 72), S(46, 50), S(101, 63), S(59, -7), S(0, 0)},
    // King danger: the attacker has no queen
    .safetyNoQueen = {S(-299, -109)},
    // King danger: once, wherever it is counted
    .safetyOffset = {S(-25, 6)},
};
// clang-format on

}  // namespace vardo
