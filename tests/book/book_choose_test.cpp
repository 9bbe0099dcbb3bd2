// Choosing book moves: the clock-driven shuffle, the node found by key, and the check of
// the chosen move against the game position.
#include <gtest/gtest.h>

#include "board/board_test_util.h"
#include "book_test_util.h"

namespace vardo {
namespace {

using test::ChildTexts;
using test::Follow;
using Strings = std::vector<std::string>;

class BookChoose : public test::BookFiles {
   protected:
    // Loads the lines into `book` with the clock pinned at t.
    void LoadPinned(const std::string& lines, std::uint32_t t) {
        ASSERT_TRUE(book.Load(Write("book.bk", lines)));
        ASSERT_EQ(book.refusedTokens, 0u);
        Pin(t);
    }
    void Pin(std::uint32_t t) {
        book.secondsNow = [t] { return t; };
    }
    Book book;
    const std::uint64_t start = Board().HashKey();
};

// The seed takes an end-around carry when t + 3079473477 passes 2^32.
TEST(ShuffleSeed, AddsTheOffsetWithEndAroundCarry) {
    EXPECT_EQ(ShuffleSeed(0), 3079473477u);
    EXPECT_EQ(ShuffleSeed(1), 3079473478u);
    EXPECT_EQ(ShuffleSeed(1215493818), 0xFFFFFFFFu);
    EXPECT_EQ(ShuffleSeed(1215493819), 1u);
    EXPECT_EQ(ShuffleSeed(1700000000), 484506182u);
    EXPECT_EQ(ShuffleSeed(0xFFFFFFFF), 3079473477u);
}

TEST_F(BookChoose, BookRandomDependsOnTheSecondOnly) {
    Pin(1700000000);
    EXPECT_EQ(book.BookRandom(0), 0u);
    EXPECT_EQ(book.BookRandom(1), 0u);
    EXPECT_EQ(book.BookRandom(2), 0u);
    EXPECT_EQ(book.BookRandom(3), 2u);
    EXPECT_EQ(book.BookRandom(4), 2u);
    EXPECT_EQ(book.BookRandom(5), 2u);
    EXPECT_EQ(book.BookRandom(1000), 182u);
    Pin(1215493819);
    for (std::uint32_t k = 2; k < 50; ++k) EXPECT_EQ(book.BookRandom(k), 1u) << k;
}

TEST_F(BookChoose, NothingWhenOffEmptyOrOutOfBook) {
    LoadPinned("e4 e5\n", 1700000000);
    book.enabled = false;
    EXPECT_EQ(book.Choose(start), "");
    book.enabled = true;
    EXPECT_EQ(book.Choose(start), "e4");
    // The node after e5 has no continuation; the position after d4 is not in the book.
    EXPECT_EQ(book.Choose(Follow(book.root, {"e4", "e5"})->key), "");
    Board d4;
    d4.MakeMove(ParseMove("d4", d4).move);
    EXPECT_EQ(book.Choose(d4.HashKey()), "");

    Book failed;
    EXPECT_FALSE(failed.Load((dir / "missing.bk").string()));
    EXPECT_EQ(failed.Choose(start), "");
}

TEST_F(BookChoose, SingleChildIsAlwaysChosen) {
    LoadPinned("e4 e5\n", 0);
    for (std::uint32_t t : {0u, 1u, 2u, 1215493819u, 1700000000u, 1700000001u, 0xFFFFFFFFu}) {
        Pin(t);
        EXPECT_EQ(book.Choose(start), "e4") << t;
    }
}

// Each call swaps two children when s is even, so two calls within one second alternate;
// with s odd nothing moves.
TEST_F(BookChoose, TwoChildrenAlternateOnlyWhenTheSeedIsEven) {
    LoadPinned("e4\nd4\n", 1700000000);  // s = 484506182, even
    EXPECT_EQ(book.Choose(start), "d4");
    EXPECT_EQ(book.Choose(start), "e4");
    EXPECT_EQ(book.Choose(start), "d4");
    Pin(1215493819);  // s = 1
    EXPECT_EQ(book.Choose(start), "d4");
    EXPECT_EQ(book.Choose(start), "d4");
    Pin(0);  // s = 3079473477, odd
    EXPECT_EQ(book.Choose(start), "d4");
}

// t = 1700000000: BookRandom(2..5) = 0, 2, 2, 2, so c0..c4 become c1, c0, c4, c2, c3, each
// child moving with its own subtree; the order stays for the next choice.
TEST_F(BookChoose, ShuffleReordersWholeChildrenInPlace) {
    LoadPinned("e4 e5\nd4 d5\nc4 c5\nNf3 Nf6\ng3 g6 Bg2\n", 1700000000);
    EXPECT_EQ(book.Choose(start), "d4");
    EXPECT_EQ(ChildTexts(book.root), (Strings{"d4", "e4", "g3", "c4", "Nf3"}));
    EXPECT_EQ(ChildTexts(book.root.children[0]), Strings{"d5"});
    EXPECT_EQ(ChildTexts(book.root.children[1]), Strings{"e5"});
    EXPECT_EQ(ChildTexts(book.root.children[2]), Strings{"g6"});
    EXPECT_EQ(ChildTexts(book.root.children[2].children[0]), Strings{"Bg2"});
    EXPECT_EQ(ChildTexts(book.root.children[3]), Strings{"c5"});
    EXPECT_EQ(ChildTexts(book.root.children[4]), Strings{"Nf6"});
    EXPECT_EQ(test::CheckTree(book), 12u);
    // The second shuffle starts from the new order: d4, e4, g3, c4, Nf3 -> e4, d4, Nf3, g3, c4.
    EXPECT_EQ(book.Choose(start), "e4");
    EXPECT_EQ(ChildTexts(book.root), (Strings{"e4", "d4", "Nf3", "g3", "c4"}));

    Pin(1215493819);  // s = 1: every swap is with position 1, so position 0 stays first
    EXPECT_EQ(book.Choose(start), "e4");
    EXPECT_EQ(book.root.children[0].text, "e4");
}

// Of several nodes with the key, the first in pre-order is used: here a deep node of the
// first line comes before a shallow node of the second line.
TEST_F(BookChoose, FirstNodeInPreOrderIsUsed) {
    LoadPinned("Nf3 Nf6 Ng1 Ng8 e4 e5 d4\ne4 e5 Nf3\ne2e4 e5 Bc4\n", 1215493819);
    const std::uint64_t key = Follow(book.root, {"e4", "e5"})->key;
    ASSERT_EQ(Follow(book.root, {"Nf3", "Nf6", "Ng1", "Ng8", "e4", "e5"})->key, key);
    ASSERT_EQ(Follow(book.root, {"e2e4", "e5"})->key, key);
    for (std::uint32_t t : {1215493819u, 1700000000u, 0u}) {
        Pin(t);
        EXPECT_EQ(book.Choose(key), "d4") << t;
    }
    // The initial placement: the root comes before the node after Ng8.
    Pin(1215493819);
    EXPECT_EQ(book.Choose(start), "Nf3");
}

// The key covers the placement only: the same pieces with the other side to move find the
// node, and ChooseLegal then finds that its move cannot be played.
TEST_F(BookChoose, OtherSideToMoveFindsTheNodeButChooseLegalRefusesItsMove) {
    LoadPinned("e4 c5 Nf3\n", 1700000000);
    const Board whiteToMove =
        test::FromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(book.Choose(whiteToMove.HashKey()), "c5");

    std::string text = "stale";
    MoveEntry entry{Move{1, 2, 3, 4}, 5};
    EXPECT_FALSE(book.ChooseLegal(whiteToMove, text, entry));
    EXPECT_EQ(text, "");
    EXPECT_EQ(entry, MoveEntry{});

    const Board blackToMove =
        test::FromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_TRUE(book.ChooseLegal(blackToMove, text, entry));
    EXPECT_EQ(text, "c5");
    EXPECT_EQ(entry, ParseMove("c5", blackToMove));
}

TEST_F(BookChoose, ChooseLegalGivesTheParsedEntryOrNothing) {
    LoadPinned("e4 e5 Nf3 Nc6 Bc4 Bc5 O-O\nd4\n", 1215493819);
    const Board initial;
    std::string text;
    MoveEntry entry;
    EXPECT_TRUE(book.ChooseLegal(initial, text, entry));
    EXPECT_EQ(text, "e4");
    EXPECT_EQ(entry, ParseMove("e4", initial));
    EXPECT_EQ(entry.move, (Move{52, 36, 0, DOUBLE_PUSH | PAWN_MOVE}));

    book.enabled = false;
    EXPECT_FALSE(book.ChooseLegal(initial, text, entry));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(entry.move.IsNull());
    book.enabled = true;

    // The Italian position with castling rights: O-O is offered.
    const std::string italian = "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w ";
    EXPECT_TRUE(book.ChooseLegal(test::FromFen(italian + "KQkq - 4 4"), text, entry));
    EXPECT_EQ(text, "O-O");
    EXPECT_EQ(entry.move, (Move{60, 62, PAWN, CASTLE}));
    // The same placement after the king has moved and come back: the right is gone.
    for (const char* rights : {"Qkq - 8 6", "- - 8 6"}) {
        entry = MoveEntry{Move{1, 2, 3, 4}, 5};
        EXPECT_FALSE(book.ChooseLegal(test::FromFen(italian + rights), text, entry)) << rights;
        EXPECT_EQ(text, "");
        EXPECT_EQ(entry, MoveEntry{});
    }
}

}  // namespace
}  // namespace vardo
