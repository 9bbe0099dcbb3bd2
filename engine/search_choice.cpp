#include "engine/search_choice.h"

#include "search/searcher.h"
#include "strong/selective_search.h"

namespace vardo {

std::unique_ptr<SearchEngine> MakeSearch(bool strong, std::size_t hashMegabytes, int threads) {
    if (strong) return std::make_unique<SelectiveSearcher>(hashMegabytes, threads);
    return std::make_unique<Searcher>(hashMegabytes, threads);
}

}  // namespace vardo
