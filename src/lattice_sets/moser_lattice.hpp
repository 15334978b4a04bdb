#pragma once
// The Moser lattice: the integer span of the unit vectors of the Moser
// spindle, where the densest known small unit-distance sets live.
//
//   M = { a + b*w1 + c*w3 + d*w1*w3 : a, b, c, d integers },
//   w1 = (1 + i*sqrt(3)) / 2,  w3 = (5 + i*sqrt(11)) / 6.
//
// 1, w1, w3, w1*w3 are linearly independent over the rationals (they span
// Q(sqrt(-3), sqrt(-11))), so a point of M has exactly one coordinate vector
// (a, b, c, d), and two points coincide exactly when their coordinates do.
//
// With P = 12a + 6b + 10c + 5d, U = 6b + 5d and V = 2c + d, the point is
//
//   12 * z = (P - d*sqrt(33)) + i * (U*sqrt(3) + V*sqrt(11)),
//
// so 144 * |z|^2 = R + S*sqrt(33) with the integers
//
//   R = P^2 + 33 d^2 + 3 U^2 + 11 V^2,   S = 2 (U V - P d).
//
// z has modulus exactly 1 when R = 144 and S = 0: a statement about
// integers, decided without rounding.

#include <array>
#include <compare>
#include <cstdint>
#include <span>

#include "point.hpp"

namespace vantor::lattice_sets {

// Coordinates of a point of M, or of a difference of two points.
struct MoserCoordinate {
    std::int64_t a;
    std::int64_t b;
    std::int64_t c;
    std::int64_t d;

    friend bool operator==(const MoserCoordinate&, const MoserCoordinate&) = default;
    friend auto operator<=>(const MoserCoordinate&, const MoserCoordinate&) = default;
};

inline MoserCoordinate operator+(MoserCoordinate p, MoserCoordinate q) {
    return {p.a + q.a, p.b + q.b, p.c + q.c, p.d + q.d};
}
inline MoserCoordinate operator-(MoserCoordinate p, MoserCoordinate q) {
    return {p.a - q.a, p.b - q.b, p.c - q.c, p.d - q.d};
}

// The largest coordinate magnitude the exact check accepts. With it, the
// integers P, U, V and d of a point are exact as doubles, and R and S of any
// difference fit 128-bit arithmetic.
inline constexpr unsigned kMaxMoserCoordinateLog2 = 40;
inline constexpr std::int64_t kMaxMoserCoordinate = std::int64_t{1} << kMaxMoserCoordinateLog2;

// Every coordinate within kMaxMoserCoordinate in magnitude.
inline bool within_moser_range(const MoserCoordinate& z) {
    const auto within = [](std::int64_t x) {
        return x >= -kMaxMoserCoordinate && x <= kMaxMoserCoordinate;
    };
    return within(z.a) && within(z.b) && within(z.c) && within(z.d);
}

// 144 |z|^2 = r + s * sqrt(33) for the element z with the given coordinates.
struct MoserNorm {
    __int128 r;
    __int128 s;
};

// The exact norm; every coordinate within 2 * kMaxMoserCoordinate.
MoserNorm moser_norm(MoserCoordinate z);

// True exactly when the element has modulus 1.
inline bool is_moser_unit(MoserCoordinate z) {
    const MoserNorm norm = moser_norm(z);
    return norm.r == 144 && norm.s == 0;
}

// Every element of M of modulus 1, in increasing coordinate order: the 18
// sixth roots of unity times 1, times w3 and times (w3 - 1)(1 + w1). They
// are found once by the exact test over a box that provably holds them all
// (moser_lattice.cpp derives it). Searches move by these steps; the exact
// check of a point set does not rely on the list.
std::span<const MoserCoordinate> moser_unit_steps();

// The plane point of z, computed in exactly this order from the integers
// P = 12a + 6b + 10c + 5d, U = 6b + 5d and V = 2c + d (exact as doubles):
//   x = (P - d * sqrt(33)) / 12
//   y = (U * sqrt(3) + V * sqrt(11)) / 12
// with sqrt(3), sqrt(11) and sqrt(33) correctly rounded doubles, each
// product, sum and quotient rounded once (no fused multiply-add). Anyone
// can recompute the points bit for bit from the coordinates.
// Coordinates within kMaxMoserCoordinate.
Point moser_point(MoserCoordinate z);

// The twelve symmetries of M that fix 0: the rotations by multiples of 60
// degrees (multiplication by w1^k) and those composed with the reflection
// z -> w3 * conj(z), which swaps the spindle's two rhombi. Symmetry g < 6 is
// w1^g; g >= 6 is w1^(g - 6) after the reflection. They map unit steps to
// unit steps.
inline constexpr int kMoserSymmetries = 12;
MoserCoordinate moser_symmetry(int g, MoserCoordinate z);

// All twelve images moser_symmetry(g, z), g = 0 .. 11, in that order.
std::array<MoserCoordinate, kMoserSymmetries> moser_images(MoserCoordinate z);

}  // namespace vantor::lattice_sets
