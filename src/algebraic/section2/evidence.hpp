#pragma once
// The exact re-check of multiquadratic evidence. Field elements travel as
// algebraic keys and are compared as text, string by string, so a right
// number in a non-canonical spelling does not pass. The replay itself runs
// on the translations as one ElementTable, in the width the longest path
// allows.

#include <cstdint>
#include <span>
#include <vector>

#include "../../error.hpp"
#include "../../point.hpp"
#include "../field/multiquadratic_field.hpp"
#include "../keys/algebraic_key.hpp"
#include "section2_result.hpp"

namespace vantor {

// The request checks of the construction, rerun on recorded values (every -1
// removed from the generators first); a failure becomes InvalidConstruction
// with the request error's message.
CertResult<void> recheck_request(std::span<const std::int64_t> generators, std::int64_t split_prime,
                                 std::uint64_t k);

// Request, max_prime_exponent, field, translations (norm one exactly and in
// every embedding), candidate count, every candidate, construction edges,
// unit edges; the first failing check is returned.
CertResult<void> verify_section2_evidence(const Section2Evidence& evidence);

// The stored edges must be in range, free of self-edges, written smaller
// index first, and equal as a list (after sorting) to the unit-distance edges
// recomputed from the points at the tolerance.
CertResult<void> verify_edge_set(std::span<const Point> points, std::span<const Edge> edges,
                                 double tolerance);

}  // namespace vantor
