#pragma once
// The two lattices of the plane whose scaled copies carry the lattice
// constructions, and the exact arithmetic of their points.
//
// A lattice point has integer coordinates (a, b) and sits at a*e1 + b*e2:
//
//   square       e1 = (1, 0), e2 = (0, 1)           norm a^2 + b^2
//   eisenstein   e1 = (1, 0), e2 = (1/2, sqrt(3)/2)  norm a^2 + a*b + b^2
//
// The norm is the squared length of the vector, so it is an exact integer
// for both lattices, and "two points differ by a vector of norm m" is a
// statement about integers. Scaling the plane by 1/sqrt(m) turns exactly
// those pairs into unit distances. The Eisenstein lattice is the triangular
// grid; with m = 1 its points are the points of the triangular grid.

#include <cstdint>
#include <string_view>

#include "point.hpp"

namespace vantor::lattice {

enum class LatticeFamily { Square, Eisenstein };

inline constexpr LatticeFamily kLatticeFamilies[] = {LatticeFamily::Square,
                                                     LatticeFamily::Eisenstein};

// "square" or "eisenstein".
std::string_view family_name(LatticeFamily family);

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
// norm of any difference fits 128-bit arithmetic and a + b/2 is exact in a
// double.
inline constexpr unsigned kMaxCoordinateLog2 = 50;
inline constexpr std::int64_t kMaxCoordinate = std::int64_t{1} << kMaxCoordinateLog2;

// The largest m accepted: every m up to it is exact as a double, so sqrt(m)
// is the correctly rounded root of m itself.
inline constexpr std::uint64_t kMaxNorm = std::uint64_t{1} << 53;

// The exact norm of (a, b); |a|, |b| <= 2 * kMaxCoordinate.
inline __int128 lattice_norm(LatticeFamily family, std::int64_t a, std::int64_t b) {
    const __int128 wide_a = a;
    const __int128 wide_b = b;
    __int128 norm = wide_a * wide_a + wide_b * wide_b;
    if (family == LatticeFamily::Eisenstein) norm += wide_a * wide_b;
    return norm;
}

// The area of one lattice cell: 1 for the square lattice, sqrt(3)/2 for
// the Eisenstein integers.
double cell_area(LatticeFamily family);

// The plane point of (a, b) scaled by 1 / scale, where scale = sqrt(m):
//   square      x = a / scale,             y = b / scale
//   eisenstein  x = (a + 0.5 * b) / scale,  y = (b * 0.8660254037844386) / scale
// Each line is evaluated in exactly this order (no fused multiply-add), so
// anyone can recompute the points bit for bit from the coordinates and m.
Point plane_point(LatticeFamily family, LatticeCoordinate c, double scale);

// sqrt(m) correctly rounded; m <= kMaxNorm.
double norm_scale(std::uint64_t m);

}  // namespace vantor::lattice
