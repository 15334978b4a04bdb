#include "assembly.hpp"

#include <cmath>
#include <functional>
#include <queue>
#include <unordered_map>

#include "../../utils/unit_distance.hpp"
#include "../lattice/algebraic_key.hpp"
#include "../lattice/quantize.hpp"

namespace vantor {
namespace {

// Cells of the merging grid are this many merge distances wide, so two
// points closer than the distance always lie in neighbouring cells.
constexpr double kCellWidths = 4.0;
// Beyond this cell index the rounding of x / cell could exceed the margin;
// such points are compared with every kept point instead.
constexpr double kMaxCellIndex = 1.0e13;

inline bool closer_than(const Point& a, const Point& b, double distance) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy) < distance;
}

std::uint64_t cell_key(std::int64_t cx, std::int64_t cy) {
    return (static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL) ^ static_cast<std::uint64_t>(cy);
}

// The plain scan: each point against every kept point.
std::vector<std::uint64_t> deduplicate_all_pairs(const SearchTree& tree, double distance) {
    std::vector<std::uint64_t> kept;
    for (std::uint64_t node = 0; node < tree.size(); ++node) {
        bool merged = false;
        for (std::uint64_t other : kept) {
            if (closer_than(tree.point(node), tree.point(other), distance)) {
                merged = true;
                break;
            }
        }
        if (!merged) kept.push_back(node);
    }
    return kept;
}

}  // namespace

std::vector<std::uint64_t> deduplicate_points(const SearchTree& tree, double distance) {
    if (!(distance > 0.0) || !std::isfinite(distance)) return deduplicate_all_pairs(tree, distance);
    // A point is dropped when any kept point is closer; which one does not
    // matter, so only the neighbouring cells need to be looked at. Points
    // with a non-finite coordinate are never closer than anything.
    const double cell = distance * kCellWidths;
    std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> cells;
    std::vector<std::uint64_t> far;  // kept points too large to index
    std::vector<std::uint64_t> kept;
    for (std::uint64_t node = 0; node < tree.size(); ++node) {
        const Point& point = tree.point(node);
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
            kept.push_back(node);
            continue;
        }
        const double fx = std::floor(point.x / cell);
        const double fy = std::floor(point.y / cell);
        const bool indexable = std::fabs(fx) < kMaxCellIndex && std::fabs(fy) < kMaxCellIndex;
        bool merged = false;
        if (indexable) {
            const auto cx = static_cast<std::int64_t>(fx);
            const auto cy = static_cast<std::int64_t>(fy);
            for (std::int64_t ox = -1; ox <= 1 && !merged; ++ox) {
                for (std::int64_t oy = -1; oy <= 1 && !merged; ++oy) {
                    auto found = cells.find(cell_key(cx + ox, cy + oy));
                    if (found == cells.end()) continue;
                    for (std::uint64_t other : found->second) {
                        if (closer_than(point, tree.point(other), distance)) {
                            merged = true;
                            break;
                        }
                    }
                }
            }
            for (std::uint64_t other : far) {
                if (merged) break;
                merged = closer_than(point, tree.point(other), distance);
            }
            if (!merged) cells[cell_key(cx, cy)].push_back(node);
        } else {
            for (std::uint64_t other : kept) {
                if (merged) break;
                merged = closer_than(point, tree.point(other), distance);
            }
            if (!merged) far.push_back(node);
        }
        if (!merged) kept.push_back(node);
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

    const EdgeList edges = find_unit_edges(points, unit_distance_bounds(tolerance));
    // Neighbour lists in edge order: for each edge (a, b), b joins a's list and
    // a joins b's.
    std::vector<std::uint64_t> offsets(total + 1, 0);
    for (const Edge& e : edges) {
        ++offsets[e.i + 1];
        ++offsets[e.j + 1];
    }
    for (std::uint64_t i = 0; i < total; ++i) offsets[i + 1] += offsets[i];
    std::vector<std::uint64_t> neighbours(offsets[total]);
    std::vector<std::uint64_t> fill(offsets.begin(), offsets.end() - 1);
    std::vector<std::int32_t> degree(total, 0);
    for (const Edge& e : edges) {
        neighbours[fill[e.i]++] = e.j;
        neighbours[fill[e.j]++] = e.i;
        ++degree[e.i];
        ++degree[e.j];
    }

    // Alive points by (degree, index), smallest first: the first is the one
    // to remove, the lowest index winning among equal degrees. A point whose
    // degree drops is pushed again; its older entries are stale and skipped.
    using Entry = std::pair<std::int32_t, std::uint64_t>;
    std::vector<Entry> entries;
    entries.reserve(total);
    for (std::uint64_t i = 0; i < total; ++i) entries.emplace_back(degree[i], i);
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue(
        std::greater<Entry>{}, std::move(entries));
    std::vector<bool> alive(total, true);

    for (std::uint64_t removed = 0; removed < total - n_target; ++removed) {
        while (!alive[queue.top().second] || queue.top().first != degree[queue.top().second]) {
            queue.pop();
        }
        const std::uint64_t victim = queue.top().second;
        queue.pop();
        alive[victim] = false;
        for (std::uint64_t at = offsets[victim]; at < offsets[victim + 1]; ++at) {
            const std::uint64_t other = neighbours[at];
            if (!alive[other] || degree[other] <= 0) continue;
            --degree[other];
            queue.emplace(degree[other], other);
        }
    }

    kept.reserve(n_target);
    for (std::uint64_t i = 0; i < total; ++i) {
        if (alive[i]) kept.push_back(i);
    }
    return kept;
}

