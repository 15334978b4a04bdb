#include "algebraic/section2/assembly.hpp"

#include <cmath>
#include <limits>

#include "algebraic/field/embeddings.hpp"
#include "algebraic/keys/algebraic_key.hpp"
#include "algebraic/keys/quantize.hpp"
#include "algebraic/field/element_table.hpp"
#include "utils/interrupt.hpp"
#include "utils/pair_grid.hpp"
#include "utils/unit_distance.hpp"

namespace vantor {
namespace {

inline bool closer_than(double ax, double ay, double bx, double by, double distance) {
    const double dx = ax - bx;
    const double dy = ay - by;
    return std::sqrt(dx * dx + dy * dy) < distance;
}

// Collects the pairs of a pair grid's blocks that are closer than the
// distance, as (earlier index, later index).
struct ClosePairs {
    const double* xs;
    const double* ys;
    const std::uint32_t* ids;
    double distance;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;

    void keep(std::uint32_t a, std::uint32_t b) {
        pairs.emplace_back(std::min(ids[a], ids[b]), std::max(ids[a], ids[b]));
    }
    void test(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        for (std::uint32_t a = a0; a < a1; ++a) {
            for (std::uint32_t b = b0; b < b1; ++b) {
                if (closer_than(xs[a], ys[a], xs[b], ys[b], distance)) keep(a, b);
            }
        }
    }
    void test_within(std::uint32_t a0, std::uint32_t a1) {
        for (std::uint32_t a = a0; a + 1 < a1; ++a) test(a, a + 1, a + 1, a1);
    }
    void all(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        for (std::uint32_t a = a0; a < a1; ++a) {
            for (std::uint32_t b = b0; b < b1; ++b) keep(a, b);
        }
    }
    void all_within(std::uint32_t a0, std::uint32_t a1) {
        for (std::uint32_t a = a0; a + 1 < a1; ++a) all(a, a + 1, a + 1, a1);
    }
};

// Points in order against every kept point: the plain rule, used where no
// cell can be sized (an infinite distance).
std::vector<std::uint64_t> deduplicate_by_scan(std::span<const Point> points, double distance) {
    std::vector<std::uint64_t> kept;
    for (std::uint64_t node = 0; node < points.size(); ++node) {
        if (node % 4096 == 0) poll_interrupt();
        bool merged = false;
        for (std::uint64_t other : kept) {
            if (closer_than(points[node].x, points[node].y, points[other].x, points[other].y, distance)) {
                merged = true;
                break;
            }
        }
        if (!merged) kept.push_back(node);
    }
    return kept;
}

// A min-tree over the keys degree * 2^32 + index of the alive points: its
// root is the point to remove next (smallest degree, then lowest index).
class PeelingOrder {
public:
    explicit PeelingOrder(const std::vector<std::int32_t>& degree) {
        leaves_ = 1;
        while (leaves_ < degree.size()) leaves_ *= 2;
        tree_.assign(2 * leaves_, kDead);
        for (std::size_t i = 0; i < degree.size(); ++i) tree_[leaves_ + i] = key(degree[i], i);
        for (std::size_t at = leaves_ - 1; at > 0; --at) tree_[at] = std::min(tree_[2 * at], tree_[2 * at + 1]);
    }

    std::uint64_t first() const { return tree_[1] & 0xffffffffu; }

    void remove(std::uint64_t i) {
        std::size_t at = leaves_ + i;
        tree_[at] = kDead;
        for (at /= 2; at > 0; at /= 2) tree_[at] = std::min(tree_[2 * at], tree_[2 * at + 1]);
    }

    // The key of i drops to (degree, i); a smaller key only lowers minima,
    // so the walk up stops where it no longer does.
    void lower(std::uint64_t i, std::int32_t degree) {
        const std::uint64_t value = key(degree, i);
        std::size_t at = leaves_ + i;
        tree_[at] = value;
        for (at /= 2; at > 0 && tree_[at] > value; at /= 2) tree_[at] = value;
    }

private:
    static constexpr std::uint64_t kDead = std::numeric_limits<std::uint64_t>::max();
    static std::uint64_t key(std::int32_t degree, std::uint64_t i) {
        return static_cast<std::uint64_t>(degree) << 32 | i;
    }

