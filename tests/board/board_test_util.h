// Helpers shared by the rules-core tests.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"

namespace vardo::test {

inline Board FromFen(const std::string& fen) {
    Board board;
    EXPECT_TRUE(board.SetFromFen(fen)) << fen;
    return board;
}

// The legal moves of a position, in generation order.
inline std::vector<Move> LegalMoves(const Board& position) {
    Board board(position);
    board.GenerateMoves();
    const MoveList moves = board.CurrentMoves();
    std::vector<Move> legal;
    for (const MoveEntry& entry : moves) {
        if (board.MakeMove(entry.move)) {
            board.TakeBack();
            legal.push_back(entry.move);
        }
    }
    return legal;
}

inline int Sq(const char* name) {
    int square = -1;
    ParseSquare(name, square);
    return square;
}

// A varied set of positions: openings, castling, en passant, promotions, pins and checks.
inline const std::vector<std::string>& VariedFens() {
    static const std::vector<std::string> fens = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
        "8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1",
        "4k3/1P6/8/8/8/8/6p1/4K2R w K - 0 1",
        "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
        "4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1",
        "2r3k1/1q1nbppp/r3p3/3pP3/pPpP4/P1Q2N2/2RN1PPP/2R4K b - b3 0 1",
        "8/P1k5/K7/8/8/8/8/8 w - - 0 1",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    };
    return fens;
}

// Plays random games of up to `plies` moves from each of the varied positions and calls
// visit(board, fen, ply) on every position reached, the start included. A game ends early
// where no legal move is left, and the walk ends at the first fatal test failure.
template <typename Visit>
void WalkRandomGames(unsigned seed, int plies, Visit visit) {
    std::mt19937 rng(seed);
    for (const std::string& fen : VariedFens()) {
        Board board = FromFen(fen);
        for (int ply = 0; ply < plies; ++ply) {
            visit(board, fen, ply);
            if (::testing::Test::HasFatalFailure()) return;
            const auto legal = LegalMoves(board);
            if (legal.empty()) break;
            board.MakeMove(legal[rng() % legal.size()]);
        }
    }
}

}  // namespace vardo::test
