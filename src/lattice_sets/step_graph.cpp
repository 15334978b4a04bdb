#include "lattice_sets/step_graph.hpp"

#include <array>
#include <set>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "lattice_sets/peeling_queue.hpp"
#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

namespace {

using Key = std::array<std::int64_t, kMaxStepDimension>;

struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept {
        std::uint64_t h = 0x9e3779b97f4a7c15;
        for (std::int64_t x : key) {
            h ^= static_cast<std::uint64_t>(x) + 0x9e3779b97f4a7c15 + (h << 6) + (h >> 2);
            h *= 0xbf58476d1ce4e5b9;
        }
        return static_cast<std::size_t>(h ^ (h >> 31));
    }
};

Key key_at(std::span<const std::int64_t> rows, std::size_t dimension, std::size_t k) {
    Key key{};
    for (std::size_t c = 0; c < dimension; ++c) key[c] = rows[k * dimension + c];
    return key;
}

Key plus(Key p, const Key& q) {
    for (std::size_t c = 0; c < kMaxStepDimension; ++c) p[c] += q[c];
    return p;
}

void check_form(const StepPoints& set) {
    if (set.dimension < 1 || set.dimension > kMaxStepDimension) {
        throw std::invalid_argument("step graph: dimension out of range");
    }
    if (set.coordinates.size() % set.dimension != 0 || set.steps.size() % set.dimension != 0) {
        throw std::invalid_argument("step graph: rows of the wrong length");
    }
}

std::vector<Key> rows_of(std::span<const std::int64_t> rows, std::size_t dimension) {
    std::vector<Key> keys(rows.size() / dimension);
    for (std::size_t k = 0; k < keys.size(); ++k) keys[k] = key_at(rows, dimension, k);
    return keys;
}

constexpr std::int64_t kMaxCoordinate = std::int64_t{1} << kMaxStepCoordinateLog2;

bool within_range(const Key& key) {
    for (std::int64_t x : key) {
        if (x < -kMaxCoordinate || x > kMaxCoordinate) return false;
    }
    return true;
}

// Every step with its negative also a step, so that "q - p is a step" is
// symmetric in p and q and a degree counts each neighbour once.
std::vector<Key> symmetric_steps(const StepPoints& set) {
    std::vector<Key> steps = rows_of(set.steps, set.dimension);
    std::set<Key> listed(steps.begin(), steps.end());
    for (const Key& s : steps) {
        Key negated{};
        for (std::size_t c = 0; c < kMaxStepDimension; ++c) negated[c] = -s[c];
        if (negated == Key{} || !listed.contains(negated) || !within_range(s)) {
            throw std::invalid_argument("step graph: the steps must be nonzero and come with their negatives");
        }
    }
    if (listed.size() != steps.size()) throw std::invalid_argument("step graph: repeated step");
    return steps;
}

using PointIndex = std::unordered_map<Key, std::uint64_t, KeyHash>;

// The index of every point; the first repeated or out-of-range point fails.
std::expected<PointIndex, LatticeError> index_of_points(const std::vector<Key>& points) {
    PointIndex index;
    index.reserve(2 * points.size());
    for (std::uint64_t k = 0; k < points.size(); ++k) {
        if (!within_range(points[k])) {
            return std::unexpected(LatticeError{CoordinateOutOfRange{k, kMaxStepCoordinateLog2}});
        }
        const auto [at, added] = index.emplace(points[k], k);
        if (!added) return std::unexpected(LatticeError{RepeatedPoint{at->second, k}});
    }
    return index;
}

}  // namespace

std::expected<PeelOrder, LatticeError> peel_order(const StepPoints& set) {
    check_form(set);
    const std::vector<Key> steps = symmetric_steps(set);
    const std::vector<Key> points = rows_of(set.coordinates, set.dimension);
    const std::uint64_t size = points.size();
    if (size >= (std::uint64_t{1} << PeelingQueue::kIndexBits)) {
        throw std::length_error("step graph too large");
    }
    const auto indexed = index_of_points(points);
    if (!indexed) return std::unexpected(indexed.error());
    const PointIndex& index = *indexed;

    // Neighbour lists, one run per point.
    std::vector<std::uint64_t> start(size + 1, 0);
    std::vector<std::uint64_t> neighbours;
    neighbours.reserve(size * steps.size() / 2);
    for (std::uint64_t i = 0; i < size; ++i) {
        if ((i & 4095) == 0) poll_interrupt();
        for (const Key& s : steps) {
            const auto found = index.find(plus(points[i], s));
            if (found != index.end()) neighbours.push_back(found->second);
        }
        start[i + 1] = neighbours.size();
    }
    std::vector<std::uint64_t> degree(size);
    std::uint64_t edges = 0;
    for (std::uint64_t i = 0; i < size; ++i) {
        degree[i] = start[i + 1] - start[i];
        edges += degree[i];
    }
    edges /= 2;

    PeelOrder order;
    order.removed.reserve(size);
    order.edges_left.reserve(size + 1);
    order.edges_left.push_back(edges);
    PeelingQueue queue(std::move(degree));
    while (order.removed.size() < size) {
        const std::uint64_t i = queue.remove_next();
        edges -= queue.degree(i);
        order.removed.push_back(i);
        order.edges_left.push_back(edges);
        if ((order.removed.size() & 1023) == 0) poll_interrupt();
        for (std::uint64_t k = start[i]; k < start[i + 1]; ++k) queue.neighbour_removed(neighbours[k]);
    }
    return order;
}

std::expected<Growth, LatticeError> grow_most_connected(const StepPoints& set,
                                                        std::uint64_t count) {
    check_form(set);
    const std::vector<Key> steps = symmetric_steps(set);
    const std::vector<Key> points = rows_of(set.coordinates, set.dimension);
    auto indexed = index_of_points(points);
    if (!indexed) return std::unexpected(indexed.error());
    PointIndex& members = *indexed;

    // Points outside the set with at least one neighbour in it, by their
    // number of neighbours; `ranked` holds (-neighbours, point), so its
    // first entry has the most neighbours and, among equals, the smallest
    // coordinates.
    std::unordered_map<Key, std::int64_t, KeyHash> outside;
    std::set<std::pair<std::int64_t, Key>> ranked;
    const auto touch = [&](const Key& q) {
        if (members.contains(q)) return;
        std::int64_t& n = outside[q];
        if (n > 0) ranked.erase({-n, q});
        ++n;
        ranked.insert({-n, q});
    };
    std::uint64_t edges = 0;
    for (const Key& p : points) {
        for (const Key& s : steps) {
            const Key q = plus(p, s);
            if (members.contains(q)) {
                ++edges;
            } else {
                touch(q);
            }
        }
    }
    edges /= 2;

    Growth growth;
    growth.edges.push_back(edges);
    for (std::uint64_t k = 0; k < count && !ranked.empty(); ++k) {
        if ((k & 255) == 0) poll_interrupt();
        const auto [negated, q] = *ranked.begin();
        if (!within_range(q)) break;
        ranked.erase(ranked.begin());
        outside.erase(q);
        members.emplace(q, members.size());
        edges += static_cast<std::uint64_t>(-negated);
        growth.edges.push_back(edges);
        for (std::size_t c = 0; c < set.dimension; ++c) growth.added.push_back(q[c]);
        for (const Key& s : steps) touch(plus(q, s));
    }
    return growth;
}

}  // namespace vantor::lattice_sets
