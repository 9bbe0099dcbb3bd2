#include "engine/search_choice.h"

#include "search/searcher.h"
#include "strong/selective_search.h"

namespace vardo {

std::unique_ptr<SearchEngine> MakeSearch(bool strong, std::size_t hashMegabytes, int threads) {
    if (strong) return std::make_unique<SelectiveSearcher>(hashMegabytes, threads);
    return std::make_unique<Searcher>(hashMegabytes, threads);
}

void SetSearchNetwork(SearchEngine& search, const Network* net) {
    if (auto* selective = dynamic_cast<SelectiveSearcher*>(&search)) selective->SetNetwork(net);
}

}  // namespace vardo
