#include "strong/move_picker.h"

#include <utility>

#include "strong/selective_tuning.h"
#include "strong/static_exchange.h"

namespace vardo {

namespace {

bool IsQuietMove(Move move) {
    return (move.bits & (CAPTURE | PROMOTION | EN_PASSANT)) == 0;
}

}  // namespace

MovePicker::MovePicker(Board& board_, const Histories& histories_, Move tableMove_,
                       const std::array<Move, 2>& killers, Move counter,
                       const std::array<const ContinuationRow*, 2>& rows_, bool capturesOnly_)
    : board(board_),
      histories(histories_),
      list(board_.CurrentMoves()),
      tableMove(tableMove_),
      special{killers[0], killers[1], counter},
      rows(rows_),
      capturesOnly(capturesOnly_) {
    // A table move is handed out only when the position has it (the table may hold another
    // position's entry under the same key) and, in quiescence, when it is a capture or
    // promotion that does not lose material.
    MoveEntry found;
    if (tableMove.IsNull() || !board.FindGenerated(tableMove, found) ||
        (capturesOnly && (IsQuietMove(tableMove) || !ExchangeAtLeast(board, tableMove, 0))))
        tableMove = Move();
    // A killer or counter move that is the table move, or the same as one before it, is
    // handed out once.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < i; ++j)
            if (special[i] == special[j]) special[i] = Move();
}

int MovePicker::CaptureOrder(const Board& board, const Histories& histories, Move move) {
    const int victim = CapturedMan(board, move);
    const int victimValue = victim == EMPTY ? 0 : EXCHANGE_VALUE[victim];
    const int promotion = (move.bits & PROMOTION) ? EXCHANGE_VALUE[move.promote] : 0;
    int order = 10 * (victimValue + promotion) - board.piece[move.from];
    if constexpr (USE_CAPTURE_HISTORY != 0)
        order +=
            histories.capture[ColouredMan(board.side, board.piece[move.from])][move.to][victim] /
            CAPTURE_HISTORY_DIVISOR;
    return order;
}

int MovePicker::QuietOrder(const Board& board, const Histories& histories,
                           const std::array<const ContinuationRow*, 2>& rows, Move move) {
    int score = histories.butterfly[board.side][move.from][move.to];
    if constexpr (USE_CONTINUATION_HISTORY != 0) {
        const int man = ColouredMan(board.side, board.piece[move.from]);
        for (const ContinuationRow* row : rows)
            if (row != nullptr) score += (*row)[man][move.to];
    }
    return score;
}

bool MovePicker::IsSpecial(Move move) const {
    return move == special[0] || move == special[1] || move == special[2];
}

void MovePicker::SelectBest(int from) {
    int best = from;
    for (int j = from + 1; j < list.size(); ++j)
        if (list[j].score > list[best].score) best = j;
    std::swap(list[from], list[best]);
}

Move MovePicker::Next() {
    switch (stage) {
        case Stage::TABLE:
            stage = Stage::CAPTURES;
            if (!tableMove.IsNull()) {
                kind = Kind::TABLE;
                return tableMove;
            }
            [[fallthrough]];
        case Stage::CAPTURES:
            board.GenerateCapturesUnsorted();
            for (MoveEntry& entry : list) entry.score = CaptureOrder(board, histories, entry.move);
            captureEnd = list.size();
            next = badEnd = 0;
            stage = Stage::GOOD_CAPTURES;
            [[fallthrough]];
        case Stage::GOOD_CAPTURES:
            // Each turn's best capture is handed out when it does not lose material, and
            // otherwise put aside with the losing ones, in the order found.
            while (next < captureEnd) {
                SelectBest(next);
                const Move move = list[next].move;
                ++next;
                if (IsTableMove(move)) continue;
                if (ExchangeAtLeast(board, move, 0)) {
                    kind = Kind::GOOD_CAPTURE;
                    return move;
                }
                std::swap(list[badEnd], list[next - 1]);
                ++badEnd;
            }
            if (capturesOnly) {
                stage = Stage::DONE;
                return Move();
            }
            stage = Stage::QUIETS_FOUND;
            [[fallthrough]];
        case Stage::QUIETS_FOUND:
            if (skipQuiets) {
                next = 0;
                stage = Stage::BAD;
                return Next();
            }
            // SelectBest works on the whole list: the captures are sorted out by now, and the
            // quiet moves appended after them are picked from captureEnd on.
            board.AddQuietMoves();
            specialNext = 0;
            stage = Stage::KILLERS;
            [[fallthrough]];
        case Stage::KILLERS:
            while (specialNext < 3 && !skipQuiets) {
                const Move move = special[specialNext++];
                if (move.IsNull() || IsTableMove(move) || !IsQuietMove(move)) continue;
                for (int j = captureEnd; j < list.size(); ++j)
                    if (list[j].move == move) {
                        kind = Kind::KILLER;
                        return move;
                    }
            }
            for (int j = captureEnd; j < list.size(); ++j)
                list[j].score = QuietOrder(board, histories, rows, list[j].move);
            next = captureEnd;
            stage = Stage::QUIETS;
            [[fallthrough]];
        case Stage::QUIETS:
            // The first few are selected one at a time (a cutoff often comes among them); the
            // rest are sorted at once.
            while (next < list.size() && !skipQuiets) {
                if (next < captureEnd + SELECTED_QUIETS)
                    SelectBest(next);
                else if (next == captureEnd + SELECTED_QUIETS)
                    list.SortFrom(next);
                const Move move = list[next++].move;
                if (IsTableMove(move) || IsSpecial(move)) continue;
                kind = Kind::QUIET;
                return move;
            }
            next = 0;
            stage = Stage::BAD;
            [[fallthrough]];
        case Stage::BAD:
            while (next < badEnd) {
                const Move move = list[next++].move;
                kind = Kind::BAD_CAPTURE;
                return move;
            }
            stage = Stage::DONE;
            [[fallthrough]];
        case Stage::DONE:
            break;
    }
    return Move();
}

}  // namespace vardo
