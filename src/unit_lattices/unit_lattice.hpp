#pragma once
// A unit lattice: the integer span L of finitely many elements of modulus 1
// of a multiquadratic field with i, as one value that patches, the exact
// check of a set and exports take.
//
// Elements of the field are rational coefficients over the product-of-
// square-roots basis (multiquadratic_field.hpp). Every element of L is held
// as integer numerators over one denominator d, the least common
// denominator of the generating units; a point of L is given by its
// integer coordinates c in the reduced basis b_0 .. b_(n-1):
// z = sum_j c_j b_j.
//
// Building the value:
// 1. the numerator rows of the generating units go to their Hermite normal
//    form, a basis of L (L lies in (1/d) Z^degree, so it is a free group of
//    rank n <= degree);
// 2. LLL reduces that basis under the form Q(z) = sum_m |g_m| x_m^2 of the
//    numerators x of z (unit_norm.hpp), which is d^2 times the mean of
//    |s(z)|^2 over all embeddings s of the field;
//    (from_basis skips steps 1 and 2: linearly independent units are their
//    span's basis as given, so coordinates keep the caller's meaning);
// 3. the unit vectors. The field is abelian, so complex conjugation is the
//    same automorphism c under every embedding, and z c(z) = 1, which is
//    |z| = 1 in the principal embedding, gives |s(z)| = 1 in every embedding
//    s. More directly, entry 0 of d^2 z c(z) is Q(z), so every unit vector
//    has Q(z) = d^2 exactly. The enumeration (short_vectors.hpp) lists every
//    c with Q <= d^2 in exact arithmetic, and each is kept when the exact
//    test z c(z) = 1 holds. So the list is complete: a unit vector missing
//    from it would have Q(z) = d^2 and be visited.
// 4. the symmetries (symmetries.hpp).
//
// A lattice is immutable once built.

#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "algebraic/field/multiquadratic_field.hpp"
#include "algebraic/field/rational.hpp"
#include "point.hpp"
#include "unit_lattices/symmetries.hpp"
#include "unit_lattices/unit_lattice_error.hpp"

namespace vantor::unit_lattices {

// Limits of the exact kernels.
inline constexpr unsigned kMaxDegreeLog2 = 6;        // at most 5 generators besides -1
inline constexpr std::uint64_t kMaxRank = 8;  // the tables handed to Python hold 8 columns
inline constexpr unsigned kMaxDenominatorLog2 = 20;
inline constexpr unsigned kMaxBasisNumeratorLog2 = 20;
inline constexpr unsigned kMaxGeneratingUnitsLog2 = 12;
// Every numerator of a point, sum_j c_j b_j, stays within 2**kMaxPointNumeratorLog2
// (exact in a double; a difference of two points within 2**50 fits 64 bits).
// A lattice's coordinate limit is the largest 2**k with
// rank * max|basis numerator| * 2**k <= 2**49; with the limits above it is
// at least 2**26.
inline constexpr unsigned kMaxPointNumeratorLog2 = 49;

class UnitLattice {
public:
    // The lattice spanned by `units` (each one coefficient per basis
    // element of the field of `generators`, -1 appended when absent). Fails
    // with the field's message, for a wrong length or an element whose
    // modulus is not exactly 1, and for descriptions beyond the limits.
    static std::expected<UnitLattice, UnitLatticeError> from_units(
        std::span<const std::int64_t> generators, std::span<const std::vector<Rational>> units);

    // The lattice whose basis is `units` as given, in their order: the same
    // description and failures, and UnitsDependent when the units are
    // linearly dependent over the rationals. Coordinates are taken in this
    // basis, so they keep the meaning the caller gave them.
    static std::expected<UnitLattice, UnitLatticeError> from_basis(
        std::span<const std::int64_t> generators, std::span<const std::vector<Rational>> units);

    const MultiquadraticField& field() const { return field_; }
    const std::vector<std::vector<Rational>>& generating_units() const { return generating_; }
    std::uint64_t degree() const { return field_.degree(); }
    std::uint64_t rank() const { return rank_; }
    // The common denominator d of every element.
    const mpz_class& denominator() const { return denominator_; }
    // Numerator m of basis vector j: basis_numerators()[j * degree() + m].
    std::span<const std::int64_t> basis_numerators() const { return basis_; }

    // Every unit vector, each as rank() coordinates (flat rows), in the
    // enumeration's order; closed under negation and the symmetries.
    std::span<const std::int64_t> unit_coordinates() const { return unit_coordinates_; }
    std::uint64_t unit_count() const { return unit_coordinates_.size() / rank_; }
    std::span<const Symmetry> symmetries() const { return symmetries_; }

    // Coordinates of points lie within 2**coordinate_limit_log2() in
    // magnitude (see kMaxPointNumeratorLog2).
    unsigned coordinate_limit_log2() const { return coordinate_limit_log2_; }
    // rank() coordinates, each within that limit.
    bool coordinates_in_range(std::span<const std::int64_t> c) const;
    // The numerators over d of the point with coordinates c (in range).
    std::vector<std::int64_t> numerators(std::span<const std::int64_t> c) const;
    // The point's coefficients in the field, exact.
    std::vector<Rational> element(std::span<const std::int64_t> c) const;
    // True exactly when the point with coordinates c (in range, or twice
    // that for a difference) has modulus 1: the exact test of unit_norm.hpp,
    // in 128-bit arithmetic where its bound allows, GMP otherwise.
    bool is_unit(std::span<const std::int64_t> c) const;

    // The plane point of c (in range) under the principal embedding. With
    // x = numerators(c) (exact doubles) and v_m = field().basis_value(m):
    //   re = (((0 + x_0 * v_0.re) + x_1 * v_1.re) + ... + x_(D-1) * v_(D-1).re) / d
    //   im = (((0 + x_0 * v_0.im) + x_1 * v_1.im) + ... + x_(D-1) * v_(D-1).im) / d
    // each product, sum and the quotient rounded once, m ascending, no
    // fused multiply-add; d is exact as a double. Anyone can recompute the
    // points bit for bit from the coordinates and the lattice.
    Point plane_point(std::span<const std::int64_t> c) const;

private:
    explicit UnitLattice(MultiquadraticField field) : field_(std::move(field)) {}

    static std::expected<UnitLattice, UnitLatticeError> build(
        std::span<const std::int64_t> generators, std::span<const std::vector<Rational>> units,
        bool reduce);

    MultiquadraticField field_;
    std::vector<std::vector<Rational>> generating_;
    std::uint64_t rank_ = 0;
    unsigned coordinate_limit_log2_ = 0;
    mpz_class denominator_ = 1;
    std::vector<std::int64_t> basis_;
    std::vector<std::int64_t> unit_coordinates_;
    std::vector<Symmetry> symmetries_;
};

}  // namespace vantor::unit_lattices
