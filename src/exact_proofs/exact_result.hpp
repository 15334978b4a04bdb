#pragma once
// The multiquadratic construction with its exact data laid open: the field
// element of every point, the translations, the translation behind every
// certified edge, and an exact verdict on every pair of points within the
// audit tolerance. The same record is what an exported result claims, and
// claims_check.hpp re-checks it.

#include <atomic>
#include <cstdint>
#include <expected>
#include <variant>
#include <vector>

#include "algebraic/keys/algebraic_key.hpp"
#include "algebraic/section2/section2_result.hpp"
#include "error.hpp"
#include "point.hpp"

namespace vantor::exact {

// The pairs within this distance of 1 get an exact verdict: the audit
// tolerance of certified point sets.
inline constexpr double kAuditTolerance = 1e-4;

struct ExactMultiquadraticResult {
    // The generators with -1 completed, in the order that numbers the basis:
    // basis element m is the product of the square roots of the generators
    // whose bits are set in m.
    std::vector<std::int64_t> generators;
    PointList points;
    // Per point, its element: one canonical rational text per basis element.
    std::vector<AlgebraicKey> elements;
    std::vector<AlgebraicKey> translations;
    // (i, j, t, s): element j = element i + s * translation t.
    std::vector<ConstructionEdge> certified_edges;
    // The pairs within the audit tolerance, split by the exact verdict;
    // each list sorted by i, then j.
    EdgeList proven_unit_edges;
    EdgeList near_misses;
    double audit_tolerance = kAuditTolerance;
};

// Either error of the certified pipeline.
using PipelineError = std::variant<UnitDistanceError, CertificateError>;

// Builds the certified point set of the request, verifies its certificate
// (the request is refused with the first error, as the certified pipeline
// refuses it), and then judges every pair within the audit tolerance
// exactly. `stage`, when given, is set to 1 once the points are built, 2 once
// the certificate is verified and 3 at the end.
std::expected<ExactMultiquadraticResult, PipelineError> exact_multiquadratic(
    std::vector<std::int64_t> generators, std::int64_t split_prime, std::uint64_t k,
    std::uint64_t n_target, std::atomic<std::uint64_t>* stage = nullptr);

}  // namespace vantor::exact
