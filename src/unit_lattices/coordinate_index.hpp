#pragma once
// Lattice points by their coordinates: the index of each point of a set,
// for looking up a point plus a unit vector.

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace vantor::unit_lattices {

struct CoordinateHash {
    std::size_t operator()(const std::vector<std::int64_t>& c) const noexcept {
        std::uint64_t h = 0xcbf29ce484222325ull;
        for (std::int64_t v : c) {
            h ^= static_cast<std::uint64_t>(v);
            h *= 0x100000001b3ull;
            h ^= h >> 29;
        }
        return static_cast<std::size_t>(h);
    }
};

using CoordinateIndex = std::unordered_map<std::vector<std::int64_t>, std::uint64_t, CoordinateHash>;

// Row k of `rows` (rank entries) as a key.
inline std::vector<std::int64_t> row_key(std::span<const std::int64_t> rows, std::size_t rank,
                                         std::size_t k) {
    return {rows.begin() + k * rank, rows.begin() + (k + 1) * rank};
}

}  // namespace vantor::unit_lattices
