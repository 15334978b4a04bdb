#pragma once
// The atlas: the densest set the searches found for every size from 1 up,
// stored as text (written by tools/build_atlas.py) and checked exactly
// whenever it is read.
//
// The text is a list of lines. Lines starting with '#' are comments; every
// other line is one set, sizes 1, 2, 3, ... in order:
//
//   <n> <unit distances> <points>
//
// where <points> is either 4n characters, one per coordinate (a, b, c, d of
// the first point, then of the second, ...), each the digit of
// kAtlasDigits whose position minus 31 is the coordinate, or the points
// written out as "a,b,c,d;a,b,c,d;..." in decimal (used when a coordinate
// does not fit one character). A set of n = 0 points is never listed.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "record_search/beam_search.hpp"
#include "unit_lattices/unit_lattice_error.hpp"
#include "unit_lattices/unit_lattice_set.hpp"

namespace vantor::records {

inline constexpr std::string_view kAtlasDigits =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr std::int64_t kAtlasDigitOffset = 31;

// ---- the faults an atlas text can have -------------------------------------

struct AtlasMalformedLine {
    std::uint64_t line;  // counted from 1
};
struct AtlasSizeOutOfOrder {
    std::uint64_t line;
    std::uint64_t expected;
    std::uint64_t found;
};
struct AtlasPointCount {
    std::uint64_t line;
    std::uint64_t n;
    std::uint64_t points;
};
struct AtlasCountDiffers {
    std::uint64_t n;
    std::uint64_t claimed;
    std::uint64_t exact;
};
struct AtlasSetRejected {
    std::uint64_t n;
    unit_lattices::UnitLatticeError fault;
};

struct AtlasError {
    std::variant<AtlasMalformedLine, AtlasSizeOutOfOrder, AtlasPointCount, AtlasCountDiffers,
                 AtlasSetRejected>
        kind;

    std::string message() const;
};

// The sets of an atlas text (entry n - 1 has n points), with the counts
// they claim; only the form is checked.
std::expected<std::vector<FoundSet>, AtlasError> parse_atlas(std::string_view text);

// Parses the text and checks every set exactly as a set of the Moser
// lattice (unit_lattices/moser_lattice.hpp, checked_unit_lattice_set): the
// points distinct, every unit pair found and proven, and the count each
// line claims equal to the exact count.
std::expected<std::vector<unit_lattices::UnitLatticeSet>, AtlasError> checked_atlas(
    std::string_view text);

// The atlas shipped with the library, checked exactly on first use (once
// per process); the fault, if the stored text fails its check.
const std::expected<std::vector<unit_lattices::UnitLatticeSet>, AtlasError>& stored_atlas();

// The stored atlas text itself.
std::string_view stored_atlas_text();

}  // namespace vantor::records
