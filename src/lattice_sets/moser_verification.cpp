#include "lattice_sets/moser_verification.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

#include "lattice_sets/edge_list_check.hpp"
#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::lattice_sets {

namespace {

constexpr std::uint64_t kEdgesPerBlock = std::uint64_t{1} << 20;
constexpr std::uint64_t kPointsPerBlock = 4096;

// With coordinates up to 2**40 the integers P, U, V are below 2**46 and
// every rounding of moser_point is below 2**-7 in absolute terms, so a
// float point lies within 0.01 of its exact point and the floats of a unit
// pair differ by at most 1.02 in each direction.
constexpr double kWindow = 1.25;

std::optional<LatticeError> edge_fault(std::span<const MoserCoordinate> coordinates,
                                       std::span<const Edge> edges, std::uint64_t e) {
    if (auto fault = edge_place_fault(edges, e, coordinates.size())) return fault;
    const Edge edge = edges[e];
    const MoserNorm norm = moser_norm(coordinates[edge.j] - coordinates[edge.i]);
    if (norm.r != 144 || norm.s != 0) {
        return LatticeError{MoserEdgeNotUnit{e, edge.i, edge.j, norm.r, norm.s}};
    }
    return std::nullopt;
}

// The number of pairs at distance exactly 1: the points in order of x,
// each tested exactly against the points after it whose floats lie within
// the window. Split into blocks of starting points, counted on several
// threads and summed in block order.
std::uint64_t count_unit_pairs(std::span<const MoserCoordinate> coordinates,
                               std::span<const Point> points) {
    const std::uint64_t n = coordinates.size();
    std::vector<std::uint64_t> by_x(n);
    std::iota(by_x.begin(), by_x.end(), std::uint64_t{0});
    std::sort(by_x.begin(), by_x.end(), [&](std::uint64_t p, std::uint64_t q) {
        return points[p].x != points[q].x ? points[p].x < points[q].x : p < q;
    });
    const std::size_t blocks = (n + kPointsPerBlock - 1) / kPointsPerBlock;
    std::vector<std::uint64_t> counts(blocks, 0);
    parallel_for(blocks, [&](std::size_t block) {
        const std::uint64_t end = std::min<std::uint64_t>(n, (block + 1) * kPointsPerBlock);
        std::uint64_t count = 0;
        for (std::uint64_t k = block * kPointsPerBlock; k < end; ++k) {
            poll_interrupt();
            const Point& p = points[by_x[k]];
            for (std::uint64_t l = k + 1; l < n; ++l) {
                const Point& q = points[by_x[l]];
                if (q.x - p.x > kWindow) break;
                if (std::fabs(q.y - p.y) > kWindow) continue;
                if (is_moser_unit(coordinates[by_x[l]] - coordinates[by_x[k]])) ++count;
            }
        }
        counts[block] = count;
    });
    return std::accumulate(counts.begin(), counts.end(), std::uint64_t{0});
}

}  // namespace

std::expected<void, LatticeError> verify_moser_set(std::span<const MoserCoordinate> coordinates,
                                                   std::span<const Point> points,
                                                   std::span<const Edge> edges) {
    const std::uint64_t n = coordinates.size();
    if (points.size() != n) {
        return std::unexpected(LatticeError{CountMismatch{n, points.size()}});
    }
    for (std::uint64_t k = 0; k < n; ++k) {
        if ((k & 8191) == 0) poll_interrupt();
        const MoserCoordinate c = coordinates[k];
        if (!within_moser_range(c)) {
            return std::unexpected(LatticeError{CoordinateOutOfRange{k, kMaxMoserCoordinateLog2}});
        }
        const Point expected = moser_point(c);
        if (!same_bits(points[k], expected)) {
            return std::unexpected(LatticeError{MoserPointMismatch{k}});
        }
    }

    const auto fault_of = [&](std::uint64_t e) { return edge_fault(coordinates, edges, e); };
    if (auto fault = first_fault(edges.size(), kEdgesPerBlock, fault_of)) {
        return std::unexpected(std::move(*fault));
    }

    // Distinct points: coordinates sorted with their indices, neighbours
    // compared. Then every listed edge is a unit pair and none repeats, so
    // equal counts mean the list holds them all.
    std::vector<std::uint64_t> order(n);
    std::iota(order.begin(), order.end(), std::uint64_t{0});
    std::sort(order.begin(), order.end(), [&](std::uint64_t p, std::uint64_t q) {
        return coordinates[p] != coordinates[q] ? coordinates[p] < coordinates[q] : p < q;
    });
    for (std::uint64_t k = 1; k < n; ++k) {
        if (coordinates[order[k]] == coordinates[order[k - 1]]) {
            return std::unexpected(LatticeError{RepeatedPoint{order[k - 1], order[k]}});
        }
    }
    const std::uint64_t present = count_unit_pairs(coordinates, points);
    if (present != edges.size()) {
        return std::unexpected(LatticeError{MoserMissingEdges{edges.size(), present}});
    }
    return {};
}

}  // namespace vantor::lattice_sets
