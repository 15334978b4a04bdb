#include "utils/pair_grid.hpp"

#include "utils/pair_tests.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <tuple>

namespace vantor {
namespace {

// Relative and absolute margins on distances: far wider than the rounding of
// a squared distance (a few units in the last place, plus underflow), so a
// verdict of kNone or kAll never contradicts the exact test of a pair.
constexpr double kRelativeMargin = 1e-9;
constexpr double kAbsoluteMargin = 1e-150;
// How far, in cell widths, a point may lie outside the cell it was placed in
// through the rounding of (x - origin) / width. Cell numbers stay below
// kMaxCellNumber, where that rounding is below a thousandth of a cell.
constexpr double kCellSlack = 0.02;
constexpr double kMaxCellNumber = 1099511627776.0;  // 2^40
// Cells are at most this many times smaller than the band's outer radius.
constexpr double kMaxCellsPerRadius = 1024.0;
// Points per cell aimed at, in square cells: one or two points per cell
// balance the cost of looking up a run of cells against the cost of testing
// the pairs the run brings (measured on dense construction pools, where the
// search spends its time).
constexpr double kPointsPerCell = 1.5;
constexpr double kWidthPerHeight = 1.0;
// A column offset standing for "to the end of the row".
constexpr std::int64_t kUnbounded = std::int64_t{1} << 62;
// Grids with at most this many cells per point (plus a constant) are kept
// dense: every cell, empty or not, has its start position.
constexpr double kDenseCellsPerPoint = 3.0;
constexpr double kDenseCellsExtra = 4096.0;
// The most points a cell sized by the density (larger than the band) may
// hold; beyond, the cells keep the band's size.
constexpr std::uint32_t kMaxPointsPerSizedCell = 64;

struct Extent {
    double min_x = INFINITY, max_x = -INFINITY, min_y = INFINITY, max_y = -INFINITY;
};

Extent extent_of(std::span<const Point> points, std::span<const std::uint32_t> ids) {
    Extent e;
    for (std::uint32_t id : ids) {
        const Point& p = points[id];
        e.min_x = std::min(e.min_x, p.x);
        e.max_x = std::max(e.max_x, p.x);
        e.min_y = std::min(e.min_y, p.y);
        e.max_y = std::max(e.max_y, p.y);
    }
    return e;
}

// Splits `ids` into groups whose members are separated, along `coordinate`,
// by gaps wider than `gap`: points of different groups are farther apart than
// `gap`. The groups keep their members sorted along the coordinate.
template <class Coordinate>
std::vector<std::vector<std::uint32_t>> split_by_gaps(std::vector<std::uint32_t> ids, double gap,
                                                      Coordinate coordinate) {
    std::sort(ids.begin(), ids.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::make_pair(coordinate(a), a) < std::make_pair(coordinate(b), b);
    });
    std::vector<std::vector<std::uint32_t>> groups;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= ids.size(); ++i) {
        if (i == ids.size() || coordinate(ids[i]) - coordinate(ids[i - 1]) > gap) {
            groups.emplace_back(ids.begin() + static_cast<std::ptrdiff_t>(start),
                                ids.begin() + static_cast<std::ptrdiff_t>(i));
            start = i;
        }
    }
    return groups;
}

bool fits_dense(const Extent& e, std::size_t n, double width, double height) {
    const double columns = std::floor((e.max_x - e.min_x) / width) + 1;
    const double rows = std::floor((e.max_y - e.min_y) / height) + 1;
    return columns * rows <= kDenseCellsPerPoint * static_cast<double>(n) + kDenseCellsExtra;
}

std::uint32_t most_crowded_cell(std::span<const Point> points, std::span<const std::uint32_t> ids,
                                const Extent& e, double width, double height) {
    const auto columns = static_cast<std::int64_t>(std::floor((e.max_x - e.min_x) / width)) + 1;
    const auto rows = static_cast<std::int64_t>(std::floor((e.max_y - e.min_y) / height)) + 1;
    std::vector<std::uint32_t> count(static_cast<std::size_t>(columns * rows), 0);
    std::uint32_t most = 0;
    for (std::uint32_t id : ids) {
        const auto cx = std::min(static_cast<std::int64_t>(std::floor((points[id].x - e.min_x) / width)), columns - 1);
        const auto cy = std::min(static_cast<std::int64_t>(std::floor((points[id].y - e.min_y) / height)), rows - 1);
        most = std::max(most, ++count[static_cast<std::size_t>(cy * columns + cx)]);
    }
    return most;
}

}  // namespace

