#include "lattice_sets/exact_verification.hpp"

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include "lattice_sets/edge_list_check.hpp"
#include "lattice_sets/norm_vectors.hpp"
#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::lattice_sets {

namespace {

constexpr std::uint64_t kEdgesPerBlock = std::uint64_t{1} << 20;

// Compared without negating, which would overflow for the most negative value.
bool within_range(std::int64_t x) { return x >= -kMaxCoordinate && x <= kMaxCoordinate; }

// The number of points p of the row-major sorted set with p + v also in
// it, by walking the set and its translate side by side (translation keeps
// the order, so neither walk turns back).
std::uint64_t translate_overlap(std::span<const LatticeCoordinate> sorted, LatticeCoordinate v) {
    std::uint64_t count = 0;
    std::size_t ahead = 0;
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        if ((k & 8191) == 0) poll_interrupt();
        const LatticeCoordinate target{sorted[k].a + v.a, sorted[k].b + v.b};
        while (ahead < sorted.size() && row_major_less(sorted[ahead], target)) ++ahead;
        if (ahead == sorted.size()) break;
        if (sorted[ahead] == target) ++count;
    }
    return count;
}

// The first thing wrong with edge e, if anything: its indices, its place
// in the sorted list, or the norm of the difference it joins.
std::optional<LatticeError> edge_fault(const PlaneLattice& lattice, std::uint64_t m,
                                       std::span<const LatticeCoordinate> coordinates,
                                       std::span<const Edge> edges, std::uint64_t e) {
    if (auto fault = edge_place_fault(edges, e, coordinates.size())) return fault;
    const Edge edge = edges[e];
    const __int128 norm = lattice_norm(lattice, coordinates[edge.j].a - coordinates[edge.i].a,
                                       coordinates[edge.j].b - coordinates[edge.i].b);
    if (norm != static_cast<__int128>(m)) {
        return LatticeError{EdgeWrongNorm{e, edge.i, edge.j, norm, m}};
    }
    return std::nullopt;
}

}  // namespace

std::expected<void, LatticeError> verify_lattice_set(const PlaneLattice& lattice, std::uint64_t m,
                                                     std::span<const LatticeCoordinate> coordinates,
                                                     std::span<const Point> points,
                                                     std::span<const Edge> edges) {
    if (m < 1 || m > kMaxNorm) return std::unexpected(LatticeError{NormOutOfRange{m}});
    const std::uint64_t n = coordinates.size();
    if (points.size() != n) {
        return std::unexpected(LatticeError{CountMismatch{n, points.size()}});
    }

    const double scale = norm_scale(m);
    for (std::uint64_t k = 0; k < n; ++k) {
        if ((k & 8191) == 0) poll_interrupt();
        const LatticeCoordinate c = coordinates[k];
        if (!within_range(c.a) || !within_range(c.b)) {
            return std::unexpected(LatticeError{CoordinateOutOfRange{k, kMaxCoordinateLog2}});
        }
        const Point expected = plane_point(lattice, c, scale);
        if (!same_bits(points[k], expected)) {
            return std::unexpected(LatticeError{PointNotScaledLatticePoint{k}});
        }
    }

    if (auto fault = first_fault(edges.size(), kEdgesPerBlock, [&](std::uint64_t e) {
            return edge_fault(lattice, m, coordinates, edges, e);
        })) {
        return std::unexpected(std::move(*fault));
    }

    // Distinct points and complete edges: sort the coordinates (unless they
    // already are strictly row-major), look for neighbours that coincide,
    // and count the pairs at norm m one vector at
    // a time. Every listed edge is such a pair and none repeats, so equal
    // counts mean the list holds them all.
    std::vector<LatticeCoordinate> sorted_copy;
    std::span<const LatticeCoordinate> sorted = coordinates;
    const auto out_of_order = [](const LatticeCoordinate& p, const LatticeCoordinate& q) {
        return !row_major_less(p, q);
    };
    if (std::adjacent_find(coordinates.begin(), coordinates.end(), out_of_order) !=
        coordinates.end()) {
        std::vector<std::uint64_t> order(n);
        std::iota(order.begin(), order.end(), std::uint64_t{0});
        std::sort(order.begin(), order.end(), [&](std::uint64_t x, std::uint64_t y) {
            return row_major_less(coordinates[x], coordinates[y]) ||
                   (coordinates[x] == coordinates[y] && x < y);
        });
        sorted_copy.resize(n);
        for (std::uint64_t k = 0; k < n; ++k) {
            sorted_copy[k] = coordinates[order[k]];
            if (k > 0 && sorted_copy[k] == sorted_copy[k - 1]) {
                return std::unexpected(LatticeError{RepeatedPoint{order[k - 1], order[k]}});
            }
        }
        sorted = sorted_copy;
    }
    std::uint64_t present = 0;
    if (n > 1) {
        const auto row_span = static_cast<std::uint64_t>(sorted.back().b - sorted.front().b);
        const std::vector<LatticeCoordinate> vectors = half_norm_vectors(lattice, m, row_span);
        std::vector<std::uint64_t> overlaps(vectors.size(), 0);
        parallel_for(vectors.size(), [&](std::size_t k) {
            overlaps[k] = translate_overlap(sorted, vectors[k]);
        });
        present = std::accumulate(overlaps.begin(), overlaps.end(), std::uint64_t{0});
    }
    if (present != edges.size()) {
        return std::unexpected(LatticeError{MissingEdges{edges.size(), present}});
    }
    return {};
}

}  // namespace vantor::lattice_sets
