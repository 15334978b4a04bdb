#include "lattice_sets/plane_lattice.hpp"

#include <cmath>

namespace vantor::lattice_sets {

Point plane_point(const PlaneLattice& lattice, LatticeCoordinate c, double scale) {
    const double a = static_cast<double>(c.a);
    const double b = static_cast<double>(c.b);
    const double x = a + lattice.shear * b;
    const double y = b * lattice.height;
    return {x / scale, y / scale};
}

double norm_scale(std::uint64_t m) { return std::sqrt(static_cast<double>(m)); }

}  // namespace vantor::lattice_sets
