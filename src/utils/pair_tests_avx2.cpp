// The four-lane block loops, compiled for AVX2 and run only where the
// processor has it (four_lanes_available).

#include "utils/pair_lanes.hpp"

namespace vantor {

std::uint64_t count_block_four_lanes(const PairBlock& block, double lo, double hi) {
    return Lanes<4>::count(block, lo, hi);
}

void collect_block_four_lanes(const PairBlock& block, double lo, double hi, const std::uint32_t* ids,
                              std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch) {
    Lanes<4>::collect(block, lo, hi, ids, keys, scratch);
}

}  // namespace vantor