    std::size_t leaves_ = 1;
    std::vector<std::uint64_t> tree_;
};

// The integer keys of every selected point, as both results need them and
// fail on them in the same order.
Result<void> check_point_keys(const SearchTree& tree, std::span<const std::uint32_t> chosen,
                              double dedup_distance) {
    for (std::uint32_t node : chosen) {
        if (!projection_key(tree.point(node))) return fail(search_parameter::kProjectionKey);
        if (!dedup_key(tree.point(node), dedup_distance)) return fail(search_parameter::kDedupKey);
    }
    return {};
}

}  // namespace

std::vector<std::uint64_t> deduplicate_points(std::span<const Point> points, double distance) {
    const std::uint64_t n = points.size();
    std::vector<std::uint64_t> kept;
    if (!(distance > 0.0)) {
        // Nothing is closer than a distance of zero or less (or NaN).
        kept.resize(n);
        for (std::uint64_t i = 0; i < n; ++i) kept[i] = i;
        return kept;
    }
    if (!std::isfinite(distance)) return deduplicate_by_scan(points, distance);
    if (n >= UINT32_MAX) throw std::bad_alloc();

    // The close pairs are found through cells; a point is then dropped when
    // an earlier point closer than the distance was kept.
    std::vector<std::uint32_t> finite;
    finite.reserve(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        if (std::isfinite(points[i].x) && std::isfinite(points[i].y)) finite.push_back(static_cast<std::uint32_t>(i));
    }
    const PairGrid grid(points, finite, DistanceBand{0.0, distance});
    std::vector<std::pair<std::uint32_t, std::uint32_t>> close;
    for (ClosePairs& part :
         visit_pairs_in_tasks(grid, ClosePairs{grid.xs(), grid.ys(), grid.ids(), distance, {}})) {
        close.insert(close.end(), part.pairs.begin(), part.pairs.end());
    }
    // By the later point, so that each point meets its earlier partners
    // once its own turn comes.
    std::sort(close.begin(), close.end(),
              [](const auto& a, const auto& b) { return std::tie(a.second, a.first) < std::tie(b.second, b.first); });
    std::vector<bool> dropped(n, false);
    std::size_t at = 0;
    for (std::uint64_t j = 0; j < n; ++j) {
        for (; at < close.size() && close[at].second == j; ++at) {
            if (!dropped[close[at].first]) dropped[j] = true;
        }
        if (!dropped[j]) kept.push_back(j);
    }
    return kept;
}

std::vector<std::uint64_t> select_by_degree_peeling(std::span<const Point> points,
                                                    std::uint64_t n_target, double tolerance) {
    const std::uint64_t total = points.size();
    std::vector<std::uint64_t> kept;
    if (n_target >= total) {
        kept.resize(total);
        for (std::uint64_t i = 0; i < total; ++i) kept[i] = i;
        return kept;
    }

    // The order of the neighbours of a point does not change which points
    // are removed, so the edges may come in any order. A dense pool can
    // have many more pairs than points: each pair is held as a packed key
    // (8 bytes, twice while the tasks' parts are joined) and as two
    // neighbour entries (8 bytes), and the collection stops with a
    // MemoryError once that cannot fit.
    constexpr std::uint64_t kBytesPerPair = 24;
    const std::vector<std::uint64_t> pairs =
        find_unit_pairs_packed(points, unit_distance_bounds(tolerance), kBytesPerPair);
    // Degree of every point; -1 marks a removed one.
    std::vector<std::int32_t> degree(total, 0);
    for (std::uint64_t pair : pairs) {
        ++degree[pair >> 32];
        ++degree[pair & 0xffffffffu];
    }
    std::vector<std::uint64_t> offsets(total + 1, 0);
    for (std::uint64_t i = 0; i < total; ++i) offsets[i + 1] = offsets[i] + static_cast<std::uint64_t>(degree[i]);
    std::vector<std::uint32_t> neighbours(offsets[total]);
    {
        std::vector<std::uint64_t> fill(offsets.begin(), offsets.end() - 1);
        for (std::uint64_t pair : pairs) {
            const std::uint64_t a = pair >> 32;
            const std::uint64_t b = pair & 0xffffffffu;
            neighbours[fill[a]++] = static_cast<std::uint32_t>(b);
            neighbours[fill[b]++] = static_cast<std::uint32_t>(a);
        }
    }

    PeelingOrder order(degree);
    for (std::uint64_t removed = 0; removed < total - n_target; ++removed) {
        if (removed % 4096 == 0) poll_interrupt();
        const std::uint64_t victim = order.first();
        order.remove(victim);
        degree[victim] = -1;
        for (std::uint64_t at = offsets[victim]; at < offsets[victim + 1]; ++at) {
            const std::uint32_t other = neighbours[at];
            // Removed points (-1) and points of degree 0 are left alone.
            if (degree[other] <= 0) continue;
            --degree[other];
            order.lower(other, degree[other]);
        }
    }

    kept.reserve(n_target);
    for (std::uint64_t i = 0; i < total; ++i) {
        if (degree[i] >= 0) kept.push_back(i);
    }
    return kept;
}

Result<Section2Result> assemble_result(const AttemptInput& input, const AttemptSelection& selection,
                                       bool keep_elements) {
    const Section2Params& params = input.params;
    const MultiquadraticField& field = input.field;
    const Translations& translations = input.translations;
    const SearchTree& tree = selection.tree;
    const std::vector<std::uint32_t>& chosen = selection.chosen;
    const std::uint64_t degree = field.degree();
    const std::int64_t denominator = translations.denominator;

    // Construction edges: point j is point i plus translation t, i < j. Only
    // sums are tried; elements are compared exactly through their numerators.
    NumeratorIndex index(tree, chosen.size());
    std::vector<std::uint32_t> position(tree.size(), UINT32_MAX);
    for (std::uint64_t i = 0; i < chosen.size(); ++i) {
        index.insert(chosen[i]);
        position[chosen[i]] = static_cast<std::uint32_t>(i);
    }
    std::vector<ConstructionEdge> edges;
    std::vector<Numerator> sum(degree);
    for (std::uint64_t i = 0; i < chosen.size(); ++i) {
        if (i % 4096 == 0) poll_interrupt();
        const Numerator* values = tree.numerators(chosen[i]);
        for (std::uint64_t t = 0; t < translations.numerators.size(); ++t) {
            const std::int64_t* step = translations.numerators[t].data();
            for (std::uint64_t m = 0; m < degree; ++m) sum[m] = values[m] + step[m];
            const std::int64_t node = index.find(sum.data());
            if (node < 0) continue;
            const std::uint64_t j = position[static_cast<std::uint64_t>(node)];
            if (i < j) edges.push_back(ConstructionEdge{i, j, t, 1});
        }
    }

    Section2Result result;
    result.points.reserve(chosen.size());
    for (std::uint32_t node : chosen) result.points.push_back(tree.point(node));
    Section2Evidence& evidence = result.evidence;
    evidence.unit_edges = find_unit_edges(result.points, unit_distance_bounds(params.edge_tolerance));

    // Candidate records: keys printed straight from the numerators, the
    // largest embedding modulus recomputed from them as from the element.
    std::vector<double> values(degree);
    std::vector<Complex> weights(degree);
    evidence.candidates.reserve(chosen.size());
    if (keep_elements) result.elements.reserve(chosen.size());
    for (std::uint32_t node : chosen) {
        const Point& point = tree.point(node);
        auto fine = projection_key(point);
        if (!fine) return fail(search_parameter::kProjectionKey);
        auto coarse = dedup_key(point, params.dedup_distance);
        if (!coarse) return fail(search_parameter::kDedupKey);
        const Numerator* numerators = tree.numerators(node);
        AlgebraicKey key;
        key.coefficients.reserve(degree);
        for (std::uint64_t m = 0; m < degree; ++m) {
            key.coefficients.push_back(fraction_text(numerators[m], denominator));
        }
        embed_numerators(numerators, denominator, field, values, weights);
        evidence.candidates.push_back(CandidateRecord{std::move(key), tree.path(node),
                                                      max_embedding_norm(weights), point, *fine, *coarse});
        if (keep_elements) result.elements.push_back(tree.element(node, denominator));
    }

    result.construction_edges = edges;
    evidence.generators = params.generators;
    evidence.label = kSection2EvidenceLabel;

    if (auto check = unit_denominator_check_for_exponent(field, params.split_prime, params.k,
                                                         translations.prime_exponent);
        !check) {
        return std::unexpected(check.error());
    }
    auto certificates = translation_certificates(translations.elements, field);
    if (!certificates) return std::unexpected(certificates.error());
    evidence.translations = std::move(*certificates);
    evidence.construction_edges = std::move(edges);
    evidence.edge_tolerance = params.edge_tolerance;
    evidence.split_prime = params.split_prime;
    evidence.k = params.k;
    evidence.max_prime_exponent = params.max_prime_exponent;
    evidence.polydisk_radius = input.radius;
    evidence.projection_index = input.projection_index;
    evidence.n_target = input.n_target;
    return result;
}

Result<PointList> assemble_points(const AttemptInput& input, const AttemptSelection& selection) {
    const Section2Params& params = input.params;
    if (auto keys = check_point_keys(selection.tree, selection.chosen, params.dedup_distance); !keys) {
        return std::unexpected(keys.error());
    }
    if (auto check = unit_denominator_check_for_exponent(input.field, params.split_prime, params.k,
                                                         input.translations.prime_exponent);
        !check) {
        return std::unexpected(check.error());
    }
    // The translation certificates cannot fail for translations built in
    // the field itself, so the plain result skips them.
    PointList points;
    points.reserve(selection.chosen.size());
    for (std::uint32_t node : selection.chosen) points.push_back(selection.tree.point(node));
    return points;
}

}  // namespace vantor
