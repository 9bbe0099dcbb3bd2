#include "search/evaluate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string>
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

// The diagrams of tests/data/piece_square_tables.txt as [piece][set][square], square 0 = a8,
// from White's side. Every piece and set must be given exactly once.
using Diagrams = std::array<std::array<std::array<int, 64>, TABLE_SETS>, 6>;
Diagrams ReadDiagrams() {
    std::ifstream in(VARDO_SOURCE_DIR "/tests/data/piece_square_tables.txt");
    EXPECT_TRUE(in.good());
    const std::string_view names[6] = {"PAWN", "KNIGHT", "BISHOP", "ROOK", "QUEEN", "KING"};
    Diagrams diagrams{};
    int given[6][TABLE_SETS] = {};
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream header(line);
        std::string name;
        header >> name;
        const auto piece = std::find(std::begin(names), std::end(names), name) - std::begin(names);
        if (piece == 6) ADD_FAILURE() << "unknown piece in " << line;
        std::array<int, 64> values{};
        for (int& value : values) in >> value;
        for (int set; piece < 6 && header >> set;) {
            diagrams[piece][set] = values;
            ++given[piece][set];
        }
    }
    for (int piece = 0; piece < 6; ++piece)
        for (int set = 0; set < TABLE_SETS; ++set)
            EXPECT_EQ(given[piece][set], 1) << "piece " << piece << " set " << set;
    return diagrams;
}

// A position in which `colour` reads table set `set` whatever single man it gains: for sets 0
// and 3 it has at most its king (below 1300), for sets 1 and 2 two queens and its king on the
// g or b file. The opponent has two queens, except in set 3. Queens score 0 on every square.
// Of two layouts on different squares, the first that leaves `keepFree` empty is used.
Board TableBase(int set, int colour, int keepFree, bool ownKing) {
    struct Layout {
        const char* ownKing[TABLE_SETS];
        const char *ownQueens[2], *theirKing, *theirQueens[2];
    };
    static constexpr Layout layouts[2] = {
        {{"e1", "g1", "b1", "e1"}, {"d4", "e4"}, "e8", {"d5", "e5"}},
        {{"d1", "h1", "a1", "d1"}, {"c3", "f3"}, "d8", {"c6", "f6"}},
    };
    const int mirror = colour == WHITE ? 0 : 56;
    for (const Layout& layout : layouts) {
        Board board = Empty();
        const auto put = [&](const char* square, int who, int piece) {
            board.colour[Sq(square) ^ mirror] = who;
            board.piece[Sq(square) ^ mirror] = piece;
        };
        if (ownKing) put(layout.ownKing[set], colour, KING);
        put(layout.theirKing, Other(colour), KING);
        for (int i = 0; i < 2; ++i) {
            if (set == 1 || set == 2) put(layout.ownQueens[i], colour, QUEEN);
            if (set != 3) put(layout.theirQueens[i], Other(colour), QUEEN);
        }
        board.Refresh();
        if (board.piece[keepFree] == EMPTY) return board;
    }
    ADD_FAILURE() << "no layout leaves square " << keepFree << " free";
    return Empty();
}

