#include "record_search/search_lattice.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <utility>

#include "unit_lattices/hermite_form.hpp"
#include "unit_lattices/moser_lattice.hpp"

namespace vantor::records {

namespace {

// Images of points stay within 2 * limit, far inside a 16-bit field.
constexpr std::int64_t kImageReach = 2 * kPackedLimit;

std::int64_t magnitude(const SearchCoordinate& c) {
    return std::max({std::llabs(c.a), std::llabs(c.b), std::llabs(c.c), std::llabs(c.d)});
}

using RationalRow = std::vector<Rational>;

// The rows of a square matrix of full rank over the rationals, inverted by
// Gauss-Jordan elimination; nullopt when the rows are dependent.
std::optional<std::vector<RationalRow>> inverse(std::vector<RationalRow> rows) {
    const std::size_t n = rows.size();
    std::vector<RationalRow> result(n, RationalRow(n, Rational(0)));
    for (std::size_t k = 0; k < n; ++k) result[k][k] = 1;
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        while (pivot < n && rows[pivot][col] == 0) ++pivot;
        if (pivot == n) return std::nullopt;
        std::swap(rows[col], rows[pivot]);
        std::swap(result[col], result[pivot]);
        const Rational scale = rows[col][col];
        for (std::size_t m = 0; m < n; ++m) {
            rows[col][m] /= scale;
            result[col][m] /= scale;
        }
        for (std::size_t r = 0; r < n; ++r) {
            if (r == col || rows[r][col] == 0) continue;
            const Rational factor = rows[r][col];
            for (std::size_t m = 0; m < n; ++m) {
                rows[r][m] -= factor * rows[col][m];
                result[r][m] -= factor * result[col][m];
            }
        }
    }
    return result;
}

// The angle in [0, 2 pi) of an element's principal value, in floats: it
// only orders the factors of symmetries, which differ.
double angle(const std::vector<Rational>& element, const MultiquadraticField& field) {
    double re = 0.0;
    double im = 0.0;
    for (std::size_t m = 0; m < element.size(); ++m) {
        const double q = element[m].get_d();
        re = re + q * field.basis_value(m).re;
        im = im + q * field.basis_value(m).im;
    }
    const double phase = std::atan2(im, re);
    return phase < 0.0 ? phase + 2.0 * std::numbers::pi : phase;
}

SearchCoordinate padded(std::span<const std::int64_t> row) {
    std::int64_t c[4] = {0, 0, 0, 0};
    for (std::size_t t = 0; t < row.size(); ++t) c[t] = row[t];
    return {c[0], c[1], c[2], c[3]};
}

}  // namespace

std::expected<SearchLattice, std::string> SearchLattice::from_unit_lattice(
    const unit_lattices::UnitLattice& lattice) {
    const std::size_t rank = lattice.rank();
    if (rank > 4) {
        return std::unexpected("lattice: beam_search takes lattices of rank at most 4, not " +
                               std::to_string(rank));
    }
    const auto units = lattice.unit_coordinates();
    const std::size_t count = lattice.unit_count();
    const auto unit = [&](std::size_t k) { return units.subspan(k * rank, rank); };

    // The first `rank` independent units, in the lattice's order, and the
    // inverse of their matrix: e_j = sum_k inverse[j][k] u_k.
    // A unit extends the chosen ones when their Hermite form gains a row.
    std::vector<std::size_t> chosen;
    std::vector<unit_lattices::IntegerVector> independent;
    for (std::size_t k = 0; k < count && chosen.size() < rank; ++k) {
        unit_lattices::IntegerVector row;
        for (std::int64_t x : unit(k)) row.emplace_back(static_cast<long>(x));
        independent.push_back(std::move(row));
        if (unit_lattices::hermite_basis(independent).size() < independent.size()) {
            independent.pop_back();
            continue;
        }
        chosen.push_back(k);
    }
    std::vector<RationalRow> rows;
    for (const unit_lattices::IntegerVector& row : independent) {
        rows.emplace_back(row.begin(), row.end());
    }
    const std::optional<std::vector<RationalRow>> solved = inverse(rows);
    if (chosen.size() != rank || !solved) {
        return std::unexpected(std::string("lattice: its unit vectors do not span it"));
    }

    // Rotations, then reflections, each by angle; only the rotations when
    // there are more than a search keeps.
    std::vector<std::pair<double, const unit_lattices::Symmetry*>> ordered;
    for (const unit_lattices::Symmetry& g : lattice.symmetries()) {
        ordered.emplace_back(angle(g.factor, lattice.field()), &g);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& p, const auto& q) {
        return std::pair(p.second->reflection, p.first) < std::pair(q.second->reflection, q.first);
    });
    if (ordered.size() > kMaxSearchSymmetries) {
        std::erase_if(ordered, [](const auto& entry) { return entry.second->reflection; });
        if (ordered.size() > kMaxSearchSymmetries) {
            return std::unexpected("lattice: beam_search takes lattices with at most " +
                                   std::to_string(kMaxSearchSymmetries) + " rotations");
        }
    }

    std::vector<std::array<SearchCoordinate, 4>> columns;
    for (const auto& [_, g] : ordered) {
        std::array<SearchCoordinate, 4> column{
            SearchCoordinate{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        for (std::size_t j = 0; j < rank; ++j) {
            // The image of e_j is sum_k inverse[j][k] g(u_k).
            std::int64_t image[4] = {0, 0, 0, 0};
            for (std::size_t t = 0; t < rank; ++t) {
                Rational sum(0);
                for (std::size_t k = 0; k < rank; ++k) {
                    sum += (*solved)[j][k] * static_cast<long>(unit(g->permutation[chosen[k]])[t]);
                }
                if (sum.get_den() != 1 || !sum.get_num().fits_slong_p()) {
                    return std::unexpected(
                        std::string("lattice: a symmetry does not map the lattice onto itself"));
                }
                image[t] = sum.get_num().get_si();
            }
            column[j] = {image[0], image[1], image[2], image[3]};
        }
        columns.push_back(column);
    }
    std::vector<SearchCoordinate> steps;
    for (std::size_t k = 0; k < count; ++k) steps.push_back(padded(unit(k)));
    std::sort(steps.begin(), steps.end());
    return from_tables(std::move(steps), std::move(columns));
}

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
    static const SearchLattice lattice =
        SearchLattice::from_unit_lattice(unit_lattices::moser_lattice()).value();
    return lattice;
}

}  // namespace vantor::records
