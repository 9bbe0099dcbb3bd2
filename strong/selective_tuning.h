// The margins and counts of the selective search (--strong), one place for all of them. Each
// belongs to one numbered step of SelectiveSearcher::Negamax or Quiesce, which says what the
// step does, why, and what games measured it at.
#pragma once

namespace vardo {

// The evaluation: the strong one (strong/strong_evaluator.h) when set, the designed one
// otherwise. The strong one, tuned on 955,211 positions of the engine's own games, is worth
// +334 +- 50 Elo against the designed one under the same search: 400 games at 40 moves in
// 4 s, +336 -38 =26.
inline constexpr int USE_STRONG_EVALUATION = 1;
// Its groups of terms, each on (1) or off (0), so that games can measure one by leaving it
// out: pawn structure (isolated, doubled, backward, connected and phalanx pawns), passed pawns,
// mobility, king safety (shelter, storm, open files and danger), threats, pieces (the bishop
// pair, rooks' files and the seventh rank, outposts), and the scaling of drawish endgames with
// the known endgames. Beside each, what leaving it out cost in games against the whole
// evaluation (40 moves in 4 s, GSPRT [0, 15], 240 games at most). "Undecided": the test had
// not decided at 240 games; the group stays, its games being won more often than lost. The
// scaling matters in few games, but without it the engine scores dead draws as wins.
inline constexpr int EVAL_PAWN_STRUCTURE = 1;  // +72 +- 38, 240 games, +119 -70 =51, undecided
inline constexpr int EVAL_PASSED_PAWNS = 1;    // +167 +- 56, 170 games, +112 -36 =22
inline constexpr int EVAL_MOBILITY = 1;        // +115 +- 41, 188 games, +94 -34 =60
inline constexpr int EVAL_KING_SAFETY = 1;     // +111 +- 45, 210 games, +114 -49 =47
inline constexpr int EVAL_THREATS = 1;         // +35 +- 33, 240 games, +82 -58 =100, undecided
inline constexpr int EVAL_PIECES = 1;          // +38 +- 37, 240 games, +93 -67 =80, undecided
inline constexpr int EVAL_SCALING = 1;         // +10 +- 36, 240 games, +87 -80 =73, undecided

// The clock (strong/soft_limit.h): the search begins no new iteration after SOFT_TIME_SHARE of
// the time allotted to the move (the engine's) times a factor. Without USE_NODE_SHARE_TIME the
// factor is 1 raised by UNSTABLE_TIME_SHARE times the best move's recent changes (each
// iteration halves the count, a change adds one). With it, the factor is TIME_NODE_BASE less
// TIME_NODE_SCALE times the best move's share of the last iteration's nodes (kept within 0.5
// and 2), times TIME_STABILITY_BASE less TIME_STABILITY_STEP for each iteration it has stayed
// best (at most TIME_STABILITY_CAP). With USE_PARTIAL_ITERATION, an
// iteration the clock cuts short still gives its best move when a root move beat the first.
// The two together are worth +49 +- 24 Elo: the engine with them against the engine without,
// 460 games at 40 moves in 4 s (a GSPRT of 0 against 10 Elo accepted 10), no time lost.
inline constexpr double UNSTABLE_TIME_SHARE = 0.5;
// The node-share factor against the changes alone: -21 +- 39 Elo, 200 games at 40 moves in
// 4 s, +59 -71 =70 (GSPRT [0, 10] undecided, LLR -0.64): it does not pay as set, and stays
// out until its margins are tried again.
inline constexpr int USE_NODE_SHARE_TIME = 0;
inline constexpr double TIME_NODE_BASE = 2.0;
inline constexpr double TIME_NODE_SCALE = 1.5;
inline constexpr double TIME_STABILITY_BASE = 1.3;
inline constexpr double TIME_STABILITY_STEP = 0.06;
inline constexpr int TIME_STABILITY_CAP = 8;
inline constexpr int USE_PARTIAL_ITERATION = 1;

// Aspiration windows: from this depth on, an iteration first searches a window this wide on
// either side of the last score, and widens it by half again its width on each failure.
inline constexpr int ASPIRATION_MIN_DEPTH = 5;
inline constexpr int ASPIRATION_WINDOW = 30;

// Reverse futility: a node this shallow whose static evaluation exceeds beta by this much a
// ply (less a ply's worth when the evaluation is improving) is cut at once.
inline constexpr int REVERSE_FUTILITY_DEPTH = 7;
inline constexpr int REVERSE_FUTILITY_MARGIN = 80;

// Null move: tried from this depth on; the reduction is NULL_MOVE_BASE plus a ply for every
// NULL_MOVE_DEPTH_DIVISOR of depth, plus a ply for every NULL_MOVE_EVAL_DIVISOR centipawns the
// evaluation exceeds beta by (at most NULL_MOVE_EVAL_CAP).
inline constexpr int NULL_MOVE_MIN_DEPTH = 3;
inline constexpr int NULL_MOVE_BASE = 3;
inline constexpr int NULL_MOVE_DEPTH_DIVISOR = 4;
inline constexpr int NULL_MOVE_EVAL_DIVISOR = 200;
inline constexpr int NULL_MOVE_EVAL_CAP = 3;

// ProbCut: from PROBCUT_MIN_DEPTH on, a capture that beats beta by PROBCUT_MARGIN in a search
// PROBCUT_REDUCTION plies shallower cuts the node. Left out by games: with it against without,
// -6 +- 30 Elo (300 games at 40 moves in 4 s, +91 -96 =113).
inline constexpr int USE_PROBCUT = 0;
inline constexpr int PROBCUT_MIN_DEPTH = 5;
inline constexpr int PROBCUT_MARGIN = 200;
inline constexpr int PROBCUT_REDUCTION = 4;

// Internal iterative reduction: a node this deep without a table move is searched a ply
// shallower; its ordering is poor, and the next iteration will have a move for it.
inline constexpr int IIR_MIN_DEPTH = 4;

// Late move pruning: at this depth or less, quiet moves after the first
// (LMP_BASE + depth * depth) / (2 - improving) are not searched.
inline constexpr int LMP_DEPTH = 8;
inline constexpr int LMP_BASE = 3;

// Futility pruning: at this depth or less, quiet moves are not searched where the static
// evaluation plus FUTILITY_BASE plus FUTILITY_PER_DEPTH a ply cannot reach alpha.
inline constexpr int FUTILITY_DEPTH = 8;
inline constexpr int FUTILITY_BASE = 100;
inline constexpr int FUTILITY_PER_DEPTH = 100;

// Exchange pruning: at this depth or less, a capture that loses more than
// EXCHANGE_CAPTURE_MARGIN a ply, or a quiet move that puts a man where it is lost for more
// than EXCHANGE_QUIET_MARGIN times the depth squared, is not searched.
inline constexpr int EXCHANGE_PRUNE_DEPTH = 8;
inline constexpr int EXCHANGE_CAPTURE_MARGIN = 100;
inline constexpr int EXCHANGE_QUIET_MARGIN = 25;

// Singular extension: from SINGULAR_MIN_DEPTH on, a table move stored at most
// SINGULAR_TABLE_DEPTH plies shallower than the node, with a score that is no upper bound and
// no mate, is extended when every other move, searched to half the depth, fails low against
// the stored score less SINGULAR_MARGIN a ply; twice, off the principal line, when they fail
// lower by DOUBLE_EXTENSION_MARGIN, at most DOUBLE_EXTENSION_LIMIT times on a line. With
// USE_MULTI_CUT, a node whose other moves reach that lowered bound when it is at least beta
// fails high at once. With CHECK_EXTENSION, a move that gives check and is not already extended
// is searched a ply deeper.
// Singular extension with multi-cut and double extensions, left out against the whole search:
// +47 +- 32 Elo, 300 games at 40 moves in 4 s, +117 -77 =106 (GSPRT [0, 10] undecided at its
// cap, LLR 1.51); kept.
inline constexpr int USE_SINGULAR_EXTENSION = 1;
inline constexpr int SINGULAR_MIN_DEPTH = 7;
inline constexpr int SINGULAR_TABLE_DEPTH = 3;
inline constexpr int SINGULAR_MARGIN = 2;
inline constexpr int DOUBLE_EXTENSION_MARGIN = 25;
inline constexpr int DOUBLE_EXTENSION_LIMIT = 6;
inline constexpr int USE_MULTI_CUT = 1;
inline constexpr int CHECK_EXTENSION = 0;

// Correction history (strong/history.h): with USE_CORRECTION_HISTORY, the static evaluation is
// corrected by how far searches found it off in positions with the same pawns and the same
// other men.
// Left out against the whole search: -15 +- 40 Elo, 180 games at 40 moves in 4 s, +55 -63 =62
// (GSPRT [0, 10] undecided, LLR -0.47): it does not pay as set, and stays out until its
// weights are tried again.
inline constexpr int USE_CORRECTION_HISTORY = 0;

// Late move reductions: from this depth on, moves after the first (two at a principal node)
// are searched shallower by LMR_BASE + ln(depth) ln(moves) / LMR_DIVISOR plies, less one per
// LMR_HISTORY_DIVISOR of a quiet move's histories (summed: see HISTORY_PRUNE_DEPTH), two plies
// at most either way.
inline constexpr int LMR_MIN_DEPTH = 3;
inline constexpr double LMR_BASE = 0.75;
inline constexpr double LMR_DIVISOR = 2.25;
inline constexpr int LMR_HISTORY_DIVISOR = 5000;

// Quiescence: a capture whose victim plus this margin cannot lift the stand-pat score to
// alpha is not searched (delta pruning).
inline constexpr int DELTA_MARGIN = 200;

// The histories (strong/history.h): a bonus is HISTORY_BONUS_SCALE times depth squared,
// the square at most HISTORY_BONUS_CAP.
// A quiet move is ordered by its butterfly history plus, with USE_CONTINUATION_HISTORY, its
// continuation histories after the moves one and two plies before it; a capture by its victim,
// then, with USE_CAPTURE_HISTORY, its capture history over CAPTURE_HISTORY_DIVISOR. History
// pruning: at HISTORY_PRUNE_DEPTH or less, a quiet move whose summed histories fall below
// -HISTORY_PRUNE_MARGIN a ply is not searched.
inline constexpr int HISTORY_BONUS_SCALE = 32;
inline constexpr int HISTORY_BONUS_CAP = 400;
// The histories together (continuation and capture histories, history pruning, the bonus
// scaled by HISTORY_BONUS_SCALE) against the butterfly history alone, before the staged
// picker: +1 +- 33 Elo, 300 games at 40 moves in 4 s, +101 -100 =99 (GSPRT [0, 10]
// undecided); kept for now, to be measured again on the picker, which makes them cheaper.
inline constexpr int USE_CONTINUATION_HISTORY = 1;
inline constexpr int USE_CAPTURE_HISTORY = 1;
inline constexpr int CAPTURE_HISTORY_DIVISOR = 16;
inline constexpr int HISTORY_PRUNE_DEPTH = 3;
inline constexpr int HISTORY_PRUNE_MARGIN = 1024;

}  // namespace vardo
