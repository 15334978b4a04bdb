#include "real_part_search.hpp"

#include <gmpxx.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "norm_equation.hpp"
#include "split_prime.hpp"
#include "utils/checked_math.hpp"
#include "utils/interrupt.hpp"

namespace vantor {
namespace {

// The real subfield as a tower: level l adjoins the square roots of the
// first l positive generators h_1 .. h_l (in generator order). An element
// of level l has 2^l integer coefficients, coefficient j standing for the
// product of sqrt(h_b) over the bits b - 1 of j; its embedding e (0 <= e <
// 2^l) negates sqrt(h_b) for every bit b - 1 of e. Splitting an element of
// level l as a + b sqrt(h_l), with a and b of level l - 1, its embeddings are
// a_e + sqrt(h_l) b_e and a_e - sqrt(h_l) b_e (e < 2^(l-1)), which is the
// recursion of both the box enumeration and the exact square root.
struct RealTower {
    std::vector<std::int64_t> h;          // h_1 .. h_r
    std::vector<double> root_h;           // their square roots
    std::vector<std::int64_t> products;   // products[mask] = product of h over mask
    std::uint64_t levels = 0;
};

using BigVector = std::vector<mpz_class>;

// a * b at the given level (both of 2^level coefficients).
BigVector multiply(const RealTower& tower, std::uint64_t level, const BigVector& a,
                   const BigVector& b) {
    const std::uint64_t size = std::uint64_t{1} << level;
    BigVector product(size);
    mpz_class term;
    for (std::uint64_t i = 0; i < size; ++i) {
        if (a[i] == 0) continue;
        for (std::uint64_t j = 0; j < size; ++j) {
            if (b[j] == 0) continue;
            term = a[i] * b[j];
            term *= static_cast<long>(tower.products[i & j]);
            product[i ^ j] += term;
        }
    }
    return product;
}

bool is_zero(const BigVector& v) {
    return std::all_of(v.begin(), v.end(), [](const mpz_class& x) { return x == 0; });
}

// An exact square root of gamma with integer coefficients, if there is one
// (the other is its negative). If beta = b1 + b2 sqrt(h) squares to
// gamma = g1 + g2 sqrt(h), then g1^2 - h g2^2 = (b1^2 - h b2^2)^2, so
// delta = b1^2 - h b2^2 is one of the two roots of that norm, and then
// b1^2 = (g1 + delta) / 2 and b2^2 = (g1 - delta) / (2h): both roots of the
// norm and both signs of b2 are tried, and a candidate is returned only
// after its square is checked to be gamma.
std::optional<BigVector> exact_sqrt(const RealTower& tower, std::uint64_t level,
                                    const BigVector& gamma) {
    if (level == 0) {
        if (gamma[0] < 0) return std::nullopt;
        mpz_class root;
        mpz_class rest;
        mpz_sqrtrem(root.get_mpz_t(), rest.get_mpz_t(), gamma[0].get_mpz_t());
        if (rest != 0) return std::nullopt;
        return BigVector{root};
    }
    const std::uint64_t half = std::uint64_t{1} << (level - 1);
    if (is_zero(gamma)) return BigVector(2 * half);
    const long h = static_cast<long>(tower.h[level - 1]);
    const BigVector g1(gamma.begin(), gamma.begin() + half);
    const BigVector g2(gamma.begin() + half, gamma.end());
    BigVector norm = multiply(tower, level - 1, g1, g1);
    const BigVector g2_squared = multiply(tower, level - 1, g2, g2);
    for (std::uint64_t j = 0; j < half; ++j) norm[j] -= h * g2_squared[j];
    const auto root = exact_sqrt(tower, level - 1, norm);
    if (!root) return std::nullopt;
    for (int sign : {1, -1}) {
        if (sign < 0 && is_zero(*root)) break;
        BigVector u(half);
        BigVector v(half);
        bool divisible = true;
        for (std::uint64_t j = 0; j < half && divisible; ++j) {
            const mpz_class delta = sign > 0 ? (*root)[j] : mpz_class(-(*root)[j]);
            u[j] = g1[j] + delta;
            v[j] = g1[j] - delta;
            divisible = mpz_divisible_ui_p(u[j].get_mpz_t(), 2) &&
                        mpz_divisible_ui_p(v[j].get_mpz_t(), 2 * static_cast<unsigned long>(h));
            if (divisible) {
                mpz_divexact_ui(u[j].get_mpz_t(), u[j].get_mpz_t(), 2);
                mpz_divexact_ui(v[j].get_mpz_t(), v[j].get_mpz_t(), 2 * static_cast<unsigned long>(h));
            }
        }
        if (!divisible) continue;
        const auto b1 = exact_sqrt(tower, level - 1, u);
        if (!b1) continue;
        const auto b2 = exact_sqrt(tower, level - 1, v);
        if (!b2) continue;
        for (int sign2 : {1, -1}) {
            BigVector beta(*b1);
            for (const mpz_class& x : *b2) beta.push_back(sign2 > 0 ? x : mpz_class(-x));
            if (multiply(tower, level, beta, beta) == gamma) return beta;
        }
    }
    return std::nullopt;
}

// Ring maps of the real subfield onto Z/q for a few primes q modulo which
// every h is a non-zero square: a square element is a square under every one
// of them, so a non-residue anywhere rules gamma out before any big-number
// work.
struct ResidueTest {
    std::uint64_t q;
    std::vector<std::uint64_t> root_h;
};

std::vector<ResidueTest> residue_tests(const RealTower& tower) {
    std::vector<ResidueTest> tests;
    for (std::uint64_t q = (1u << 30) + 1; tests.size() < 3; q += 2) {
        if (!is_odd_prime(static_cast<std::int64_t>(q))) continue;
        bool all_squares = true;
        for (std::int64_t h : tower.h) {
            const auto residue = static_cast<std::uint64_t>(h) % q;
            all_squares = all_squares && residue != 0 && is_square_mod(residue, q);
        }
        if (!all_squares) continue;
        ResidueTest test{q, {}};
        for (std::int64_t h : tower.h) test.root_h.push_back(sqrt_mod(static_cast<std::uint64_t>(h) % q, q));
        tests.push_back(std::move(test));
    }
    return tests;
}

bool passes_residue_tests(const std::vector<ResidueTest>& tests, std::uint64_t levels,
                          const std::vector<__int128>& gamma, std::vector<std::uint64_t>& image) {
    const std::uint64_t size = std::uint64_t{1} << levels;
    for (const ResidueTest& test : tests) {
        const std::uint64_t q = test.q;
        for (std::uint64_t j = 0; j < size; ++j) {
            __int128 r = gamma[j] % static_cast<__int128>(q);
            if (r < 0) r += q;
            image[j] = static_cast<std::uint64_t>(r);
        }
        // Butterflies level by level: a + root * b and a - root * b.
        for (std::uint64_t level = 1; level <= levels; ++level) {
            const std::uint64_t half = std::uint64_t{1} << (level - 1);
            const std::uint64_t root = test.root_h[level - 1];
            for (std::uint64_t block = 0; block < size; block += 2 * half) {
                for (std::uint64_t j = block; j < block + half; ++j) {
                    const std::uint64_t a = image[j];
                    const std::uint64_t b = mul_mod(root, image[j + half], q);
                    image[j] = (a + b) % q;
                    image[j + half] = (a + q - b) % q;
                }
            }
        }
        for (std::uint64_t j = 0; j < size; ++j) {
            if (!is_square_mod(image[j], q)) return false;
        }
    }
    return true;
}

using Visit = std::function<void(const std::int64_t*, const double*)>;

// Every element of the given level whose embedding e lies in [lo_e, hi_e]
// (widened by `margin`), with coefficient 0 equal to *fixed when given.
// Floating point only prunes: every embedding value and bound is a sum of at
// most a few dozen rounded terms of magnitude below 8 sqrt(T), so its error
// is below 1e-13 (sqrt(T) + 1), far inside the margin 1e-9 (sqrt(T) + 1)
// added at every comparison. Elements in the box are therefore never lost;
// those slightly outside it may be listed and are rejected by the exact test.
void enumerate_box(const RealTower& tower, std::uint64_t level, const std::vector<double>& lo,
                   const std::vector<double>& hi, const std::int64_t* fixed, double margin,
                   std::uint64_t& nodes, std::uint64_t budget, const Visit& visit) {
    if (budget != 0 && nodes >= budget) return;
    if (++nodes % 4096 == 0) poll_interrupt();
    if (level == 0) {
        const double low = std::ceil(lo[0] - margin);
        const double high = std::floor(hi[0] + margin);
        if (fixed) {
            const auto c = static_cast<double>(*fixed);
            if (c >= low && c <= high) {
                const double value = c;
                visit(fixed, &value);
            }
            return;
        }
        for (double a = low; a <= high; a += 1) {
            const auto coefficient = static_cast<std::int64_t>(a);
            visit(&coefficient, &a);
        }
        return;
    }
    const std::uint64_t half = std::uint64_t{1} << (level - 1);
    const double root = tower.root_h[level - 1];
    std::vector<double> lo_a(half);
    std::vector<double> hi_a(half);
    for (std::uint64_t e = 0; e < half; ++e) {
        // a_e is the mean of the two embeddings above it.
        lo_a[e] = (lo[e] + lo[e + half]) / 2;
        hi_a[e] = (hi[e] + hi[e + half]) / 2;
        if (lo_a[e] > hi_a[e] + 2 * margin) return;
    }
    std::vector<double> lo_b(half);
    std::vector<double> hi_b(half);
    std::vector<std::int64_t> coefficients(2 * half);
    std::vector<double> values(2 * half);
    enumerate_box(tower, level - 1, lo_a, hi_a, fixed, margin, nodes, budget,
                  [&](const std::int64_t* a, const double* a_values) {
        for (std::uint64_t e = 0; e < half; ++e) {
            // a_e + root b_e in [lo_e, hi_e] and a_e - root b_e in
            // [lo_(e+half), hi_(e+half)].
            const double low = std::max(lo[e] - a_values[e], a_values[e] - hi[e + half]);
            const double high = std::min(hi[e] - a_values[e], a_values[e] - lo[e + half]);
            if (low > high + 2 * margin) return;
            lo_b[e] = low / root;
            hi_b[e] = high / root;
        }
        std::copy(a, a + half, coefficients.begin());
        enumerate_box(tower, level - 1, lo_b, hi_b, nullptr, margin, nodes, budget,
                      [&](const std::int64_t* b, const double* b_values) {
            std::copy(b, b + half, coefficients.begin() + half);
            for (std::uint64_t e = 0; e < half; ++e) {
                values[e] = a_values[e] + root * b_values[e];
                values[e + half] = a_values[e] - root * b_values[e];
            }
            visit(coefficients.data(), values.data());
        });
    });
}

}  // namespace

std::optional<std::vector<std::int64_t>> first_solution_by_real_part(
    const MultiquadraticField& field, std::int64_t target, std::uint64_t node_budget,
    bool* cut_short) {
    if (target <= 0) return std::nullopt;
    const std::uint64_t t = *field.imaginary_index();
    const std::uint64_t conj_bit = std::uint64_t{1} << t;
    const auto& generators = field.generators();

    RealTower tower;
    std::vector<std::uint64_t> positions;  // generator position of h_1 .. h_r
    for (std::uint64_t k = 0; k < generators.size(); ++k) {
        if (k == t) continue;
        positions.push_back(k);
        tower.h.push_back(generators[k]);
        tower.root_h.push_back(std::sqrt(static_cast<double>(generators[k])));
    }
    tower.levels = positions.size();
    const std::uint64_t size = std::uint64_t{1} << tower.levels;
    tower.products.assign(size, 1);
    for (std::uint64_t mask = 0; mask < size; ++mask) {
        for (std::uint64_t b = 0; b < tower.levels; ++b) {
            if ((mask >> b) & 1) tower.products[mask] *= tower.h[b];
        }
    }
    // Real coefficient j of the tower is field coefficient basis_index[j];
    // the matching coefficient of beta is that index with the bit of -1.
    std::vector<std::uint64_t> basis_index(size, 0);
    for (std::uint64_t j = 0; j < size; ++j) {
        for (std::uint64_t b = 0; b < tower.levels; ++b) {
            if ((j >> b) & 1) basis_index[j] |= std::uint64_t{1} << positions[b];
        }
    }
    const std::vector<ResidueTest> tests = residue_tests(tower);

    const auto limit = static_cast<std::int64_t>(isqrt(static_cast<std::uint64_t>(target)));
    const double radius = std::sqrt(static_cast<double>(target));
    const double margin = 1e-9 * (radius + 1);
    const std::vector<double> lo(size, -radius);
    const std::vector<double> hi(size, radius);

    std::vector<__int128> gamma(size);
    std::vector<std::uint64_t> image(size);
    std::vector<std::int64_t> x(field.degree());
    std::uint64_t nodes = 0;
    for (std::int64_t c = -limit; c <= limit; ++c) {
        std::vector<std::vector<std::int64_t>> solutions;
        enumerate_box(tower, tower.levels, lo, hi, &c, margin, nodes, node_budget,
                      [&](const std::int64_t* alpha, const double*) {
            // gamma = T - alpha^2; every term is at most T in magnitude.
            std::fill(gamma.begin(), gamma.end(), 0);
            gamma[0] = target;
            for (std::uint64_t i = 0; i < size; ++i) {
                if (alpha[i] == 0) continue;
                for (std::uint64_t j = 0; j < size; ++j) {
                    if (alpha[j] == 0) continue;
                    gamma[i ^ j] -= static_cast<__int128>(alpha[i]) * alpha[j] *
                                    tower.products[i & j];
                }
            }
            if (!passes_residue_tests(tests, tower.levels, gamma, image)) return;
            BigVector big(size);
            for (std::uint64_t j = 0; j < size; ++j) {
                const __int128 v = gamma[j];
                const bool negative = v < 0;
                const unsigned __int128 magnitude =
                    negative ? -static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
                big[j] = static_cast<unsigned long>(magnitude >> 64);
                big[j] <<= 64;
                big[j] += static_cast<unsigned long>(static_cast<std::uint64_t>(magnitude));
                if (negative) big[j] = -big[j];
            }
            const auto beta = exact_sqrt(tower, tower.levels, big);
            if (!beta) return;
            for (int sign : {1, -1}) {
                std::fill(x.begin(), x.end(), 0);
                bool fits = true;
                for (std::uint64_t j = 0; j < size; ++j) {
                    x[basis_index[j]] = alpha[j];
                    const mpz_class b = sign > 0 ? (*beta)[j] : mpz_class(-(*beta)[j]);
                    fits = fits && b.fits_slong_p();
                    if (fits) x[basis_index[j] | conj_bit] = b.get_si();
                }
                if (fits && solves_norm_equation(x, field, target)) solutions.push_back(x);
            }
        });
        // A search cut short by its budget has not seen every alpha.
        if (node_budget != 0 && nodes >= node_budget) {
            if (cut_short != nullptr) *cut_short = true;
            return std::nullopt;
        }
        if (!solutions.empty()) return *std::min_element(solutions.begin(), solutions.end());
    }
    return std::nullopt;
}

}  // namespace vantor