// Every entry of every table, read through Evaluate as what one man adds on each square, for
// White and for Black (which reads the square turned over). The king is the side's only one,
// and sets 1 and 2 hold only while it stands on files f to h and a to c: its entries on the
// other files of those sets cannot be read (they are the set-0 diagram, checked in set 0).
TEST(EvaluateTables, EveryEntryMatchesTheDiagrams) {
    const Diagrams diagrams = ReadDiagrams();
    int checked = 0;
    for (int colour = WHITE; colour <= BLACK; ++colour)
        for (int set = 0; set < TABLE_SETS; ++set)
            for (int piece = PAWN; piece <= KING; ++piece)
                for (int square = 0; square < 64; ++square) {  // from White's side
                    const int file = square & 7;
                    if (piece == KING && ((set == 1 && file < 5) || (set == 2 && file > 2)))
                        continue;
                    const int at = colour == WHITE ? square : square ^ 56;
                    const Board base = TableBase(set, colour, at, piece != KING);
                    Board with = base;
                    with.colour[at] = colour;
                    with.piece[at] = piece;
                    with.Refresh();
                    int expected = PIECE_VALUE[piece] + diagrams[piece][set][square];
                    if (piece == PAWN && file >= 1 && file <= 4) expected -= 20;  // isolated
                    if (piece == ROOK) expected += 15;  // no pawn on any file
                    EXPECT_EQ(Eval(with, colour) - Eval(base, colour), expected)
                        << "colour " << colour << " set " << set << " piece " << piece << " square "
                        << square;
                    ++checked;
                }
    EXPECT_EQ(checked, 2 * (6 * TABLE_SETS * 64 - 2 * 40));
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

// The evaluation after a move worked out without making it is Evaluate's after making it (every
// field, since a search hands it to the child as its own), for every legal move, both sides to
// move, and no quiet move gains more than QuietGainBound says. The positions hold captures that
// take a colour below the table-set threshold (Nxd5 switches White to the endgame set), king moves
// across the files that pick a set (Kc1 puts White's pawns on a2, b2 and c2 on the queen-side set,
// a gain of 105), castling, rooks onto and off open files and taken on one, pawn captures that
// change the pawn structure and the open files, en passant and promotions. In the last, no man but
// the rook on d7 can gain by a quiet move (it stands on its best square, the queen's table is flat,
// the king's steps all lose): Rd7-e7 gains the open-file bonus alone. Then Rxd5 takes the d-file's
// last pawn, which opens it for both rooks, and Nxh7 or Nxf7 takes Black below the threshold.
TEST(EvaluateAfterMove, EqualsEvaluateAndQuietMovesStayWithinTheBound) {
    const Evaluator evaluator;
    int given = 0;
    for (const char* fen :
         {"3q2k1/8/8/3r4/8/2N5/8/R2Q2K1 w - - 0 1", "3q2k1/8/8/3r4/8/2N5/8/R2Q2K1 b - - 0 1",
          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
          "4k3/8/2r5/8/2R5/8/1P6/4K2R w K - 0 1", "r3k3/1P6/8/3pP3/8/8/8/4K3 w q d6 0 1",
          "r2qk3/5ppp/8/7Q/8/8/PPP5/3K3R w - - 0 1", "q5k1/r2R4/8/3p4/8/8/8/Q5K1 w - - 0 1",
          "3r2k1/8/8/3p4/8/8/8/3R2K1 w - - 0 1", "r5k1/r4ppp/8/6N1/8/8/8/6K1 w - - 0 1"}) {
        Board board;
        ASSERT_TRUE(board.SetFromFen(fen)) << fen;
        Evaluation before;
        evaluator.Evaluate(board, before);
        int bound;
        ASSERT_TRUE(evaluator.QuietGainBound(board, before, bound)) << fen;
        board.GenerateMoves();
        const MoveList moves = board.CurrentMoves();
        for (const MoveEntry& entry : moves) {
            Evaluation after;
            evaluator.AfterMove(board, before, entry.move, after);
            if (!board.MakeMove(entry.move)) continue;
            ++given;
            Evaluation made;
            evaluator.Evaluate(board, made);
            EXPECT_TRUE(after == made)
                << fen << " " << int(entry.move.from) << "-" << int(entry.move.to) << ": score "
                << after.score << " vs " << made.score;
            board.TakeBack();
            const int afterScore = -after.score;
            if (!(entry.move.bits & (CAPTURE | PROMOTION))) {
                EXPECT_LE(afterScore - before.score, bound)
                    << fen << " " << int(entry.move.from) << "-" << int(entry.move.to);
            }
        }
    }
    EXPECT_GT(given, 50);
}

}  // namespace
}  // namespace vardo
