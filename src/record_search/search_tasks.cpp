#include "record_search/search_tasks.hpp"

namespace vantor::records {

BeamSearchOptions task_options(const BeamSearchOptions& options, std::uint64_t task) {
    BeamSearchOptions own = options;
    // An odd multiplier keeps the task seeds of one request distinct.
    own.seed = options.seed + task * 0xd1b54a32d192ed03;
    return own;
}

std::vector<FoundSet> merge_results(std::span<const std::vector<FoundSet>> results) {
    if (results.empty()) return {};
    std::vector<FoundSet> merged = results.front();
    for (const std::vector<FoundSet>& result : results.subspan(1)) {
        for (std::size_t n = 0; n < merged.size(); ++n) {
            if (result[n].unit_distances > merged[n].unit_distances) merged[n] = result[n];
        }
    }
    return merged;
}

}  // namespace vantor::records
