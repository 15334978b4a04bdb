#include "lattice_sets/trimming.hpp"

#include <stdexcept>
#include <vector>

#include "lattice_sets/peeling_queue.hpp"
#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

TrimmedPatch trim_least_connected(const LatticePatch& patch,
                                  std::span<const LatticeCoordinate> half_vectors,
                                  std::uint64_t keep) {
    const std::uint64_t size = patch.size();
    if (keep > size) throw std::invalid_argument("cannot trim a patch to more points than it has");
    const std::vector<std::uint32_t> degrees = patch.degrees(half_vectors);
    std::uint64_t degree_sum = 0;
    for (std::uint32_t d : degrees) degree_sum += d;

    TrimmedPatch result;
    result.edge_count = degree_sum / 2;
    PeelingQueue queue(std::vector<std::uint64_t>(degrees.begin(), degrees.end()));
    const auto points = patch.points();
    for (std::uint64_t left = size; left > keep;) {
        const std::uint64_t i = queue.remove_next();
        --left;
        result.edge_count -= queue.degree(i);
        if ((left & 1023) == 0) poll_interrupt();
        for (const LatticeCoordinate& v : half_vectors) {
            for (const std::int64_t sign : {1, -1}) {
                const std::int64_t j =
                    patch.index_of({points[i].a + sign * v.a, points[i].b + sign * v.b});
                if (j >= 0) queue.neighbour_removed(static_cast<std::uint64_t>(j));
            }
        }
    }
    result.kept.reserve(keep);
    for (std::uint64_t i = 0; i < size; ++i) {
        if (!queue.removed(i)) result.kept.push_back(i);
    }
    return result;
}

}  // namespace vantor::lattice_sets
