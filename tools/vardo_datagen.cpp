// vardo-datagen --games N --out FILE [--first-game K] [--format text|binary] [--nodes N]
//               [--threads N] [--seed S] [--random-plies N] [--openings FILE] [--hash MB]
//               [--eval-file NET | --no-net]
// Plays the selective search (--strong) against itself at a fixed node count a move and writes
// the quiet positions of its games with each game's result, for tuning the evaluation (and,
// later, for training a network).
//
// Each game starts from a position of the openings file (an EPD file, tests/data/openings.epd
// by default) chosen at random, followed by a few random legal plies; a start the search scores
// beyond START_SCORE_LIMIT for either side is drawn again. Every move is then a search of
// `--nodes` nodes (depth 1 always completes) with a table of its own per game, judging positions
// as `vardo --strong` does: with the net built into the program when there is one, or the net of
// --eval-file (a later generation's data), or, with --no-net or no net built in, the
// hand-written strong evaluation (generation 0's data). A game
// ends by the rules (mate, stalemate, the fifty-move rule, threefold repetition, a lone minor or
// less on both sides), or is adjudicated: won once the search's score has stayed beyond
// WIN_ADJUDICATION_SCORE for the same side over WIN_ADJUDICATION_PLIES plies, drawn once it has
// stayed within DRAW_ADJUDICATION_SCORE over DRAW_ADJUDICATION_PLIES plies after ply
// DRAW_ADJUDICATION_START, and drawn at MAX_GAME_PLIES.
//
// The output is text (the default), one position a line:
//     <FEN> | <score> | <result>
// FEN with all six fields; score the search's, in centipawns from White's point of view;
// result the game's from White's point of view: 1.0, 0.5 or 0.0. A position is written when it
// was searched during the game proper (not the random plies), its side to move is not in check,
// the move the search chose neither captures nor promotes, and the score is no mate.
//
// With --format binary the same positions are written as records of 32 bytes, for training a
// network on many millions of them (tools/datagen_format.py reads them):
//     bytes 0-7    the occupied squares, bit s for square s (a1 = 0, h8 = 63), little-endian
//     bytes 8-23   a nibble for each occupied square in the order of its bit, the low nibble
//                  of each byte first: the man's kind (0 pawn, 1 knight, 2 bishop, 3 rook,
//                  4 queen, 5 king), plus 8 for Black; unused nibbles are 0
//     bytes 24-25  the score, White's point of view, a signed little-endian 16-bit number
//     byte 26      the result, White's point of view: 0 loss, 1 draw, 2 win
//     byte 27      the side to move: 0 White, 1 Black
//     byte 28      the castling rights: 1 White short, 2 White long, 4 Black short, 8 Black long
//     byte 29      the en-passant square, 64 for none
//     byte 30      the fifty-move count (at most 255)
//     byte 31      0
//
// Game k is played from a random generator seeded with the seed and k alone, and the games are
// written in the order of k whatever the thread count, so a run is the same file every time.
// --first-game K plays games K to K + N - 1: runs over disjoint ranges with one seed, on one
// machine or many, add up to one data set with no game twice (concatenated in the order of
// their ranges, the same as one run over the whole range). Progress goes to standard error.
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "engine/arguments.h"
#include "search/search_types.h"
#include "strong/network.h"
#include "strong/selective_search.h"
#include "support/random.h"
#include "support/standard_streams.h"

