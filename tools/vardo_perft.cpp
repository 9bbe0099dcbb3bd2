// vardo-perft [--chess960] [--divide] DEPTH ["FEN"]: counts the leaves of the legal move tree
// with the engine's own generator, make and take back; --chess960 reads the FEN's castling
// field as Chess960's and castles by its rules.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/board.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board/tables.h"
#include "support/standard_streams.h"

using namespace vardo;

namespace {

constexpr int MAX_PERFT_DEPTH = 20;

int Usage(const char* message) {
    std::fprintf(stderr,
                 "vardo-perft: %s (usage: vardo-perft [--chess960] [--divide] DEPTH [\"FEN\"])\n",
                 message);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::printf(
            "usage: vardo-perft [--chess960] [--divide] DEPTH [\"FEN\"]\n"
            "Counts the leaves of the legal move tree to DEPTH (1 to %d) from the FEN's position,\n"
            "or the starting position; --divide also prints the count below each first move.\n"
            "--chess960 plays by Chess960's castling rules: the FEN's castling field names the\n"
            "rooks (Shredder-FEN \"HAha\" or X-FEN), and --divide writes castling as the king\n"
            "taking its own rook (e1h1).\n",
            MAX_PERFT_DEPTH);
        return 0;
    }
    int arg = 1;
    bool divide = false;
    Board::Variant variant = Board::Variant::STANDARD;
    for (; arg < argc; ++arg) {
        const std::string flag = argv[arg];
        if (flag == "--divide")
            divide = true;
        else if (flag == "--chess960")
            variant = Board::Variant::CHESS960;
        else
            break;
    }
    if (arg >= argc) return Usage("missing DEPTH");
    const std::string depthText = argv[arg++];
    char* end = nullptr;
    const long depth = std::strtol(depthText.c_str(), &end, 10);
    if (depthText.empty() || *end != '\0' || depth < 1 || depth > MAX_PERFT_DEPTH)
        return Usage("DEPTH must be a whole number from 1 to 20");

    Board board;
    if (variant == Board::Variant::CHESS960 && arg >= argc) board.SetFromFen(START_FEN, variant);
    if (arg < argc) {
        if (!board.SetFromFen(argv[arg++], variant)) return Usage("malformed FEN");
    }
    if (arg < argc) return Usage("too many arguments");

    const auto start = std::chrono::steady_clock::now();
    std::uint64_t total = 0;
    if (divide) {
        board.GenerateMoves();
        const MoveList moves = board.CurrentMoves();
        for (const MoveEntry& entry : moves) {
            if (!board.MakeMove(entry.move)) continue;
            const std::uint64_t count = depth > 1 ? Perft(board, static_cast<int>(depth) - 1) : 1;
            board.TakeBack();
            std::printf("%s %llu\n", CoordinateText(entry.move).c_str(),
                        static_cast<unsigned long long>(count));
            total += count;
        }
    } else {
        total = Perft(board, static_cast<int>(depth));
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const unsigned long long nps =
        seconds > 0 ? static_cast<unsigned long long>(static_cast<double>(total) / seconds) : 0;
    std::printf("nodes %llu time_ms %lld nps %llu\n", static_cast<unsigned long long>(total), ms,
                nps);
    return 0;
}
