#include "search/root_moves.h"

namespace vardo {

RootMoves& RootMoves::operator=(const RootMoves& other) {
    allowedCount = other.allowedCount;
    excludedCount = other.excludedCount;
    for (int i = 0; i < allowedCount; ++i) allowed[i] = other.allowed[i];
    for (int i = 0; i < excludedCount; ++i) excluded[i] = other.excluded[i];
    return *this;
}

void RootMoves::Allow(Move move) {
    for (int i = 0; i < allowedCount; ++i)
        if (allowed[i] == move) return;
    if (allowedCount < MAX_MOVES) allowed[allowedCount++] = move;
}

void RootMoves::Exclude(Move move) {
    if (excludedCount < MAX_MOVES) excluded[excludedCount++] = move;
}

int RootMoves::CountLegal(const Board& position) const {
    Board trial(position);
    trial.GenerateMovesUnsorted();
    const MoveList moves = trial.CurrentMoves();
    int count = 0;
    for (const MoveEntry& entry : moves)
        if (Searches(entry.move) && trial.IsLegal(entry.move)) ++count;
    return count;
}

}  // namespace vardo