namespace {

using vardo::Board;

constexpr int START_SCORE_LIMIT = 200;
constexpr int START_TRIES = 20;
constexpr int WIN_ADJUDICATION_SCORE = 1000;
constexpr int WIN_ADJUDICATION_PLIES = 8;
constexpr int DRAW_ADJUDICATION_SCORE = 10;
constexpr int DRAW_ADJUDICATION_PLIES = 12;
constexpr int DRAW_ADJUDICATION_START = 80;
constexpr int MAX_GAME_PLIES = 400;

struct Options {
    std::int64_t games = 0;
    std::int64_t firstGame = 0;
    bool binary = false;
    std::uint64_t nodes = 8000;
    int threads = 0;
    std::uint64_t seed = 1;
    int randomPlies = 4;
    std::string openings = "tests/data/openings.epd";
    std::string out;
    std::size_t hashMegabytes = 16;
    std::string evalFile;  // a net file that judges positions in place of the built-in net
    bool noNet = false;    // the hand-written evaluation even where a net is built in
};

using vardo::Random;

// The position as FEN text; `moveNumber` is the full-move number.
std::string FenOf(const Board& board, int moveNumber) {
    // The board keeps no move number: its FEN ends in 1, replaced by the game's.
    std::string fen = board.Fen();
    fen.resize(fen.rfind(' ') + 1);
    return fen + std::to_string(moveNumber);
}

// The legal moves of the position.
std::vector<vardo::Move> LegalMoves(Board& board) {
    board.ClearPlyState();
    board.GenerateMoves();
    const vardo::MoveList list = board.CurrentMoves();
    std::vector<vardo::Move> moves;
    for (const vardo::MoveEntry& entry : list)
        if (board.IsLegal(entry.move)) moves.push_back(entry.move);
    return moves;
}

// Neither side can mate: no pawn, rook or queen, and at most one knight or bishop a side.
bool InsufficientMaterial(const Board& board) {
    if ((board.Pieces(vardo::PAWN) | board.Pieces(vardo::ROOK) | board.Pieces(vardo::QUEEN)) != 0)
        return false;
    const std::uint64_t minors = board.Pieces(vardo::KNIGHT) | board.Pieces(vardo::BISHOP);
    return std::popcount(minors & board.Occupancy(vardo::WHITE)) <= 1 &&
           std::popcount(minors & board.Occupancy(vardo::BLACK)) <= 1;
}

struct Opening {
    std::string fen;
};

// The positions of an EPD file: four position fields, and "hmvc" and "fmvn" when given.
bool ReadOpenings(const std::string& path, std::vector<Opening>& openings) {
    std::ifstream file(path);
    if (!file) return false;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string fields[4];
        if (!(in >> fields[0] >> fields[1] >> fields[2] >> fields[3])) continue;
        std::string rest;
        std::getline(in, rest);
        std::string halfMoves = "0";
        std::string moveNumber = "1";
        std::istringstream operations(rest);
        for (std::string operation; std::getline(operations, operation, ';');) {
            std::istringstream words(operation);
            std::string code, value;
            words >> code >> value;
            if (code == "hmvc") halfMoves = value;
            if (code == "fmvn") moveNumber = value;
        }
        Opening opening{fields[0] + ' ' + fields[1] + ' ' + fields[2] + ' ' + fields[3] + ' ' +
                        halfMoves + ' ' + moveNumber};
        Board board;
        if (board.SetFromFen(opening.fen)) openings.push_back(opening);
    }
    return !openings.empty();
}

// One worker's searcher and table, kept from game to game.
struct Player {
    explicit Player(std::size_t megabytes) : searcher(table, 1) { table.Resize(megabytes); }
    vardo::TranspositionTable table;
    vardo::SelectiveSearcher searcher;
};

struct Record {
    std::string fen;
    int score;                             // White's point of view
    std::array<unsigned char, 32> packed;  // the binary record, its result still to be set
};

// The binary record of `board` with `whiteScore` (see the format above); byte 26, the result,
// is left 1 (a draw) for the caller to set.
std::array<unsigned char, 32> Pack(const Board& board, int whiteScore) {
    std::array<unsigned char, 32> record{};
    // The board numbers its squares from a8; the records from a1, as most trainers do: the
    // ranks' order reversed, a byte each.
    const std::uint64_t occupied =
        __builtin_bswap64(board.Occupancy(vardo::WHITE) | board.Occupancy(vardo::BLACK));
    for (int i = 0; i < 8; ++i) record[i] = static_cast<unsigned char>(occupied >> (8 * i));
    int nibble = 0;
    for (std::uint64_t rest = occupied; rest != 0; rest &= rest - 1, ++nibble) {
        const int square = std::countr_zero(rest) ^ 56;
        const int code = board.piece[square] + (board.colour[square] == vardo::BLACK ? 8 : 0);
        record[8 + nibble / 2] |= static_cast<unsigned char>(code << (4 * (nibble % 2)));
    }
    const auto score = static_cast<std::uint16_t>(static_cast<std::int16_t>(whiteScore));
    record[24] = static_cast<unsigned char>(score & 0xFF);
    record[25] = static_cast<unsigned char>(score >> 8);
    record[26] = 1;
    record[27] = board.side == vardo::BLACK ? 1 : 0;
    record[28] = static_cast<unsigned char>(board.castle & 15);
    record[29] = static_cast<unsigned char>(board.enPassant >= 0 ? board.enPassant ^ 56 : 64);
    record[30] = static_cast<unsigned char>(std::clamp(board.fifty, 0, 255));
    return record;
}

struct GameText {
    std::string text;
    int positions = 0;
    double result = 0.5;
};

// The full-move number `plies` plies after a position of move `number` with `side` to move.
int MoveNumber(int number, int side, int plies) {
    return number + (plies + (side == vardo::BLACK ? 1 : 0)) / 2;
}

