#include "algebraic/section2/candidates.hpp"

#include <climits>
#include <cmath>
#include <new>
#include <optional>
#include <stdexcept>

#include "algebraic/field/embeddings.hpp"
#include "algebraic/section2/assembly.hpp"
#include "algebraic/field/element_table.hpp"
#include "utils/interrupt.hpp"
#include "utils/memory_budget.hpp"
#include "utils/memory_estimates.hpp"
#include "utils/progress_sink.hpp"
#include "utils/parallel.hpp"

namespace vantor {
namespace {

// Settles "largest modulus > limit" for an embedding vector with the
// squared moduli re*re + im*im, which are within a few units in the last
// place of the true ones, and calls hypot only for a modulus within a
// relative 1e-12 of the limit, so the verdict is the one of comparing the
// largest hypot(re, im) (a NaN modulus never counting) with the limit.
bool outside_polydisk(std::span<const Complex> values, double limit) {
    const double inside = limit * limit * (1 - 1e-12);
    const double outside = limit * limit * (1 + 1e-12);
    for (const Complex& v : values) {
        const double square = v.re * v.re + v.im * v.im;
        if (square <= inside) continue;
        if (square >= outside) return true;
        if (std::hypot(v.re, v.im) > limit) return true;
    }
    return false;
}

// Runs the radius schedule and hands the first attempt that selects enough
// points to `finish`.
template <class T, class Finish>
Result<T> run_radius_schedule(const Section2Params& params, std::uint64_t n_target,
                              Finish&& finish) {
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
        const AttemptInput input{params, *field, *translations, radius, 0, n_target};
        auto outcome = generate_candidates(input);
        if (!outcome) return std::unexpected(outcome.error());
        if (auto* selection = std::get_if<AttemptSelection>(&*outcome)) return finish(input, *selection);
    }
    return fail(NotEnoughPoints{n_target, 0});
}

}  // namespace

