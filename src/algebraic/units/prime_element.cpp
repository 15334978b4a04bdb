#include "prime_element.hpp"

#include <gmpxx.h>

#include <optional>

#include "../../utils/checked_math.hpp"

namespace vantor {
namespace {

// theta is accepted when it is not rational and theta * conj(theta) is
// exactly `target`. The product is formed over the integers, which is exact
// and equal to the field product of the integral elements.
bool is_accepted(const std::vector<std::int64_t>& x, const MultiquadraticField& field,
                 std::int64_t target) {
    const std::uint64_t degree = field.degree();
    bool rational = true;
    for (std::uint64_t m = 1; m < degree && rational; ++m) rational = x[m] == 0;
    if (rational) return false;

    const auto imaginary = field.imaginary_index();
    std::vector<mpz_class> product(degree);
    mpz_class term;
    for (std::uint64_t i = 0; i < degree; ++i) {
        if (x[i] == 0) continue;
        for (std::uint64_t j = 0; j < degree; ++j) {
            if (x[j] == 0) continue;
            const bool negated = imaginary && ((j >> *imaginary) & 1);
            term = static_cast<long>(x[i]);
            term *= static_cast<long>(negated ? -x[j] : x[j]);
            term *= static_cast<long>(field.scale(i, j));
            product[i ^ j] += term;
        }
    }
    if (product[0] != static_cast<long>(target)) return false;
    for (std::uint64_t m = 1; m < degree; ++m) {
        if (product[m] != 0) return false;
    }
    return true;
}

// Walks the vectors with sum of weight_m * x_m^2 = target in lexicographic
// order and returns the first accepted one. The walk is lazy and iterative:
// nothing is collected, and the depth of the field does not reach the stack.
// Only the last coordinate is fixed by the remainder, so just its exact
// values are visited.
std::optional<std::vector<std::int64_t>> first_accepted_vector(
    const MultiquadraticField& field, const std::vector<std::int64_t>& weights,
    std::int64_t target) {
    const std::uint64_t degree = field.degree();
    const std::uint64_t last = degree - 1;
    std::vector<std::int64_t> x(degree, 0);
    std::vector<std::int64_t> high(degree, 0);
    std::vector<std::uint64_t> remaining(degree, 0);

    auto start = [&](std::uint64_t m) {
        high[m] = static_cast<std::int64_t>(
            isqrt(remaining[m] / static_cast<std::uint64_t>(weights[m])));
        x[m] = -high[m];
    };
    auto try_last = [&]() -> bool {
        const auto w = static_cast<std::uint64_t>(weights[last]);
        const std::uint64_t r = remaining[last];
        if (r % w != 0) return false;
        const std::uint64_t q = r / w;
        const std::uint64_t s = isqrt(q);
        if (s * s != q) return false;
        x[last] = -static_cast<std::int64_t>(s);
        if (is_accepted(x, field, target)) return true;
        if (s == 0) return false;
        x[last] = static_cast<std::int64_t>(s);
        return is_accepted(x, field, target);
    };

    remaining[0] = static_cast<std::uint64_t>(target);
    std::uint64_t m = 0;
    if (last > 0) start(0);
    while (true) {
        if (m < last) {
            const auto used = static_cast<std::uint64_t>(weights[m]) *
                              static_cast<std::uint64_t>(x[m] < 0 ? -x[m] : x[m]) *
                              static_cast<std::uint64_t>(x[m] < 0 ? -x[m] : x[m]);
            remaining[m + 1] = remaining[m] - used;
            ++m;
            if (m < last) start(m);
            continue;
        }
        if (try_last()) return x;
        // Step the deepest coordinate that still has room; reset the rest.
        x[last] = 0;
        while (true) {
            if (m == 0) return std::nullopt;
            --m;
            if (x[m] < high[m]) {
                ++x[m];
                break;
            }
            x[m] = 0;
        }
    }
}

}  // namespace

std::vector<std::int64_t> norm_weights(const MultiquadraticField& field) {
    const auto& generators = field.generators();
    std::vector<std::int64_t> weights(field.degree(), 1);
    for (std::uint64_t m = 0; m < field.degree(); ++m) {
        for (std::uint64_t k = 0; k < generators.size(); ++k) {
            if ((m >> k) & 1) weights[m] *= generators[k] < 0 ? -generators[k] : generators[k];
        }
    }
    return weights;
}

Result<PrimeElement> find_prime_element(const MultiquadraticField& field, std::int64_t p,
                                        std::uint64_t max_exponent) {
    const std::vector<std::int64_t> weights = norm_weights(field);
    std::int64_t target = 1;
    for (std::uint64_t e = 1; e <= max_exponent; ++e) {
        auto next = checked_mul(target, p);
        if (!next) return fail(search_parameter::kPrimeNormTarget);
        target = *next;
        // A negative target (from a negative p) has no vectors at all.
        if (target < 0) continue;
        if (auto x = first_accepted_vector(field, weights, target)) {
            auto theta = FieldElement::from_integers(field, *x);
            if (!theta) return std::unexpected(theta.error());
            return PrimeElement{std::move(*theta), e};
        }
    }
    return fail(PrimeElementNotFound{p, max_exponent});
}

std::vector<FieldElement> conjugate_list(const FieldElement& theta,
                                         const MultiquadraticField& field) {
    std::vector<std::uint64_t> positions;
    const auto& generators = field.generators();
    for (std::uint64_t k = 0; k < generators.size(); ++k) {
        if (generators[k] != -1) positions.push_back(k);
    }
    const std::uint64_t count = std::uint64_t{1} << positions.size();
    std::vector<FieldElement> conjugates;
    conjugates.reserve(count);
    for (std::uint64_t s = 0; s < count; ++s) {
        FieldElement c = theta;
        for (std::uint64_t j = 0; j < positions.size(); ++j) {
            if ((s >> j) & 1) c = flip_generator(c, positions[j]);
        }
        conjugates.push_back(std::move(c));
    }
    return conjugates;
}

}  // namespace vantor
