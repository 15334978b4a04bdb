#include "exact_proofs/exact_result.hpp"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "certificate.hpp"
#include "construction.hpp"
#include "exact_proofs/unit_pair_proof.hpp"
#include "verification.hpp"

namespace vantor::exact {
namespace {

void reach(std::atomic<std::uint64_t>* stage, std::uint64_t value) {
    if (stage != nullptr) stage->store(value, std::memory_order_relaxed);
}

}  // namespace

std::expected<ExactMultiquadraticResult, PipelineError> exact_multiquadratic(
    std::vector<std::int64_t> generators, std::int64_t split_prime, std::uint64_t k,
    std::uint64_t n_target, std::atomic<std::uint64_t>* stage) {
    auto request = multiquadratic_construction(std::move(generators), split_prime, k);
    if (!request) return std::unexpected(PipelineError(std::move(request.error())));
    auto set = certify_construction(*request, n_target);
    if (!set) return std::unexpected(PipelineError(std::move(set.error())));
    reach(stage, 1);
    auto report = verify_certificate(*set);
    if (!report) return std::unexpected(PipelineError(std::move(report.error())));
    reach(stage, 2);

    // The Python function only builds multiquadratic requests, so the
    // certificate is always the exact kind.
    Section2Certificate& certificate =
        *std::get<std::unique_ptr<Section2Certificate>>(set->certificate);
    Section2Evidence& evidence = certificate.evidence;
    auto field = MultiquadraticField::from_generators(evidence.generators);
    if (!field) return std::unexpected(PipelineError(std::move(field.error())));

    ExactMultiquadraticResult result;
    result.generators = evidence.generators;
    result.points = std::move(set->points);
    std::vector<FieldElement> elements;
    elements.reserve(evidence.candidates.size());
    result.elements.reserve(evidence.candidates.size());
    for (CandidateRecord& candidate : evidence.candidates) {
        auto element = element_of_key(candidate.key, *field);
        if (!element) return std::unexpected(PipelineError(std::move(element.error())));
        elements.push_back(std::move(*element));
        result.elements.push_back(std::move(candidate.key));
    }
    result.translations.reserve(evidence.translations.size());
    for (TranslationCertificate& translation : evidence.translations) {
        result.translations.push_back(std::move(translation.key));
    }
    result.certified_edges = std::move(evidence.construction_edges);

    // The audit edges are every pair within the record's tolerance (the
    // verification has just recomputed them from the points); sorted here
    // so that both verdict lists come out sorted.
    result.audit_tolerance = set->tolerance;
    std::sort(set->audit_edges.begin(), set->audit_edges.end());
    const UnitPairProver prover(*field, elements);
    PairVerdicts verdicts = prove_unit_pairs(prover, set->audit_edges);
    result.proven_unit_edges = std::move(verdicts.unit);
    result.near_misses = std::move(verdicts.not_unit);
    reach(stage, 3);
    return result;
}

}  // namespace vantor::exact
