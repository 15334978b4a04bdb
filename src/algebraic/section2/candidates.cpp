#include "candidates.hpp"

#include <climits>
#include <cmath>
#include <new>
#include <stdexcept>

#include "../../utils/memory_budget.hpp"
#include "../field/embeddings.hpp"
#include "../field/multiquadratic_field.hpp"
#include "../field/rational.hpp"
#include "assembly.hpp"
#include "search_tree.hpp"

namespace vantor {
namespace {

// What one visited node costs: its numerators, its bookkeeping and its share
// of the lookup table.
std::uint64_t node_bytes(std::uint64_t degree) {
    return degree * sizeof(Numerator) + sizeof(std::uint64_t) + sizeof(PathStep) + sizeof(Point) +
           sizeof(double) + 4 * sizeof(std::uint64_t);
}

// The double of numerator / denominator as coefficient_to_f64 gives it for
// the reduced rational. The denominator is a power of the prime p, so the
// fraction is reduced by stripping common factors p.
double coefficient_value(Numerator numerator, std::int64_t denominator, std::int64_t p) {
    if (numerator == 0) return 0.0;
    if (numerator >= INT64_MIN && numerator <= INT64_MAX) {
        auto n = static_cast<std::int64_t>(numerator);
        while (denominator > 1 && n % p == 0) {
            n /= p;
            denominator /= p;
        }
        return static_cast<double>(n) / static_cast<double>(denominator);
    }
    while (denominator > 1 && numerator % p == 0) {
        numerator /= p;
        denominator /= p;
    }
    return integer_to_f64(numerator) / static_cast<double>(denominator);
}

// The embedding vector of numerators / denominator and its largest modulus.
double embed_numerators(const Numerator* numerators, std::int64_t denominator, std::int64_t p,
                        const MultiquadraticField& field, std::vector<double>& values,
                        std::vector<Complex>& weights) {
    const std::uint64_t degree = field.degree();
    for (std::uint64_t m = 0; m < degree; ++m) {
        values[m] = coefficient_value(numerators[m], denominator, p);
    }
    embed_converted(values, field, weights);
    return max_embedding_norm(weights);
}

}  // namespace

Result<AttemptOutcome> generate_candidates(const AttemptInput& input) {
    const Section2Params& params = input.params;
    auto built = MultiquadraticField::from_generators(params.generators);
    if (!built) return std::unexpected(built.error());
    const MultiquadraticField& field = *built;
    const std::uint64_t degree = field.degree();
    // Wrapping product, as the budget has always been formed.
    const std::uint64_t budget = params.candidate_factor * input.n_target;

    if (auto check = unit_denominator_check_for_exponent(field, params.split_prime, params.k,
                                                         input.translations.prime_exponent);
        !check) {
        return std::unexpected(check.error());
    }
    if (input.projection_index >= degree) return fail(search_parameter::kProjectionIndex);
    // A result of n_target points needs at least n_target visited nodes; a
    // request that cannot fit fails here rather than deep into the search.
    ensure_fits_in_memory(input.n_target, node_bytes(degree));

    const Translations& translations = input.translations;
    const std::uint64_t count = translations.numerators.size();
    const std::int64_t denominator = translations.denominator;
    const std::int64_t p = params.split_prime;
    const double limit = input.radius + 1e-7;

    // The visited nodes never exceed the budget nor what memory can hold.
    const std::uint64_t node_limit =
        std::min<std::uint64_t>(memory_budget_bytes() / node_bytes(degree), std::uint64_t{1} << 32);

    std::vector<double> values(degree);
    std::vector<Complex> weights(degree);
    std::vector<Numerator> node(degree, 0);
    std::vector<Numerator> candidate(degree, 0);

    SearchTree tree(degree);
    tree.reserve(std::min<std::uint64_t>(budget, 1 << 16) + 1);
    NumeratorIndex seen(tree, std::min<std::uint64_t>(budget, 1 << 16) + 1);

    // The root: the zero element with an empty path, not tested against the
    // radius.
    const double root_norm = embed_numerators(node.data(), denominator, p, field, values, weights);
    const Complex& root_value = weights[input.projection_index];
    tree.append(node.data(), 0, PathStep{0, 0}, Point{root_value.re, root_value.im}, root_norm);
    seen.insert(0);

    bool budget_reached = false;
    for (std::uint64_t head = 0; head < tree.size() && !budget_reached; ++head) {
        if (tree.size() >= budget) break;
        std::copy(tree.numerators(head), tree.numerators(head) + degree, node.begin());
        for (std::uint64_t t = 0; t < count && !budget_reached; ++t) {
            const std::int64_t* step = translations.numerators[t].data();
            for (const std::int8_t sign : {std::int8_t{1}, std::int8_t{-1}}) {
                for (std::uint64_t m = 0; m < degree; ++m) {
                    if (__builtin_add_overflow(node[m], static_cast<Numerator>(sign) * step[m],
                                               &candidate[m])) {
                        throw std::logic_error("candidate numerator left 128-bit range");
                    }
                }
                // The polydisk test comes before any exact identity work.
                const double norm =
                    embed_numerators(candidate.data(), denominator, p, field, values, weights);
                if (norm > limit) continue;
                if (seen.find(candidate.data()) >= 0) continue;
                if (tree.size() >= node_limit) throw std::bad_alloc();
                const Complex& value = weights[input.projection_index];
                tree.append(candidate.data(), head, PathStep{t, sign}, Point{value.re, value.im},
                            norm);
                seen.insert(tree.size() - 1);
                if (tree.size() >= budget) {
                    budget_reached = true;
                    break;
                }
            }
        }
    }
    return assemble_attempt(input, field, tree);
}

Result<Section2Result> build_section2(const Section2Params& params, std::uint64_t n_target) {
    auto field = MultiquadraticField::from_generators(params.generators);
    if (!field) return std::unexpected(field.error());

    // The translation list does not depend on the radius: it is built once,
    // on the first attempt, and shared by all of them.
    std::optional<Translations> translations;
    for (std::uint64_t attempt = 0; attempt < params.radius_attempts; ++attempt) {
        if (attempt > static_cast<std::uint64_t>(INT32_MAX)) {
            return fail(search_parameter::kRadiusAttempt);
        }
        const double radius =
            std::pow(params.radius_growth, static_cast<double>(attempt)) * params.initial_radius;
        if (!translations) {
            auto list = translation_list(*field, params.split_prime, params.k,
                                         params.max_prime_exponent);
            if (!list) return std::unexpected(list.error());
            translations = std::move(*list);
        }
        auto outcome = generate_candidates(AttemptInput{params, *translations, radius, 0, n_target});
        if (!outcome) return std::unexpected(outcome.error());
        if (auto* result = std::get_if<Section2Result>(&*outcome)) return std::move(*result);
    }
    return fail(NotEnoughPoints{n_target, 0});
}

}  // namespace vantor