CellVerdict band_verdict(double nearest, double farthest, DistanceBand band) {
    const double inner_low = band.inner * (1 - kRelativeMargin) - kAbsoluteMargin;
    const double inner_high = band.inner * (1 + kRelativeMargin) + kAbsoluteMargin;
    const double outer_low = band.outer * (1 - kRelativeMargin) - kAbsoluteMargin;
    const double outer_high = band.outer * (1 + kRelativeMargin) + kAbsoluteMargin;
    if (farthest < inner_low || nearest > outer_high) return CellVerdict::kNone;
    const bool clears_inner = band.inner == 0.0 || nearest >= inner_high;
    if (clears_inner && farthest <= outer_low) return CellVerdict::kAll;
    return CellVerdict::kTest;
}

PairGrid::PairGrid(std::span<const Point> points, std::span<const std::uint32_t> finite_ids,
                   DistanceBand band)
    : band_(band) {
    const std::size_t n = finite_ids.size();
    if (n == 0) {
        cell_start_.push_back(0);
        return;
    }
    // The radius that sizes the cells: the outer one, or for an unbounded
    // band the inner one (beyond it every pair passes).
    const double base = std::isfinite(band.outer) ? band.outer * (1 + kRelativeMargin) + kAbsoluteMargin
                                                  : band.inner * (1 + kRelativeMargin) + kAbsoluteMargin;
    const Extent whole = extent_of(points, finite_ids);
    const double span_x = std::max(whole.max_x - whole.min_x, base);
    const double span_y = std::max(whole.max_y - whole.min_y, base);
    // Cells sized for kPointsPerCell points at the mean density over the
    // bounding box, at most the sizing radius and at least 1/1024 of it.
    const double by_density =
        std::sqrt(kPointsPerCell / kWidthPerHeight * (span_x / static_cast<double>(n)) * span_y);
    double height = by_density <= base ? std::max(by_density, base / kMaxCellsPerRadius) : base;
    // Points sparse for the band (a thin band, or spread-out points) would
    // leave most cells of that size empty; cells sized by the density then
    // keep the grid dense, as long as no cell ends up crowded.
    if (by_density > height && !fits_dense(whole, n, height * kWidthPerHeight, height) &&
        fits_dense(whole, n, by_density * kWidthPerHeight, by_density) &&
        most_crowded_cell(points, finite_ids, whole, by_density * kWidthPerHeight, by_density) <=
            kMaxPointsPerSizedCell) {
        height = by_density;
    }
    const double width = height * kWidthPerHeight;

    // The block tests read whole vectors, up to a few values past the end.
    xs_.resize(n + kPairLanePadding, 0.0);
    ys_.resize(n + kPairLanePadding, 0.0);
    ids_.resize(n);

    // One component whose cells fit a dense grid: a counting sort by cell
    // number, the points of a cell in the order given.
    const bool numbered = (whole.max_x - whole.min_x) / width < kMaxCellNumber &&
                          (whole.max_y - whole.min_y) / height < kMaxCellNumber;
    if (numbered && fits_dense(whole, n, width, height)) {
        dense_ = true;
        columns_ = static_cast<std::int64_t>(std::floor((whole.max_x - whole.min_x) / width)) + 1;
        row_count_ = static_cast<std::int64_t>(std::floor((whole.max_y - whole.min_y) / height)) + 1;
        const auto cells = static_cast<std::size_t>(columns_ * row_count_);
        std::vector<std::uint32_t> cell_of(n);
        dense_start_.assign(cells + 1, 0);
        for (std::size_t k = 0; k < n; ++k) {
            const Point& p = points[finite_ids[k]];
            const auto cx = std::min(static_cast<std::int64_t>(std::floor((p.x - whole.min_x) / width)), columns_ - 1);
            const auto cy = std::min(static_cast<std::int64_t>(std::floor((p.y - whole.min_y) / height)), row_count_ - 1);
            cell_of[k] = static_cast<std::uint32_t>(cy * columns_ + cx);
            ++dense_start_[cell_of[k] + 1];
        }
        for (std::size_t c = 0; c < cells; ++c) dense_start_[c + 1] += dense_start_[c];
        {
            std::vector<std::uint32_t> fill(dense_start_.begin(), dense_start_.end() - 1);
            for (std::size_t k = 0; k < n; ++k) {
                const std::uint32_t at = fill[cell_of[k]]++;
                const std::uint32_t id = finite_ids[k];
                xs_[at] = points[id].x;
                ys_[at] = points[id].y;
                ids_[at] = id;
            }
        }
        for (std::size_t c = 0; c < cells; ++c) {
            if (dense_start_[c] == dense_start_[c + 1]) continue;
            cell_number_.push_back(static_cast<std::uint32_t>(c));
            cell_start_.push_back(dense_start_[c]);
        }
        cell_start_.push_back(static_cast<std::uint32_t>(n));
        component_end_.push_back(static_cast<std::uint32_t>(n));
        build_runs(width, height);
        return;
    }

    // Components: one, unless the spread is too large for cell numbers, in
    // which case points are split where they are farther apart than any
    // passing pair can be (bounded band) or than any failing pair can be
    // (unbounded band). Within a component the spread is then at most its
    // size times the gap, which keeps cell numbers below 2^40.
    std::vector<std::vector<std::uint32_t>> components;
    if (numbered) {
        components.emplace_back(finite_ids.begin(), finite_ids.end());
    } else {
        const double gap = base;
        auto x_of = [&](std::uint32_t id) { return points[id].x; };
        auto y_of = [&](std::uint32_t id) { return points[id].y; };
        for (auto& column : split_by_gaps({finite_ids.begin(), finite_ids.end()}, gap, x_of)) {
            for (auto& group : split_by_gaps(std::move(column), gap, y_of)) {
                components.push_back(std::move(group));
            }
        }
    }
    component_end_.reserve(components.size());

    // Cell numbers of every point, relative to its component's corner, in
    // sorted order: component, row, column, then the caller's index.
    struct Placed {
        std::uint32_t component;
        std::int64_t y;
        std::int64_t x;
        std::uint32_t id;
    };
    std::vector<Placed> placed;
    placed.reserve(n);
    for (std::uint32_t k = 0; k < components.size(); ++k) {
        const Extent e = extent_of(points, components[k]);
        for (std::uint32_t id : components[k]) {
            const auto cx = static_cast<std::int64_t>(std::floor((points[id].x - e.min_x) / width));
            const auto cy = static_cast<std::int64_t>(std::floor((points[id].y - e.min_y) / height));
            placed.push_back({k, cy, cx, id});
        }
    }
    components.clear();
    components.shrink_to_fit();
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return std::tie(a.component, a.y, a.x, a.id) < std::tie(b.component, b.y, b.x, b.id);
    });
    for (std::uint32_t at = 0; at < n; ++at) {
        const Placed& p = placed[at];
        xs_[at] = points[p.id].x;
        ys_[at] = points[p.id].y;
        ids_[at] = p.id;
        const bool new_cell = at == 0 || p.component != placed[at - 1].component ||
                              p.y != placed[at - 1].y || p.x != placed[at - 1].x;
        if (!new_cell) continue;
        const bool new_row = at == 0 || p.component != placed[at - 1].component ||
                             p.y != placed[at - 1].y;
        const auto cell = static_cast<std::uint32_t>(cell_y_.size());
        if (new_row) {
            if (!rows_.empty()) rows_.back().end_cell = cell;
            rows_.push_back({p.component, p.y, cell, cell});
        }
        if (at > 0 && p.component != placed[at - 1].component) component_end_.push_back(at);
        cell_y_.push_back(p.y);
        cell_x_.push_back(p.x);
        cell_component_.push_back(p.component);
        cell_row_.push_back(static_cast<std::uint32_t>(rows_.size() - 1));
        cell_start_.push_back(at);
    }
    rows_.back().end_cell = static_cast<std::uint32_t>(cell_y_.size());
    cell_start_.push_back(static_cast<std::uint32_t>(n));
    component_end_.push_back(static_cast<std::uint32_t>(n));
    build_runs(width, height);
}

