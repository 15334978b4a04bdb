#pragma once
// Vectors of exact integers: the numerators of field elements over a
// lattice's common denominator, one entry per basis element of the field.

#include <gmpxx.h>

#include <cstdint>
#include <span>
#include <vector>

namespace vantor::unit_lattices {

using IntegerVector = std::vector<mpz_class>;

// sum_m weights[m] * x[m] * y[m]; the vectors and the weights have one
// length.
inline mpz_class weighted_dot(const IntegerVector& x, const IntegerVector& y,
                              std::span<const std::int64_t> weights) {
    mpz_class sum = 0;
    mpz_class w;
    for (std::size_t m = 0; m < x.size(); ++m) {
        if (x[m] == 0 || y[m] == 0) continue;
        w = static_cast<long>(weights[m]);
        sum += w * x[m] * y[m];
    }
    return sum;
}

}  // namespace vantor::unit_lattices
