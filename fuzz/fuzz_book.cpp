// Fuzz target: an opening book file of arbitrary bytes loads without fault, and choosing
// from it gives nothing or a text of the tree.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "board/board.h"
#include "book/book.h"

using namespace vardo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/vardo-fuzz-book-" + std::to_string(getpid()) + ".bk";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

    Book book;
    book.secondsNow = [] { return 1700000000u; };
    if (!book.Load(path)) __builtin_trap();
    Board game;
    std::string text;
    MoveEntry entry;
    if (book.ChooseLegal(game, text, entry) && !game.MakeMove(entry.move)) __builtin_trap();
    return 0;
}