Result<AttemptOutcome> generate_candidates(const AttemptInput& input) {
    const Section2Params& params = input.params;
    const MultiquadraticField& field = input.field;
    const std::uint64_t degree = field.degree();
    // Wrapping product, as the budget has always been formed.
    const std::uint64_t budget = params.candidate_factor * input.n_target;

    if (auto check = unit_denominator_check_for_exponent(field, params.split_prime, params.k,
                                                         input.translations.prime_exponent);
        !check) {
        return std::unexpected(check.error());
    }
    if (input.projection_index >= degree) return fail(search_parameter::kProjectionIndex);
    // Only a request that passed every check is sized, so that an invalid
    // one is reported as such whatever n_target is. A result of n_target
    // points needs at least n_target visited nodes; a request that cannot
    // fit fails here rather than deep into the search.
    ensure_fits_in_memory(multiquadratic_peak_bytes(degree, input.translations.numerators.size(),
                                                    input.n_target));
    ensure_fits_in_memory(input.n_target, SearchTree::node_bytes(degree));

    const Translations& translations = input.translations;
    const std::uint64_t count = translations.numerators.size();
    // Steps are stored as translation * 2 + sign in 32 bits.
    if (count >= (std::uint64_t{1} << 31)) throw std::bad_alloc();
    const std::int64_t denominator = translations.denominator;
    const double limit = input.radius + 1e-7;

    // The visited nodes never exceed the budget, what memory can hold, nor
    // 32-bit node numbers.
    const std::uint64_t node_limit = std::min<std::uint64_t>(
        memory_budget_bytes() / SearchTree::node_bytes(degree), UINT32_MAX - 1);

    const std::vector<Numerator> root(degree, 0);

    SearchTree tree(degree);
    tree.reserve(std::min<std::uint64_t>(budget, 1 << 16) + 1);
    NumeratorIndex seen(tree, std::min<std::uint64_t>(budget, 1 << 16) + 1);

    // The root: the zero element with an empty path, not tested against the
    // radius.
    tree.append(root.data(), 0, PathStep{0, 0});
    seen.insert(0);

    // Nodes are expanded in chunks. The candidates of a chunk's nodes, in
    // translation order with + before -, depend on those nodes alone (all of
    // them are in the tree already), so their geometry is worked out on
    // several threads: the ones inside the polydisk keep their numerators
    // and hash. The lookups and insertions then run on this thread in
    // order, exactly as one node after another.
    //
    // Embeddings are linear, so a candidate's embeddings are close to the
    // node's plus the translation's: within a few units in the last place,
    // far inside the relative 1e-9 by which the polydisk test is settled
    // from that sum. Only candidates that close to the boundary are embedded
    // exactly before the test. The points of the visited nodes are placed
    // once the search is over, and not at all when it visited fewer nodes
    // than the points asked for.
    struct Inside {
        std::uint32_t translation;
        std::int8_t sign;
        std::uint64_t hash;
    };
    std::vector<Complex> translation_values(count * degree);
    std::vector<double> values(degree);
    for (std::uint64_t t = 0; t < count; ++t) {
        const std::vector<Numerator> wide(translations.numerators[t].begin(), translations.numerators[t].end());
        embed_numerators(wide.data(), denominator, field, values,
                         std::span<Complex>(translation_values).subspan(t * degree, degree));
    }
    const double surely_inside = limit * limit * (1 - 1e-9);
    const double surely_outside = limit * limit * (1 + 1e-9);
    enum class Side { kInside, kOutside, kNear };
    auto side_of = [&](const Complex* base, const Complex* step, double sign) {
        Side side = Side::kInside;
        for (std::uint64_t s = 0; s < degree; ++s) {
            const double re = base[s].re + sign * step[s].re;
            const double im = base[s].im + sign * step[s].im;
            const double square = re * re + im * im;
            if (square >= surely_outside) return Side::kOutside;
            if (!(square <= surely_inside)) side = Side::kNear;
        }
        return side;
    };

    const std::uint64_t per_node = 2 * count;
    std::vector<Inside> inside;
    std::vector<std::uint32_t> inside_count;
    std::vector<Numerator> candidates;
    auto expand = [&](std::uint64_t k, const Numerator* node, std::vector<double>& values,
                      std::vector<Complex>& weights, std::vector<Complex>& base) {
        embed_numerators(node, denominator, field, values, base);
        std::uint32_t found = 0;
        for (std::uint64_t t = 0; t < count; ++t) {
            const std::int64_t* step = translations.numerators[t].data();
            for (const std::int8_t sign : {std::int8_t{1}, std::int8_t{-1}}) {
                // The polydisk test comes before any exact identity work.
                const Side side = side_of(base.data(), &translation_values[t * degree], sign);
                if (side == Side::kOutside) continue;
                Numerator* candidate = &candidates[(k * per_node + found) * degree];
                for (std::uint64_t m = 0; m < degree; ++m) {
                    if (__builtin_add_overflow(node[m], static_cast<Numerator>(sign) * step[m], &candidate[m])) {
                        throw std::logic_error("candidate numerator left 128-bit range");
                    }
                }
                if (side == Side::kNear) {
                    embed_numerators(candidate, denominator, field, values, weights);
                    if (outside_polydisk(weights, limit)) continue;
                }
                inside[k * per_node + found] = {static_cast<std::uint32_t>(t), sign, hash_numerators(candidate, degree)};
                ++found;
            }
        }
        inside_count[k] = found;
    };

    constexpr std::uint64_t kChunkNodes = 16384;
    constexpr std::uint64_t kNodesPerTask = 512;
    bool done = false;
    for (std::uint64_t head = 0; !done && head < tree.size();) {
        poll_interrupt();
        report_progress(tree.size(), budget);
        const std::uint64_t chunk = std::min(tree.size() - head, kChunkNodes);
        inside.resize(chunk * per_node);
        inside_count.resize(chunk);
        candidates.resize(chunk * per_node * degree);
        const std::uint64_t tasks = (chunk + kNodesPerTask - 1) / kNodesPerTask;
        parallel_for(tasks, tasks > 1 ? thread_count() : 1, [&](std::size_t task) {
            std::vector<double> task_values(degree);
            std::vector<Complex> task_weights(degree);
            std::vector<Complex> task_base(degree);
            const std::uint64_t end = std::min(chunk, (task + 1) * kNodesPerTask);
            for (std::uint64_t k = task * kNodesPerTask; k < end; ++k) {
                expand(k, tree.numerators(head + k), task_values, task_weights, task_base);
            }
        });
        for (std::uint64_t k = 0; k < chunk && !done; ++k) {
            // The search ends when the visited list holds the budget: before
            // a node is expanded, or at once in the middle of its
            // translations.
            if (tree.size() >= budget) {
                done = true;
                break;
            }
            if (k + 1 < chunk) {
                for (std::uint32_t c = 0; c < inside_count[k + 1]; ++c) seen.prefetch(inside[(k + 1) * per_node + c].hash);
            }
            for (std::uint32_t c = 0; c < inside_count[k]; ++c) {
                const Inside& found = inside[k * per_node + c];
                const Numerator* candidate = &candidates[(k * per_node + c) * degree];
                if (seen.find(candidate, found.hash) >= 0) continue;
                if (tree.size() >= node_limit) throw std::bad_alloc();
                tree.append(candidate, static_cast<std::uint32_t>(head + k), PathStep{found.translation, found.sign});
                seen.insert(tree.size() - 1, found.hash);
                if (tree.size() >= budget) {
                    done = true;
                    break;
                }
            }
        }
        head += chunk;
    }

    // Merging only drops points: a search that visited fewer nodes than the
    // points asked for falls short whatever their places.
    if (tree.size() < input.n_target) return Shortfall{tree.size()};
    tree.place_points(denominator, field, input.projection_index);

    // Merging, the count check and selection.
    const std::vector<std::uint64_t> accepted = deduplicate_points(tree.points(), params.dedup_distance);
    if (accepted.size() < input.n_target) return Shortfall{accepted.size()};
    PointList accepted_points;
    accepted_points.reserve(accepted.size());
    for (std::uint64_t at : accepted) accepted_points.push_back(tree.point(at));
    const std::vector<std::uint64_t> selected =
        select_by_degree_peeling(accepted_points, input.n_target, params.edge_tolerance);
    AttemptSelection selection{std::move(tree), {}};
    selection.chosen.reserve(selected.size());
    for (std::uint64_t index : selected) selection.chosen.push_back(static_cast<std::uint32_t>(accepted[index]));
    return AttemptOutcome{std::move(selection)};
}

Result<Section2Result> build_section2(const Section2Params& params, std::uint64_t n_target,
                                      bool keep_elements) {
    return run_radius_schedule<Section2Result>(
        params, n_target,
        [keep_elements](const AttemptInput& input, const AttemptSelection& selection) {
            return assemble_result(input, selection, keep_elements);
        });
}

Result<PointList> build_section2_points(const Section2Params& params, std::uint64_t n_target) {
    return run_radius_schedule<PointList>(params, n_target, assemble_points);
}

}  // namespace vantor
