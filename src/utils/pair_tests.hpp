#pragma once
// The unit-distance test over blocks of pairs, in vector lanes. Every lane
// does exactly the scalar test's operations in its order (dx and dy, then
// dy * dy + dx * dx, no fused multiply-add, then both comparisons), so a
// lane passes exactly when the scalar test does and every width gives the
// same bits. On x86-64, four lanes are used where the processor has AVX2
// (checked once at run time; only pair_tests_avx2.cpp is compiled for it),
// two lanes, the width every x86-64 has, elsewhere.

#include <cstdint>
#include <vector>

namespace vantor {

struct UnitDistanceBounds;

inline constexpr std::uint32_t kPairLanePadding = 3;

// An edge between two indices, packed as i * 2^32 + j with i < j: sorting
// the packed values sorts the edges by i, then j.
inline std::uint64_t pack_pair(std::uint32_t a, std::uint32_t b) {
    return a < b ? (std::uint64_t{a} << 32 | b) : (std::uint64_t{b} << 32 | a);
}

// The pairs (a, b), a in [a0, a1), b in [b0, b1), of points with
// coordinates xs, ys. Both arrays must hold kPairLanePadding readable values
// past the last point.
struct PairBlock {
    const double* xs;
    const double* ys;
    std::uint32_t a0;
    std::uint32_t a1;
    std::uint32_t b0;
    std::uint32_t b1;
};

// The number of pairs of the block that pass.
std::uint64_t count_block(const PairBlock& block, double lo, double hi);
// Appends ids[a] * 2^32 + ids[b] (smaller id first) for every passing pair,
// in order of a, then b; `scratch` is working space the caller keeps.
void collect_block(const PairBlock& block, double lo, double hi, const std::uint32_t* ids,
                   std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch);

// The two widths themselves, for tests that compare them.
std::uint64_t count_block_two_lanes(const PairBlock& block, double lo, double hi);
std::uint64_t count_block_four_lanes(const PairBlock& block, double lo, double hi);
void collect_block_two_lanes(const PairBlock& block, double lo, double hi, const std::uint32_t* ids,
                             std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch);
void collect_block_four_lanes(const PairBlock& block, double lo, double hi, const std::uint32_t* ids,
                              std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch);
// True where the four-lane forms run natively.
bool four_lanes_available();

}  // namespace vantor
