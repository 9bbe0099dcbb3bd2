// Times loading a book file: vardo-book-bench [file] [repeats]. Prints the seconds of each
// load, the node count and the number of refused tokens; refused tokens go to a log named
// vardo-book-bench.log in the working folder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "book/book.h"
#include "support/log.h"
#include "support/standard_streams.h"

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    const std::string fileName = argc > 1 ? argv[1] : "vardo.bk";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    vardo::Log log("vardo-book-bench.log");
    vardo::theLog = &log;
    int status = 0;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        std::size_t nodes = 0, refused = 0;
        {
            vardo::Book book;
            if (!book.Load(fileName)) {
                std::fprintf(stderr, "cannot read %s\n", fileName.c_str());
                status = 1;
                break;
            }
            nodes = vardo::CountNodes(book.root);
            refused = book.refusedTokens;
        }  // the tree is torn down inside the timing
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("load %d: %.3f s, %zu nodes, %zu refused tokens\n", i + 1, seconds.count(),
                    nodes, refused);
    }
    vardo::theLog = nullptr;
    return status;
}
