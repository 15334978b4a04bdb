#pragma once
// Exact unit distances of a point set that came from anywhere: floats with
// the exact elements they stand for (given, parsed or recognised by
// float_recognition.hpp), some possibly unknown.
//
// The pairs judged are the pairs of points whose floats lie within
// `tolerance` of distance 1 (the pair test of count_unit_distances) and
// whose elements are both known; each is split by d * conj(d) = 1 exactly.
// An exactly unit pair is among them whenever the floats lie within
// tolerance / 2 of their elements, which the recognition's precision
// guarantees for every tolerance the package uses.

#include <optional>
#include <span>
#include <vector>

#include "algebraic/field/field_element.hpp"
#include "algebraic/field/multiquadratic_field.hpp"
#include "exact_proofs/unit_pair_proof.hpp"
#include "point.hpp"

namespace vantor::exact {

// `elements` holds one entry per point; the field must contain -1. Runs on
// thread_count() threads and polls for interruption; the result is the same
// for every thread count. Each list is sorted by i, then j.
PairVerdicts prove_point_pairs(const MultiquadraticField& field,
                               std::span<const std::optional<FieldElement>> elements,
                               std::span<const Point> points, double tolerance);

}  // namespace vantor::exact
