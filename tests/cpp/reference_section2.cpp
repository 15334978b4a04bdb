#include "reference_section2.hpp"

#include <cmath>
#include <deque>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "algebraic/field/embeddings.hpp"
#include "algebraic/keys/projection.hpp"
#include "algebraic/keys/quantize.hpp"
#include "utils/checked_math.hpp"
#include "utils/unit_distance.hpp"

namespace vantor::reference {
namespace {

void collect_vectors(const std::vector<std::int64_t>& weights, std::int64_t target,
                     std::vector<std::int64_t>& x, std::size_t m, std::int64_t partial,
                     std::vector<std::vector<std::int64_t>>& out) {
    if (m == weights.size()) {
        if (partial == target) out.push_back(x);
        return;
    }
    const std::int64_t quotient = (target - partial) / weights[m];
    const auto h = static_cast<std::int64_t>(isqrt(static_cast<std::uint64_t>(quotient)));
    for (std::int64_t v = -h; v <= h; ++v) {
        x[m] = v;
        collect_vectors(weights, target, x, m + 1, partial + weights[m] * v * v, out);
    }
    x[m] = 0;
}

AlgebraicKey unwrap(CertResult<AlgebraicKey> key) {
    if (!key) throw std::runtime_error("reference key operation failed: " + key.error().message());
    return std::move(*key);
}

struct Node {
    FieldElement element;
    AlgebraicKey key;
    CandidatePath path;
};

}  // namespace

Result<PrimeElement> find_prime_element(const MultiquadraticField& field, std::int64_t p,
                                        std::uint64_t max_exponent) {
    const std::vector<std::int64_t> weights = norm_weights(field);
    for (std::uint64_t e = 1; e <= max_exponent; ++e) {
        auto target = checked_pow(p, e);
        if (!target) return fail(search_parameter::kPrimeNormTarget);
        std::vector<std::vector<std::int64_t>> vectors;
        std::vector<std::int64_t> x(field.degree(), 0);
        collect_vectors(weights, *target, x, 0, 0, vectors);
        for (const auto& v : vectors) {
            auto theta = FieldElement::from_integers(field, v);
            const FieldElement norm = mul(*theta, complex_conjugate(*theta, field), field);
            FieldElement expected = FieldElement::zero(field);
            expected.coefficients[0] = static_cast<long>(*target);
            bool rational = true;
            for (std::size_t m = 1; m < v.size(); ++m) rational = rational && v[m] == 0;
            if (norm == expected && !rational) return PrimeElement{*theta, e};
        }
    }
    return fail(PrimeElementNotFound{p, max_exponent});
}

Result<std::vector<FieldElement>> translation_list(const MultiquadraticField& field,
                                                   std::int64_t p, std::uint64_t k,
                                                   std::uint64_t max_prime_exponent) {
    if (!field.imaginary_index()) return fail(MissingImaginaryGenerator{});
    auto prime = reference::find_prime_element(field, p, max_prime_exponent);
    if (!prime) return std::unexpected(prime.error());
    const std::vector<FieldElement> conjugates = conjugate_list(prime->theta, field);
    const std::uint64_t L = conjugates.size();
    std::uint64_t combinations = 1;
    for (std::uint64_t j = 0; j < L; ++j) {
        auto next = checked_mul(combinations, k + 1);
        if (!next) return fail(search_parameter::kUnitModulusCombinationCount);
        combinations = *next;
    }
    std::vector<FieldElement> candidates;
    for (std::uint64_t t = 0; t < combinations; ++t) {
        FieldElement acc = FieldElement::one(field);
        std::uint64_t rest = t;
        for (std::uint64_t j = 0; j < L; ++j) {
            const std::uint64_t h = rest % (k + 1);
            rest /= (k + 1);
            for (std::uint64_t r = 0; r < h; ++r) acc = mul(acc, conjugates[j], field);
            const FieldElement bar = complex_conjugate(conjugates[j], field);
            for (std::uint64_t r = 0; r < k - h; ++r) acc = mul(acc, bar, field);
        }
        auto ek = checked_mul(prime->exponent, k);
        if (!ek) return fail(search_parameter::kUnitScaleExponentOverflow);
        auto total = checked_mul(*ek, L);
        if (!total) return fail(search_parameter::kUnitScaleExponentOverflow);
        if (*total % 2 != 0) return fail(search_parameter::kUnitScaleExponentOdd);
        auto denominator = checked_pow(p, *total / 2);
        if (!denominator) return fail(search_parameter::kUnitScaleDenominator);
        Rational inverse(mpz_class(1), mpz_class(static_cast<long>(*denominator)));
        inverse.canonicalize();
        candidates.push_back(scale(acc, inverse));
    }
    std::vector<FieldElement> kept;
    for (const FieldElement& c : candidates) {
        bool repeated = false;
        for (const FieldElement& other : kept) repeated = repeated || other == c;
        if (!repeated) kept.push_back(c);
    }
    return kept;
}

std::vector<std::uint64_t> select_by_degree_peeling(const PointList& points,
                                                    std::uint64_t n_target, double tolerance) {
    const std::uint64_t total = points.size();
    std::vector<std::uint64_t> kept;
    if (n_target >= total) {
        for (std::uint64_t i = 0; i < total; ++i) kept.push_back(i);
        return kept;
    }
    const EdgeList edges = find_unit_edges_all_pairs(points, unit_distance_bounds(tolerance));
    std::vector<std::vector<std::uint64_t>> neighbours(total);
    std::vector<std::int32_t> degree(total, 0);
    for (const Edge& e : edges) {
        neighbours[e.i].push_back(e.j);
        neighbours[e.j].push_back(e.i);
        ++degree[e.i];
        ++degree[e.j];
    }
    std::vector<bool> alive(total, true);
    for (std::uint64_t step = 0; step < total - n_target; ++step) {
        std::uint64_t best = total;
        for (std::uint64_t i = 0; i < total; ++i) {
            if (alive[i] && (best == total || degree[i] < degree[best])) best = i;
        }
        alive[best] = false;
        std::vector<std::uint64_t> collected;
        for (std::uint64_t other : neighbours[best]) {
            if (alive[other] && degree[other] > 0) collected.push_back(other);
        }
        for (std::uint64_t other : collected) --degree[other];
    }
    for (std::uint64_t i = 0; i < total; ++i) {
        if (alive[i]) kept.push_back(i);
    }
    return kept;
}

Result<Section2Result> build_section2(const Section2Params& params, std::uint64_t n_target) {
    auto built = MultiquadraticField::from_generators(params.generators);
    if (!built) return std::unexpected(built.error());
    const MultiquadraticField& field = *built;
    const std::uint64_t degree = field.degree();
    for (std::uint64_t attempt = 0; attempt < params.radius_attempts; ++attempt) {
        const double radius =
            std::pow(params.radius_growth, static_cast<double>(attempt)) * params.initial_radius;
        auto translations =
            reference::translation_list(field, params.split_prime, params.k, params.max_prime_exponent);
        if (!translations) return std::unexpected(translations.error());
        if (auto check = unit_denominator_check(field, params.split_prime, params.k,
                                                params.max_prime_exponent);
            !check) {
            return std::unexpected(check.error());
        }
        const std::uint64_t budget = params.candidate_factor * n_target;
        std::vector<AlgebraicKey> keys;
        for (const FieldElement& t : *translations) keys.push_back(key_of(t));

        std::vector<Node> visited;
        std::deque<Node> queue;
        std::unordered_set<AlgebraicKey, AlgebraicKeyHash> seen;
        Node root{FieldElement::zero(field), zero_key(degree), {}};
        visited.push_back(root);
        seen.insert(root.key);
        queue.push_back(root);
        bool done = false;
        while (!done && !queue.empty()) {
            Node node = queue.front();
            queue.pop_front();
            if (visited.size() >= budget) break;
            for (std::uint64_t t = 0; t < translations->size() && !done; ++t) {
                for (const std::int8_t sign : {std::int8_t{1}, std::int8_t{-1}}) {
                    const FieldElement candidate = sign == 1 ? add(node.element, (*translations)[t])
                                                             : sub(node.element, (*translations)[t]);
                    double norm = 0.0;
                    for (const Complex& v : embeddings(candidate, field)) {
                        norm = std::fmax(norm, std::hypot(v.re, v.im));
                    }
                    if (norm > radius + 1e-7) continue;
                    AlgebraicKey key = unwrap(sign == 1 ? key_sum(node.key, keys[t], field)
                                                        : key_difference(node.key, keys[t], field));
                    if (seen.count(key)) continue;
                    seen.insert(key);
                    CandidatePath path = node.path;
                    path.push_back(PathStep{t, sign});
                    Node next{candidate, key, path};
                    visited.push_back(next);
                    queue.push_back(next);
                    if (visited.size() >= budget) {
                        done = true;
                        break;
                    }
                }
            }
        }

        std::vector<std::pair<Node, Point>> accepted;
        const FieldElement one = FieldElement::one(field);
        for (const Node& node : visited) {
            auto point = project_element(field, node.element, one, 0);
            if (!point) return std::unexpected(point.error());
            bool merged = false;
            for (const auto& [other, q] : accepted) {
                const double dx = point->x - q.x;
                const double dy = point->y - q.y;
                merged = merged || std::sqrt(dx * dx + dy * dy) < params.dedup_distance;
            }
            if (!merged) accepted.emplace_back(node, *point);
        }
        if (accepted.size() < n_target) continue;

        PointList points;
        for (const auto& entry : accepted) points.push_back(entry.second);
        const auto selected = select_by_degree_peeling(points, n_target, params.edge_tolerance);

        Section2Result result;
        std::unordered_map<AlgebraicKey, std::uint64_t, AlgebraicKeyHash> position;
        for (std::uint64_t i = 0; i < selected.size(); ++i) {
            position.emplace(accepted[selected[i]].first.key, i);
        }
        std::vector<ConstructionEdge> edges;
        for (std::uint64_t i = 0; i < selected.size(); ++i) {
            for (std::uint64_t t = 0; t < keys.size(); ++t) {
                auto sum = key_sum(accepted[selected[i]].first.key, keys[t], field);
                if (!sum) continue;
                auto found = position.find(*sum);
                if (found != position.end() && i < found->second) {
                    edges.push_back(ConstructionEdge{i, found->second, t, 1});
                }
            }
        }
        for (std::uint64_t index : selected) result.points.push_back(accepted[index].second);
        Section2Evidence& evidence = result.evidence;
        evidence.unit_edges =
            find_unit_edges_all_pairs(result.points, unit_distance_bounds(params.edge_tolerance));
        for (std::uint64_t index : selected) {
            const Node& node = accepted[index].first;
            const Point& point = accepted[index].second;
            auto fine = projection_key(point);
            if (!fine) return fail(search_parameter::kProjectionKey);
            auto coarse = dedup_key(point, params.dedup_distance);
            if (!coarse) return fail(search_parameter::kDedupKey);
            evidence.candidates.push_back(
                CandidateRecord{node.key, node.path,
                                max_embedding_norm(embeddings(node.element, field)), point, *fine,
                                *coarse});
            result.elements.push_back(node.element);
        }
        result.construction_edges = edges;
        evidence.generators = params.generators;
        evidence.label = kSection2EvidenceLabel;
        for (const FieldElement& t : *translations) {
            const AlgebraicKey key = key_of(t);
            const AlgebraicKey conjugate = unwrap(key_conjugate(key, field));
            const AlgebraicKey norm = unwrap(key_product(key, conjugate, field));
            double largest = 0.0;
            for (const Complex& v : embeddings(t, field)) {
                const double error = std::fabs(std::hypot(v.re, v.im) - 1.0);
                if (error > largest) largest = error;
            }
            evidence.translations.push_back(TranslationCertificate{key, norm, largest});
        }
        evidence.construction_edges = edges;
        evidence.edge_tolerance = params.edge_tolerance;
        evidence.split_prime = params.split_prime;
        evidence.k = params.k;
        evidence.max_prime_exponent = params.max_prime_exponent;
        evidence.polydisk_radius = radius;
        evidence.projection_index = 0;
        evidence.n_target = n_target;
        return result;
    }
    return fail(NotEnoughPoints{n_target, 0});
}

}  // namespace vantor::reference
