// The network: a net file is taken only whole (size, hidden size and checksum checked, a
// refused file leaving the net in use as it was); the values a search keeps up move by move
// equal those computed anew over random games with every kind of move; a position and its
// colour-flipped mirror score alike; the AVX2 and portable kernels give the same numbers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "random_net_file.h"
#include "strong/accumulator.h"
#include "strong/network.h"

namespace vardo {
namespace {

using vardo::testing::RandomNetFile;

std::unique_ptr<Network> LoadedNet(unsigned seed) {
    auto net = std::make_unique<Network>();
    const std::vector<unsigned char> bytes = RandomNetFile(seed);
    std::string why;
    EXPECT_TRUE(net->Load(bytes.data(), bytes.size(), why)) << why;
    return net;
}

// The score of `board` computed anew.
int FreshScore(const Network& net, const Board& board) {
    HiddenValues white, black;
    net.Refresh(board, WHITE, white);
    net.Refresh(board, BLACK, black);
    return board.side == WHITE ? net.Output(white, black) : net.Output(black, white);
}

TEST(Network, OnlyAWholeNetFileIsTaken) {
    const std::unique_ptr<Network> net = LoadedNet(1);
    Board start;
    const int before = FreshScore(*net, start);
    std::vector<unsigned char> file = RandomNetFile(2);
    ASSERT_EQ(file.size(), NETWORK_FILE_SIZE);
    std::string why;
    std::vector<unsigned char> damaged = file;
    damaged[1000] ^= 1;
    EXPECT_FALSE(net->Load(damaged.data(), damaged.size(), why));
    EXPECT_EQ(why, "a damaged net file (its checksum does not match)");
    EXPECT_FALSE(net->Load(file.data(), file.size() - 1, why));
    EXPECT_FALSE(net->Load(file.data(), 5, why));
    std::vector<unsigned char> otherSize = file;
    otherSize[9] = 2;  // 512 hidden values
    EXPECT_FALSE(net->Load(otherSize.data(), otherSize.size(), why));
    EXPECT_EQ(why, "a net of 512 hidden values, this program takes 256");
    EXPECT_FALSE(net->LoadFile("no such net file", why));
    EXPECT_EQ(FreshScore(*net, start), before);  // every refusal left the net as it was
    EXPECT_TRUE(net->Load(file.data(), file.size(), why));
    EXPECT_NE(FreshScore(*net, start), before);
}

// Random games from positions with castling, en passant and promotions at hand, null moves
// among the moves, taking back to a random ply now and then: every ply's score from the kept
// values equals the score computed anew, with either kernels.
TEST(Network, KeptValuesEqualFreshOnesOverRandomGames) {
    const std::unique_ptr<Network> net = LoadedNet(3);
    std::mt19937 random(4);
    int checked = 0;
    for (bool portable : {false, true}) {
        UsePortableNetworkKernels(portable);
        for (const char* fen :
             {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
              "rnbqkbnr/pp1ppppp/8/2pP4/8/8/PPP1PPPP/RNBQKBNR w KQkq c6 0 3",
              "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", START_FEN}) {
            Board board;
            ASSERT_TRUE(board.SetFromFen(fen));
            auto stack = std::make_unique<AccumulatorStack>();
            stack->Begin(*net, board);
            std::vector<Board::NullMoveRecord> nulls;
            std::vector<bool> wasNull;
            for (int step = 0; step < 400; ++step) {
                const int ply = static_cast<int>(wasNull.size());
                board.GenerateMovesUnsorted();
                // Castling, en passant and promotions, when at hand, are tried half the time.
                std::vector<Move> moves, special;
                for (const MoveEntry& entry : board.CurrentMoves()) {
                    moves.push_back(entry.move);
                    if (entry.move.bits & (CASTLE | EN_PASSANT | PROMOTION))
                        special.push_back(entry.move);
                }
                if (!special.empty() && random() % 2 == 0) moves = special;
                bool moved = false;
                if (ply < 60 && !board.InCheck(board.side) && random() % 10 == 0) {
                    nulls.push_back(board.MakeNullMove());
                    stack->NullMove(ply);
                    wasNull.push_back(true);
                    moved = true;
                }
                for (int tries = 0; !moved && ply < 60 && tries < 20 && !moves.empty(); ++tries) {
                    const Move move = moves[random() % moves.size()];
                    stack->Before(board, move, ply);
                    if (board.MakeMove(move)) {
                        stack->After(board, ply);
                        wasNull.push_back(false);
                        moved = true;
                    }
                }
                // Back some plies when stuck, at the depth limit, or now and then.
                if (!moved || random() % 6 == 0) {
                    for (int back = 1 + static_cast<int>(random() % 4);
                         back > 0 && !wasNull.empty(); --back) {
                        if (wasNull.back()) {
                            board.TakeBackNullMove(nulls.back());
                            nulls.pop_back();
                        } else {
                            board.TakeBack();
                        }
                        wasNull.pop_back();
                    }
                }
                if (random() % 3 == 0) continue;  // not every ply is evaluated
                ASSERT_EQ(stack->Evaluate(board, static_cast<int>(wasNull.size())),
                          FreshScore(*net, board))
                    << board.Fen();
                ++checked;
            }
        }
    }
    UsePortableNetworkKernels(false);
    EXPECT_GT(checked, 1500);
}

// The board turned upside down with the colours swapped, as FEN text.
std::string Mirrored(const std::string& fen) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (at != std::string::npos) {
        const std::size_t next = fen.find(' ', at);
        fields.push_back(fen.substr(at, next == std::string::npos ? next : next - at));
        at = next == std::string::npos ? next : next + 1;
    }
    std::vector<std::string> ranks;
    for (std::size_t from = 0, slash;; from = slash + 1) {
        slash = fields[0].find('/', from);
        ranks.push_back(fields[0].substr(from, slash - from));
        if (slash == std::string::npos) break;
    }
    const auto swapCase = [](std::string text) {
        for (char& c : text)
            c = std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c);
        return text;
    };
    std::string placement;
    for (auto rank = ranks.rbegin(); rank != ranks.rend(); ++rank)
        placement += (placement.empty() ? "" : "/") + swapCase(*rank);
    std::string castling = fields[2] == "-" ? "-" : swapCase(fields[2]);
    std::string passant = fields[3];
    if (passant != "-") passant[1] = passant[1] == '3' ? '6' : '3';
    return placement + (fields[1] == "w" ? " b " : " w ") + castling + " " + passant + " " +
           fields[4] + " " + fields[5];
}

TEST(Network, MirroredPositionsScoreAlikeAndTheKernelsAgree) {
    const std::unique_ptr<Network> net = LoadedNet(5);
    for (const char* fen : {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                            "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8"}) {
        Board board, mirror;
        ASSERT_TRUE(board.SetFromFen(fen));
        ASSERT_TRUE(mirror.SetFromFen(Mirrored(fen))) << Mirrored(fen);
        UsePortableNetworkKernels(true);
        const int portable = FreshScore(*net, board);
        EXPECT_EQ(FreshScore(*net, mirror), portable) << fen;
        UsePortableNetworkKernels(false);
        EXPECT_EQ(FreshScore(*net, board), portable) << fen;
        EXPECT_EQ(FreshScore(*net, mirror), portable) << fen;
    }
}

}  // namespace
}  // namespace vardo
