#include "unit_lattices/unit_lattice_set.hpp"

#include <algorithm>

#include <array>
#include <optional>

#include "unit_lattices/coordinate_index.hpp"
#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::unit_lattices {

namespace {

constexpr std::size_t kPointsPerBlock = 4096;
constexpr std::uint64_t kEdgesPerBlock = std::uint64_t{1} << 16;

// Every pair (i, j), i < j, of rows differing by a unit vector, sorted. The
// points are looked up in blocks on several threads (the index is only
// read), and the blocks' pairs joined in block order.
EdgeList unit_pairs(const UnitLattice& lattice, std::span<const std::int64_t> rows,
                    const CoordinateIndex& index) {
    const std::size_t rank = lattice.rank();
    const auto units = lattice.unit_coordinates();
    const std::size_t count = rows.size() / rank;
    const std::size_t blocks = (count + kPointsPerBlock - 1) / kPointsPerBlock;
    std::vector<EdgeList> found_in(blocks);
    parallel_for(blocks, [&](std::size_t block) {
        std::vector<std::int64_t> key(rank);
        const std::size_t end = std::min(count, (block + 1) * kPointsPerBlock);
        for (std::size_t i = block * kPointsPerBlock; i < end; ++i) {
            if ((i & 1023) == 0) poll_interrupt();
            for (std::size_t u = 0; u < lattice.unit_count(); ++u) {
                for (std::size_t t = 0; t < rank; ++t) {
                    key[t] = rows[i * rank + t] + units[u * rank + t];
                }
                const auto found = index.find(key);
                if (found != index.end() && found->second > i) {
                    found_in[block].push_back({i, found->second});
                }
            }
        }
    });
    EdgeList edges;
    for (const EdgeList& part : found_in) edges.insert(edges.end(), part.begin(), part.end());
    std::sort(edges.begin(), edges.end());
    return edges;
}

}  // namespace

std::expected<UnitLatticeSet, UnitLatticeError> unit_lattice_set(
    const UnitLattice& lattice, std::vector<std::int64_t> coordinates) {
    const std::size_t rank = lattice.rank();
    const std::size_t count = coordinates.size() / rank;
    UnitLatticeSet set;
    CoordinateIndex index;
    index.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::span<const std::int64_t> row(coordinates.data() + k * rank, rank);
        if (!lattice.coordinates_in_range(row)) {
            return std::unexpected(UnitLatticeError{CoordinateTooLarge{k, lattice.coordinate_limit_log2()}});
        }
        const auto [place, fresh] = index.emplace(row_key(coordinates, rank, k), k);
        if (!fresh) return std::unexpected(UnitLatticeError{RepeatedLatticePoint{place->second, k}});
        set.points.push_back(lattice.plane_point(row));
    }
    set.edges = unit_pairs(lattice, coordinates, index);
    set.coordinates = std::move(coordinates);
    return set;
}

std::expected<UnitLatticeSet, UnitLatticeError> checked_unit_lattice_set(
    const UnitLattice& lattice, std::vector<std::int64_t> coordinates) {
    auto set = unit_lattice_set(lattice, std::move(coordinates));
    if (!set) return set;
    auto checked = verify_unit_lattice_set(lattice, lattice.rank(), set->coordinates, set->points,
                                           set->edges);
    if (!checked) return std::unexpected(std::move(checked.error()));
    return set;
}

std::expected<void, UnitLatticeError> verify_unit_lattice_set(
    const UnitLattice& lattice, std::uint64_t columns, std::span<const std::int64_t> coordinates,
    std::span<const Point> points, std::span<const Edge> edges) {
    const std::size_t rank = lattice.rank();
    if (columns != rank) return std::unexpected(UnitLatticeError{WrongColumns{rank, columns}});
    const std::size_t count = coordinates.size() / rank;
    if (count != points.size()) {
        return std::unexpected(UnitLatticeError{PointCountMismatch{count, points.size()}});
    }
    // The first point out of range or off its plane point, found on several
    // threads; then the index, whose first repeat before that point is the
    // first fault a plain loop over the points would meet.
    struct PointFault {
        std::uint64_t point;
        UnitLatticeError error;
    };
    const auto point_fault = first_fault(count, kPointsPerBlock, [&](std::uint64_t k) {
        const std::span<const std::int64_t> row(coordinates.data() + k * rank, rank);
        std::optional<PointFault> fault;
        if (!lattice.coordinates_in_range(row)) {
            fault = {k, {CoordinateTooLarge{k, lattice.coordinate_limit_log2()}}};
        } else if (!same_bits(points[k], lattice.plane_point(row))) {
            fault = {k, {PointMismatch{k}}};
        }
        return fault;
    });
    CoordinateIndex index;
    index.reserve(count);
    for (std::size_t k = 0; k < (point_fault ? point_fault->point : count); ++k) {
        if ((k & 1023) == 0) poll_interrupt();
        const auto [place, fresh] = index.emplace(row_key(coordinates, rank, k), k);
        if (!fresh) return std::unexpected(UnitLatticeError{RepeatedLatticePoint{place->second, k}});
    }
    if (point_fault) return std::unexpected(point_fault->error);

    const auto edge_fault =
        first_fault(edges.size(), kEdgesPerBlock, [&](std::uint64_t e) -> std::optional<UnitLatticeError> {
            const Edge edge = edges[e];
            if (edge.i >= count || edge.j >= count || edge.i >= edge.j) {
                return UnitLatticeError{EdgeOutOfRange{e, edge.i, edge.j, count}};
            }
            if (e > 0 && !(edges[e - 1] < edge)) return UnitLatticeError{EdgesNotSorted{e}};
            std::array<std::int64_t, kMaxRank> difference;
            for (std::size_t t = 0; t < rank; ++t) {
                difference[t] = coordinates[edge.j * rank + t] - coordinates[edge.i * rank + t];
            }
            if (!lattice.is_unit(std::span(difference.data(), rank))) return UnitLatticeError{EdgeNotUnit{e, edge.i, edge.j}};
            return std::nullopt;
        });
    if (edge_fault) return std::unexpected(*edge_fault);
    // The listed edges are distinct unit pairs; equal counts make them all.
    const EdgeList present = unit_pairs(lattice, coordinates, index);
    if (present.size() != edges.size()) {
        return std::unexpected(UnitLatticeError{UnitPairsMissing{edges.size(), present.size()}});
    }
    return {};
}

}  // namespace vantor::unit_lattices
