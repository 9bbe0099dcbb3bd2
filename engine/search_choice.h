// The one place that chooses between the two searches: the design's full-width search or the
// selective search of --strong.
#pragma once

#include <cstddef>
#include <memory>

#include "search/search_engine.h"

namespace vardo {

// A search with a table of `hashMegabytes` (as much of it as the machine gives) on `threads`
// threads (0: one per core): the selective one when `strong`, the design's otherwise.
std::unique_ptr<SearchEngine> MakeSearch(bool strong, std::size_t hashMegabytes, int threads);

struct Network;
// The network the selective search judges positions with (null: its hand-written evaluation);
// the design's search has none and ignores it. Only while no search runs.
void SetSearchNetwork(SearchEngine& search, const Network* net);

}  // namespace vardo
