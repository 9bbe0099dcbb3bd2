#include "engine/uci_info.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

#include "board/notation.h"

namespace vardo {

std::string UciScore(int score, int matePlies) {
    if (std::abs(score) <= MATE_SEEN) return "cp " + std::to_string(score);
    const int plies = std::abs(matePlies);
    const int moves = plies > 1 ? (plies + 1) / 2 : 1;
    return "mate " + std::to_string(score > 0 ? moves : -moves);
}

UciInfo::UciInfo(ConsoleReader& console_, std::function<const SearchEngine&()> search_)
    : console(console_), search(std::move(search_)) {}

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
    const SearchEngine& searcher = search();
    const auto nps = seconds > 0.0f ? static_cast<std::uint64_t>(nodes / seconds) : 0;
    std::string text =
        "info depth " + std::to_string(depth) + " seldepth " + std::to_string(searcher.SelDepth()) +
        (lines > 1 ? " multipv " + std::to_string(rank) : std::string()) + " score " +
        UciScore(ownScore, searcher.MatePlies(ownScore, depth)) + " nodes " +
        std::to_string(nodes) + " nps " + std::to_string(nps) + " time " + std::to_string(ms) +
        " hashfull " + std::to_string(searcher.Table().Hashfull());
    if (!line.empty()) text += " pv";
    for (const MoveEntry& entry : line) text += ' ' + CoordinateText(entry.move);
    console.WriteLine(text);
}

}  // namespace vardo
