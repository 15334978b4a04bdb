#pragma once
// A cell index for finding the pairs of points whose distance lies in a band
// inner <= d <= outer (outer may be infinite). Points are copied in cell order
// into separate x and y arrays, so that every neighbouring cell range is one
// contiguous stretch of memory that a plain loop runs over.
//
// The index only narrows the search; it never decides a pair by itself except
// where the geometry of two cells settles every pair between them with a wide
// margin (all too close, all too far, or all inside the band), so the exact
// per-pair test of the caller stays the one test that counts. Points far apart
// are split into separate components first, so any spread of coordinates fits
// the integer cell numbers.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "point.hpp"
#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor {

// Distances a pair may have to pass: inner <= d <= outer. `outer` may be
// +infinity (every pair at least `inner` apart passes); `inner` may be 0.
struct DistanceBand {
    double inner;
    double outer;
};

// What the geometry of two cells says about the pairs between them.
enum class CellVerdict : std::uint8_t {
    kNone,  // no pair can pass
    kTest,  // each pair must be tested
    kAll,   // every pair passes
};

// What it says about every pair whose distance lies between `nearest` and
// `farthest` that the band admits it: with margins on the band far wider
// than the rounding of a squared distance, so that kNone or kAll never
// contradicts the exact test of a pair. A band without an inner radius
// admits pairs however close, coincident ones included.
CellVerdict band_verdict(double nearest, double farthest, DistanceBand band);

// A stretch of columns [first, last] (relative to a cell's column) in the
// row `dy` rows above it, all with the same verdict.
struct CellRun {
    std::int64_t dy;
    std::int64_t first;
    std::int64_t last;
    CellVerdict verdict;
};

// Positions [begin, end) in cell order.
struct PositionRange {
    std::uint32_t begin;
    std::uint32_t end;
};

class PairGrid {
public:
    // Indexes the given points (all finite); ids[p] is the caller's index of
    // the point copied to position p.
    PairGrid(std::span<const Point> points, std::span<const std::uint32_t> finite_ids,
             DistanceBand band);

    std::uint32_t size() const { return static_cast<std::uint32_t>(ids_.size()); }
    // Positions in cell order; the coordinate arrays are padded past size().
    const double* xs() const { return xs_.data(); }
    const double* ys() const { return ys_.data(); }
    const std::uint32_t* ids() const { return ids_.data(); }

    // Occupied cells, in cell order; cell c holds positions cell_range(c).
    std::uint32_t cell_count() const { return static_cast<std::uint32_t>(cell_start_.size() - 1); }
    PositionRange cell_range(std::uint32_t c) const { return {cell_start_[c], cell_start_[c + 1]}; }

    // The first occupied cell at or after position `position` (cells are
    // contiguous in positions).
    std::uint32_t cell_at(std::uint32_t position) const;

    // Visits every pair (a, b) of positions a < b that can pass, in blocks:
    // visitor.test(a0, a1, b0, b1) for pairs to be tested one by one,
    // visitor.all(a0, a1, b0, b1) for pairs that all pass, where a runs over
    // [a0, a1) and b over [b0, b1) (two ranges that never overlap), and
    // visitor.test_within(a0, a1) / visitor.all_within(a0, a1) for the pairs
    // a < b inside one cell. Covers the occupied cells [first_cell, last_cell).
    template <class Visitor>
    void visit(std::uint32_t first_cell, std::uint32_t last_cell, Visitor& visitor) const;

private:
    // Positions of the cells of row `row` (within the component of `cell`)
    // whose column lies in [x0, x1].
    PositionRange row_range(std::uint32_t cell, std::int64_t row, std::int64_t x0,
                            std::int64_t x1) const;
    // Positions from the first cell of rows above `row` to the end of the
    // component of `cell`.
    PositionRange rows_after(std::uint32_t cell, std::int64_t row) const;
    // Positions of all later components.
    std::uint32_t component_end(std::uint32_t cell) const {
        return dense_ ? size() : component_end_[cell_component_[cell]];
    }
    // Column and row of an occupied cell within its component.
    std::int64_t cell_x(std::uint32_t c) const { return dense_ ? cell_number_[c] % columns_ : cell_x_[c]; }
    std::int64_t cell_y(std::uint32_t c) const { return dense_ ? cell_number_[c] / columns_ : cell_y_[c]; }

