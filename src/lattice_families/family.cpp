#include "lattice_families/family.hpp"

#include <cmath>

namespace vantor::lattice {

namespace {

// The double nearest to sqrt(3)/2, the height of the triangular grid's rows.
constexpr double kHalfSqrt3 = 0.8660254037844386;

}  // namespace

std::string_view family_name(LatticeFamily family) {
    return family == LatticeFamily::Square ? "square" : "eisenstein";
}

double cell_area(LatticeFamily family) {
    return family == LatticeFamily::Square ? 1.0 : kHalfSqrt3;
}

Point plane_point(LatticeFamily family, LatticeCoordinate c, double scale) {
    const double a = static_cast<double>(c.a);
    const double b = static_cast<double>(c.b);
    if (family == LatticeFamily::Square) return {a / scale, b / scale};
    // a + b/2 is exact for coordinates up to kMaxCoordinate; the row height
    // is rounded once, then divided.
    const double x = a + 0.5 * b;
    const double y = b * kHalfSqrt3;
    return {x / scale, y / scale};
}

double norm_scale(std::uint64_t m) { return std::sqrt(static_cast<double>(m)); }

}  // namespace vantor::lattice
