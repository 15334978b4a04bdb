#include "multiquadratic_field.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_set>

#include "../../utils/checked_math.hpp"

namespace vantor {
namespace {

constexpr std::int64_t kLargestExactDouble = std::int64_t{1} << 53;

// Checks one generator; `seen` collects the values met so far.
Result<void> validate_generator(std::int64_t g, std::unordered_set<std::int64_t>& seen) {
    if (!seen.insert(g).second) return fail(DuplicateGenerator{g});
    if (g == -1) return {};
    if (g < 2) return fail(InvalidGenerator{g, generator_reason::kOutOfRange});
    if (!is_squarefree(static_cast<std::uint64_t>(g))) {
        return fail(InvalidGenerator{g, generator_reason::kNotSquarefree});
    }
    return {};
}

// Every product-rule factor is, up to sign, the product of a subset of the
// generators, so all of them fit in a signed 64-bit integer exactly when the
// product of all magnitudes does (a magnitude of exactly 2^63 cannot occur:
// 2 is the only square-free power of two). Deciding this first means no
// table is allocated for a field that cannot exist.
bool factors_fit_i64(std::span<const std::int64_t> generators) {
    unsigned __int128 product = 1;
    for (std::int64_t g : generators) {
        product *= static_cast<unsigned __int128>(g < 0 ? -static_cast<__int128>(g) : g);
        if (product > static_cast<unsigned __int128>(INT64_MAX)) return false;
    }
    return true;
}

}  // namespace

bool is_squarefree(std::uint64_t g) {
    // Remove every prime factor f with f^3 <= the remaining cofactor r; a
    // repeated one is a square divisor. What remains has at most two prime
    // factors, all larger than f, so it has a square divisor only if it is
    // itself the square of a prime. This decides exactly what trial division
    // by every k*k <= g decides, in about g^(1/3) steps instead of g^(1/2).
    std::uint64_t r = g;
    auto strip = [&r](std::uint64_t f) {
        if (r % f != 0) return true;
        r /= f;
        return r % f != 0;
    };
    if (!strip(2) || !strip(3)) return false;
    // Candidates 6j - 1 and 6j + 1 cover every prime above 3.
    for (std::uint64_t f = 5; f <= r / f / f; f += 6) {
        if (!strip(f) || !strip(f + 2)) return false;
    }
    if (r < 4) return true;
    const std::uint64_t root = isqrt(r);
    return root * root != r;
}

Result<MultiquadraticField> MultiquadraticField::from_generators(
    std::span<const std::int64_t> generators) {
    std::unordered_set<std::int64_t> seen;
    for (std::int64_t g : generators) {
        if (auto valid = validate_generator(g, seen); !valid) return std::unexpected(valid.error());
    }
    if (!factors_fit_i64(generators)) return fail(search_parameter::kFieldScaleMatrix);
    for (std::int64_t g : generators) {
        if (g > kLargestExactDouble || g < -kLargestExactDouble) {
            return fail(search_parameter::kFieldGenerator);
        }
    }

    // The product bound above limits the list to at most 21 generators.
    MultiquadraticField field;
    const std::uint64_t n = generators.size();
    field.generators_.assign(generators.begin(), generators.end());
    field.degree_ = std::uint64_t{1} << n;
    const std::uint64_t degree = field.degree_;

    field.subset_products_.assign(degree, 1);
    field.basis_values_.assign(degree, Complex{1.0, 0.0});
    for (std::uint64_t m = 1; m < degree; ++m) {
        // Basis value m is built from (1, 0) by one complex product per set
        // bit, in ascending bit order. The highest bit comes last, so value m
        // is the value of m without that bit times its root: the same float
        // operations in the same order.
        const unsigned k = 63 - std::countl_zero(m);
        const std::uint64_t rest = m ^ (std::uint64_t{1} << k);
        const std::int64_t g = field.generators_[k];
        field.subset_products_[m] = field.subset_products_[rest] * g;

        const double c = g > 0 ? std::sqrt(static_cast<double>(g)) : 0.0;
        const double d = g > 0 ? 0.0 : std::sqrt(static_cast<double>(-g));
        const Complex b = field.basis_values_[rest];
        field.basis_values_[m] = Complex{c * b.re - d * b.im, c * b.im + d * b.re};
    }

    auto minus_one = std::find(field.generators_.begin(), field.generators_.end(), -1);
    if (minus_one != field.generators_.end()) {
        field.imaginary_index_ = static_cast<std::uint64_t>(minus_one - field.generators_.begin());
    }
    return field;
}

std::vector<std::int64_t> complete_generators(std::vector<std::int64_t> generators) {
    if (std::find(generators.begin(), generators.end(), -1) == generators.end()) {
        generators.push_back(-1);
    }
    return generators;
}

}  // namespace vantor
