#include "search/evaluate.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vardo {
namespace {

constexpr int Sq(std::string_view name) {
    return (name[0] - 'a') + 8 * ('8' - name[1]);
}

Board Empty() {
    Board board;
    for (int square = 0; square < 64; ++square) {
        board.colour[square] = NO_COLOUR;
        board.piece[square] = EMPTY;
    }
    board.Refresh();
    return board;
}

void Put(Board& board, std::string_view square, int colour, int piece) {
    board.colour[Sq(square)] = colour;
    board.piece[Sq(square)] = piece;
    board.Refresh();
}

int Eval(Board board, int side) {
    board.side = side;
    return Evaluator().Evaluate(board);
}

// What adding `piece` of `colour` on `square` is worth to that colour.
int Gain(const Board& base, int colour, int piece, std::string_view square) {
    Board with = base;
    Put(with, square, colour, piece);
    return Eval(with, colour) - Eval(base, colour);
}

// A position in which `colour` uses table set `set`: two queens a side (queens score 0 on every
// square), kings on e1/e8, `colour`'s moved to the g or b file for sets 1 and 2; for set 3 the
// opponent keeps one queen only. Black's pieces mirror White's.
Board Base(int set, int colour) {
    Board board = Empty();
    const bool white = colour == WHITE;
    const char* ownKing = set == 1   ? (white ? "g1" : "g8")
                          : set == 2 ? (white ? "b1" : "b8")
                                     : (white ? "e1" : "e8");
    Put(board, ownKing, colour, KING);
    Put(board, white ? "e8" : "e1", Other(colour), KING);
    Put(board, white ? "b5" : "b4", colour, QUEEN);
    Put(board, white ? "b4" : "b5", Other(colour), QUEEN);
    Put(board, white ? "g5" : "g4", colour, QUEEN);
    if (set != 3) Put(board, white ? "g4" : "g5", Other(colour), QUEEN);
    return board;
}

std::string_view Mirror(std::string_view square, char* buffer) {
    buffer[0] = square[0];
    buffer[1] = static_cast<char>('9' - square[1] + '0');
    return {buffer, 2};
}

TEST(EvaluateTables, EveryPieceAndSetReadsItsTableForWhiteAndMirroredForBlack) {
    struct Case {
        int set, piece;
        std::string_view square;  // from White's side
        int table;                // the printed entry
        int extra;                // isolated pawn on files b..e, rook on a file without pawns
    };
    const Case cases[] = {
        {0, PAWN, "d2", -40, -20}, {0, PAWN, "e3", -10, -20},  {0, PAWN, "a7", 5, 0},
        {0, PAWN, "h3", 1, 0},     {1, PAWN, "a7", 6, 0},      {1, PAWN, "g2", 20, 0},
        {1, PAWN, "h3", 5, 0},     {1, PAWN, "f4", 0, 0},      {2, PAWN, "a2", 10, 0},
        {2, PAWN, "c2", 15, -20},  {2, PAWN, "a3", 5, 0},      {2, PAWN, "h4", 2, 0},
        {3, PAWN, "a2", -40, 0},   {3, PAWN, "c7", 20, -20},   {3, PAWN, "h6", 15, 0},
        {0, KNIGHT, "b1", -30, 0}, {1, KNIGHT, "d4", 10, 0},   {2, KNIGHT, "c6", 5, 0},
        {3, KNIGHT, "h5", -10, 0}, {0, BISHOP, "b8", -210, 0}, {1, BISHOP, "a7", -210, 0},
        {2, BISHOP, "c1", -20, 0}, {3, BISHOP, "h7", -210, 0}, {0, ROOK, "d7", 20, 15},
        {0, ROOK, "a1", 0, 15},    {1, ROOK, "a1", -1, 15},    {1, ROOK, "d1", 5, 15},
        {1, ROOK, "f1", -1, 15},   {2, ROOK, "a7", 20, 15},    {2, ROOK, "h1", -1, 15},
        {3, ROOK, "d7", 0, 15},    {0, QUEEN, "d4", 0, 0},     {3, QUEEN, "a7", 0, 0},
    };
    for (const Case& c : cases) {
        char buffer[2];
        const int expected = PIECE_VALUE[c.piece] + c.table + c.extra;
        EXPECT_EQ(Gain(Base(c.set, WHITE), WHITE, c.piece, c.square), expected)
            << "white piece " << c.piece << " set " << c.set << " on " << c.square;
        EXPECT_EQ(Gain(Base(c.set, BLACK), BLACK, c.piece, Mirror(c.square, buffer)), expected)
            << "black piece " << c.piece << " set " << c.set << " on mirror of " << c.square;
    }
}

TEST(EvaluateTables, KingTablesForEverySet) {
    struct Case {
        int set;
        std::string_view from, to;
        int change;  // printed entry of `to` minus that of `from`
    };
    const Case cases[] = {
        {0, "e1", "d1", -20}, {0, "e1", "e2", -20}, {0, "e1", "d5", -40}, {1, "g1", "h1", -20},
        {1, "g1", "f1", -60}, {1, "g1", "h2", -60}, {2, "b1", "c1", 20},  {2, "b1", "a1", -20},
        {2, "b1", "c3", -60}, {3, "e1", "g1", -5},  {3, "e1", "b7", 60},  {3, "e1", "h6", 50},
        {3, "e1", "a6", 40},  {3, "e1", "d8", -10},
    };
    for (const Case& c : cases)
        for (int colour : {WHITE, BLACK}) {
            char from[2], to[2];
            const auto at = [&](std::string_view square, char* buffer) {
                return colour == WHITE ? square : Mirror(square, buffer);
            };
            Board before = Base(c.set, colour);
            // In set 3 both sides are weak, so a king on a wing file cannot pick set 1 or 2.
            if (c.set == 3) Put(before, colour == WHITE ? "g5" : "g4", NO_COLOUR, EMPTY);
            Board after = before;
            Put(after, at(c.from, from), NO_COLOUR, EMPTY);
            Put(after, at(c.to, to), colour, KING);
            EXPECT_EQ(Eval(after, colour) - Eval(before, colour), c.change)
                << "colour " << colour << " set " << c.set << " " << c.from << "-" << c.to;
        }
}

TEST(EvaluateTableSets, ChosenWhiteFirstThenBlack) {
    // White strong with its king on g1: set 1 (pawn g2 worth 20) unless Black is below 1300,
    // then set 3 (pawn g2 worth -40), whatever White's king does.
    Board board = Base(1, WHITE);
    EXPECT_EQ(Gain(board, WHITE, PAWN, "g2"), 100 + 20);
    Put(board, "g4", NO_COLOUR, EMPTY);  // Black keeps one queen: 900 < 1300
    EXPECT_EQ(Gain(board, WHITE, PAWN, "g2"), 100 - 40);

    // Black strong with its king on g8 keeps set 1 even when White is below 1300: Black's
    // choice comes last and overrides the endgame set White's low score gave it.
    board = Base(1, BLACK);
    Put(board, "g5", NO_COLOUR, EMPTY);  // White keeps one queen
    EXPECT_EQ(Gain(board, BLACK, PAWN, "g7"), 100 + 20);
    // With its king on e8 it keeps the endgame set.
    Put(board, "g8", NO_COLOUR, EMPTY);
    Put(board, "e8", BLACK, KING);
    EXPECT_EQ(Gain(board, BLACK, PAWN, "g7"), 100 - 40);
}

TEST(EvaluateTableSets, ThresholdCountsPawnStructure) {
    // Black king on e8 with two queens reads e1 of its table: 0 in set 0, -30 in set 3.
    // White has exactly 1300 in material; four pawns on the a-file cost 60 and put White
    // below the threshold, which gives Black the endgame set.
    Board board = Empty();
    Put(board, "e1", WHITE, KING);
    Put(board, "d1", WHITE, QUEEN);
    Put(board, "e8", BLACK, KING);
    Put(board, "b4", BLACK, QUEEN);
    Put(board, "g4", BLACK, QUEEN);
    Board spread = board, stacked = board;
    for (const char* square : {"a2", "f2", "g2", "h2"}) Put(spread, square, WHITE, PAWN);
    for (const char* square : {"a2", "a3", "a4", "a5"}) Put(stacked, square, WHITE, PAWN);
    const int whiteSpread = 1300 + 0 + 0 + 0 + 0;
    const int whiteStacked = 1300 - 60 + (0 + 1 + 2 + 3);  // set 0 values a2..a5
    EXPECT_EQ(Eval(spread, BLACK), 1800 - whiteSpread);
    EXPECT_EQ(Eval(stacked, BLACK), 1800 - 30 - whiteStacked);
}

TEST(EvaluatePawns, DoubledAndIsolatedPawns) {
    const Board base = Base(0, WHITE);
    Board one = base;
    Put(one, "a2", WHITE, PAWN);
    EXPECT_EQ(Gain(one, WHITE, PAWN, "a3"), 100 + 1 - 20);  // doubled
    Put(one, "a3", WHITE, PAWN);
    EXPECT_EQ(Gain(one, WHITE, PAWN, "a4"), 100 + 2 - 20);  // tripled: another 20
    // A lone pawn is isolated only on files b to e, once per file.
    EXPECT_EQ(Gain(base, WHITE, PAWN, "b3"), 100 + 2 - 20);
    EXPECT_EQ(Gain(base, WHITE, PAWN, "e4"), 100 + 8 - 20);
    const struct {
        const char* square;
        int table;
    } unexamined[] = {{"a3", 1}, {"f3", 3}, {"g3", 2}, {"h3", 1}};
    for (const auto& u : unexamined)
        EXPECT_EQ(Gain(base, WHITE, PAWN, u.square), 100 + u.table) << u.square;
    Board b = base;
    Put(b, "b3", WHITE, PAWN);
    EXPECT_EQ(Gain(b, WHITE, PAWN, "b2"), 100 + 0 - 20);  // doubled, not isolated again
    EXPECT_EQ(Gain(b, WHITE, PAWN, "c3"), 100 + 3 + 20);  // b is no longer isolated
    // An enemy pawn on a neighbouring file does not help.
    Board enemy = base;
    Put(enemy, "c6", BLACK, PAWN);
    EXPECT_EQ(Gain(enemy, WHITE, PAWN, "b3"), 100 + 2 - 20);
}

TEST(EvaluateRooks, BonusOnlyOnFilesWithoutAnyPawn) {
    const Board base = Base(0, WHITE);
    EXPECT_EQ(Gain(base, WHITE, ROOK, "c3"), 500 + 15);
    Board theirs = base;
    Put(theirs, "c6", BLACK, PAWN);
    EXPECT_EQ(Gain(theirs, WHITE, ROOK, "c3"), 500);
    Board ours = base;
    Put(ours, "c2", WHITE, PAWN);
    EXPECT_EQ(Gain(ours, WHITE, ROOK, "c3"), 500);
}

// The same position with colours exchanged and the board turned over.
Board Flipped(const Board& board) {
    Board flipped = Empty();
    for (int square = 0; square < 64; ++square) {
        const int colour = board.colour[square];
        flipped.colour[square ^ 56] = colour == NO_COLOUR ? NO_COLOUR : Other(colour);
        flipped.piece[square ^ 56] = board.piece[square];
    }
    flipped.side = Other(board.side);
    flipped.Refresh();
    return flipped;
}

TEST(EvaluateSymmetry, SideToMoveAndColourFlip) {
    // Positions where both colours are on the same side of the table-set threshold, or the
    // stronger side's king stands on file d or e, so the White-first choice is symmetric.
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 b - - 0 1",
    };
    EXPECT_EQ(Eval(Board(), WHITE), 0);
    for (const char* fen : fens) {
        Board board;
        ASSERT_TRUE(board.SetFromFen(fen)) << fen;
        const int score = Evaluator().Evaluate(board);
        EXPECT_EQ(Eval(board, Other(board.side)), -score) << fen;
        EXPECT_EQ(Evaluator().Evaluate(Flipped(board)), score) << fen;
    }
    // Where White is below the threshold and Black's strong king is on the g-file, the flip
    // is not symmetric: Black keeps its king-side set, flipped White gets the endgame set.
    Board board = Base(1, BLACK);
    Put(board, "g5", NO_COLOUR, EMPTY);
    Put(board, "g7", BLACK, PAWN);
    EXPECT_NE(Evaluator().Evaluate(Flipped(board)), Eval(board, BLACK));
}

TEST(EvaluateKing, MissingKingKeepsTheDefaultSet) {
    // No White king: file e is assumed, so White keeps set 0: pawns on g2 and a2 are worth 0
    // there (20 in set 1, 10 in set 2).
    Board board = Base(0, WHITE);
    Put(board, "e1", NO_COLOUR, EMPTY);
    EXPECT_EQ(Gain(board, WHITE, PAWN, "g2"), 100);
    EXPECT_EQ(Gain(board, WHITE, PAWN, "a2"), 100);
}

}  // namespace
}  // namespace vardo