// Plays game `index` and returns its lines.
GameText PlayGame(const Options& options, const std::vector<Opening>& openings, std::int64_t index,
                  Player& player) {
    Random random(options.seed * 0x2545F4914F6CDD1DULL + static_cast<std::uint64_t>(index));
    player.table.Clear();
    player.searcher.Clear();

    // The start: an opening and random plies that leave a playable position.
    Board game;
    int openingNumber = 1;
    int openingSide = vardo::WHITE;
    int randomPlies = 0;
    for (int attempt = 0;; ++attempt) {
        const Opening& opening = openings[random.Below(static_cast<int>(openings.size()))];
        game = Board();
        game.SetFromFen(opening.fen);
        const std::string& fen = opening.fen;
        std::from_chars(fen.data() + fen.rfind(' ') + 1, fen.data() + fen.size(), openingNumber);
        openingSide = game.side;
        randomPlies = attempt < START_TRIES ? options.randomPlies : 0;
        bool playable = true;
        for (int ply = 0; ply < randomPlies && playable; ++ply) {
            const std::vector<vardo::Move> moves = LegalMoves(game);
            playable = !moves.empty();
            if (playable) game.MakeMove(moves[random.Below(static_cast<int>(moves.size()))]);
        }
        if (!playable || LegalMoves(game).empty()) continue;
        const vardo::BestMove check =
            player.searcher.Search(game, nullptr, vardo::MAX_DEPTH, 0.0f, options.nodes);
        if (std::abs(check.score) <= START_SCORE_LIMIT || attempt >= START_TRIES) break;
    }

    std::vector<Record> records;
    double result = 0.5;
    int winPlies = 0;
    int winSign = 0;
    int drawPlies = 0;
    for (int ply = 0;; ++ply) {
        int winner = vardo::NO_COLOUR;
        if (game.IsGameOver(winner)) {
            result = winner == vardo::WHITE ? 1.0 : winner == vardo::BLACK ? 0.0 : 0.5;
            break;
        }
        if (InsufficientMaterial(game) || ply >= MAX_GAME_PLIES) break;
        const vardo::BestMove best =
            player.searcher.Search(game, nullptr, vardo::MAX_DEPTH, 0.0f, options.nodes);
        if (best.move.IsNull()) break;  // cannot happen: the game is not over
        const int white = game.side == vardo::WHITE ? best.score : -best.score;
        const bool quiet =
            (best.move.bits & (vardo::CAPTURE | vardo::PROMOTION | vardo::EN_PASSANT)) == 0;
        if (quiet && !game.InCheck(game.side) && std::abs(best.score) < vardo::MATE_SEEN)
            records.push_back(
                {FenOf(game, MoveNumber(openingNumber, openingSide, randomPlies + ply)), white,
                 Pack(game, white)});

        // Adjudication on the search's score.
        const int sign = white >= WIN_ADJUDICATION_SCORE    ? 1
                         : white <= -WIN_ADJUDICATION_SCORE ? -1
                                                            : 0;
        winPlies = sign != 0 && sign == winSign ? winPlies + 1 : sign != 0 ? 1 : 0;
        winSign = sign;
        if (winPlies >= WIN_ADJUDICATION_PLIES) {
            result = sign > 0 ? 1.0 : 0.0;
            break;
        }
        drawPlies = ply >= DRAW_ADJUDICATION_START && std::abs(white) <= DRAW_ADJUDICATION_SCORE
                        ? drawPlies + 1
                        : 0;
        if (drawPlies >= DRAW_ADJUDICATION_PLIES) break;

        game.MakeMove(best.move);
    }

    GameText out;
    out.result = result;
    const char* resultText = result == 1.0 ? "1.0" : result == 0.0 ? "0.0" : "0.5";
    for (Record& record : records) {
        if (options.binary) {
            record.packed[26] = result == 1.0 ? 2 : result == 0.0 ? 0 : 1;
            out.text.append(reinterpret_cast<const char*>(record.packed.data()),
                            record.packed.size());
        } else {
            out.text +=
                record.fen + " | " + std::to_string(record.score) + " | " + resultText + '\n';
        }
        ++out.positions;
    }
    return out;
}

