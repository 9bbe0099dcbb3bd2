// A helper thread of a parallel search: it searches the same root as the main thread on its
// own board, with its own killers and counts, and shares the main thread's table. What it
// stores there is all it gives: the main thread alone reports and picks the move.
#pragma once

#include <atomic>

#include "board/board.h"
#include "search/searcher.h"
#include "support/thread.h"

namespace vardo {

class SearchHelper : public Thread {
   public:
    // A helper of `main`, which it follows from iteration to iteration until main's search
    // ends (or the stop flag is raised).
    explicit SearchHelper(Searcher& main);
    ~SearchHelper() override;

    // Starts searching `root`, which must stay in place until Wait has returned, trying at the
    // root the moves `moves` lets it; false when the thread cannot be started.
    bool Begin(const Board& root, const RootMoves& moves);
    // Nodes of its current or last search; readable from any thread.
    std::uint32_t Nodes() const { return searcher.publishedNodes.load(std::memory_order_relaxed); }
    // Forgets the successes of earlier searches.
    void ClearOrderingMemory() { searcher.ClearOrderingMemory(); }

   protected:
    void Run() override;

   private:
    Searcher searcher;
    const Board* root = nullptr;
};

}  // namespace vardo
