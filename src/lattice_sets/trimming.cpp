#include "lattice_sets/trimming.hpp"

#include <functional>
#include <queue>
#include <stdexcept>
#include <utility>
#include <vector>

#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

namespace {

// Indices take the low bits of a heap entry, degrees the rest.
constexpr unsigned kIndexBits = 40;
constexpr std::uint64_t kIndexMask = (std::uint64_t{1} << kIndexBits) - 1;

}  // namespace

TrimmedPatch trim_least_connected(const LatticePatch& patch,
                                  std::span<const LatticeCoordinate> half_vectors,
                                  std::uint64_t keep) {
    const std::uint64_t size = patch.size();
    if (keep > size) throw std::invalid_argument("cannot trim a patch to more points than it has");
    std::vector<std::uint32_t> degree = patch.degrees(half_vectors);
    std::uint64_t degree_sum = 0;
    for (std::uint32_t d : degree) degree_sum += d;

    TrimmedPatch result;
    result.edge_count = degree_sum / 2;
    std::vector<bool> removed(size, false);
    if (keep < size) {
        // A min-heap of (degree, index) packed into one integer, the degree
        // above the index bits. A point's entry goes stale when its degree
        // drops; the fresh entry comes out first and stale ones are skipped,
        // so the first live entry is the point to remove.
        if (size >= (std::uint64_t{1} << kIndexBits)) {
            throw std::length_error("lattice patch too large to trim");
        }
        const auto entry = [](std::uint64_t d, std::uint64_t i) { return d << kIndexBits | i; };
        std::vector<std::uint64_t> entries;
        entries.reserve(size);
        for (std::uint64_t i = 0; i < size; ++i) entries.push_back(entry(degree[i], i));
        std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> heap(
            std::greater<>{}, std::move(entries));
        const auto points = patch.points();
        std::uint64_t left = size;
        while (left > keep) {
            const std::uint64_t top = heap.top();
            heap.pop();
            const std::uint64_t i = top & kIndexMask;
            const std::uint64_t d = top >> kIndexBits;
            if (removed[i] || d != degree[i]) continue;
            removed[i] = true;
            --left;
            result.edge_count -= d;
            if ((left & 1023) == 0) poll_interrupt();
            for (const LatticeCoordinate& v : half_vectors) {
                for (const std::int64_t sign : {1, -1}) {
                    const std::int64_t j = patch.index_of(
                        {points[i].a + sign * v.a, points[i].b + sign * v.b});
                    if (j < 0 || removed[static_cast<std::uint64_t>(j)]) continue;
                    const auto neighbour = static_cast<std::uint64_t>(j);
                    heap.push(entry(--degree[neighbour], neighbour));
                }
            }
        }
    }
    result.kept.reserve(keep);
    for (std::uint64_t i = 0; i < size; ++i) {
        if (!removed[i]) result.kept.push_back(i);
    }
    return result;
}

}  // namespace vantor::lattice_sets