bool ParseCount(const char* text, std::int64_t low, std::int64_t high, std::int64_t& value) {
    const std::string_view view = text;
    const auto [ptr, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc() && ptr == view.data() + view.size() && value >= low &&
           value <= high;
}

int Usage(std::FILE* stream = stderr) {
    std::fprintf(stream,
                 "usage: vardo-datagen --games N --out FILE [--first-game K] "
                 "[--format text|binary] [--nodes N] [--threads N] [--seed S] "
                 "[--random-plies N] [--openings FILE] [--hash MB] [--eval-file NET | --no-net]\n");
    return stream == stderr ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argc == 2 && (argument == "--help" || argument == "-h")) return Usage(stdout);
        if (argument == "--no-net") {
            options.noNet = true;
            continue;
        }
        if (i + 1 == argc) return Usage();
        const char* value = argv[++i];
        std::int64_t number = 0;
        if (argument == "--games" && ParseCount(value, 1, 100'000'000, number)) {
            options.games = number;
        } else if (argument == "--first-game" &&
                   ParseCount(value, 0, std::int64_t{1} << 40, number)) {
            options.firstGame = number;
        } else if (argument == "--format" &&
                   (value == std::string_view("text") || value == std::string_view("binary"))) {
            options.binary = value == std::string_view("binary");
        } else if (argument == "--nodes" && ParseCount(value, 1, 100'000'000, number)) {
            options.nodes = static_cast<std::uint64_t>(number);
        } else if (argument == "--threads" && vardo::ParseThreads(value, options.threads)) {
        } else if (argument == "--seed" && ParseCount(value, 0, std::int64_t{1} << 62, number)) {
            options.seed = static_cast<std::uint64_t>(number);
        } else if (argument == "--random-plies" && ParseCount(value, 0, 100, number)) {
            options.randomPlies = static_cast<int>(number);
        } else if (argument == "--hash" && ParseCount(value, 1, 4096, number)) {
            options.hashMegabytes = static_cast<std::size_t>(number);
        } else if (argument == "--openings") {
            options.openings = value;
        } else if (argument == "--eval-file") {
            options.evalFile = value;
        } else if (argument == "--out") {
            options.out = value;
        } else {
            std::fprintf(stderr, "vardo-datagen: bad argument %s %s\n", argv[i - 1], value);
            return Usage();
        }
    }
    if (options.games == 0 || options.out.empty() || (options.noNet && !options.evalFile.empty()))
        return Usage();
    std::vector<Opening> openings;
    if (!ReadOpenings(options.openings, openings)) {
        std::fprintf(stderr, "vardo-datagen: no position read from %s\n", options.openings.c_str());
        return 2;
    }
    // The net is read once and shared: the searchers only read it.
    auto network = std::make_unique<vardo::Network>();
    bool useNetwork = false;
    if (!options.noNet) {
        std::string why;
        useNetwork = network->LoadChosen(options.evalFile, why);
        if (!useNetwork && !why.empty()) {
            std::fprintf(stderr, "vardo-datagen: %s: %s\n",
                         options.evalFile.empty() ? "the built-in net" : options.evalFile.c_str(),
                         why.c_str());
            return 2;
        }
    }
    std::FILE* out = std::fopen(options.out.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "vardo-datagen: cannot write %s\n", options.out.c_str());
        return 2;
    }
    const int threads = options.threads > 0
                            ? options.threads
                            : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

    // Finished games wait here until every game before them is written.
    std::mutex mutex;
    std::map<std::int64_t, GameText> finished;
    const std::int64_t lastGame = options.firstGame + options.games;  // one past the last
    std::int64_t nextToWrite = options.firstGame;
    std::int64_t positions = 0;
    double whiteScore = 0;
    bool writeFailed = false;
    std::atomic<std::int64_t> nextGame{options.firstGame};
    const auto start = std::chrono::steady_clock::now();

    auto work = [&] {
        Player player(options.hashMegabytes);
        if (useNetwork) player.searcher.SetNetwork(network.get());
        for (std::int64_t index; (index = nextGame.fetch_add(1)) < lastGame;) {
            GameText game = PlayGame(options, openings, index, player);
            std::lock_guard lock(mutex);
            finished.emplace(index, std::move(game));
            for (auto it = finished.find(nextToWrite); it != finished.end();
                 it = finished.find(nextToWrite)) {
                const GameText& text = it->second;
                writeFailed |=
                    std::fwrite(text.text.data(), 1, text.text.size(), out) != text.text.size();
                positions += text.positions;
                whiteScore += text.result;
                finished.erase(it);
                ++nextToWrite;
                const std::int64_t done = nextToWrite - options.firstGame;
                if (done % 100 == 0 || nextToWrite == lastGame) {
                    const std::chrono::duration<double> seconds =
                        std::chrono::steady_clock::now() - start;
                    std::fprintf(stderr, "games %lld positions %lld white %.3f seconds %.0f\n",
                                 static_cast<long long>(done), static_cast<long long>(positions),
                                 whiteScore / static_cast<double>(done), seconds.count());
                }
            }
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    writeFailed |= std::fclose(out) != 0;
    if (writeFailed) {
        std::fprintf(stderr, "vardo-datagen: cannot write %s\n", options.out.c_str());
        return 1;
    }
    return 0;
}
