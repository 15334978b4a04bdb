#pragma once
// The exact text key of a field element: one canonical rational string per
// coefficient, in basis order ("0", "-3", "1/2"). Two keys are equal when
// they hold the same strings; a number written in another spelling ("2/4",
// "+1", "1/1") is a different key. Keys hash for set and map lookups; the
// order of such containers is never used.

#include <cstddef>
#include <string>
#include <vector>

#include "../../error.hpp"
#include "../field/field_element.hpp"
#include "../field/multiquadratic_field.hpp"

namespace vantor {

struct AlgebraicKey {
    std::vector<std::string> coefficients;

    friend bool operator==(const AlgebraicKey&, const AlgebraicKey&) = default;
};

struct AlgebraicKeyHash {
    std::size_t operator()(const AlgebraicKey& key) const noexcept;
};

AlgebraicKey key_of(const FieldElement& element);
// `degree` strings "0".
AlgebraicKey zero_key(std::uint64_t degree);
// "1" followed by degree - 1 strings "0".
AlgebraicKey one_key(std::uint64_t degree);

// Reads a key back: its length must be the field degree, then every string
// must read as a rational (the first failure is returned).
CertResult<FieldElement> element_of_key(const AlgebraicKey& key, const MultiquadraticField& field);

// Exact arithmetic on keys: the keys are read as elements, the operation of
// the field is applied, and the key of the result is returned.
CertResult<AlgebraicKey> key_sum(const AlgebraicKey& a, const AlgebraicKey& b,
                                 const MultiquadraticField& field);
CertResult<AlgebraicKey> key_difference(const AlgebraicKey& a, const AlgebraicKey& b,
                                        const MultiquadraticField& field);
CertResult<AlgebraicKey> key_conjugate(const AlgebraicKey& a, const MultiquadraticField& field);
CertResult<AlgebraicKey> key_product(const AlgebraicKey& a, const AlgebraicKey& b,
                                     const MultiquadraticField& field);

}  // namespace vantor
