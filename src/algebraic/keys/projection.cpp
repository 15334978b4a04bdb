#include "projection.hpp"

#include <cmath>

#include "../field/embeddings.hpp"

namespace vantor {

Result<Point> project_element(const MultiquadraticField& field, const FieldElement& element,
                              const FieldElement& scale, std::uint64_t index) {
    if (!field.imaginary_index()) return fail(MissingImaginaryGenerator{});
    return project_embedding(field, embeddings(element, field), embeddings(scale, field), index);
}

Result<Point> project_embedding(const MultiquadraticField& field, std::span<const Complex> values,
                                std::span<const Complex> scales, std::uint64_t index) {
    if (!field.imaginary_index()) return fail(MissingImaginaryGenerator{});
    if (index >= field.degree()) return fail(search_parameter::kProjectionIndex);
    const double s = std::fabs(scales[index].re);
    const double divisor = s > 1e-15 ? std::sqrt(s) : 1.0;
    return Point{values[index].re / divisor, values[index].im / divisor};
}

}  // namespace vantor
