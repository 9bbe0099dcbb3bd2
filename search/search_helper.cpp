#include "search/search_helper.h"

namespace vardo {

SearchHelper::SearchHelper(Searcher& main, int firstDepth, const std::atomic<bool>& stop)
    : searcher(0) {
    searcher.shared = main.shared;
    searcher.helperStop = &stop;
    searcher.firstDepth = firstDepth;
}

SearchHelper::~SearchHelper() {
    Wait();
}

bool SearchHelper::Begin(const Board& position) {
    root = &position;
    searcher.publishedNodes.store(0, std::memory_order_relaxed);
    return Start();
}

void SearchHelper::Run() {
    searcher.Search(*root, nullptr, MAX_DEPTH);
}

}  // namespace vardo