    void build_runs(double cell_width, double cell_height);

    DistanceBand band_;
    bool dense_ = false;
    bool rows_beyond_pass_ = false;  // rows past the runs hold only passing cells
    std::int64_t reach_rows_ = 0;    // runs cover rows dy = 0 .. reach_rows_
    CellVerdict own_cell_ = CellVerdict::kTest;
    std::vector<CellRun> runs_;

    std::vector<double> xs_;
    std::vector<double> ys_;
    std::vector<std::uint32_t> ids_;

    // Occupied cells of a sparse grid in order (component, row, column).
    std::vector<std::int64_t> cell_y_;
    std::vector<std::int64_t> cell_x_;
    std::vector<std::uint32_t> cell_component_;
    std::vector<std::uint32_t> cell_row_;  // index into the row table
    std::vector<std::uint32_t> cell_start_;
    std::vector<std::uint32_t> component_end_;  // position after each component

    // Occupied rows in order: component, row number, first cell, end cell.
    struct Row {
        std::uint32_t component;
        std::int64_t y;
        std::uint32_t first_cell;
        std::uint32_t end_cell;
    };
    std::vector<Row> rows_;

    // Dense grids (one component, few empty cells): position of every cell,
    // occupied or not, in row-major order, and the number of each occupied
    // cell.
    std::vector<std::uint32_t> cell_number_;
    std::int64_t columns_ = 0;
    std::int64_t row_count_ = 0;
    std::vector<std::uint32_t> dense_start_;
};

template <class Visitor>
void PairGrid::visit(std::uint32_t first_cell, std::uint32_t last_cell, Visitor& visitor) const {
    for (std::uint32_t c = first_cell; c < last_cell; ++c) {
        const PositionRange own = cell_range(c);
        if (own_cell_ == CellVerdict::kTest) {
            visitor.test_within(own.begin, own.end);
        } else if (own_cell_ == CellVerdict::kAll) {
            visitor.all_within(own.begin, own.end);
        }
        const std::int64_t x = cell_x(c);
        const std::int64_t y = cell_y(c);
        for (const CellRun& run : runs_) {
            const PositionRange target = row_range(c, y + run.dy, x + run.first, x + run.last);
            if (target.begin >= target.end) continue;
            if (run.verdict == CellVerdict::kTest) {
                visitor.test(own.begin, own.end, target.begin, target.end);
            } else {
                visitor.all(own.begin, own.end, target.begin, target.end);
            }
        }
        if (rows_beyond_pass_) {
            const PositionRange beyond = rows_after(c, y + reach_rows_);
            if (beyond.begin < beyond.end) visitor.all(own.begin, own.end, beyond.begin, beyond.end);
            const std::uint32_t end = component_end(c);
            if (end < size()) visitor.all(own.begin, own.end, end, size());
        }
    }
}

// Runs grid.visit over all cells, split into tasks of about 2048 points run
// on parallel_for; each task visits with its own copy of `prototype`, and
// the copies are returned in task order. Tasks depend on the points alone,
// never on the number of threads, so whatever the visitors collect comes
// out in the same order however many threads run.
template <class Visitor>
std::vector<Visitor> visit_pairs_in_tasks(const PairGrid& grid, const Visitor& prototype) {
    constexpr std::uint32_t kPointsPerTask = 2048;
    constexpr std::uint32_t kMaxTasks = 4096;
    const std::uint32_t n = grid.size();
    const std::uint32_t cells = std::max<std::uint32_t>(grid.cell_count(), 1);
    std::uint32_t tasks = n / kPointsPerTask;
    tasks = std::max<std::uint32_t>(1, std::min({tasks, kMaxTasks, cells}));
    std::vector<Visitor> results(tasks, prototype);
    parallel_for(tasks, [&](std::size_t task) {
        poll_interrupt();
        const auto start = static_cast<std::uint32_t>(std::uint64_t{n} * task / tasks);
        const auto stop = static_cast<std::uint32_t>(std::uint64_t{n} * (task + 1) / tasks);
        const std::uint32_t first = task == 0 ? 0 : grid.cell_at(start);
        const std::uint32_t last = task + 1 == tasks ? grid.cell_count() : grid.cell_at(stop);
        grid.visit(first, last, results[task]);
    });
    return results;
}

}  // namespace vantor
