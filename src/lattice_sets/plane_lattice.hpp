#pragma once
// The lattices of the plane whose scaled copies carry the lattice
// constructions, as values: a rank-2 unit lattice Z[tau] of an imaginary
// quadratic ring, tau = (t + i sqrt(D)) / 2, and the exact arithmetic of its
// points. The square lattice (Z[i]) and the Eisenstein lattice (the
// Eisenstein integers) are the two values; every patch, norm, shape,
// construction, exact check and result dictionary takes one of them.
//
// A lattice point has integer coordinates (a, b) and sits at a*e1 + b*e2,
// e1 = 1, e2 = tau:
//
//   square       t = 0, D = 4   e2 = (0, 1)             norm a^2 + b^2
//   eisenstein   t = 1, D = 3   e2 = (1/2, sqrt(3)/2)    norm a^2 + ab + b^2
//
// The norm a^2 + t*a*b + n*b^2, n = (t^2 + D) / 4, is the squared length of
// the vector, so it is an exact integer, and "two points differ by a vector
// of norm m" is a statement about integers. Scaling the plane by 1/sqrt(m)
// turns exactly those pairs into unit distances. The Eisenstein lattice is
// the triangular grid; with m = 1 its points are the points of the
// triangular grid.

#include <cstdint>
#include <span>
#include <string_view>

#include "lattice_sets/patch_shape.hpp"
#include "point.hpp"

namespace vantor::lattice_sets {

struct PlaneLattice {
    // "square" or "eisenstein": the result dictionaries' "family".
    std::string_view name;
    // tau = (trace + i sqrt(discriminant)) / 2 and tau * conj(tau) = tau_norm,
    // so 4 * norm(a, b) = (2a + trace*b)^2 + discriminant * b^2.
    std::int64_t trace;
    std::int64_t discriminant;
    std::int64_t tau_norm;
    // The plane point of e2 as doubles: (shear, height) = (trace / 2, the
    // double nearest to sqrt(discriminant) / 2). The height is also the area
    // of one lattice cell.
    double shear;
    double height;
    // The number theory the candidate norms use: the ring's units, the
    // primes that split (those = 1 mod split_modulus) and the one ramified
    // prime, whose factor turns the vectors of a norm without adding any.
    std::uint64_t unit_count;
    std::uint64_t split_modulus;
    std::uint64_t ramified_prime;
    // The shapes patches of this lattice are cut in, the disk first.
    std::span<const PatchShape> shapes;
};

inline constexpr PatchShape kSquareShapes[] = {PatchShape::Disk, PatchShape::Square,
                                               PatchShape::Diamond};
inline constexpr PatchShape kEisensteinShapes[] = {PatchShape::Disk, PatchShape::Hexagon,
                                                   PatchShape::TurnedHexagon};

inline constexpr PlaneLattice kSquareLattice{"square", 0, 4, 1, 0.0, 1.0, 4, 4, 2, kSquareShapes};
// 0.8660254037844386 is the double nearest to sqrt(3)/2, the height of the
// triangular grid's rows.
inline constexpr PlaneLattice kEisensteinLattice{
    "eisenstein", 1, 3, 1, 0.5, 0.8660254037844386, 6, 3, 3, kEisensteinShapes};

// Every plane lattice, in the order ties between them are broken: the square
// lattice first.
inline constexpr const PlaneLattice* kPlaneLattices[] = {&kSquareLattice, &kEisensteinLattice};

// Lattice coordinates of a point or of a difference vector.
struct LatticeCoordinate {
    std::int64_t a;
    std::int64_t b;

    friend bool operator==(const LatticeCoordinate&, const LatticeCoordinate&) = default;
};

// Row-major order: by b, then by a. Translations keep this order.
inline bool row_major_less(const LatticeCoordinate& p, const LatticeCoordinate& q) {
    return p.b != q.b ? p.b < q.b : p.a < q.a;
}

// The largest coordinate magnitude the exact checks accept: with it, the
// norm of any difference fits 128-bit arithmetic and a + shear * b is exact
// in a double.
inline constexpr unsigned kMaxCoordinateLog2 = 50;
inline constexpr std::int64_t kMaxCoordinate = std::int64_t{1} << kMaxCoordinateLog2;

// The largest m accepted: every m up to it is exact as a double, so sqrt(m)
// is the correctly rounded root of m itself.
inline constexpr std::uint64_t kMaxNorm = std::uint64_t{1} << 53;

// The exact norm of (a, b); |a|, |b| <= 2 * kMaxCoordinate.
inline __int128 lattice_norm(const PlaneLattice& lattice, std::int64_t a, std::int64_t b) {
    const __int128 wide_a = a;
    const __int128 wide_b = b;
    return wide_a * wide_a + lattice.trace * wide_a * wide_b + lattice.tau_norm * wide_b * wide_b;
}

// The plane point of (a, b) scaled by 1 / scale, where scale = sqrt(m):
//   x = (a + shear * b) / scale,  y = (b * height) / scale
// evaluated in exactly this order (no fused multiply-add), so anyone can
// recompute the points bit for bit from the coordinates and m. For the
// square lattice this is x = a / scale, y = b / scale to the bit: shear * b
// is a zero, adding it leaves a (a zero a stays +0), and b * 1 is b. For the
// Eisenstein lattice a + 0.5 * b is exact for coordinates up to
// kMaxCoordinate, and the row height is rounded once, then divided.
Point plane_point(const PlaneLattice& lattice, LatticeCoordinate c, double scale);

// sqrt(m) correctly rounded; m <= kMaxNorm.
double norm_scale(std::uint64_t m);

}  // namespace vantor::lattice_sets
