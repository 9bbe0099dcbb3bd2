// Helpers shared by the opening-book tests: a scratch folder with a session log, book files
// written into it, and walks over the loaded tree.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "book/book.h"
#include "support/log.h"

namespace vardo::test {

// Each test gets its own folder (test name and process id, so parallel runs from several
// build folders do not meet) and a session log that theLog points at for the test's length.
class BookFiles : public ::testing::Test {
   protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::path(::testing::TempDir()) /
              (std::string("vardo_book_") + info->test_suite_name() + "_" + info->name() + "_" +
               std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        logPath = dir / "session.log";
        log = std::make_unique<Log>(logPath.string());
        theLog = log.get();
    }
    void TearDown() override {
        theLog = nullptr;
        log.reset();
        std::filesystem::remove_all(dir);
    }

    // Writes the bytes as they are (no line-end translation) and gives the file's name.
    std::string Write(const std::string& name, const std::string& content) const {
        const std::filesystem::path path = dir / name;
        std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        return path.string();
    }

    std::vector<std::string> LogLines() const {
        std::ifstream in(logPath);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // The logged text of every refused token, in order; fails the test on any other log line.
    std::vector<std::string> RefusedTokens() const {
        static const std::string PREFIX = ";Error    ;(Book) Error in opening book;";
        std::vector<std::string> tokens;
        for (const std::string& line : LogLines()) {
            const std::size_t at = line.find(PREFIX);
            EXPECT_EQ(at, 19u) << line;
            if (at != std::string::npos) tokens.push_back(line.substr(at + PREFIX.size()));
        }
        return tokens;
    }

    std::filesystem::path dir;
    std::filesystem::path logPath;
    std::unique_ptr<Log> log;
};

// The node reached from `node` by following children with these texts, or null.
inline const BookNode* Follow(const BookNode& node, std::initializer_list<const char*> path) {
    const BookNode* current = &node;
    for (const char* text : path) {
        const BookNode* next = nullptr;
        for (const BookNode& child : current->children)
            if (child.text == text) next = &child;
        if (next == nullptr) return nullptr;
        current = next;
    }
    return current;
}

inline std::vector<std::string> ChildTexts(const BookNode& node) {
    std::vector<std::string> texts;
    for (const BookNode& child : node.children) texts.push_back(child.text);
    return texts;
}

// Replays every path of the tree from the initial position: each text must parse to a move
// that can be made, children of a node must differ in text, and each key must be the
// placement key of the position reached. Walks with a stack of (node, board) pairs, so the
// depth of the tree does not matter. Gives the number of nodes checked.
inline std::size_t CheckTree(const Book& book) {
    struct Item {
        const BookNode* node;
        Board board;
    };
    std::size_t checked = 1;
    EXPECT_EQ(book.root.text, "root");
    EXPECT_EQ(book.root.key, Board().HashKey());
    std::vector<Item> stack;
    stack.push_back({&book.root, Board()});
    while (!stack.empty()) {
        Item item = std::move(stack.back());
        stack.pop_back();
        for (std::size_t i = 0; i < item.node->children.size(); ++i) {
            const BookNode& child = item.node->children[i];
            for (std::size_t j = 0; j < i; ++j) EXPECT_NE(item.node->children[j].text, child.text);
            Board next(item.board);
            const MoveEntry entry = ParseMove(child.text, next);
            if (!next.IsListed(entry.move) || !next.MakeMove(entry.move)) {
                ADD_FAILURE() << "book holds a move that cannot be made: " << child.text;
                continue;
            }
            next.ClearPlyState();
            EXPECT_EQ(child.key, next.HashKey()) << child.text;
            ++checked;
            stack.push_back({&child, std::move(next)});
        }
    }
    return checked;
}

}  // namespace vardo::test
