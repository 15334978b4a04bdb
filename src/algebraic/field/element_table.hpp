#pragma once
// Many elements of one field in one form: every coefficient an integer
// numerator over one denominator L > 0 that the whole table shares. Sums,
// differences, comparisons and products of elements are then integer
// arithmetic on rows of numerators, with no rational reduction per step;
// a coefficient is reduced only when it leaves the table (as a double, a
// text or a rational).
//
// This is the form of every exact path that works on many elements at
// once: the construction's search (its nodes are sums of translations over
// the translation denominator p^a), the replay of a certificate (the
// translation table and the replayed sums), the pair proofs (the elements
// of a point set), the re-check of an exact result and the proofs of
// anyone's point set.
//
// Width. The numerators are 128-bit integers (`Numerator`), with L in 63
// bits, when a bound worked out once, as the table is made, shows that
// every value its user forms fits: |numerator| < 2^(126 - headroom), where
// the user names as `headroom` the bits its own arithmetic adds to a
// numerator (a sum of k rows adds log2(k) bits, a difference one). Otherwise
// they are GMP integers. Both widths hold the same values, and every
// conversion below gives the same result from either.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gmpxx.h>

#include "algebraic/field/complex.hpp"
#include "algebraic/field/field_element.hpp"
#include "algebraic/field/multiquadratic_field.hpp"
#include "algebraic/field/rational.hpp"

namespace vantor {

using Numerator = __int128;

// The conversions of one numerator over a denominator (> 0). Each equals
// the conversion of the reduced rational numerator / denominator:
// coefficient_to_f64, format_rational ("n" or "n/d") and the rational
// itself. Callers that keep rows of their own (the search's tree) use the
// 128-bit ones directly.
struct ReducedFraction {
    Numerator numerator;
    std::int64_t denominator;
};
ReducedFraction reduce_fraction(Numerator numerator, std::int64_t denominator);
double fraction_to_f64(Numerator numerator, std::int64_t denominator);
std::string fraction_text(Numerator numerator, std::int64_t denominator);
Rational fraction_rational(Numerator numerator, std::int64_t denominator);
double fraction_to_f64(const mpz_class& numerator, const mpz_class& denominator);
std::string fraction_text(const mpz_class& numerator, const mpz_class& denominator);
Rational fraction_rational(const mpz_class& numerator, const mpz_class& denominator);

// The exact integer value of a 128-bit numerator.
mpz_class numerator_mpz(Numerator value);

// The embedding vector of the element with these numerators, exactly as
// `embeddings` computes it for the exact element; `values` and `weights`
// have one entry per basis element, and `weights` receives the result.
void embed_numerators(const Numerator* numerators, std::int64_t denominator,
                      const MultiquadraticField& field, std::span<double> values,
                      std::span<Complex> weights);
void embed_numerators(const mpz_class* numerators, const mpz_class& denominator,
                      const MultiquadraticField& field, std::span<double> values,
                      std::span<Complex> weights);

class ElementTable {
public:
    // The elements (each of the field's degree) over the lcm of all their
    // coefficient denominators, in the narrow width when the bound above
    // holds for `headroom` and in GMP integers otherwise.
    static ElementTable from_elements(const MultiquadraticField& field,
                                      std::span<const FieldElement> elements,
                                      unsigned headroom);

    std::uint64_t size() const { return size_; }
    std::uint64_t degree() const { return degree_; }
    // True when the numerators are GMP integers.
    bool wide() const { return wide_; }
    // The bits of the largest numerator magnitude (0 when all are 0).
    std::uint64_t numerator_bits() const { return numerator_bits_; }

    // Row k and the denominator in the narrow width (only when !wide()).
    const Numerator* row(std::uint64_t k) const { return &narrow_[k * degree_]; }
    std::int64_t denominator() const { return narrow_denominator_; }
    // The same in GMP integers (only when wide()).
    const mpz_class* wide_row(std::uint64_t k) const { return &wide_rows_[k * degree_]; }
    const mpz_class& wide_denominator() const { return wide_denominator_; }

    // The same table in GMP integers (a copy when this one is narrow).
    ElementTable widened() const;

    // Element k as exact rationals, and its coefficient m reduced.
    FieldElement element(std::uint64_t k) const;
    std::string coefficient_text(std::uint64_t k, std::uint64_t m) const;
    double coefficient_f64(std::uint64_t k, std::uint64_t m) const;
    // The embedding vector of element k, as embed_numerators gives it.
    void embed(std::uint64_t k, const MultiquadraticField& field, std::span<double> values,
               std::span<Complex> weights) const;

    // True when element j - element i equals sign * element t exactly
    // (sign is 1 or -1; a narrow table needs a headroom of at least 2).
    bool difference_is(std::uint64_t i, std::uint64_t j, std::uint64_t t, int sign) const;

private:
    ElementTable() = default;

    std::uint64_t size_ = 0;
    std::uint64_t degree_ = 1;
    bool wide_ = false;
    std::uint64_t numerator_bits_ = 0;
    std::vector<Numerator> narrow_;
    std::int64_t narrow_denominator_ = 1;
    std::vector<mpz_class> wide_rows_;
    mpz_class wide_denominator_ = 1;
};

}  // namespace vantor
