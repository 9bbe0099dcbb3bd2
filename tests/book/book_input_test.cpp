// Loading files that are not well-formed books, a large one, and the book that ships.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "book_test_util.h"

namespace vardo {
namespace {

using test::ChildTexts;
using test::Follow;
using Strings = std::vector<std::string>;

class BookInput : public test::BookFiles {
   protected:
    // Every refused token is counted and has one log line, free of control bytes.
    void ExpectRefusalsLogged(const Book& loaded) {
        const std::vector<std::string> refused = RefusedTokens();
        EXPECT_EQ(refused.size(), loaded.refusedTokens);
        for (const std::string& token : refused) {
            EXPECT_LE(token.size(), 83u);
            for (const char c : token) {
                const auto byte = static_cast<unsigned char>(c);
                EXPECT_TRUE(byte >= 0x20 && byte != 0x7f) << static_cast<int>(byte);
            }
        }
    }
};

// Random bytes, NUL and line ends included, and real lines with junk inside them.
TEST_F(BookInput, BinaryJunkLoadsAndEveryRefusalIsLogged) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string junk;
    for (int i = 0; i < 64 * 1024; ++i) junk += static_cast<char>(byte(rng));
    junk += "\ne4 \x01\x02\x7f e5 Nf3\x1b[2J Nc6\n";
    const char tail[] = "d4 \0\0 d5 \xff\xfe Bf4\r\r\n";
    junk.append(tail, sizeof tail - 1);

    Book book;
    ASSERT_TRUE(book.Load(Write("junk.bk", junk)));
    EXPECT_GT(book.refusedTokens, 0u);
    ExpectRefusalsLogged(book);
    EXPECT_EQ(test::CheckTree(book), CountNodes(book.root));
    // The escape byte and a second carriage return are not token ends: "Nf3\x1b[2J" and
    // "Bf4\r" are tokens with text after the move, refused like any other junk.
    EXPECT_NE(Follow(book.root, {"e4", "e5"}), nullptr);
    EXPECT_NE(Follow(book.root, {"d4", "d5"}), nullptr);
    const std::vector<std::string> refused = RefusedTokens();
    EXPECT_NE(std::find(refused.begin(), refused.end(), "Nf3?[2J"), refused.end());
    EXPECT_NE(std::find(refused.begin(), refused.end(), "Bf4?"), refused.end());
}

// A 1 MB line of 250,000 moves makes a chain that deep: loading, searching and destroying it
// must not recurse per ply. A 1 MB token is refused and logged cut short.
TEST_F(BookInput, MegabyteLinesLoad) {
    std::string shuffle;
    for (int i = 0; i < 62500; ++i) shuffle += "Nf3 Nf6 Ng1 Ng8 ";
    ASSERT_EQ(shuffle.size(), 1000000u);
    const std::string token = "K" + std::string(1000000, 'z');
    {
        Book book;
        ASSERT_TRUE(book.Load(Write("long.bk", shuffle + "\n" + token + " e4 e5\n")));
        EXPECT_EQ(CountNodes(book.root), 1u + 250000 + 2);
        const BookNode* deep = &book.root;
        while (!deep->children.empty()) deep = &deep->children.front();
        EXPECT_EQ(deep->text, "Ng8");
        EXPECT_EQ(deep->key, book.root.key);
        // A key not in the book: the whole chain is walked, without recursion.
        EXPECT_EQ(FindByKey(book.root, 12345u), nullptr);
        EXPECT_EQ(FindByKey(book.root, book.root.key), &book.root);
        EXPECT_EQ(ChildTexts(book.root), (Strings{"Nf3", "e4"}));
        EXPECT_EQ(book.refusedTokens, 1u);
        ExpectRefusalsLogged(book);
        const Strings refused = RefusedTokens();
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_EQ(refused[0].substr(0, 5), "Kzzzz");
    }
}

// CRLF line ends lose their carriage return; the last line needs no line feed.
TEST_F(BookInput, LineEndsAndAMissingFinalLineFeed) {
    Book book;
    ASSERT_TRUE(book.Load(Write("crlf.bk", "e4 e5\r\nd4 d5 ; QGD\r\n\r\n1. c4 c5\n Nf3 Nf6")));
    EXPECT_EQ(ChildTexts(book.root), (Strings{"e4", "d4", "c4", "Nf3"}));
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"e4"})), Strings{"e5"});
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"d4"})), Strings{"d5"});
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"Nf3"})), Strings{"Nf6"});
    EXPECT_EQ(book.refusedTokens, 0u);
    EXPECT_TRUE(LogLines().empty());
}

// 100,000 lines drawn from a few real openings, some with move numbers, comments, CRLF
// ends or a refused word: the tree holds each distinct path once.
TEST_F(BookInput, HundredThousandLines) {
    const char* openings[] = {
        "e4 e5 Nf3", "1. e4 c5 2. Nf3", "d4 d5 c4 ; QGD", "d4 Nf6 c4 g6",
        "c4 e5",     "e4 e6 d4",        "Nf3 d5",         "e4 Ruy e5",
    };
    std::string content;
    for (int i = 0; i < 100000; ++i) {
        content += openings[i % 8];
        content += i % 3 ? "\n" : "\r\n";
    }
    Book book;
    ASSERT_TRUE(book.Load(Write("big.bk", content)));
    EXPECT_EQ(book.refusedTokens, 100000u / 8);
    const Strings refused = RefusedTokens();
    ASSERT_EQ(refused.size(), book.refusedTokens);
    EXPECT_EQ(refused.front(), "Ruy");
    EXPECT_EQ(test::CheckTree(book), CountNodes(book.root));
    EXPECT_EQ(ChildTexts(book.root), (Strings{"e4", "d4", "c4", "Nf3"}));
    EXPECT_EQ(ChildTexts(*Follow(book.root, {"e4"})), (Strings{"e5", "c5", "e6"}));
    EXPECT_EQ(CountNodes(book.root), 18u);
}

// The number of nodes of the shipped book; set it again whenever vardo.bk changes.
constexpr std::size_t SHIPPED_BOOK_NODES = 3603;

TEST_F(BookInput, ShippedBookLoadsWithoutRefusals) {
    Book book;
    ASSERT_TRUE(book.Load(VARDO_SOURCE_DIR "/vardo.bk"));
    EXPECT_EQ(book.refusedTokens, 0u) << "see " << logPath;
    EXPECT_EQ(CountNodes(book.root), SHIPPED_BOOK_NODES);
    EXPECT_EQ(test::CheckTree(book), CountNodes(book.root));
}

}  // namespace
}  // namespace vardo
