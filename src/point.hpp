#pragma once
// Points of the plane and unit-distance edges between them.

#include <bit>
#include <cstdint>
#include <vector>

namespace vantor {

// A point of the plane; its index in a point list is its identity in edges
// and certificates.
struct Point {
    double x;
    double y;
};

// True when both coordinates are the same doubles bit for bit (so 0 and -0
// differ, and a NaN equals only itself).
inline bool same_bits(const Point& p, const Point& q) {
    return std::bit_cast<std::uint64_t>(p.x) == std::bit_cast<std::uint64_t>(q.x) &&
           std::bit_cast<std::uint64_t>(p.y) == std::bit_cast<std::uint64_t>(q.y);
}

// An unordered pair of point indices, stored with i < j.
struct Edge {
    std::uint64_t i;
    std::uint64_t j;

    friend bool operator==(const Edge&, const Edge&) = default;
    friend auto operator<=>(const Edge&, const Edge&) = default;
};

using PointList = std::vector<Point>;
using EdgeList = std::vector<Edge>;

}  // namespace vantor
