// Transitional: search/searcher.h still includes this name. Once it includes
// search/search_listener.h itself, this file goes.
#pragma once

#include "search/search_listener.h"
