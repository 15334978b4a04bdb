#include "embeddings.hpp"

#include <cmath>
#include <stdexcept>

namespace vantor {

void embed_converted(std::span<const double> values, const MultiquadraticField& field,
                     std::span<Complex> weights) {
    const std::size_t degree = values.size();
    const auto& basis = field.basis_values();
    for (std::size_t m = 0; m < degree; ++m) {
        weights[m] = Complex{basis[m].re * values[m], basis[m].im * values[m]};
    }
    for (std::size_t h = 1; h < degree; h *= 2) {
        for (std::size_t block = 0; block < degree; block += 2 * h) {
            for (std::size_t i = block; i < block + h; ++i) {
                const Complex a = weights[i];
                const Complex b = weights[i + h];
                weights[i] = Complex{a.re + b.re, a.im + b.im};
                weights[i + h] = Complex{a.re - b.re, a.im - b.im};
            }
        }
    }
}

std::vector<Complex> embeddings(const FieldElement& element, const MultiquadraticField& field) {
    const std::size_t degree = element.coefficients.size();
    if (degree != field.degree()) {
        throw std::logic_error("embeddings: element length differs from the field degree");
    }
    std::vector<double> values(degree);
    for (std::size_t m = 0; m < degree; ++m) values[m] = coefficient_to_f64(element.coefficients[m]);
    std::vector<Complex> result(degree);
    embed_converted(values, field, result);
    return result;
}

double max_embedding_norm(std::span<const Complex> values) {
    double largest = 0.0;
    for (const Complex& v : values) {
        const double modulus = std::hypot(v.re, v.im);
        if (modulus > largest || std::isnan(largest)) largest = modulus;
    }
    return largest;
}

}  // namespace vantor
