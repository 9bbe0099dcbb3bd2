// vardo-depths FILE MAX_DEPTH: searches every position of FILE (one FEN or EPD line each; blank
// lines and lines starting with '#' are skipped) from a fresh searcher up to MAX_DEPTH and
// prints one line per completed depth: "<index> <depth> <score> <nodes> <ms>", the index
// counting positions from 1, the score from White's point of view, nodes and milliseconds
// counted from the start of that position's search. scripts/compare_search.sh builds it
// against an older commit too, so it uses only what the searcher has long offered.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "search/searcher.h"
#include "search/stop_flag.h"

namespace {

constexpr int MAX_DEPTHS_DEPTH = 12;

class DepthPrinter : public vardo::SearchListener {
   public:
    DepthPrinter(int index, std::chrono::steady_clock::time_point start)
        : index_(index), start_(start) {}
    void OnIteration(int depth, unsigned nodes, float /*seconds*/, int score,
                     const vardo::Line& /*line*/) override {
        const auto elapsed = std::chrono::steady_clock::now() - start_;
        const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        std::printf("%d %d %d %u %lld\n", index_, depth, score, nodes, ms);
    }

   private:
    int index_;
    std::chrono::steady_clock::time_point start_;
};

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The FEN part of a FEN or EPD line: the four fields up to the en-passant square, then the
// fifty-move counter and move number where they follow as numbers.
std::string FenOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    std::string fen;
    for (std::size_t i = 0; i < fields.size() && i < 6; ++i) {
        if (i >= 4 && !IsNumber(fields[i])) break;
        fen += (i ? " " : "") + fields[i];
    }
    return fen;
}

}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    const long maxDepth = argc == 3 ? std::strtol(argv[2], &end, 10) : 0;
    if (argc != 3 || *argv[2] == '\0' || *end != '\0' || maxDepth < 1 ||
        maxDepth > MAX_DEPTHS_DEPTH) {
        std::fprintf(stderr, "usage: vardo-depths FILE MAX_DEPTH (MAX_DEPTH from 1 to %d)\n",
                     MAX_DEPTHS_DEPTH);
        return 2;
    }
    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "vardo-depths: cannot read %s\n", argv[1]);
        return 2;
    }

    vardo::stopFlag = false;  // no timer: nothing raises it
    int index = 0;
    int lineNumber = 0;
    for (std::string line; std::getline(file, line);) {
        ++lineNumber;
        const std::string fen = FenOf(line);
        if (fen.empty() || fen[0] == '#') continue;
        ++index;
        vardo::Board board;
        if (!board.SetFromFen(fen)) {
            std::fprintf(stderr, "vardo-depths: %s:%d: position refused: %s\n", argv[1], lineNumber,
                         fen.c_str());
            return 1;
        }
        vardo::Searcher searcher;  // fresh, so every position is searched as in a new game
        DepthPrinter printer(index, std::chrono::steady_clock::now());
        searcher.Search(board, &printer, static_cast<int>(maxDepth));
        std::fflush(stdout);
    }
    return 0;
}