void PairGrid::build_runs(double cell_width, double cell_height) {
    const double inner_high = band_.inner * (1 + kRelativeMargin) + kAbsoluteMargin;
    const double outer_high = band_.outer * (1 + kRelativeMargin) + kAbsoluteMargin;
    const bool unbounded = !std::isfinite(band_.outer);

    // Nearest and farthest possible distances between a point of a cell and
    // a point of the cell (dx, dy) cells away, with the placement slack.
    auto nearest_axis = [](std::int64_t d, double size) {
        return std::max(0.0, static_cast<double>(d) - 1.0 - 2 * kCellSlack) * size;
    };
    auto farthest_axis = [](std::int64_t d, double size) {
        return (static_cast<double>(d) + 1.0 + 2 * kCellSlack) * size;
    };
    auto verdict = [&](std::int64_t dx, std::int64_t dy) {
        return band_verdict(
            std::hypot(nearest_axis(dx, cell_width), nearest_axis(dy, cell_height)),
            std::hypot(farthest_axis(dx, cell_width), farthest_axis(dy, cell_height)), band_);
    };

    own_cell_ = verdict(0, 0);
    for (std::int64_t dy = 0;; ++dy) {
        if (!unbounded && nearest_axis(dy, cell_height) > outer_high) break;
        if (unbounded && verdict(0, dy) == CellVerdict::kAll) {
            // This row and every row above pass entirely.
            reach_rows_ = dy - 1;
            rows_beyond_pass_ = true;
            break;
        }
        reach_rows_ = dy;
        // Verdicts along |dx| = 0, 1, 2, ... as runs [from, to]; the last run
        // of an unbounded band passes to the end of the row.
        struct Stretch {
            std::int64_t from;
            std::int64_t to;
            CellVerdict verdict;
        };
        std::vector<Stretch> stretches;
        for (std::int64_t dx = 0;; ++dx) {
            const CellVerdict v = verdict(dx, dy);
            const bool settled =
                unbounded ? (v == CellVerdict::kAll && nearest_axis(dx, cell_width) >= inner_high)
                          : nearest_axis(dx, cell_width) > outer_high;
            if (settled) {
                if (v != CellVerdict::kNone) stretches.push_back({dx, kUnbounded, v});
                break;
            }
            if (!stretches.empty() && stretches.back().verdict == v && stretches.back().to == dx - 1) {
                stretches.back().to = dx;
            } else {
                stretches.push_back({dx, dx, v});
            }
        }
        for (const Stretch& s : stretches) {
            if (s.verdict == CellVerdict::kNone) continue;
            if (dy == 0) {
                // Only cells to the right: each pair of cells is met once, and
                // the cell itself is handled on its own.
                const std::int64_t from = std::max<std::int64_t>(s.from, 1);
                if (from <= s.to) runs_.push_back({dy, from, s.to, s.verdict});
            } else if (s.from == 0) {
                runs_.push_back({dy, -s.to, s.to, s.verdict});
            } else {
                runs_.push_back({dy, -s.to, -s.from, s.verdict});
                runs_.push_back({dy, s.from, s.to, s.verdict});
            }
        }
    }
}

