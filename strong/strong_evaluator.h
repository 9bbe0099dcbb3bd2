// The evaluation of --strong: tapered (every term a middlegame and an endgame value, blended
// by the game phase), with material and piece-square tables, pawn structure and passed pawns,
// mobility, king safety, threats, the bishop pair, rooks' files, outposts and a tempo, and
// endgames scaled toward a draw where the material cannot win. Its weights are the tuner's
// (strong/eval_values.h); the designed Evaluator (search/evaluate.h) is untouched and still
// scores the default search.
#pragma once

#include <cstdint>
#include <memory>

#include "board/board.h"
#include "strong/eval_terms.h"
#include "strong/score.h"

namespace vardo {

// The game phase at the start: knights and bishops count 1, rooks 2, queens 4.
inline constexpr int MAX_PHASE = 24;
// Endgame values are multiplied by a scale of SCALE_NORMAL or less, then divided by it.
inline constexpr int SCALE_NORMAL = 128;
// Two bishops on squares of opposite colours, and no other piece.
inline constexpr int SCALE_OPPOSITE_BISHOPS = 64;
// The side ahead has no pawns and at most a minor piece's material more: no more than a minor
// piece in all, more pieces against a minor, or more against more.
inline constexpr int SCALE_LONE_MINOR = 0;
inline constexpr int SCALE_AGAINST_MINOR = 8;
inline constexpr int SCALE_PAWNLESS = 28;
// A bishop and rook's pawns that promote on a square of the other colour, the defending king at
// that corner: a draw.
inline constexpr int SCALE_WRONG_BISHOP = 0;
// King danger counts as its square divided by this in the middlegame, as itself divided by
// DANGER_EG_DIVISOR in the endgame, and not beyond DANGER_CAP.
inline constexpr int DANGER_MG_DIVISOR = 720;
inline constexpr int DANGER_EG_DIVISOR = 20;
inline constexpr int DANGER_CAP = 1500;
// King, bishop and knight against a king: won, and won by driving the king into a corner of the
// bishop's colour, kings close together.
inline constexpr int KBN_WIN = 900;
inline constexpr int KBN_CORNER = 20;
inline constexpr int KBN_KINGS = 10;
// A king alone against a rook or more: pushed to the edge and met by the other king.
inline constexpr int LONE_KING_EDGE = 20;
inline constexpr int LONE_KING_KINGS = 10;

// What each weight adds to one position's score, for the tuner: the count for each colour of
// every linear weight, and of every safety weight in the danger to each king (by the
// attacking colour), with what blends them.
struct EvalTrace {
    std::int16_t linear[WEIGHT_COUNT][2];
    std::int16_t safety[WEIGHT_COUNT][2];
    // Whether the danger to the king of the colour other than `c` was counted (enough
    // attackers); its safety counts are then in safety[][c].
    bool danger[2];
    int phase;  // 0 (bare kings and pawns) to MAX_PHASE
    int scale;  // of the endgame value, out of SCALE_NORMAL
    // A position scored by a rule of its own (a known draw or win), not by the weights.
    bool special;
    int score;  // the evaluation, from White's point of view
};

class StrongEvaluator {
   public:
    StrongEvaluator();
    ~StrongEvaluator();
    StrongEvaluator(const StrongEvaluator&) = delete;
    StrongEvaluator& operator=(const StrongEvaluator&) = delete;

    // Score in centipawns from the side to move's point of view. Reads the board's bit sets
    // and its position key, so a board written directly needs Refresh first. Allocates
    // nothing. The last scores are kept by position key: a search meets the same position
    // again through transpositions, re-searches and each new iteration.
    int Evaluate(const Board& board);
    // The same from White's point of view, filling `trace` (cleared first); the pawn table is
    // neither read nor written.
    int Trace(const Board& board, EvalTrace& trace);
    // Forgets the pawn table and the kept scores.
    void Clear();

    // What the pawns alone are worth, kept per pawn placement.
    struct PawnEntry {
        std::uint64_t pawns[2] = {0, 0};  // the placement this entry is for
        std::uint64_t passed[2] = {0, 0};
        Score score = 0;  // White's less Black's
        bool filled = false;
    };

   private:
    // A score kept for the position with this key.
    struct ScoreEntry {
        std::uint64_t key = 0;
        int score = 0;  // the side to move's
        bool filled = false;
    };

    static constexpr int PAWN_ENTRIES = 1 << 14;
    static constexpr int SCORE_ENTRIES = 1 << 15;
    std::unique_ptr<PawnEntry[]> pawnTable;
    std::unique_ptr<ScoreEntry[]> scoreTable;
};

}  // namespace vardo
