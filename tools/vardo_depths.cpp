// vardo-depths [--hash MB] [--threads N] FILE MAX_DEPTH: searches every position of FILE (one FEN
// or EPD line each; blank lines and lines starting with '#' are skipped) from a fresh searcher up
// to MAX_DEPTH and prints one line per completed depth: "<index> <depth> <score> <nodes> <ms>", the
// index counting positions from 1, the score from White's point of view, nodes and milliseconds
// counted from the start of that position's search. A line may go on with "moves" and moves in
// coordinate form, played from the FEN's position before the search, so that the search sees
// them in the game's history (its repetitions). --hash sizes the transposition table (default
// 32 MB, 0 for none); --threads sets the search threads (default 1).
//
// scripts/compare_search.sh builds it against an older commit too, so it uses only what the
// searcher has long offered, and the table's size only where the searcher has one.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "search/searcher.h"
#include "search/stop_flag.h"

#if __has_include("search/transposition_table.h")
#define VARDO_DEPTHS_HAS_TABLE 1
#include "engine/arguments.h"
#else
#define VARDO_DEPTHS_HAS_TABLE 0
#endif
#if __has_include("support/standard_streams.h")
#include "support/standard_streams.h"
#define VARDO_DEPTHS_BINARY_OUTPUT() vardo::UseBinaryStandardStreams()
#else
#define VARDO_DEPTHS_BINARY_OUTPUT()
#endif
#if __has_include("search/search_helper.h")
#define VARDO_DEPTHS_HAS_THREADS 1
#else
#define VARDO_DEPTHS_HAS_THREADS 0
#endif

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
// fifty-move counter and move number where they follow as numbers; and the moves that follow
// "moves", up to a ';' or the end.
std::string FenOf(const std::string& line, std::vector<std::string>& moves) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    std::string fen;
    std::size_t i = 0;
    for (; i < fields.size() && i < 6; ++i) {
        if (i >= 4 && !IsNumber(fields[i])) break;
        fen += (i ? " " : "") + fields[i];
    }
    moves.clear();
    if (i < fields.size() && fields[i] == "moves")
        for (++i; i < fields.size() && fields[i][0] != ';'; ++i) moves.push_back(fields[i]);
    return fen;
}

// The usage line: on standard error for a wrong call (status 2), on standard output when asked
// for with --help (status 0).
int Usage(std::FILE* stream = stderr) {
    std::fprintf(stream, "usage: vardo-depths %s%sFILE MAX_DEPTH (MAX_DEPTH from 1 to %d)\n",
                 VARDO_DEPTHS_HAS_TABLE ? "[--hash MB] " : "",
                 VARDO_DEPTHS_HAS_THREADS ? "[--threads N] " : "", MAX_DEPTHS_DEPTH);
    return stream == stderr ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    VARDO_DEPTHS_BINARY_OUTPUT();
    [[maybe_unused]] std::size_t hashMegabytes = 32;
    [[maybe_unused]] int threads = 1;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return Usage(stdout);
    int first = 1;
    for (; first + 1 < argc && argv[first][0] == '-' && argv[first][1] == '-'; first += 2) {
        const std::string option = argv[first];
#if VARDO_DEPTHS_HAS_TABLE
        if (option == "--hash" && vardo::ParseHashMegabytes(argv[first + 1], hashMegabytes))
            continue;
#endif
#if VARDO_DEPTHS_HAS_THREADS
        if (option == "--threads" && vardo::ParseThreads(argv[first + 1], threads)) continue;
#endif
        return Usage();
    }
    if (argc - first != 2) return Usage();
    const char* fileName = argv[first];
    const char* depthText = argv[first + 1];
    char* end = nullptr;
    const long maxDepth = std::strtol(depthText, &end, 10);
    if (*depthText == '\0' || *end != '\0' || maxDepth < 1 || maxDepth > MAX_DEPTHS_DEPTH)
        return Usage();
    std::ifstream file(fileName);
    if (!file) {
        std::fprintf(stderr, "vardo-depths: cannot read %s\n", fileName);
        return 2;
    }

    vardo::stopFlag = false;  // no timer: nothing raises it
    int index = 0;
    int lineNumber = 0;
    std::vector<std::string> moves;
    for (std::string line; std::getline(file, line);) {
        ++lineNumber;
        const std::string fen = FenOf(line, moves);
        if (fen.empty() || fen[0] == '#') continue;
        ++index;
        vardo::Board board;
        if (!board.SetFromFen(fen)) {
            std::fprintf(stderr, "vardo-depths: %s:%d: position refused: %s\n", fileName,
                         lineNumber, fen.c_str());
            return 1;
        }
        for (const std::string& text : moves) {
            const vardo::MoveEntry entry = vardo::ParseMove(text, board);
            if (entry.move.IsNull() || !board.MakeMove(entry.move)) {
                std::fprintf(stderr, "vardo-depths: %s:%d: move refused: %s\n", fileName,
                             lineNumber, text.c_str());
                return 1;
            }
        }
        board.ClearPlyState();
        // Fresh, so every position is searched as in a new game.
#if VARDO_DEPTHS_HAS_THREADS
        vardo::Searcher searcher(hashMegabytes, threads);
#elif VARDO_DEPTHS_HAS_TABLE
        vardo::Searcher searcher(hashMegabytes);
#else
        vardo::Searcher searcher;
#endif
        // Every page of the table in place before the clock starts, as after a "new".
        searcher.ClearOrderingMemory();
        DepthPrinter printer(index, std::chrono::steady_clock::now());
        searcher.Search(board, &printer, static_cast<int>(maxDepth));
        std::fflush(stdout);
    }
    return 0;
}
