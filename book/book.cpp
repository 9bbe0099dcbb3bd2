// The opening book: loading the tree from its text file and choosing moves from it.
#include "book/book.h"

#include <ctime>
#include <fstream>
#include <utility>

#include "board/notation.h"
#include "support/log.h"

namespace vardo {

namespace {

// A token starts at the first of these characters; move numbers, dots and zeros are skipped.
constexpr std::string_view TOKEN_START = "abcdefghoNBRQKO";
// A token runs up to the next of these.
constexpr std::string_view TOKEN_END = " \t\n";

// A refused token as it goes into the log: at most this many bytes, control bytes shown as '?'
// so that a junk file cannot write raw binary or carriage returns into the session log.
constexpr std::size_t LOGGED_TOKEN_MAX = 80;

std::string LoggedToken(std::string_view token) {
    std::string shown;
    const std::size_t n = token.size() < LOGGED_TOKEN_MAX ? token.size() : LOGGED_TOKEN_MAX;
    shown.reserve(n + 3);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(token[i]);
        shown += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
    }
    if (n < token.size()) shown += "...";
    return shown;
}

// Whether the move is in the board's current list, which ParseMoveInPlace has just filled.
// A castling word is built from the side to move alone, and MakeMove does not look at the
// castling rights, so a castling move is one of the position's moves only when the right
// still stands and the generator listed it. Every other parse result comes from the list.
bool IsGenerated(Board& board, Move move) {
    if (!(move.bits & CASTLE)) return true;
    for (const MoveEntry& entry : board.CurrentMoves())
        if (entry.move == move) return true;
    return false;
}

}  // namespace

BookNode::BookNode(std::string nodeText, std::uint64_t nodeKey)
    : text(std::move(nodeText)), key(nodeKey) {}

// The default destructor would recurse once per ply of the longest line. Instead the subtree
// is taken apart from a work list: each node taken off it hands its children to the list
// before it dies, so every destructor that runs meets at most childless nodes.
BookNode::~BookNode() {
    if (children.empty()) return;
    std::vector<BookNode> pending = std::move(children);
    while (!pending.empty()) {
        BookNode node = std::move(pending.back());
        pending.pop_back();
        for (BookNode& child : node.children) pending.push_back(std::move(child));
        node.children.clear();
    }
}

BookNode* BookNode::FindChild(std::string_view token) {
    for (BookNode& child : children)
        if (child.text == token) return &child;
    return nullptr;
}

BookNode& BookNode::AddChild(std::string token, std::uint64_t childKey) {
    children.emplace_back(std::move(token), childKey);
    return children.back();
}

BookNode* FindByKey(BookNode& node, std::uint64_t key) {
    std::vector<BookNode*> stack{&node};
    while (!stack.empty()) {
        BookNode* current = stack.back();
        stack.pop_back();
        if (current->key == key) return current;
        // Pushed last child first, so the first child is visited next: pre-order.
        for (auto it = current->children.rbegin(); it != current->children.rend(); ++it)
            stack.push_back(&*it);
    }
    return nullptr;
}

std::size_t CountNodes(const BookNode& node) {
    std::size_t count = 0;
    std::vector<const BookNode*> stack{&node};
    while (!stack.empty()) {
        const BookNode* current = stack.back();
        stack.pop_back();
        ++count;
        for (const BookNode& child : current->children) stack.push_back(&child);
    }
    return count;
}

Book::Book() : secondsNow([] { return static_cast<std::uint32_t>(std::time(nullptr)); }) {
    const Board initial;
    root.text = "root";
    root.key = initial.HashKey();
}

Book::~Book() = default;

bool Book::Load(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::in | std::ios::binary);
    if (!file) return false;

    // One board serves every line: each line starts by taking its moves back, which is
    // cheaper than building a board per line. Its history table stays zero (nothing here
    // searches) and it keeps a single ply list, which is what ParseMoveInPlace needs to match
    // ParseMove.
    Board board;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        LoadLine(line, board);
    }
    return true;
}

// One line of the book: its tokens, played from the initial position, extend the tree.
void Book::LoadLine(std::string_view line, Board& board) {
    const std::size_t comment = line.find(';');
    if (comment != std::string_view::npos) line = line.substr(0, comment);
    if (line.find_first_of(TOKEN_START) == std::string_view::npos) return;

    while (!board.undoStack.empty()) board.TakeBack();
    BookNode* node = &root;

    std::size_t pos = 0;
    while (true) {
        const std::size_t start = line.find_first_of(TOKEN_START, pos);
        if (start == std::string_view::npos) break;
        const std::size_t end = line.find_first_of(TOKEN_END, start);
        const std::string_view token = line.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        pos = start + token.size();

        const MoveEntry entry = ParseMoveInPlace(token, board);
        if (!IsGenerated(board, entry.move) || !board.MakeMove(entry.move)) {
            ++refusedTokens;
            LogError("(Book) Error in opening book;" + LoggedToken(token));
            continue;
        }
        // MakeMove opened a list for the next ply; drop it so the board keeps one list and
        // a long line costs no memory per ply beyond its undo records.
        board.plyMoves.pop_back();

        BookNode* child = node->FindChild(token);
        node = child != nullptr ? child : &node->AddChild(std::string(token), board.HashKey());
    }
}

std::uint32_t Book::BookRandom(std::uint32_t k) const {
    if (k < 2) return 0;
    return ShuffleSeed(secondsNow()) % k;
}

std::string Book::Choose(std::uint64_t key) {
    if (!enabled.load()) return std::string();
    BookNode* node = FindByKey(root, key);
    if (node == nullptr || node->children.empty()) return std::string();

    // Shuffle in place; the new order stays for later choices at this node.
    std::vector<BookNode>& children = node->children;
    for (std::size_t i = 1; i < children.size(); ++i) {
        const std::size_t j = BookRandom(static_cast<std::uint32_t>(i + 1));
        if (j != i) std::swap(children[i], children[j]);
    }
    return children.front().text;
}

bool Book::ChooseLegal(const Board& game, std::string& text, MoveEntry& entry) {
    text = Choose(game.HashKey());
    entry = MoveEntry();
    if (text.empty()) return false;
    entry = ParseMove(text, game);
    // IsListed as well as MakeMove: a castling word parses whatever the castling rights are,
    // and MakeMove checks only the squares, so a right already lost must be caught here.
    Board trial(game);
    if (trial.IsListed(entry.move) && trial.MakeMove(entry.move)) return true;
    text.clear();
    entry = MoveEntry();
    return false;
}

}  // namespace vardo
