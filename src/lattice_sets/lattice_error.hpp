#pragma once
// The failures of the lattice constructions and of their exact check. Each
// kind renders to one fixed message through message().

#include <cstdint>
#include <string>
#include <variant>

#include "lattice_sets/plane_lattice.hpp"
#include "lattice_sets/shape_patch.hpp"

namespace vantor::lattice_sets {

// ---- requests -----------------------------------------------------------

struct NormOutOfRange {
    std::uint64_t m;
};
struct NotANorm {
    const PlaneLattice* lattice;
    std::uint64_t m;
};
struct ShapeNotInLattice {
    const PlaneLattice* lattice;
    PatchShape shape;
};
// A parameter of a search request outside low .. high.
struct ParameterOutOfRange {
    const char* name;
    std::uint64_t value;
    std::uint64_t low;
    std::uint64_t high;
};

// ---- the exact check of a finished point set ------------------------------

struct CountMismatch {
    std::uint64_t coordinates;
    std::uint64_t points;
};
struct CoordinateOutOfRange {
    std::uint64_t point;
    unsigned limit_log2;  // coordinates may not exceed 2**limit_log2 in magnitude
};
struct PointNotScaledLatticePoint {
    std::uint64_t point;
};
struct RepeatedPoint {
    std::uint64_t first;
    std::uint64_t second;
};
struct EdgeIndexOutOfRange {
    std::uint64_t edge;
    std::uint64_t i;
    std::uint64_t j;
    std::uint64_t point_count;
};
struct EdgeOutOfOrder {
    std::uint64_t edge;
};
struct EdgeWrongNorm {
    std::uint64_t edge;
    std::uint64_t i;
    std::uint64_t j;
    __int128 norm;
    std::uint64_t m;
};
struct MissingEdges {
    std::uint64_t listed;
    std::uint64_t present;
};

struct LatticeError {
    std::variant<NormOutOfRange, NotANorm, ShapeNotInLattice, ParameterOutOfRange, CountMismatch,
                 CoordinateOutOfRange, PointNotScaledLatticePoint, RepeatedPoint,
                 EdgeIndexOutOfRange, EdgeOutOfOrder, EdgeWrongNorm, MissingEdges>
        kind;

    // True for the kinds that reject a request, false for the faults the
    // exact check finds in a point set.
    bool is_request_error() const;

    // The kind's fixed message with its values filled in.
    std::string message() const;
};

}  // namespace vantor::lattice_sets
