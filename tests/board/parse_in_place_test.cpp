// ParseMoveInPlace against ParseMove: the copy-free parse the book loader uses must give the
// same entry for every text, on set-up positions and on boards in the state the loader keeps.
#include <gtest/gtest.h>

#include <random>

#include "board_test_util.h"

namespace vardo {
namespace {

// Move texts for a position: every generated move (legal or not) written each way, with
// marks, in capitals and cut short; the castling words and near misses; random junk.
std::vector<std::string> Texts(const Board& position, std::mt19937& rng, int junkCount) {
    std::vector<std::string> texts = {"o-o",  "O-O",     "o-o-o", "O-O-O", "0-0", "O-O+",
                                      "o-o-", "O-O-O-O", "Oo-o",  "O",     "o",   ""};
    Board board(position);
    board.GenerateMoves();
    const MoveList moves = board.CurrentMoves();
    for (const MoveEntry& entry : moves) {
        const std::string san = FormatSan(entry.move, position);
        const std::string coordinate = CoordinateText(entry.move);
        for (const std::string& text : {san, FormatMove(entry.move, position), coordinate}) {
            texts.push_back(text);
            texts.push_back(text + "!?");
            texts.push_back(text.substr(0, text.size() - 1));
            texts.push_back(text.substr(1));
        }
        std::string upper = coordinate;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        texts.push_back(upper);
        texts.push_back(coordinate + "n");
        texts.push_back(coordinate + "k");
    }
    static const std::string ALPHABET = "abcdefghNBRQKOox12345678=-+#!?";
    std::uniform_int_distribution<std::size_t> length(1, 7);
    std::uniform_int_distribution<std::size_t> pick(0, ALPHABET.size() - 1);
    for (int i = 0; i < junkCount; ++i) {
        std::string junk;
        for (std::size_t n = length(rng); n > 0; --n) junk += ALPHABET[pick(rng)];
        texts.push_back(junk);
    }
    return texts;
}

bool SamePosition(const Board& a, const Board& b) {
    return a.side == b.side && a.castle == b.castle && a.enPassant == b.enPassant &&
           a.fifty == b.fifty && a.undoStack == b.undoStack &&
           std::equal(a.colour, a.colour + 64, b.colour) &&
           std::equal(a.piece, a.piece + 64, b.piece);
}

// Compares the two parses for every text; `board` must be in the loader's state.
void ExpectSameParses(Board& board, std::mt19937& rng, int junkCount, const std::string& where) {
    const Board before(board);
    for (const std::string& text : Texts(before, rng, junkCount)) {
        const MoveEntry expected = ParseMove(text, before);
        EXPECT_EQ(ParseMoveInPlace(text, board), expected) << where << " text " << text;
        ASSERT_TRUE(SamePosition(board, before)) << where << " text " << text;
        ASSERT_EQ(board.plyMoves.size(), 1u);
    }
}

TEST(ParseMoveInPlace, GivesWhatParseMoveGivesOnSetUpPositions) {
    std::mt19937 rng(20240611);
    for (const std::string& fen : test::VariedFens()) {
        Board board = test::FromFen(fen);
        ExpectSameParses(board, rng, 300, fen);
    }
}

// Boards kept as the loader keeps them: each move made and the list it opened dropped, so
// the current list still holds the previous position's moves when the next parse starts.
TEST(ParseMoveInPlace, GivesWhatParseMoveGivesAlongPlayedLines) {
    std::mt19937 rng(7);
    for (int game = 0; game < 3; ++game) {
        Board board;
        for (int ply = 0; ply < 40; ++ply) {
            ExpectSameParses(board, rng, 20,
                             "game " + std::to_string(game) + " ply " + std::to_string(ply));
            const std::vector<Move> legal = test::LegalMoves(board);
            if (legal.empty()) break;
            const Move move =
                legal[std::uniform_int_distribution<std::size_t>(0, legal.size() - 1)(rng)];
            ASSERT_TRUE(board.MakeMove(move));
            board.plyMoves.pop_back();
        }
    }
}

}  // namespace
}  // namespace vardo
