#pragma once
// A search split into independent tasks that can run anywhere (threads,
// processes, machines) and merge into one result that does not depend on
// where or in which order they ran.

#include <cstdint>
#include <span>
#include <vector>

#include "record_search/beam_search.hpp"

namespace vantor::records {

// Task k of a search split `tasks` ways: the same search under its own seed
// (task 0 keeps the request's seed), so that the tasks break ties
// differently and explore different sets.
BeamSearchOptions task_options(const BeamSearchOptions& options, std::uint64_t task);

// For every size, the set with the most unit distances among the tasks'
// results (given in task order, all of the same length), the lowest task
// among equals.
std::vector<FoundSet> merge_results(std::span<const std::vector<FoundSet>> results);

}  // namespace vantor::records
