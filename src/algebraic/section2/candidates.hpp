#pragma once
// The driver of the multiquadratic construction: a schedule of polydisk
// radii, and for each a breadth-first search that grows candidates from the
// origin by adding and subtracting translations, keeping those whose every
// embedding lies inside the polydisk.

#include <cstdint>
#include <variant>

#include "../../error.hpp"
#include "../units/section2_params.hpp"
#include "section2_result.hpp"
#include "translations.hpp"

namespace vantor {

// One radius attempt: the parameters, the translation list, the radius, the
// embedding that projects to the plane (always 0) and n_target.
struct AttemptInput {
    const Section2Params& params;
    const Translations& translations;
    double radius;
    std::uint64_t projection_index;
    std::uint64_t n_target;
};

// An attempt that found fewer than n_target distinct points.
struct Shortfall {
    std::uint64_t found;
};

using AttemptOutcome = std::variant<Section2Result, Shortfall>;

// Tries radius pow(1.5, a) * 2.0 for a = 0 .. 14 in turn and returns the first
// attempt with at least n_target distinct points; when every attempt falls
// short, "could not generate enough points: requested {n_target}, found 0".
Result<Section2Result> build_section2(const Section2Params& params, std::uint64_t n_target);

// One radius attempt: the breadth-first search (budget candidate_factor *
// n_target visited nodes; translations in list order, + before -; the
// polydisk test max norm <= radius + 1e-7 before any exact key work; exact
// identity of elements), then projection, merging, selection and assembly.
Result<AttemptOutcome> generate_candidates(const AttemptInput& input);

}  // namespace vantor
