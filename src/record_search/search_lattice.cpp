#include "record_search/search_lattice.hpp"

#include <algorithm>
#include <cstdlib>

namespace vantor::records {

namespace {

// Images of points stay within 2 * limit, far inside a 16-bit field.
constexpr std::int64_t kImageReach = 2 * kPackedLimit;

std::int64_t magnitude(const SearchCoordinate& c) {
    return std::max({std::llabs(c.a), std::llabs(c.b), std::llabs(c.c), std::llabs(c.d)});
}

}  // namespace

std::expected<SearchLattice, std::string> SearchLattice::from_tables(
    std::vector<SearchCoordinate> steps, std::vector<std::array<SearchCoordinate, 4>> columns) {
    if (steps.empty()) return std::unexpected(std::string("a search lattice needs unit steps"));
    if (columns.empty() || columns.size() > kMaxSearchSymmetries) {
        return std::unexpected("a search lattice needs 1 to " +
                               std::to_string(kMaxSearchSymmetries) + " symmetries");
    }
    const std::array<SearchCoordinate, 4> identity{
        SearchCoordinate{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    // The largest row sum of |matrix| over the symmetries.
    std::int64_t row_sum = 1;
    for (const auto& col : columns) {
        const std::int64_t rows[4] = {
            std::llabs(col[0].a) + std::llabs(col[1].a) + std::llabs(col[2].a) + std::llabs(col[3].a),
            std::llabs(col[0].b) + std::llabs(col[1].b) + std::llabs(col[2].b) + std::llabs(col[3].b),
            std::llabs(col[0].c) + std::llabs(col[1].c) + std::llabs(col[2].c) + std::llabs(col[3].c),
            std::llabs(col[0].d) + std::llabs(col[1].d) + std::llabs(col[2].d) + std::llabs(col[3].d)};
        for (std::int64_t r : rows) {
            if (r > kImageReach) return std::unexpected(std::string("a symmetry's matrix is too large"));
            row_sum = std::max(row_sum, r);
        }
    }
    if (columns.front() != identity) {
        return std::unexpected(std::string("the first symmetry must be the identity"));
    }
    SearchLattice lattice;
    lattice.packed_limit_ = std::min(kPackedLimit, kImageReach / row_sum);
    for (const SearchCoordinate& s : steps) {
        if (magnitude(s) == 0 || magnitude(s) > 64) {
            return std::unexpected(std::string("a unit step is 0 or too large"));
        }
        lattice.packed_steps_.push_back(packed_offset(s));
    }
    lattice.steps_ = std::move(steps);
    lattice.columns_ = std::move(columns);
    return lattice;
}

const SearchLattice& moser_search_lattice() {
    static const SearchLattice lattice = [] {
        const auto units = lattice_sets::moser_unit_steps();
        std::vector<std::array<SearchCoordinate, 4>> columns;
        for (int g = 0; g < lattice_sets::kMoserSymmetries; ++g) {
            columns.push_back({lattice_sets::moser_symmetry(g, {1, 0, 0, 0}),
                               lattice_sets::moser_symmetry(g, {0, 1, 0, 0}),
                               lattice_sets::moser_symmetry(g, {0, 0, 1, 0}),
                               lattice_sets::moser_symmetry(g, {0, 0, 0, 1})});
        }
        return *SearchLattice::from_tables({units.begin(), units.end()}, std::move(columns));
    }();
    return lattice;
}

}  // namespace vantor::records
