#include "engine/uci_info.h"

#include <cstdint>
#include <cstdlib>

#include "board/notation.h"

namespace vardo {

std::string UciScore(int score, int depth, bool strong) {
    if (std::abs(score) <= MATE_SEEN) return "cp " + std::to_string(score);
    int plies = std::abs(SelectiveMatePlies(score));
    if (!strong)
        plies = std::abs(score) == MATE_SCORE ? depth - 1 : depth - (std::abs(score) - MATE_SCORE);
    const int moves = plies > 1 ? (plies + 1) / 2 : 1;
    return "mate " + std::to_string(score > 0 ? moves : -moves);
}

UciInfo::UciInfo(ConsoleReader& console_, const Searcher& searcher_)
    : console(console_), searcher(searcher_) {}

void UciInfo::OnIteration(int depth, unsigned nodes, float seconds, int score, const Line& line) {
    Write(depth, 1, nodes, seconds, score, line);
}

void UciInfo::OnOtherLine(int depth, int rank, unsigned nodes, float seconds, int score,
                          const Line& line) {
    Write(depth, rank, nodes, seconds, score, line);
}

void UciInfo::Write(int depth, int rank, unsigned nodes, float seconds, int score,
                    const Line& line) {
    const int ownScore = rootSide == BLACK ? -score : score;  // the listener's is White's
    const auto ms = static_cast<std::uint64_t>(seconds * 1000.0f);
    // From the seconds as measured: an iteration under a millisecond has a speed too.
    const auto nps = seconds > 0.0f ? static_cast<std::uint64_t>(nodes / seconds) : 0;
    std::string text =
        "info depth " + std::to_string(depth) + " seldepth " + std::to_string(searcher.SelDepth()) +
        (lines > 1 ? " multipv " + std::to_string(rank) : std::string()) + " score " +
        UciScore(ownScore, depth, searcher.Strong()) + " nodes " + std::to_string(nodes) + " nps " +
        std::to_string(nps) + " time " + std::to_string(ms) + " hashfull " +
        std::to_string(searcher.table.Hashfull());
    if (!line.empty()) text += " pv";
    for (const MoveEntry& entry : line) text += ' ' + CoordinateText(entry.move);
    console.WriteLine(text);
}

}  // namespace vardo
