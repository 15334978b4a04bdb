#pragma once
// The map from field elements to points of the plane through one complex
// embedding.

#include <cstdint>
#include <span>

#include "../../error.hpp"
#include "../../point.hpp"
#include "../field/complex.hpp"
#include "../field/field_element.hpp"
#include "../field/multiquadratic_field.hpp"

namespace vantor {

// The embedding `index` of `element`, divided by sqrt(s) where s is the
// absolute real part of the same embedding of `scale` (by 1.0 when s is at
// most 1e-15). Fails in a field without -1, and for an index not below the
// degree. The construction projects with index 0 and scale 1, which gives
// embedding 0 itself.
Result<Point> project_element(const MultiquadraticField& field, const FieldElement& element,
                              const FieldElement& scale, std::uint64_t index);

// The same from the embedding vectors of the element and of the scale
// element, already computed; fails in the same cases.
Result<Point> project_embedding(const MultiquadraticField& field, std::span<const Complex> values,
                                std::span<const Complex> scales, std::uint64_t index);

}  // namespace vantor
