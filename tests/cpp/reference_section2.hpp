#pragma once
// A plain, step-by-step rendering of the multiquadratic construction used as
// a referee for the library's faster routines: exact rational elements and
// text keys at every step, all-against-all merging, a linear scan for the
// minimum degree, and an all-pairs edge search. Results must agree bit for
// bit.

#include <cstdint>
#include <vector>

#include "algebraic/section2/section2_result.hpp"
#include "algebraic/units/prime_element.hpp"
#include "algebraic/units/section2_params.hpp"
#include "error.hpp"

namespace vantor::reference {

// Every vector of the weighted sum-of-squares equation, collected in
// lexicographic order, then tested one by one with exact field products.
Result<PrimeElement> find_prime_element(const MultiquadraticField& field, std::int64_t p,
                                        std::uint64_t max_exponent);

// Products formed factor by factor, one multiplication per factor, and
// repeats removed by comparing with every element kept so far.
Result<std::vector<FieldElement>> translation_list(const MultiquadraticField& field,
                                                   std::int64_t p, std::uint64_t k,
                                                   std::uint64_t max_prime_exponent);

std::vector<std::uint64_t> select_by_degree_peeling(const PointList& points,
                                                    std::uint64_t n_target, double tolerance);

Result<Section2Result> build_section2(const Section2Params& params, std::uint64_t n_target);

}  // namespace vantor::reference
