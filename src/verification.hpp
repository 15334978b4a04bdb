#pragma once
// Verification of certified point sets: a record is accepted with a report,
// or rejected with the first CertificateError found. Nothing in the record is
// taken on faith: replay certificates are regenerated, multiquadratic
// evidence is replayed in exact arithmetic, and the audit edges are
// recomputed from the points.

#include <cstdint>
#include <optional>
#include <string>

#include "certificate.hpp"
#include "error.hpp"

namespace vantor {

struct VerificationReport {
    std::string label;                       // the construction label
    std::optional<std::string> description;  // the evidence label, for multiquadratic records
    std::uint64_t point_count = 0;
    // Multiquadratic: the construction edges; replay: the unit edges of the
    // certificate's points at tolerance 1e-4.
    std::uint64_t certified_edge_count = 0;
    std::uint64_t audit_edge_count = 0;
    std::uint64_t uncertified_edge_count = 0;  // audit - certified, floored at 0
    double tolerance = 0.0;
};

// Checks the certificate, then the record's audit edges against its points.
CertResult<VerificationReport> verify_certificate(const CertifiedPointSet& set);
// The partial report (label, point count, certified edge count).
CertResult<VerificationReport> verify_replay_certificate(const ReplayCertificate& certificate);
// The partial report (label, description, point count, certified edge count).
CertResult<VerificationReport> verify_section2_certificate(const Section2Certificate& certificate);

// "square-grid(RxC)", "triangular-grid", "moser-spindle" or
// "multiquadratic-section2".
std::string construction_label(const Construction& construction);

}  // namespace vantor