Result<AttemptOutcome> assemble_attempt(const AttemptInput& input, const MultiquadraticField& field,
                                        const SearchTree& tree) {
    const Section2Params& params = input.params;
    const Translations& translations = input.translations;
    const std::uint64_t degree = field.degree();

    const std::vector<std::uint64_t> accepted = deduplicate_points(tree, params.dedup_distance);
    if (accepted.size() < input.n_target) return Shortfall{accepted.size()};

    PointList accepted_points;
    accepted_points.reserve(accepted.size());
    for (std::uint64_t node : accepted) accepted_points.push_back(tree.point(node));
    const std::vector<std::uint64_t> selected =
        select_by_degree_peeling(accepted_points, input.n_target, params.edge_tolerance);

    std::vector<std::uint64_t> chosen;  // search nodes of the points, in point order
    chosen.reserve(selected.size());
    for (std::uint64_t index : selected) chosen.push_back(accepted[index]);

    // Construction edges: point j is point i plus translation t, i < j. Only
    // sums are tried; elements are compared exactly through their numerators.
    NumeratorIndex index(tree, chosen.size());
    std::unordered_map<std::uint64_t, std::uint64_t> position;
    position.reserve(chosen.size());
    for (std::uint64_t i = 0; i < chosen.size(); ++i) {
        index.insert(chosen[i]);
        position.emplace(chosen[i], i);
    }
    std::vector<ConstructionEdge> edges;
    std::vector<Numerator> sum(degree);
    for (std::uint64_t i = 0; i < chosen.size(); ++i) {
        const Numerator* values = tree.numerators(chosen[i]);
        for (std::uint64_t t = 0; t < translations.numerators.size(); ++t) {
            const std::int64_t* step = translations.numerators[t].data();
            for (std::uint64_t m = 0; m < degree; ++m) sum[m] = values[m] + step[m];
            const std::int64_t node = index.find(sum.data());
            if (node < 0) continue;
            const std::uint64_t j = position.at(static_cast<std::uint64_t>(node));
            if (i < j) edges.push_back(ConstructionEdge{i, j, t, 1});
        }
    }

    Section2Result result;
    result.points.reserve(chosen.size());
    for (std::uint64_t node : chosen) result.points.push_back(tree.point(node));
    Section2Evidence& evidence = result.evidence;
    evidence.unit_edges =
        find_unit_edges(result.points, unit_distance_bounds(params.edge_tolerance));

    evidence.candidates.reserve(chosen.size());
    result.elements.reserve(chosen.size());
    for (std::uint64_t node : chosen) {
        FieldElement element = tree.element(node, translations.denominator);
        const Point& point = tree.point(node);
        auto fine = projection_key(point);
        if (!fine) return fail(search_parameter::kProjectionKey);
        auto coarse = dedup_key(point, params.dedup_distance);
        if (!coarse) return fail(search_parameter::kDedupKey);
        evidence.candidates.push_back(CandidateRecord{key_of(element), tree.path(node),
                                                      tree.max_norm(node), point, *fine, *coarse});
        result.elements.push_back(std::move(element));
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
    return AttemptOutcome{std::move(result)};
}

}  // namespace vantor
