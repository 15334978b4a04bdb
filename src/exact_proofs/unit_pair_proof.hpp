#pragma once
// Exact verdicts on pairs of points of the multiquadratic construction. Two
// points are exactly one unit apart when the difference d of their elements
// satisfies d * conj(d) = 1 in the field: the principal embedding is
// injective and turns conj into complex conjugation, so this is
// |sigma(d)|^2 = 1.
//
// The elements are held as one ElementTable (numerators over one common
// denominator L), so that every verdict is integer arithmetic on numerator
// rows: d * conj(d) = 1 holds when coefficient 0 of the product of the
// numerator differences is L^2 and every other coefficient is 0. The
// products run in 128-bit integers when a bound worked out once for the
// whole table shows that no sum can overflow, and on GMP integers
// otherwise.

#include <cstdint>
#include <span>
#include <vector>

#include <gmpxx.h>

#include "algebraic/field/element_table.hpp"
#include "algebraic/field/field_element.hpp"
#include "algebraic/field/multiquadratic_field.hpp"
#include "point.hpp"

namespace vantor::exact {

// Elements prepared for many pair verdicts. The field must contain -1 and
// outlive the prover; every element must have the field's degree.
class UnitPairProver {
public:
    UnitPairProver(const MultiquadraticField& field, ElementTable table);
    UnitPairProver(const MultiquadraticField& field, std::span<const FieldElement> elements);

    // True when elements i and j (both below the element count) are exactly
    // one unit apart.
    bool is_unit_pair(std::uint64_t i, std::uint64_t j) const;
    // True when element k itself has modulus exactly 1.
    bool has_unit_modulus(std::uint64_t k) const;
    std::uint64_t element_count() const { return table_.size(); }
    // The elements, in the width the verdicts use.
    const ElementTable& table() const { return table_; }

private:
    template <class Difference>
    bool unit_narrow(const Numerator* a, const Numerator* b) const;
    bool unit_wide(const mpz_class* a, const mpz_class* b) const;

    const MultiquadraticField* field_;
    ElementTable table_;
    std::uint64_t degree_;
    std::uint64_t imaginary_bit_;
    // The route, chosen once: 128-bit products (with differences in 64-bit
    // integers when they fit there), or GMP integers.
    enum class Route { Narrow64, Narrow128, Wide } route_;
    Numerator target_ = 0;  // L^2 on the narrow routes
    mpz_class wide_target_;
    std::vector<Numerator> zero_;
    std::vector<mpz_class> wide_zero_;
};

struct PairVerdicts {
    EdgeList unit;      // the pairs exactly one unit apart, in input order
    EdgeList not_unit;  // the other pairs, in input order
};

// Splits `pairs` (indices below the prover's element count) by their exact
// verdict. Runs on thread_count() threads and polls for interruption; the
// result is the same for every thread count.
PairVerdicts prove_unit_pairs(const UnitPairProver& prover, std::span<const Edge> pairs);

// True when element * conj(element) is exactly 1 (the field must contain
// -1): one element, judged as a table of one.
bool has_unit_modulus(const FieldElement& element, const MultiquadraticField& field);

}  // namespace vantor::exact
