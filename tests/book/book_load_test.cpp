// Loading the book: tokens, comments, shared paths, keys, refused tokens and their log lines.
#include <gtest/gtest.h>

#include "book_test_util.h"

namespace vardo {
namespace {

using test::ChildTexts;
using test::Follow;
using Strings = std::vector<std::string>;

class BookLoad : public test::BookFiles {};

// Key of the placement after playing the moves from the initial position.
std::uint64_t KeyAfter(std::initializer_list<const char*> moves) {
    Board board;
    for (const char* text : moves) {
        EXPECT_TRUE(board.MakeMove(ParseMove(text, board).move)) << text;
    }
    return board.HashKey();
}

TEST_F(BookLoad, FilesWithoutMovesLeaveOnlyTheRoot) {
    const Board initial;
    for (const std::string content :
         {"", "\n\n", "; a comment\n\n   \t\n;e4 e5\n", "1. 2. 3...\n 0-0 0-0-0 ; castles\n"}) {
        Book book;
        EXPECT_TRUE(book.Load(Write("book.bk", content))) << content;
        EXPECT_EQ(book.root.text, "root");
        EXPECT_EQ(book.root.key, initial.HashKey());
        EXPECT_TRUE(book.root.children.empty()) << content;
        EXPECT_EQ(book.refusedTokens, 0u);
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(BookLoad, MissingFileGivesFalseAndOnlyTheRoot) {
    Book book;
    EXPECT_FALSE(book.Load((dir / "no-such.bk").string()));
    EXPECT_TRUE(book.root.children.empty());
    EXPECT_EQ(CountNodes(book.root), 1u);
    EXPECT_TRUE(LogLines().empty());
}

// Lines that share their first moves share nodes; a repeated line adds nothing; children
// keep the order in which they first appeared; every key is the placement reached.
TEST_F(BookLoad, LinesShareTheirCommonStartAndKeysAreThePositionReached) {
    Book book;
    ASSERT_TRUE(book.Load(Write("book.bk", "e4 e5 Nf3\ne4 c5\ne4 e5 Nf3\ne4 e5\n")));
    EXPECT_EQ(ChildTexts(book.root), Strings{"e4"});
    const BookNode* e4 = Follow(book.root, {"e4"});
    ASSERT_NE(e4, nullptr);
    EXPECT_EQ(ChildTexts(*e4), (Strings{"e5", "c5"}));
    EXPECT_EQ(ChildTexts(*Follow(*e4, {"e5"})), Strings{"Nf3"});
    EXPECT_TRUE(Follow(*e4, {"c5"})->children.empty());
    EXPECT_EQ(CountNodes(book.root), 5u);

    EXPECT_EQ(e4->key, KeyAfter({"e4"}));
    EXPECT_EQ(Follow(*e4, {"e5", "Nf3"})->key, KeyAfter({"e4", "e5", "Nf3"}));
    EXPECT_EQ(Follow(*e4, {"c5"})->key, KeyAfter({"e4", "c5"}));
    EXPECT_EQ(book.refusedTokens, 0u);
}

// Keys over castling, en passant, captures and promotion, checked by replaying every path.
TEST_F(BookLoad, EveryKeyMatchesAReplayOfItsPath) {
    Book book;
    ASSERT_TRUE(book.Load(
        Write("book.bk",
              "e4 e5 Nf3 Nc6 Bc4 Bc5 O-O Nf6 d3 O-O\n"
              "e4 d5 e5 f5 exf6 Nc6 fxg7 Bf5 gxh8=Q\n"
              "d4 d5 c4 e6 Nc3 Nf6 Bg5 Be7 e3 O-O Nf3 Nbd7 Rc1\n"
              "e4 c5 Nf3 d6 d4 cxd4 Nxd4 Nf6 Nc3 a6 Be3 e5 Nb3 Be6 f3 Be7 Qd2 O-O O-O-O\n")));
    EXPECT_EQ(book.refusedTokens, 0u);
    EXPECT_EQ(test::CheckTree(book), CountNodes(book.root));
    EXPECT_EQ(CountNodes(book.root), 1u + 10 + 8 + 13 + 18);
}

TEST_F(BookLoad, TwoSpellingsOfOneMoveAreTwoChildrenWithEqualKeys) {
    Book book;
    ASSERT_TRUE(book.Load(Write("book.bk", "e4 e5\ne2e4 e5\nNf3\ng1f3\n")));
    EXPECT_EQ(ChildTexts(book.root), (Strings{"e4", "e2e4", "Nf3", "g1f3"}));
    EXPECT_EQ(book.root.children[0].key, book.root.children[1].key);
    EXPECT_EQ(book.root.children[2].key, book.root.children[3].key);
    EXPECT_NE(book.root.children[0].key, book.root.children[2].key);
    EXPECT_EQ(Follow(book.root, {"e4", "e5"})->key, Follow(book.root, {"e2e4", "e5"})->key);
}

// Move numbers, dots, zeros and comments are not tokens; tabs separate tokens like blanks.
TEST_F(BookLoad, NumbersCommentsAndZerosAreSkipped) {
    Book book;
    ASSERT_TRUE(book.Load(Write("book.bk",
                                "e4 e5 Nf3 Nc6 Bb5 ; main line\n"
                                "1.e4 e5 2.Nf3 Nc6 3.Bb5\n"
                                "1. e4\te5 2. Nf3 Nc6\t\t3. Bb5 a6;Morphy\n"
                                "d4 0-0 d5\n")));
    EXPECT_EQ(ChildTexts(book.root), (Strings{"e4", "d4"}));
    EXPECT_NE(Follow(book.root, {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"}), nullptr);
    EXPECT_EQ(CountNodes(book.root), 1u + 6 + 2);
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"d4"})), Strings{"d5"});
    EXPECT_EQ(book.refusedTokens, 0u);
    EXPECT_TRUE(LogLines().empty());
}

// The token is kept exactly as written, marks included, and names the move without them.
TEST_F(BookLoad, MarkedMovesAreReadAsTheMoveAndKeptAsWritten) {
    Book book;
    ASSERT_TRUE(book.Load(Write("book.bk", "e4 d5 exd5!? Nf6 Bb5+ c6\nNf3+\n")));
    EXPECT_EQ(book.refusedTokens, 0u);
    const BookNode* check = Follow(book.root, {"e4", "d5", "exd5!?", "Nf6", "Bb5+", "c6"});
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->key, KeyAfter({"e4", "d5", "exd5", "Nf6", "Bb5", "c6"}));
    EXPECT_EQ(Follow(book.root, {"Nf3+"})->key, KeyAfter({"Nf3"}));
}

// A refused token gets one Error line naming it; the tokens after it on that line still apply
// to the position before it, as if it had not been there.
TEST_F(BookLoad, RefusedTokensAreLoggedAndThePathKept) {
    Book book;
    ASSERT_TRUE(book.Load(Write("book.bk",
                                "e4 e4 e5\n"
                                "d4 Ruy Lopez d5\n"
                                "c4 xyz Nf6\n")));
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"e4"})), Strings{"e5"});
    // "Ruy" refused; "Lopez": its token starts at "opez", refused too; Black then plays d5.
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"d4"})), Strings{"d5"});
    // None of x, y, z starts a token, so "xyz" is skipped like a move number.
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"c4"})), Strings{"Nf6"});
    EXPECT_EQ(RefusedTokens(), (Strings{"e4", "Ruy", "opez"}));
    EXPECT_EQ(book.refusedTokens, 3u);
    EXPECT_EQ(CountNodes(book.root), 7u);
}

