#include "unit_lattices/unit_lattice_patch.hpp"

#include <algorithm>
#include <set>
#include <tuple>

#include "unit_lattices/coordinate_index.hpp"
#include "unit_lattices/lll_reduction.hpp"
#include "unit_lattices/short_vectors.hpp"
#include "unit_lattices/unit_norm.hpp"
#include "utils/interrupt.hpp"

namespace vantor::unit_lattices {

namespace {

using Key = std::vector<std::int64_t>;

struct Candidate {
    std::vector<Key> points;
    std::uint64_t edges = 0;
};

mpz_class trace_form(const UnitLattice& lattice, std::span<const std::int64_t> weights,
                     const Key& c) {
    const std::vector<std::int64_t> x = lattice.numerators(c);
    mpz_class q = 0;
    mpz_class v;
    for (std::size_t m = 0; m < x.size(); ++m) {
        v = static_cast<long>(x[m]);
        q += v * v * static_cast<long>(weights[m]);
    }
    return q;
}

// Calls visit(j) for every index j of a point of `index` next to `c`.
template <class Visit>
void for_each_neighbour(const UnitLattice& lattice, const CoordinateIndex& index, const Key& c,
                        Key& scratch, Visit&& visit) {
    const std::size_t rank = lattice.rank();
    const auto units = lattice.unit_coordinates();
    for (std::size_t u = 0; u < lattice.unit_count(); ++u) {
        for (std::size_t t = 0; t < rank; ++t) scratch[t] = c[t] + units[u * rank + t];
        const auto there = index.find(scratch);
        if (there != index.end()) visit(there->second);
    }
}

// The first `count` points of the densest first growth.
Candidate grow(const UnitLattice& lattice, std::span<const std::int64_t> weights,
               std::uint64_t count) {
    const std::size_t rank = lattice.rank();
    const auto units = lattice.unit_coordinates();
    // Frontier entries ordered by most neighbours, least Q, least coordinates.
    using Entry = std::tuple<std::int64_t, mpz_class, Key>;
    std::set<Entry> frontier;
    std::unordered_map<Key, std::pair<std::int64_t, mpz_class>, CoordinateHash> waiting;
    CoordinateIndex placed;
    Candidate grown;
    Key next(rank, 0);
    Key neighbour(rank);
    while (grown.points.size() < count) {
        if ((grown.points.size() & 255) == 0) poll_interrupt();
        if (!grown.points.empty()) {
            if (frontier.empty()) break;
            const auto best = frontier.begin();
            next = std::get<2>(*best);
            frontier.erase(best);
            waiting.erase(next);
        }
        placed.emplace(next, grown.points.size());
        grown.points.push_back(next);
        for (std::size_t u = 0; u < lattice.unit_count(); ++u) {
            for (std::size_t t = 0; t < rank; ++t) neighbour[t] = next[t] + units[u * rank + t];
            if (placed.contains(neighbour)) {
                ++grown.edges;
                continue;
            }
            if (!lattice.coordinates_in_range(neighbour)) continue;
            auto waits = waiting.find(neighbour);
            if (waits == waiting.end()) {
                waits = waiting
                            .emplace(neighbour, std::pair{std::int64_t{0},
                                                          trace_form(lattice, weights, neighbour)})
                            .first;
            } else {
                frontier.erase(Entry{waits->second.first, waits->second.second, neighbour});
            }
            --waits->second.first;
            frontier.emplace(waits->second.first, waits->second.second, neighbour);
        }
    }
    return grown;
}

// The `count` points of least Q, then least coordinates.
std::vector<Key> minkowski_ball(const UnitLattice& lattice, std::span<const std::int64_t> weights,
                                std::uint64_t count) {
    const std::size_t degree = lattice.degree();
    std::vector<IntegerVector> basis(lattice.rank(), IntegerVector(degree));
    for (std::size_t j = 0; j < lattice.rank(); ++j) {
        for (std::size_t m = 0; m < degree; ++m) {
            basis[j][m] = static_cast<long>(lattice.basis_numerators()[j * degree + m]);
        }
    }
    const GramSchmidt form = gram_schmidt(basis, weights);
    mpq_class bound(lattice.denominator() * lattice.denominator());
    std::vector<std::pair<mpz_class, Key>> keyed;
    while (true) {
        auto found = vectors_within(form, bound);
        if (!found) return {};  // beyond the limits: no ball candidate
        if (found->size() >= count) {
            for (Key& c : *found) {
                mpz_class q = trace_form(lattice, weights, c);
                keyed.emplace_back(std::move(q), std::move(c));
            }
            break;
        }
        bound *= 2;
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<Key> ball;
    for (std::size_t k = 0; k < count; ++k) ball.push_back(std::move(keyed[k].second));
    return ball;
}

// Peels a least connected point (the latest in the list among equals)
// until `keep` remain.
Candidate peel(const UnitLattice& lattice, std::vector<Key> points, std::uint64_t keep) {
    CoordinateIndex index;
    for (std::size_t k = 0; k < points.size(); ++k) index.emplace(points[k], k);
    Key scratch(lattice.rank());
    std::vector<std::uint32_t> degrees(points.size(), 0);
    std::uint64_t twice_edges = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        for_each_neighbour(lattice, index, points[k], scratch, [&](std::uint64_t) { ++degrees[k]; });
        twice_edges += degrees[k];
    }
    std::uint64_t edges = twice_edges / 2;
    std::vector<bool> removed(points.size(), false);
    std::set<std::pair<std::uint32_t, std::int64_t>> order;  // (degree, -index)
    for (std::size_t k = 0; k < points.size(); ++k) order.emplace(degrees[k], -static_cast<std::int64_t>(k));
    for (std::uint64_t left = points.size(); left > keep; --left) {
        if ((left & 255) == 0) poll_interrupt();
        const auto weakest = order.begin();
        const auto k = static_cast<std::size_t>(-weakest->second);
        order.erase(weakest);
        removed[k] = true;
        edges -= degrees[k];
        for_each_neighbour(lattice, index, points[k], scratch, [&](std::uint64_t j) {
            if (removed[j]) return;
            order.erase({degrees[j], -static_cast<std::int64_t>(j)});
            --degrees[j];
            order.emplace(degrees[j], -static_cast<std::int64_t>(j));
        });
    }
    Candidate kept;
    kept.edges = edges;
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (!removed[k]) kept.points.push_back(std::move(points[k]));
    }
    return kept;
}

}  // namespace

std::vector<std::int64_t> densest_patch(const UnitLattice& lattice, std::uint64_t n) {
    std::vector<std::int64_t> rows;
    if (n == 0) return rows;
    const std::vector<std::int64_t> weights = norm_weights(lattice.field());
    Candidate best = grow(lattice, weights, n);
    for (const std::uint64_t size : {n, n + (n + 3) / 4, 2 * n}) {
        std::vector<Key> ball = minkowski_ball(lattice, weights, size);
        if (ball.size() != size) continue;
        Candidate peeled = peel(lattice, std::move(ball), n);
        if (peeled.edges > best.edges || best.points.size() < n) best = std::move(peeled);
    }
    for (const Key& c : best.points) rows.insert(rows.end(), c.begin(), c.end());
    return rows;
}

}  // namespace vantor::unit_lattices
