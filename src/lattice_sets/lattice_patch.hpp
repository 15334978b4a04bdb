#pragma once
// A finite set of distinct lattice points kept in row-major order, stored as
// runs: maximal stretches of consecutive a in one row. The sets built here
// are patches of convex shapes, one run per row (trimming may split a few),
// so lookups and counts work run by run instead of point by point.
//
// A point's index is its rank in row-major order, and translations keep
// that order: for v after 0 in row-major order, p + v has a larger index
// than p, and of two such vectors the later one gives the larger index.

#include <cstdint>
#include <span>
#include <vector>

#include "lattice_sets/plane_lattice.hpp"

namespace vantor::lattice_sets {

class LatticePatch {
public:
    // The points a_lo .. a_hi of row b, with indices first, first + 1, ...
    struct Run {
        std::int64_t b;
        std::int64_t a_lo;
        std::int64_t a_hi;
        std::uint64_t first;
    };

    LatticePatch() = default;
    // Takes points sorted in row-major order without repeats; throws
    // std::invalid_argument otherwise.
    explicit LatticePatch(std::vector<LatticeCoordinate> row_major_points);

    std::uint64_t size() const { return points_.size(); }
    std::span<const LatticeCoordinate> points() const { return points_; }
    std::span<const Run> runs() const { return runs_; }
    // The runs of row b, by increasing a (empty outside the patch).
    std::span<const Run> row_runs(std::int64_t b) const;

    // The index of c, or -1 when c is not in the set.
    std::int64_t index_of(LatticeCoordinate c) const;

    // |P ∩ (P - v)|: the number of points p with p + v in the set.
    std::uint64_t pair_count(LatticeCoordinate v) const;

    // For each point, the number of vectors v among +-half_vectors with
    // p + v in the set: its degree in the graph joining points that differ
    // by one of the vectors.
    std::vector<std::uint32_t> degrees(std::span<const LatticeCoordinate> half_vectors) const;

private:
    std::vector<LatticeCoordinate> points_;
    std::vector<Run> runs_;
    // Row b's runs are runs_[row_start_[b - b_min_]] .. runs_[row_start_[b - b_min_ + 1]].
    std::vector<std::size_t> row_start_;
    std::int64_t b_min_ = 0;
};

// The overlap of run `here` with run `there` moved back by v.a: the a of
// `here` whose p + v lands in `there` (the caller picks `there` in row
// b + v.b). Empty when lo > hi.
struct RunOverlap {
    std::int64_t lo;
    std::int64_t hi;
};
inline RunOverlap run_overlap(const LatticePatch::Run& here, const LatticePatch::Run& there,
                              std::int64_t va) {
    return {here.a_lo > there.a_lo - va ? here.a_lo : there.a_lo - va,
            here.a_hi < there.a_hi - va ? here.a_hi : there.a_hi - va};
}

}  // namespace vantor::lattice_sets
