#include "prime_element.hpp"

#include <optional>

#include "../../utils/checked_math.hpp"
#include "norm_equation.hpp"
#include "prime_ideal_search.hpp"
#include "real_part_search.hpp"
#include "split_prime.hpp"
#include "utils/interrupt.hpp"

namespace vantor {
namespace {

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
        if (solves_norm_equation(x, field, target)) return true;
        if (s == 0) return false;
        x[last] = static_cast<std::int64_t>(s);
        return solves_norm_equation(x, field, target);
    };

    remaining[0] = static_cast<std::uint64_t>(target);
    std::uint64_t m = 0;
    if (last > 0) start(0);
    std::uint64_t steps = 0;
    while (true) {
        if (++steps % 4096 == 0) poll_interrupt();
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

Result<PrimeElement> find_prime_element_by_walk(const MultiquadraticField& field, std::int64_t p,
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

namespace {
// About the cost of the ideal lattices of a field of degree 16.
constexpr std::uint64_t kRealPartNodeBudget = 100000;
}  // namespace

std::optional<std::vector<std::int64_t>> first_solution_for_split_prime(
    const MultiquadraticField& field, std::int64_t p, bool* out_of_reach) {
    if (!field.imaginary_index() || !check_split_prime(field.generators(), p)) return std::nullopt;
    // Small fields: the real part first, while it stays cheaper than the
    // ideal lattices (a bounded number of box nodes); then the ideals, whose
    // cost hardly depends on p.
    if (field.degree() <= kLargestDegreeByPrimeIdeals) {
        if (auto x = first_solution_by_real_part(field, p, kRealPartNodeBudget)) return x;
        if (auto x = first_solution_by_prime_ideals(field, p)) return x;
        return first_solution_by_real_part(field, p);
    }
    return first_solution_by_real_part(field, p, kLargeFieldNodeBudget, out_of_reach);
}

Result<PrimeElement> find_prime_element(const MultiquadraticField& field, std::int64_t p,
                                        std::uint64_t max_exponent) {
    // A split prime is 1 modulo 4 (-1 is a square modulo it), hence a sum of
    // two squares a^2 + b^2 with b != 0: a + b i is a solution for e = 1, so
    // the exponent is 1 and only the first solution in order remains to be
    // found. Everything else takes the walk itself.
    if (max_exponent >= 1) {
        bool out_of_reach = false;
        if (auto x = first_solution_for_split_prime(field, p, &out_of_reach)) {
            auto theta = FieldElement::from_integers(field, *x);
            if (!theta) return std::unexpected(theta.error());
            return PrimeElement{std::move(*theta), 1};
        }
        if (out_of_reach) {
            return fail(PrimeElementOutOfReach{p, field.degree(), kLargeFieldNodeBudget});
        }
    }
    return find_prime_element_by_walk(field, p, max_exponent);
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
