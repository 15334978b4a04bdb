#pragma once
// Certified point sets: a point set with enough recorded evidence that an
// independent pass can confirm it. Simple constructions carry a replay
// certificate (checked by regenerating them); the multiquadratic
// construction carries its exact algebraic evidence. Building a record
// verifies nothing: it is a claim until verify_certificate accepts it.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "algebraic/keys/quantize.hpp"
#include "algebraic/section2/section2_result.hpp"
#include "construction.hpp"
#include "error.hpp"
#include "point.hpp"

namespace vantor {

// The simple kinds that a replay certificate can name.
using ReplayConstruction = std::variant<SquareGrid, TriangularGrid, MoserSpindle>;

struct ReplayCertificate {
    ReplayConstruction construction;  // kind and parameters, as requested
    PointList points;                 // a separate copy of the generated points
    std::uint64_t n_target;           // used again to regenerate a triangular grid
};

struct Section2Certificate {
    std::vector<std::int64_t> generators;  // copy of the evidence's list
    std::string label;                     // copy of the evidence's label
    PointList points;                      // a separate copy of the generated points
    // (round(x * 1e7), round(y * 1e7)) per point, in point order.
    std::vector<IntegerKey> quantized_projection_keys;
    Section2Evidence evidence;
    std::int64_t split_prime;
    std::uint64_t k;
    std::uint64_t n_target;
};

using PointSetCertificate = std::variant<ReplayCertificate, std::unique_ptr<Section2Certificate>>;

struct CertifiedPointSet {
    PointSetCertificate certificate;
    PointList points;     // the generated points, in construction order
    EdgeList audit_edges;  // the unit-distance edges found numerically, i < j
    double tolerance;      // the tolerance of the audit edges
};

// The scale of the certificate's quantised projection keys.
inline constexpr double kCertificateKeyScale = 1e7;
// The audit-edge tolerance of the simple constructions.
inline constexpr double kReplayTolerance = 1e-4;

// Runs the construction and packages its output. A multiquadratic request
// fails with the construction's error unchanged, or with
// "invalid search parameter quantized_projection_keys: could not quantize
// projected point" when a point cannot be keyed; the simple kinds cannot fail.
Result<CertifiedPointSet> certify_construction(const Construction& construction,
                                               std::uint64_t n_target);

}  // namespace vantor
