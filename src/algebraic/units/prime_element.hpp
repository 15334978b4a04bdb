#pragma once
// The prime element theta of a split prime p: an element with integer
// coefficients whose product with its complex conjugate is p^e, and its
// images under the automorphisms of the real subfield.

#include <cstdint>
#include <optional>
#include <vector>

#include "../field/field_element.hpp"
#include "../field/multiquadratic_field.hpp"

namespace vantor {

struct PrimeElement {
    FieldElement theta;
    std::uint64_t exponent;  // e, with theta * conj(theta) = p^e
};

// Weight m is the product of |g_k| over the bits k of m: the squared modulus
// of basis element m.
std::vector<std::int64_t> norm_weights(const MultiquadraticField& field);

// For e = 1 .. max_exponent, the integer vectors x with sum of weight_m * x_m^2
// equal to p^e, in lexicographic order (x_0 slowest, each coordinate upwards
// from its most negative value); the first that is not rational and whose
// product with its conjugate is exactly p^e wins. The result is the same on
// every run and every platform. For a prime that splits completely in an
// imaginary field the answer is found without walking those vectors: through
// the prime ideals above p for degrees up to kLargestDegreeByPrimeIdeals,
// through the real part of theta beyond; the walk serves every other input.
Result<PrimeElement> find_prime_element(const MultiquadraticField& field, std::int64_t p,
                                        std::uint64_t max_exponent);

// The same search by walking every vector in order; the reference the faster
// routes must agree with, and the route for primes that do not split.
Result<PrimeElement> find_prime_element_by_walk(const MultiquadraticField& field, std::int64_t p,
                                                std::uint64_t max_exponent);

// The largest degree searched through the prime ideals above p (2^(degree/2)
// ideal lattices); larger fields are searched through the real part.
inline constexpr std::uint64_t kLargestDegreeByPrimeIdeals = 16;

// Beyond kLargestDegreeByPrimeIdeals the real part is searched within this
// many nodes of its box (about a second here); a prime that needs more is out of
// reach, since every other route would run for hours.
inline constexpr std::uint64_t kLargeFieldNodeBudget = 5000000;

// For a prime p splitting completely in an imaginary field, the coefficient
// vector of the first accepted vector for e = 1; nothing for other inputs,
// and nothing with *out_of_reach set (when given) for a field beyond
// kLargestDegreeByPrimeIdeals whose search exceeds kLargeFieldNodeBudget.
std::optional<std::vector<std::int64_t>> first_solution_for_split_prime(
    const MultiquadraticField& field, std::int64_t p, bool* out_of_reach = nullptr);
// The 2^r images of theta under the sign flips of the r generators other than
// -1: entry s flips the j-th such generator for every bit j of s. Equal
// images stay in the list.
std::vector<FieldElement> conjugate_list(const FieldElement& theta,
                                         const MultiquadraticField& field);

}  // namespace vantor
