#include "utils/pair_tests.hpp"

#include "utils/pair_lanes.hpp"

namespace vantor {
namespace {

using CountBlock = std::uint64_t (*)(const PairBlock&, double, double);
using CollectBlock = void (*)(const PairBlock&, double, double, const std::uint32_t*, std::vector<std::uint64_t>&,
                              std::vector<std::uint32_t>&);

}  // namespace

std::uint64_t count_block_two_lanes(const PairBlock& block, double lo, double hi) {
    return Lanes<2>::count(block, lo, hi);
}

void collect_block_two_lanes(const PairBlock& block, double lo, double hi, const std::uint32_t* ids,
                             std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch) {
    Lanes<2>::collect(block, lo, hi, ids, keys, scratch);
}

#if !defined(VANTOR_FOUR_LANES)
// Without a four-lane build the four-lane forms are the two-lane ones.
std::uint64_t count_block_four_lanes(const PairBlock& block, double lo, double hi) {
    return count_block_two_lanes(block, lo, hi);
}

void collect_block_four_lanes(const PairBlock& block, double lo, double hi, const std::uint32_t* ids,
                              std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch) {
    collect_block_two_lanes(block, lo, hi, ids, keys, scratch);
}
#endif

bool four_lanes_available() {
#if defined(VANTOR_FOUR_LANES)
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
#else
    return false;
#endif
}

std::uint64_t count_block(const PairBlock& block, double lo, double hi) {
    static const CountBlock chosen = four_lanes_available() ? count_block_four_lanes : count_block_two_lanes;
    return chosen(block, lo, hi);
}

void collect_block(const PairBlock& block, double lo, double hi, const std::uint32_t* ids,
                   std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch) {
    static const CollectBlock chosen = four_lanes_available() ? collect_block_four_lanes : collect_block_two_lanes;
    chosen(block, lo, hi, ids, keys, scratch);
}

}  // namespace vantor
