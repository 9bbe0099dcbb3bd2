// The opening book: a tree of prepared moves read from a text file, keyed by position, and
// the clock-driven choice of a move from it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "board/types.h"

namespace vardo {

// One position of the book: the move text that leads to it, exactly as written in the file,
// the placement key of the position after that move, and the continuations in file order.
// Nodes are move-only: a book line can be arbitrarily long, so a copy of a subtree (which
// would recurse once per ply) is never made, and the destructor tears a subtree down without
// recursion.
struct BookNode {
    std::string text;
    std::uint64_t key = 0;
    std::vector<BookNode> children;

    BookNode() = default;
    BookNode(std::string nodeText, std::uint64_t nodeKey);
    BookNode(BookNode&&) noexcept = default;
    BookNode& operator=(BookNode&&) noexcept = default;
    BookNode(const BookNode&) = delete;
    BookNode& operator=(const BookNode&) = delete;
    ~BookNode();

    // The child whose text equals the token byte for byte, or null.
    BookNode* FindChild(std::string_view token);
    // Appends a childless child and gives it. References to earlier children may move.
    BookNode& AddChild(std::string token, std::uint64_t childKey);
};

// The first node of the subtree in pre-order (the node itself first) whose key equals `key`,
// or null. Walks with an explicit stack, so the depth of the tree does not matter.
BookNode* FindByKey(BookNode& node, std::uint64_t key);

// Number of nodes in the subtree, the node itself included.
std::size_t CountNodes(const BookNode& node);

// The seed of the book's shuffle for a calendar time t in seconds: t + 3079473477 modulo 2^32,
// plus one more when the addition wraps (an end-around carry).
constexpr std::uint32_t ShuffleSeed(std::uint32_t t) {
    constexpr std::uint32_t OFFSET = 3079473477u;
    std::uint32_t s = t + OFFSET;
    if (s < t) ++s;  // the addition wrapped
    return s;
}

class Book {
   public:
    // The node of the initial position, text "root"; every book line starts here.
    BookNode root;
    // Whether Choose offers moves. The command loop flips it while the search thread reads it.
    std::atomic<bool> enabled{true};
    // Calendar time in whole seconds for BookRandom; tests replace it to pin the shuffle.
    std::function<std::uint32_t()> secondsNow;
    // Tokens refused by Load since construction (each also logged as an error).
    std::size_t refusedTokens = 0;

    Book();
    virtual ~Book();
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    // Adds the lines of a book file to the tree. False only when the file cannot be opened;
    // a refused token is logged and loading goes on with the next token of the line.
    bool Load(const std::string& fileName);

    // The text of one continuation of the first node (pre-order) whose key is `key`, picked by
    // a shuffle of that node's children that stays in the tree; empty when the book is off or
    // has no continuation.
    std::string Choose(std::uint64_t key);

    // A number from 0 to k - 1 that depends only on the current second (0 for k < 2).
    std::uint32_t BookRandom(std::uint32_t k) const;

    // The book move for the game position, checked against it: the key covers the placement
    // only, so the chosen text may name no move of this position (other side to move,
    // castling no longer allowed). True with the text and the parsed entry when the move can
    // be made on the game board; false (text and entry cleared) otherwise, and the caller
    // searches instead.
    bool ChooseLegal(const Board& game, std::string& text, MoveEntry& entry);

   private:
    // Reads one line from the initial position: `board` is the loader's board, with the
    // moves of the previous line still made on it.
    void LoadLine(std::string_view line, Board& board);
};

}  // namespace vardo
