#include "unit_lattices/unit_norm.hpp"

#include <bit>
#include <cstdlib>
#include <vector>

namespace vantor::unit_lattices {

namespace {

std::uint64_t imaginary_mask(const MultiquadraticField& field) {
    const auto index = field.imaginary_index();
    return index ? std::uint64_t{1} << *index : 0;
}

unsigned bits(unsigned __int128 v) {
    unsigned count = 0;
    while (v != 0) {
        ++count;
        v >>= 1;
    }
    return count;
}

}  // namespace

std::vector<std::int64_t> norm_weights(const MultiquadraticField& field) {
    std::vector<std::int64_t> weights(field.degree());
    for (std::uint64_t m = 0; m < field.degree(); ++m) weights[m] = std::llabs(field.scale(m, m));
    return weights;
}

IntegerVector multiply(const IntegerVector& x, const IntegerVector& y,
                       const MultiquadraticField& field) {
    const std::size_t degree = x.size();
    IntegerVector product(degree, mpz_class(0));
    mpz_class s;
    for (std::size_t r = 0; r < degree; ++r) {
        if (x[r] == 0) continue;
        for (std::size_t c = 0; c < degree; ++c) {
            if (y[c] == 0) continue;
            s = static_cast<long>(field.scale(r, c));
            product[r ^ c] += s * x[r] * y[c];
        }
    }
    return product;
}

IntegerVector conjugate(const IntegerVector& x, const MultiquadraticField& field) {
    const std::uint64_t imaginary = imaginary_mask(field);
    IntegerVector result = x;
    for (std::size_t m = 0; m < result.size(); ++m) {
        if ((m & imaginary) != 0) result[m] = -result[m];
    }
    return result;
}

bool has_modulus_one(const IntegerVector& x, const mpz_class& d, const MultiquadraticField& field) {
    const IntegerVector product = multiply(x, conjugate(x, field), field);
    if (product[0] != d * d) return false;
    for (std::size_t m = 1; m < product.size(); ++m) {
        if (product[m] != 0) return false;
    }
    return true;
}

bool has_modulus_one(std::span<const std::int64_t> x, const mpz_class& d,
                     const MultiquadraticField& field) {
    const std::size_t degree = x.size();
    unsigned __int128 largest = 0;
    for (std::int64_t v : x) {
        const unsigned __int128 magnitude =
            v < 0 ? -static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
        if (magnitude > largest) largest = magnitude;
    }
    unsigned __int128 largest_scale = 1;
    for (std::uint64_t m = 0; m < degree; ++m) {
        const auto g = static_cast<unsigned __int128>(std::llabs(field.scale(m, m)));
        if (g > largest_scale) largest_scale = g;
    }
    const unsigned needed = bits(degree) + 2 * bits(largest) + bits(largest_scale);
    if (needed >= 126 || d > mpz_class(1) << 62) {
        IntegerVector wide(degree);
        for (std::size_t m = 0; m < degree; ++m) wide[m] = static_cast<long>(x[m]);
        return has_modulus_one(wide, d, field);
    }
    const std::uint64_t imaginary = imaginary_mask(field);
    const auto d_wide = static_cast<__int128>(d.get_si());
    // Entry 0 first: most candidates fail there.
    __int128 entry = 0;
    for (std::size_t r = 0; r < degree; ++r) {
        const __int128 v = x[r];
        entry += v * v * static_cast<__int128>(std::llabs(field.scale(r, r)));
    }
    if (entry != d_wide * d_wide) return false;
    for (std::size_t m = 1; m < degree; ++m) {
        entry = 0;
        for (std::size_t r = 0; r < degree; ++r) {
            const std::size_t c = r ^ m;
            if (x[r] == 0 || x[c] == 0) continue;
            __int128 term = static_cast<__int128>(x[r]) * x[c] * field.scale(r, c);
            if ((c & imaginary) != 0) term = -term;
            entry += term;
        }
        if (entry != 0) return false;
    }
    return true;
}

}  // namespace vantor::unit_lattices
