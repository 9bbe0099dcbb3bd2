#include "search/search_helper.h"

namespace vardo {

SearchHelper::SearchHelper(Searcher& main) : searcher(0) {
    searcher.shared = main.shared;
    searcher.busy = main.busy;
    searcher.deferred.resize(MAX_DEPTH + 1);
    searcher.helperStop = &main.signals.stop;
    searcher.mainDepthOf = &main.signals.depth;
}

SearchHelper::~SearchHelper() {
    Wait();
}

bool SearchHelper::Begin(const Board& position, const RootMoves& moves) {
    root = &position;
    searcher.rootMoves = moves;
    searcher.publishedNodes.store(0, std::memory_order_relaxed);
    return Start();
}

void SearchHelper::Run() {
    searcher.Help(*root);
}

}  // namespace vardo
