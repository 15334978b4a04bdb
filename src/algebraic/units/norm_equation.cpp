#include "norm_equation.hpp"

#include <gmpxx.h>

#include "split_prime.hpp"

namespace vantor {

bool solves_norm_equation(std::span<const std::int64_t> x, const MultiquadraticField& field,
                          std::int64_t target) {
    const std::uint64_t degree = field.degree();
    bool rational = true;
    for (std::uint64_t m = 1; m < degree && rational; ++m) rational = x[m] == 0;
    if (rational) return false;

    // The product is formed over the integers, which is exact and equal to
    // the field product of the two integral elements.
    const auto imaginary = field.imaginary_index();
    std::vector<mpz_class> product(degree);
    mpz_class term;
    for (std::uint64_t i = 0; i < degree; ++i) {
        if (x[i] == 0) continue;
        for (std::uint64_t j = 0; j < degree; ++j) {
            if (x[j] == 0) continue;
            const bool negated = imaginary && ((j >> *imaginary) & 1);
            term = static_cast<long>(x[i]);
            term *= static_cast<long>(negated ? -x[j] : x[j]);
            term *= static_cast<long>(field.scale(i, j));
            product[i ^ j] += term;
        }
    }
    if (product[0] != static_cast<long>(target)) return false;
    for (std::uint64_t m = 1; m < degree; ++m) {
        if (product[m] != 0) return false;
    }
    return true;
}

std::optional<std::int64_t> weighted_square_sum(std::span<const std::int64_t> x,
                                                std::span<const std::int64_t> weights) {
    std::int64_t sum = 0;
    for (std::size_t m = 0; m < x.size(); ++m) {
        std::int64_t square;
        std::int64_t term;
        if (__builtin_mul_overflow(x[m], x[m], &square)) return std::nullopt;
        if (__builtin_mul_overflow(square, weights[m], &term)) return std::nullopt;
        if (__builtin_add_overflow(sum, term, &sum)) return std::nullopt;
    }
    return sum;
}

std::vector<std::int64_t> apply_sign_flips(std::span<const std::int64_t> x, std::uint64_t flips) {
    std::vector<std::int64_t> y(x.begin(), x.end());
    for (std::size_t m = 0; m < y.size(); ++m) {
        if (__builtin_popcountll(m & flips) & 1) y[m] = -y[m];
    }
    return y;
}

bool is_square_mod(std::uint64_t a, std::uint64_t q) {
    a %= q;
    return a == 0 || power_mod(a, (q - 1) / 2, q) == 1;
}

std::uint64_t sqrt_mod(std::uint64_t a, std::uint64_t q) {
    a %= q;
    // q - 1 = odd * 2^s, and a non-square z found by counting upwards.
    std::uint64_t odd = q - 1;
    unsigned s = 0;
    while (odd % 2 == 0) {
        odd /= 2;
        ++s;
    }
    std::uint64_t z = 2;
    while (power_mod(z, (q - 1) / 2, q) != q - 1) ++z;
    std::uint64_t c = power_mod(z, odd, q);
    std::uint64_t root = power_mod(a, (odd + 1) / 2, q);
    std::uint64_t t = power_mod(a, odd, q);
    unsigned m = s;
    while (t != 1) {
        unsigned i = 0;
        std::uint64_t t2 = t;
        while (t2 != 1) {
            t2 = mul_mod(t2, t2, q);
            ++i;
        }
        std::uint64_t b = c;
        for (unsigned j = 0; j + 1 < m - i; ++j) b = mul_mod(b, b, q);
        root = mul_mod(root, b, q);
        c = mul_mod(b, b, q);
        t = mul_mod(t, c, q);
        m = i;
    }
    return root <= q - root ? root : q - root;
}

}  // namespace vantor
