#pragma once
// The failures of building a unit lattice and of the exact check of a set
// of its points. Each kind renders to one fixed message through message().

#include <cstdint>
#include <string>
#include <variant>

namespace vantor::unit_lattices {

// ---- building the lattice -------------------------------------------------

// The generators do not describe a field (the field's own message).
struct FieldRejected {
    std::string reason;
};
struct NoUnits {};
struct UnitLengthMismatch {
    std::uint64_t unit;
    std::uint64_t degree;
    std::uint64_t actual;
};
// A generating element whose modulus is not exactly 1.
struct NotAUnit {
    std::uint64_t unit;
};
// The units given as a basis are linearly dependent over the rationals.
struct UnitsDependent {};

// A number of the description beyond what the exact kernels accept: the
// common denominator, a reduced basis numerator, the rank or the degree.
struct DescriptionTooLarge {
    const char* what;
    unsigned limit_log2;
};
// The enumeration of the unit vectors would visit more than `nodes` nodes.
struct EnumerationTooLarge {
    std::uint64_t nodes;
};

// ---- the exact check of a point set ----------------------------------------

struct WrongColumns {
    std::uint64_t rank;
    std::uint64_t columns;
};
struct PointCountMismatch {
    std::uint64_t coordinates;
    std::uint64_t points;
};
struct CoordinateTooLarge {
    std::uint64_t point;
    unsigned limit_log2;
};
struct PointMismatch {
    std::uint64_t point;
};
struct RepeatedLatticePoint {
    std::uint64_t first;
    std::uint64_t second;
};
struct EdgeOutOfRange {
    std::uint64_t edge;
    std::uint64_t i;
    std::uint64_t j;
    std::uint64_t point_count;
};
struct EdgesNotSorted {
    std::uint64_t edge;
};
struct EdgeNotUnit {
    std::uint64_t edge;
    std::uint64_t i;
    std::uint64_t j;
};
struct UnitPairsMissing {
    std::uint64_t listed;
    std::uint64_t present;
};

struct UnitLatticeError {
    std::variant<FieldRejected, NoUnits, UnitLengthMismatch, NotAUnit, UnitsDependent,
                 DescriptionTooLarge, EnumerationTooLarge, WrongColumns, PointCountMismatch,
                 CoordinateTooLarge, PointMismatch, RepeatedLatticePoint, EdgeOutOfRange,
                 EdgesNotSorted, EdgeNotUnit, UnitPairsMissing>
        kind;

    // The kind's fixed message with its values filled in.
    std::string message() const;
};

}  // namespace vantor::unit_lattices
