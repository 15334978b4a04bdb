#include "lattice_sets/moser_set.hpp"

#include <algorithm>
#include <numeric>

#include "lattice_sets/moser_verification.hpp"
#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

std::expected<MoserPointSet, LatticeError> moser_point_set(
    std::vector<MoserCoordinate> coordinates) {
    MoserPointSet set;
    const std::uint64_t n = coordinates.size();
    // Out-of-range coordinates are refused before any arithmetic on them.
    for (std::uint64_t k = 0; k < n; ++k) {
        if (!within_moser_range(coordinates[k])) {
            return std::unexpected(LatticeError{CoordinateOutOfRange{k, kMaxMoserCoordinateLog2}});
        }
    }
    set.points.reserve(n);
    for (const MoserCoordinate& c : coordinates) set.points.push_back(moser_point(c));

    std::vector<std::uint64_t> order(n);
    std::iota(order.begin(), order.end(), std::uint64_t{0});
    std::sort(order.begin(), order.end(), [&](std::uint64_t p, std::uint64_t q) {
        return coordinates[p] != coordinates[q] ? coordinates[p] < coordinates[q] : p < q;
    });
    const auto index_of = [&](const MoserCoordinate& c) -> std::int64_t {
        const auto at = std::lower_bound(order.begin(), order.end(), c,
                                         [&](std::uint64_t k, const MoserCoordinate& x) {
                                             return coordinates[k] < x;
                                         });
        return at != order.end() && coordinates[*at] == c ? static_cast<std::int64_t>(*at) : -1;
    };
    for (std::uint64_t i = 0; i < n; ++i) {
        if ((i & 4095) == 0) poll_interrupt();
        for (const MoserCoordinate& step : moser_unit_steps()) {
            const std::int64_t j = index_of(coordinates[i] + step);
            if (j > static_cast<std::int64_t>(i)) {
                set.edges.push_back({i, static_cast<std::uint64_t>(j)});
            }
        }
    }
    std::sort(set.edges.begin(), set.edges.end());
    set.coordinates = std::move(coordinates);

    auto checked = verify_moser_set(set.coordinates, set.points, set.edges);
    if (!checked) return std::unexpected(std::move(checked.error()));
    return set;
}

}  // namespace vantor::lattice_sets
