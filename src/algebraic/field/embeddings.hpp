#pragma once
// The complex embeddings of a multiquadratic field. Embedding s (a bit mask
// over generator positions) sends sqrt(g_k) to -sqrt(g_k) for every bit k of
// s; embedding 0 is the principal one. An element is evaluated under all of
// them at once, in 64-bit floating point.

#include <span>
#include <vector>

#include "complex.hpp"
#include "field_element.hpp"
#include "multiquadratic_field.hpp"

namespace vantor {

// Entry s is the value of the element under embedding s: each coefficient is
// converted with coefficient_to_f64 and weighted by its basis value, then an
// unnormalised Walsh-Hadamard transform runs over the weights (passes
// h = 1, 2, 4, ..., blocks and indices ascending). The float result is the
// one of exactly these operations in this order.
std::vector<Complex> embeddings(const FieldElement& element, const MultiquadraticField& field);

// The same transform over coefficients already converted to doubles
// (one per basis element); `weights` is overwritten with the result.
void embed_converted(std::span<const double> values, const MultiquadraticField& field,
                     std::span<Complex> weights);

// The largest hypot(re, im) over the entries, starting from 0. A NaN modulus
// never becomes the result; an empty vector gives 0.
double max_embedding_norm(std::span<const Complex> values);

}  // namespace vantor
