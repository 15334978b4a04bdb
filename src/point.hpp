#pragma once
// Points of the plane and unit-distance edges between them.

#include <cstdint>
#include <vector>

namespace vantor {

// A point of the plane; its index in a point list is its identity in edges
// and certificates.
struct Point {
    double x;
    double y;
};

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
