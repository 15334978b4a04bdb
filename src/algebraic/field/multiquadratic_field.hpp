#pragma once
// A multiquadratic number field: the rationals with the square roots of a
// list of generators adjoined. Generators are distinct square-free integers
// greater than 1, and optionally -1, whose square root is i.
//
// Basis element m (0 <= m < degree) is the product of the square roots of the
// generators whose bits are set in m; bit k stands for position k of the
// generator list. Coefficient lists, embedding indices and certificates all
// use this numbering. A field is immutable once built.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "../../error.hpp"
#include "complex.hpp"

namespace vantor {

class MultiquadraticField {
public:
    // Validates the generators one at a time in list order (duplicate, out of
    // range, not square-free), then the product-rule factors (each must fit a
    // signed 64-bit integer), then that every generator is exactly
    // representable as a double (magnitude at most 2^53). The first failure
    // is returned. An empty list gives the rationals (degree 1).
    static Result<MultiquadraticField> from_generators(std::span<const std::int64_t> generators);

    std::uint64_t degree() const { return degree_; }
    std::uint64_t generator_count() const { return generators_.size(); }
    const std::vector<std::int64_t>& generators() const { return generators_; }
    // Position of the generator -1, if the field is imaginary.
    std::optional<std::uint64_t> imaginary_index() const { return imaginary_index_; }

    // s(r, c): basis element r times basis element c is s(r, c) times basis
    // element r XOR c. It is the product of the generators shared by r and c,
    // so it depends on r AND c only; one entry per subset is stored.
    std::int64_t scale(std::uint64_t r, std::uint64_t c) const { return subset_products_[r & c]; }

    // The value of basis element m under the principal embedding (every
    // square root positive, -1 sent to +i).
    const Complex& basis_value(std::uint64_t m) const { return basis_values_[m]; }
    const std::vector<Complex>& basis_values() const { return basis_values_; }

private:
    MultiquadraticField() = default;

    std::optional<std::uint64_t> imaginary_index_;
    std::vector<std::int64_t> generators_;
    std::vector<std::int64_t> subset_products_;
    std::vector<Complex> basis_values_;
    std::uint64_t degree_ = 1;
};

// The generator list the construction works with: -1 appended at the end
// when absent, otherwise the list exactly as given.
std::vector<std::int64_t> complete_generators(std::vector<std::int64_t> generators);

// True when no square k*k with k >= 2 divides g (g >= 2).
bool is_squarefree(std::uint64_t g);

}  // namespace vantor
