#include "record_search/search_state.hpp"

#include <algorithm>

namespace vantor::records {

std::uint64_t tie_order(std::uint64_t fingerprint, std::uint64_t seed) {
    std::uint64_t x = fingerprint ^ seed;
    x ^= x >> 31;
    x *= 0x7fb5d329728ea185;
    x ^= x >> 27;
    x *= 0x81dadef4bc2dd44d;
    x ^= x >> 33;
    return x;
}

std::vector<std::uint32_t> degrees(const SearchSet& set, const SearchLattice& lattice) {
    // A translation keeps the order of packed points, so for each step the
    // sorted points and their translates are walked side by side.
    const std::vector<PackedPoint>& points = set.points;
    std::vector<std::uint32_t> degree(points.size(), 0);
    for (PackedPoint step : lattice.packed_steps()) {
        std::size_t ahead = 0;
        for (std::size_t k = 0; k < points.size(); ++k) {
            const PackedPoint target = points[k] + step;
            while (ahead < points.size() && points[ahead] < target) ++ahead;
            if (ahead == points.size()) break;
            if (points[ahead] == target) ++degree[k];
        }
    }
    return degree;
}

SearchSet search_set_of(std::vector<PackedPoint> points, const SearchLattice& lattice) {
    SearchSet set;
    std::sort(points.begin(), points.end());
    set.points = std::move(points);
    std::uint64_t degree_sum = 0;
    for (std::uint32_t d : degrees(set, lattice)) degree_sum += d;
    set.edges = degree_sum / 2;
    set.fingerprint = fingerprint_of(set.points, lattice);
    return set;
}

std::vector<SearchCoordinate> standard_position(const SearchSet& set,
                                                       const SearchLattice& lattice) {
    const int g = set.fingerprint.orientation();
    std::vector<SearchCoordinate> turned;
    turned.reserve(set.points.size());
    for (PackedPoint p : set.points) {
        turned.push_back(lattice.image(static_cast<std::size_t>(g), unpack(p)));
    }
    if (turned.empty()) return turned;
    const SearchCoordinate low =
        unpack(set.fingerprint.lowest[static_cast<std::size_t>(g)]);
    for (SearchCoordinate& c : turned) c = c - low;
    std::sort(turned.begin(), turned.end());
    return turned;
}

}  // namespace vantor::records
