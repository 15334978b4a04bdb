#pragma once
// What the library can be asked to build, and the dispatch of each request
// to the code that builds it.

#include <cstdint>
#include <variant>
#include <vector>

#include "algebraic/units/section2_params.hpp"
#include "error.hpp"
#include "point.hpp"

namespace vantor {

struct SquareGrid {
    std::uint64_t rows;
    std::uint64_t cols;
};
struct TriangularGrid {};
struct MoserSpindle {};
struct Multiquadratic {
    Section2Params params;
};

// The four kinds of request, in this order.
using Construction = std::variant<SquareGrid, TriangularGrid, MoserSpindle, Multiquadratic>;

// The seven points of the Moser spindle, exactly as stored: two rhombi of
// unit equilateral triangles at the origin whose tips are one unit apart.
PointList moser_spindle();

// A validated Multiquadratic request: the generators completed with -1 and
// checked, the split prime checked against them. The first error is
// returned unchanged and no request is made.
Result<Construction> multiquadratic_construction(std::vector<std::int64_t> generators,
                                                 std::int64_t split_prime, std::uint64_t k);

// The points of a request. Only the multiquadratic kind can fail; the square
// grid and the Moser spindle ignore n_target.
Result<PointList> generate_points(const Construction& construction, std::uint64_t n_target);

}  // namespace vantor
