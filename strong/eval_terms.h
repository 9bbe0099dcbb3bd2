// The terms of the strong evaluation: every weight it reads, by name, with the number of its
// entries and what it scores. strong/eval_values.h, written by the tuner (tools/tune_eval.py),
// gives each its middlegame/endgame pairs; the tracer (tools/vardo_trace.cpp) lists them for
// the tuner from this table.
//
// Tables "by rank" are indexed by the rank seen from the man's own side, 0 for its first rank
// and 7 for its last; tables "by piece" by the piece code (pawn 0 ... king 5). Piece-square
// tables are indexed by rank from the far side (0: the 8th rank for White, the 1st for Black)
// times four plus the file folded onto a to d (files e to h read as h to e). A "safety" term
// is not added to the score as it is: its weights add up to the attack on one king, and that
// sum counts as its square in the middlegame and linearly in the endgame (KingDanger).
#pragma once

#include "strong/score.h"

namespace vardo {

// TERM(name, entries, kind, what it scores); kind is LINEAR or SAFETY.
#define VARDO_STRONG_TERMS(TERM)                                                                   \
    TERM(pieceValue, 5, LINEAR, "Material: a pawn, knight, bishop, rook and queen")                \
    TERM(pawnSquare, 32, LINEAR, "Pawns by square")                                                \
    TERM(knightSquare, 32, LINEAR, "Knights by square")                                            \
    TERM(bishopSquare, 32, LINEAR, "Bishops by square")                                            \
    TERM(rookSquare, 32, LINEAR, "Rooks by square")                                                \
    TERM(queenSquare, 32, LINEAR, "Queens by square")                                              \
    TERM(kingSquare, 32, LINEAR, "The king by square")                                             \
    TERM(pawnIsolated, 1, LINEAR, "A pawn with no pawn of its own on either neighbouring file")    \
    TERM(pawnDoubled, 1, LINEAR, "A pawn with a pawn of its own ahead of it on its file")          \
    TERM(pawnBackward, 1, LINEAR,                                                                  \
         "A pawn behind every pawn of its own on the neighbouring files, whose stop square an "    \
         "enemy pawn attacks")                                                                     \
    TERM(pawnConnected, 8, LINEAR, "A pawn defended by a pawn of its own, by rank")                \
    TERM(pawnPhalanx, 8, LINEAR, "A pawn with a pawn of its own beside it, by rank")               \
    TERM(passedPawn, 8, LINEAR,                                                                    \
         "A passed pawn (no enemy pawn ahead on its file or the neighbouring ones, none of its "   \
         "own ahead on its file), by rank")                                                        \
    TERM(passedFree, 8, LINEAR, "A passed pawn whose way to promotion is empty, by rank")          \
    TERM(passedSafe, 8, LINEAR, "A passed pawn whose stop square no enemy man attacks, by rank")   \
    TERM(passedOwnKing, 1, LINEAR,                                                                 \
         "A passed pawn from its 5th rank on, per square its own king stands from its stop "       \
         "square, times its rank less 3")                                                          \
    TERM(passedEnemyKing, 1, LINEAR, "The same for the enemy king's distance")                     \
    TERM(passedUnstoppable, 1, LINEAR,                                                             \
         "A passed pawn the enemy king cannot catch, the enemy having only pawns")                 \
    TERM(knightMobility, 9, LINEAR,                                                                \
         "A knight by the squares it attacks that no enemy pawn attacks and no man of its own "    \
         "holds")                                                                                  \
    TERM(bishopMobility, 14, LINEAR, "A bishop by the same count")                                 \
    TERM(rookMobility, 15, LINEAR, "A rook by the same count")                                     \
    TERM(queenMobility, 28, LINEAR, "A queen by the same count")                                   \
    TERM(kingShelter, 16, LINEAR,                                                                  \
         "The king's own pawns: on its file (0-7) and each neighbouring file (8-15), by the "      \
         "rank of the nearest pawn of its own ahead of the king, 0 for none")                      \
    TERM(kingStorm, 16, LINEAR,                                                                    \
         "Enemy pawns on the king's file and its neighbours, by the rank (seen from the king's "   \
         "side) of the nearest one ahead of the king: free to advance (0-7) or blocked by a "      \
         "pawn of the king's (8-15)")                                                              \
    TERM(kingSemiOpenFile, 1, LINEAR,                                                              \
         "Each of the king's file and its neighbours without a pawn of its own")                   \
    TERM(kingOpenFile, 1, LINEAR, "Each of those files without any pawn")                          \
    TERM(threatByPawn, 6, LINEAR, "An enemy man a pawn attacks, by the victim's piece")            \
    TERM(threatByMinor, 6, LINEAR,                                                                 \
         "An enemy man a knight or bishop attacks, but a pawn an enemy pawn defends, by the "      \
         "victim's piece")                                                                         \
    TERM(threatByRook, 6, LINEAR,                                                                  \
         "An enemy queen, or an undefended enemy man, a rook attacks, by the victim's piece")      \
    TERM(threatHanging, 1, LINEAR, "An enemy man, not the king, attacked and not defended")        \
    TERM(bishopPair, 1, LINEAR, "Two bishops or more")                                             \
    TERM(rookOpenFile, 1, LINEAR, "A rook on a file without pawns")                                \
    TERM(rookSemiOpenFile, 1, LINEAR,                                                              \
         "A rook on a file without pawns of its own but with an "                                  \
         "enemy pawn")                                                                             \
    TERM(rookOnSeventh, 1, LINEAR,                                                                 \
         "A rook on the 7th rank, with the enemy king on the 8th or enemy pawns on the 7th")       \
    TERM(knightOutpost, 1, LINEAR,                                                                 \
         "A knight on the 4th to 6th rank, defended by a pawn, that no enemy pawn can attack")     \
    TERM(bishopOutpost, 1, LINEAR, "A bishop on such a square")                                    \
    TERM(tempo, 1, LINEAR, "The side to move")                                                     \
    TERM(safetyAttacker, 6, SAFETY,                                                                \
         "King danger: each man attacking the zone around the enemy king, by piece")               \
    TERM(safetyZoneAttacks, 1, SAFETY,                                                             \
         "King danger: each attack on a square of the zone, counted per attacking man")            \
    TERM(safetyWeakZone, 1, SAFETY,                                                                \
         "King danger: each square of the zone attacked and defended at most by the king or "      \
         "queen")                                                                                  \
    TERM(safetyCheck, 6, SAFETY, "King danger: each safe checking square a man attacks, by piece") \
    TERM(safetyNoQueen, 1, SAFETY, "King danger: the attacker has no queen")                       \
    TERM(safetyOffset, 1, SAFETY, "King danger: once, wherever it is counted")

enum class TermKind { LINEAR, SAFETY };

// Every weight, term after term, as one array of scores: the tracer names a weight by its place
// in it.
struct EvalWeights {
#define VARDO_DECLARE_TERM(name, entries, kind, text) Score name[entries];
    VARDO_STRONG_TERMS(VARDO_DECLARE_TERM)
#undef VARDO_DECLARE_TERM
};

inline constexpr int WEIGHT_COUNT = sizeof(EvalWeights) / sizeof(Score);

// What the tracer tells the tuner of each term.
struct TermInfo {
    const char* name;
    int entries;
    TermKind kind;
    const char* text;
};
inline constexpr TermInfo TERM_INFO[] = {
#define VARDO_TERM_INFO(name, entries, kind, text) {#name, entries, TermKind::kind, text},
    VARDO_STRONG_TERMS(VARDO_TERM_INFO)
#undef VARDO_TERM_INFO
};

}  // namespace vardo
