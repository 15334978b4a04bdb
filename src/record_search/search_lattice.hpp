#pragma once
// The lattice a beam search runs in, as the search needs it: points with at
// most four integer coordinates (they are packed into four 16-bit fields;
// unused coordinates stay 0), the unit steps, and the symmetries fixing 0
// as integer matrices on the coordinates. Any unit lattice of rank at most
// 4 gives one (from_unit_lattice); the Moser lattice is one such value. A
// search's results depend on the order of both lists: sets are turned into
// standard position by the first symmetry that gives their fingerprint.

#include <array>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "record_search/packed_point.hpp"
#include "unit_lattices/unit_lattice.hpp"

namespace vantor::records {

// The fingerprint keeps one sum per symmetry; a lattice with more
// symmetries searches up to the first kMaxSearchSymmetries of them, which
// must form a group.
inline constexpr std::size_t kMaxSearchSymmetries = 12;

class SearchLattice {
public:
    // steps: the unit steps; columns: for each symmetry g, the images of the
    // four coordinate vectors (images of unused coordinates must be 0).
    // Fails (with a message) for no steps, no symmetries or more than
    // kMaxSearchSymmetries, a first symmetry that is not the identity, and
    // steps or matrices too large for packed points to stay within their
    // fields.
    static std::expected<SearchLattice, std::string> from_tables(
        std::vector<SearchCoordinate> steps,
        std::vector<std::array<SearchCoordinate, 4>> columns);

    // The tables of a unit lattice of rank at most 4, in its coordinates:
    // its unit vectors in increasing coordinate order; its symmetries
    // ordered as rotations, then reflections, each group by the angle of
    // its factor in [0, 2 pi) (the rotations alone when there are more than
    // kMaxSearchSymmetries). A symmetry's matrix is found from its images of
    // `rank` linearly independent unit vectors, solved exactly. Fails (with
    // a message) for a larger rank, more than kMaxSearchSymmetries
    // rotations, and what from_tables refuses.
    static std::expected<SearchLattice, std::string> from_unit_lattice(
        const unit_lattices::UnitLattice& lattice);

    std::span<const SearchCoordinate> steps() const { return steps_; }
    std::span<const PackedPoint> packed_steps() const { return packed_steps_; }
    std::size_t symmetry_count() const { return columns_.size(); }
    // For each symmetry, the images of the four coordinate vectors.
    std::span<const std::array<SearchCoordinate, 4>> columns() const { return columns_; }
    // Every coordinate of a point the search keeps lies within this; images
    // of such points under the symmetries lie within 2 * limit.
    std::int64_t packed_limit() const { return packed_limit_; }
    bool packable(const SearchCoordinate& c) const {
        const auto fits = [this](std::int64_t x) { return x >= -packed_limit_ && x <= packed_limit_; };
        return fits(c.a) && fits(c.b) && fits(c.c) && fits(c.d);
    }

    // The image of p under symmetry g: sum_k p_k * columns[g][k].
    SearchCoordinate image(std::size_t g, const SearchCoordinate& p) const {
        const auto& col = columns_[g];
        return {p.a * col[0].a + p.b * col[1].a + p.c * col[2].a + p.d * col[3].a,
                p.a * col[0].b + p.b * col[1].b + p.c * col[2].b + p.d * col[3].b,
                p.a * col[0].c + p.b * col[1].c + p.c * col[2].c + p.d * col[3].c,
                p.a * col[0].d + p.b * col[1].d + p.c * col[2].d + p.d * col[3].d};
    }

private:
    SearchLattice() = default;

    std::vector<SearchCoordinate> steps_;
    std::vector<PackedPoint> packed_steps_;
    std::vector<std::array<SearchCoordinate, 4>> columns_;
    std::int64_t packed_limit_ = kPackedLimit;
};

// The Moser lattice (unit_lattices/moser_lattice.hpp) in its coordinates
// (a, b, c, d): its 18 unit steps in increasing coordinate order and its
// twelve symmetries, symmetry g < 6 the rotation by w1^g and g >= 6 the
// reflection z -> w1^(g - 6) w3 conj(z).
const SearchLattice& moser_search_lattice();

}  // namespace vantor::records
