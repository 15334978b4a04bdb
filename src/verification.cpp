#include "verification.hpp"

#include <cmath>

#include "algebraic/section2/evidence.hpp"
#include "grids.hpp"
#include "utils/unit_distance.hpp"

namespace vantor {
namespace {

// How far a replayed point may lie from the regenerated one, per coordinate.
constexpr double kReplayPointTolerance = 1e-9;

PointList regenerate(const ReplayCertificate& certificate) {
    return std::visit(
        [&certificate](const auto& kind) -> PointList {
            using Kind = std::decay_t<decltype(kind)>;
            if constexpr (std::is_same_v<Kind, SquareGrid>) {
                return square_grid(kind.rows, kind.cols);
            } else if constexpr (std::is_same_v<Kind, TriangularGrid>) {
                return triangular_grid(certificate.n_target);
            } else {
                return moser_spindle();
            }
        },
        certificate.construction);
}

std::string replay_label(const ReplayConstruction& construction) {
    return std::visit([](const auto& kind) { return construction_label(Construction{kind}); },
                      construction);
}

}  // namespace

std::string construction_label(const Construction& construction) {
    return std::visit(
        [](const auto& kind) -> std::string {
            using Kind = std::decay_t<decltype(kind)>;
            if constexpr (std::is_same_v<Kind, SquareGrid>) {
                return "square-grid(" + std::to_string(kind.rows) + "x" +
                       std::to_string(kind.cols) + ")";
            } else if constexpr (std::is_same_v<Kind, TriangularGrid>) {
                return "triangular-grid";
            } else if constexpr (std::is_same_v<Kind, MoserSpindle>) {
                return "moser-spindle";
            } else {
                return "multiquadratic-section2";
            }
        },
        construction);
}

CertResult<VerificationReport> verify_replay_certificate(const ReplayCertificate& certificate) {
    const PointList expected = regenerate(certificate);
    const PointList& stored = certificate.points;
    if (expected.size() != stored.size()) {
        return reject(PointCountMismatch{expected.size(), stored.size()});
    }
    for (std::uint64_t i = 0; i < stored.size(); ++i) {
        // Written so that a NaN difference fails.
        const bool close = std::fabs(expected[i].x - stored[i].x) <= kReplayPointTolerance &&
                           std::fabs(expected[i].y - stored[i].y) <= kReplayPointTolerance;
        if (!close) return reject(PointMismatch{i});
    }
    VerificationReport report;
    report.label = replay_label(certificate.construction);
    report.point_count = stored.size();
    report.certified_edge_count =
        find_unit_edges(stored, unit_distance_bounds(kReplayTolerance)).size();
    return report;
}

CertResult<VerificationReport> verify_section2_certificate(const Section2Certificate& certificate) {
    if (auto request = recheck_request(certificate.generators, certificate.split_prime,
                                       certificate.k);
        !request) {
        return std::unexpected(std::move(request.error()));
    }
    if (auto evidence = verify_section2_evidence(certificate.evidence); !evidence) {
        return std::unexpected(std::move(evidence.error()));
    }

    const auto& candidates = certificate.evidence.candidates;
    const PointList& points = certificate.points;
    bool same = candidates.size() == points.size();
    for (std::uint64_t i = 0; same && i < points.size(); ++i) {
        same = candidates[i].point.x == points[i].x && candidates[i].point.y == points[i].y;
    }
    if (!same) {
        return reject(
            InvalidConstruction{"algebraic certificate points do not match Section 2 certificate"});
    }
    if (candidates.size() != certificate.n_target) {
        return reject(PointCountMismatch{certificate.n_target, candidates.size()});
    }
    const auto& keys = certificate.quantized_projection_keys;
    if (keys.size() != candidates.size()) {
        return reject(PointCountMismatch{candidates.size(), keys.size()});
    }
    for (std::uint64_t j = 0; j < keys.size(); ++j) {
        auto key = scaled_key(points[j], kCertificateKeyScale);
        if (!key) return reject(InvalidConstruction{std::string(key.error())});
        if (!(*key == keys[j])) {
            return reject(ProjectionKeyMismatch{{key->x, key->y}, {keys[j].x, keys[j].y}, j});
        }
    }

    VerificationReport report;
    report.label = "multiquadratic-section2";
    report.description = certificate.label;
    report.point_count = candidates.size();
    report.certified_edge_count = certificate.evidence.construction_edges.size();
    return report;
}

CertResult<VerificationReport> verify_certificate(const CertifiedPointSet& set) {
    CertResult<VerificationReport> report = std::visit(
        [](const auto& certificate) -> CertResult<VerificationReport> {
            using Kind = std::decay_t<decltype(certificate)>;
            if constexpr (std::is_same_v<Kind, ReplayCertificate>) {
                return verify_replay_certificate(certificate);
            } else {
                if (!certificate) {
                    return reject(InvalidConstruction{"missing Section 2 certificate"});
                }
                return verify_section2_certificate(*certificate);
            }
        },
        set.certificate);
    if (!report) return report;
    if (auto edges = verify_edge_set(set.points, set.audit_edges, set.tolerance); !edges) {
        return std::unexpected(std::move(edges.error()));
    }
    report->audit_edge_count = set.audit_edges.size();
    report->uncertified_edge_count = report->audit_edge_count > report->certified_edge_count
                                         ? report->audit_edge_count - report->certified_edge_count
                                         : 0;
    report->tolerance = set.tolerance;
    return report;
}

}  // namespace vantor