std::uint32_t PairGrid::cell_at(std::uint32_t position) const {
    const auto it = std::upper_bound(cell_start_.begin() + 1, cell_start_.end(), position);
    return static_cast<std::uint32_t>(it - (cell_start_.begin() + 1));
}

PositionRange PairGrid::row_range(std::uint32_t cell, std::int64_t row, std::int64_t x0,
                                  std::int64_t x1) const {
    if (dense_) {
        if (row < 0 || row >= row_count_) return {0, 0};
        x0 = std::max<std::int64_t>(x0, 0);
        x1 = std::min<std::int64_t>(x1, columns_ - 1);
        if (x0 > x1) return {0, 0};
        const std::int64_t base = row * columns_;
        return {dense_start_[static_cast<std::size_t>(base + x0)],
                dense_start_[static_cast<std::size_t>(base + x1 + 1)]};
    }
    // Rows are sorted by (component, row), and the target row is at most
    // row - y rows after this cell's row.
    const std::uint32_t component = cell_component_[cell];
    const std::uint32_t from = cell_row_[cell];
    const std::int64_t ahead = row - cell_y_[cell];
    const std::size_t limit = std::min<std::size_t>(rows_.size(), from + static_cast<std::size_t>(ahead) + 1);
    auto row_it = std::lower_bound(rows_.begin() + from, rows_.begin() + static_cast<std::ptrdiff_t>(limit),
                                   std::make_pair(component, row),
                                   [](const Row& r, const std::pair<std::uint32_t, std::int64_t>& key) {
                                       return std::make_pair(r.component, r.y) < key;
                                   });
    if (row_it == rows_.begin() + static_cast<std::ptrdiff_t>(limit) || row_it->component != component ||
        row_it->y != row) {
        return {0, 0};
    }
    const auto first = cell_x_.begin() + row_it->first_cell;
    const auto last = cell_x_.begin() + row_it->end_cell;
    const auto lo = std::lower_bound(first, last, x0);
    const auto hi = std::upper_bound(lo, last, x1);
    return {cell_start_[static_cast<std::size_t>(lo - cell_x_.begin())],
            cell_start_[static_cast<std::size_t>(hi - cell_x_.begin())]};
}

PositionRange PairGrid::rows_after(std::uint32_t cell, std::int64_t row) const {
    if (dense_) {
        if (row + 1 >= row_count_) return {0, 0};
        return {dense_start_[static_cast<std::size_t>((row + 1) * columns_)], size()};
    }
    const std::uint32_t component = cell_component_[cell];
    auto row_it = std::upper_bound(rows_.begin() + cell_row_[cell], rows_.end(), std::make_pair(component, row),
                                   [](const std::pair<std::uint32_t, std::int64_t>& key, const Row& r) {
                                       return key < std::make_pair(r.component, r.y);
                                   });
    const std::uint32_t end = component_end_[component];
    if (row_it == rows_.end() || row_it->component != component) return {end, end};
    return {cell_start_[row_it->first_cell], end};
}

}  // namespace vantor