// Castling is taken only when the king may castle: squares clear, not through check, and
// the right not lost earlier in the line (the king went out and came back).
TEST_F(BookLoad, CastlingOnlyWhenLegal) {
    Book book;
    ASSERT_TRUE(book.Load(Write("book.bk",
                                "e4 e5 O-O Nf3\n"
                                "e4 e5 Nf3 Nc6 Bc4 Bc5 O-O+\n"
                                "e4 e5 Nf3 Nc6 Bc4 Bc5 o-o Nf6 d3 O-O\n"
                                "e4 e5 Nf3 Nc6 Bc4 Bc5 Ke2 Ke7 Ke1 Ke8 O-O\n"
                                "d4 d5 Bf4 Bf5 Nc3 Nc6 Qd2 Qd7 O-O-O o-o-o\n")));
    EXPECT_EQ(RefusedTokens(), (Strings{"O-O", "O-O+", "O-O"}));
    EXPECT_EQ(book.refusedTokens, 3u);
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"e4", "e5"})), Strings{"Nf3"});
    const BookNode* italian = Follow(book.root, {"e4", "e5", "Nf3", "Nc6", "Bc4", "Bc5"});
    ASSERT_NE(italian, nullptr);
    EXPECT_EQ(ChildTexts(*italian), (Strings{"o-o", "Ke2"}));
    EXPECT_NE(Follow(*italian, {"o-o", "Nf6", "d3", "O-O"}), nullptr);
    EXPECT_TRUE(Follow(*italian, {"Ke2", "Ke7", "Ke1", "Ke8"})->children.empty());
    EXPECT_NE(
        Follow(book.root, {"d4", "d5", "Bf4", "Bf5", "Nc3", "Nc6", "Qd2", "Qd7", "O-O-O", "o-o-o"}),
        nullptr);
    EXPECT_EQ(test::CheckTree(book), CountNodes(book.root));
}

}  // namespace
}  // namespace vardo
