#pragma once
// The records of the multiquadratic construction: candidate paths, candidate
// records, construction edges, and the result with its evidence block.

#include <cstdint>
#include <string>
#include <vector>

#include "../../point.hpp"
#include "../field/field_element.hpp"
#include "../keys/algebraic_key.hpp"
#include "../keys/quantize.hpp"
#include "translations.hpp"

namespace vantor {

// One step from the origin: add (sign +1) or subtract (sign -1) translation
// `translation`.
struct PathStep {
    std::uint64_t translation;
    std::int8_t sign;

    friend bool operator==(const PathStep&, const PathStep&) = default;
};

// The steps from the origin to a candidate; its element is the sum over the
// steps of sign * T_translation.
using CandidatePath = std::vector<PathStep>;

// Everything recorded about one selected point.
struct CandidateRecord {
    AlgebraicKey key;
    CandidatePath path;
    double max_embedding_norm;
    Point point;
    ProjectionKey projection_key;  // point * 1e9, rounded
    DedupKey dedup_key;            // point / dedup distance, rounded
};

// Claims that the element of point j is the element of point i plus
// sign * T_translation (i < j).
struct ConstructionEdge {
    std::uint64_t i;
    std::uint64_t j;
    std::uint64_t translation;
    std::int8_t sign;

    friend bool operator==(const ConstructionEdge&, const ConstructionEdge&) = default;
};

inline constexpr const char* kSection2EvidenceLabel = "native-multiquadratic";

// The exact evidence behind a multiquadratic point set.
struct Section2Evidence {
    std::vector<std::int64_t> generators;  // completed, -1 included, request order
    std::string label;                     // "native-multiquadratic"
    std::vector<TranslationCertificate> translations;
    std::vector<CandidateRecord> candidates;  // one per point, point order
    std::vector<ConstructionEdge> construction_edges;
    EdgeList unit_edges;
    double edge_tolerance = 0.0;
    std::int64_t split_prime = 0;
    std::uint64_t k = 0;
    std::uint64_t max_prime_exponent = 0;
    double polydisk_radius = 0.0;
    std::uint64_t projection_index = 0;
    std::uint64_t n_target = 0;
};

struct Section2Result {
    std::vector<FieldElement> elements;  // exact element of every point
    PointList points;                    // the n_target selected points
    std::vector<ConstructionEdge> construction_edges;  // equal to evidence.construction_edges
    Section2Evidence evidence;
};

}  // namespace vantor
