#pragma once
// The driver of the multiquadratic construction: a schedule of polydisk
// radii, and for each a breadth-first search that grows candidates from the
// origin by adding and subtracting translations, keeping those whose every
// embedding lies inside the polydisk.

#include <cstdint>
#include <variant>
#include <vector>

#include "error.hpp"
#include "algebraic/field/multiquadratic_field.hpp"
#include "algebraic/section2/search_tree.hpp"
#include "algebraic/section2/section2_result.hpp"
#include "algebraic/section2/translations.hpp"
#include "algebraic/units/section2_params.hpp"

namespace vantor {

// One radius attempt: the parameters, the field and translation list of the
// request (built once and shared by every attempt), the radius, the
// embedding that projects to the plane (always 0), n_target, and whether the
// request builds a certificate (which its memory estimate counts).
struct AttemptInput {
    const Section2Params& params;
    const MultiquadraticField& field;
    const Translations& translations;
    double radius;
    std::uint64_t projection_index;
    std::uint64_t n_target;
};

// The points an attempt settled on: its search tree, and the nodes of the
// n_target selected points in point order.
struct AttemptSelection {
    SearchTree tree;
    std::vector<std::uint32_t> chosen;
};

// An attempt that found fewer than n_target distinct points.
struct Shortfall {
    std::uint64_t found;
};

using AttemptOutcome = std::variant<AttemptSelection, Shortfall>;

// Tries radius pow(1.5, a) * 2.0 for a = 0 .. 14 in turn and returns the first
// attempt with at least n_target distinct points; when every attempt falls
// short, "could not generate enough points: requested {n_target}, found 0".
// The field is built once and the translation list once, on the first
// attempt. With keep_elements false the result's exact elements (which a
// certificate does not carry) are left empty.
Result<Section2Result> build_section2(const Section2Params& params, std::uint64_t n_target,
                                      bool keep_elements = true);

// The same construction when only its points are wanted: the same checks,
// in the same order, fail the same way, but no path, key, certificate or
// edge list is built.
Result<PointList> build_section2_points(const Section2Params& params, std::uint64_t n_target);

// One radius attempt: once every check that can reject the request has
// passed, the memory guard sizes the whole request (memory_estimates.hpp);
// then the breadth-first search (budget candidate_factor * n_target visited
// nodes; translations in list order, + before -; the
// polydisk test max norm <= radius + 1e-7 before any exact identity work;
// exact identity of elements), then merging of coincident points, the count
// check and selection by degree peeling.
Result<AttemptOutcome> generate_candidates(const AttemptInput& input);

}  // namespace vantor
