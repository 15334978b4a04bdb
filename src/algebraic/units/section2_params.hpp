#pragma once
// The parameter record of the multiquadratic construction, and its
// preparation from the caller's generators, split prime and k.

#include <cstdint>
#include <vector>

#include "../../error.hpp"

namespace vantor {

struct Section2Params {
    // The caller's generators with -1 appended when absent.
    std::vector<std::int64_t> generators;
    std::int64_t split_prime = 0;
    std::uint64_t k = 0;
    // Fixed settings of the construction.
    std::uint64_t max_prime_exponent = 3;
    std::uint64_t radius_attempts = 15;
    double initial_radius = 2.0;
    double radius_growth = 1.5;
    std::uint64_t candidate_factor = 10;
    double dedup_distance = 1e-7;
    double edge_tolerance = 1e-4;
};

// Completes the generator list with -1, checks that the field exists, checks
// the split prime against the completed list, and assembles the record; the
// first failure is returned. A bad generator is reported before a bad prime.
Result<Section2Params> prepare_section2_params(std::vector<std::int64_t> generators,
                                               std::int64_t split_prime, std::uint64_t k);

}  // namespace vantor
