#include "short_vectors.hpp"

#include <gmpxx.h>

#include <cmath>

#include "utils/interrupt.hpp"

namespace vantor {
namespace {

mpz_class to_mpz(__int128 v) {
    const bool negative = v < 0;
    unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(v)
                                           : static_cast<unsigned __int128>(v);
    mpz_class result(static_cast<unsigned long>(magnitude >> 64));
    result <<= 64;
    result += static_cast<unsigned long>(static_cast<std::uint64_t>(magnitude));
    return negative ? mpz_class(-result) : result;
}

}  // namespace

bool reduce_basis(LatticeBasis& basis, std::span<const std::int64_t> weights) {
    const std::size_t d = basis.size();
    if (d < 2) return true;
    const std::size_t dim = weights.size();
    using Real = long double;
    std::vector<std::vector<Real>> mu(d, std::vector<Real>(d, 0));
    std::vector<Real> norm(d, 0);  // squared lengths of the orthogonalised rows

    // Inner products are exact (128-bit, or big integers when that
    // overflows) and rounded once: a rounded sum of rounded products loses
    // everything when long rows nearly cancel, which is exactly what happens
    // beside a very short vector.
    mpz_class big_sum;
    mpz_class big_term;
    auto dot = [&](std::size_t a, std::size_t b) -> Real {
        __int128 sum = 0;
        bool overflow = false;
        for (std::size_t m = 0; m < dim && !overflow; ++m) {
            __int128 term;
            overflow = __builtin_mul_overflow(basis[a][m], basis[b][m], &term) ||
                       __builtin_mul_overflow(term, static_cast<__int128>(weights[m]), &term) ||
                       __builtin_add_overflow(sum, term, &sum);
        }
        if (!overflow) return static_cast<Real>(sum);
        big_sum = 0;
        for (std::size_t m = 0; m < dim; ++m) {
            big_term = to_mpz(basis[a][m]) * to_mpz(basis[b][m]);
            big_sum += big_term * static_cast<long>(weights[m]);
        }
        return static_cast<Real>(big_sum.get_d());
    };
    auto orthogonalise = [&](std::size_t k) {
        for (std::size_t j = 0; j < k; ++j) {
            Real r = dot(k, j);
            for (std::size_t i = 0; i < j; ++i) r -= mu[j][i] * mu[k][i] * norm[i];
            mu[k][j] = r / norm[j];
        }
        Real r = dot(k, k);
        for (std::size_t j = 0; j < k; ++j) r -= mu[k][j] * mu[k][j] * norm[j];
        norm[k] = r;
    };
    // Row k minus q times row j, formed aside and committed only when every
    // entry fits.
    std::vector<__int128> row(dim);
    auto subtract = [&](std::size_t k, std::size_t j, __int128 q) {
        for (std::size_t m = 0; m < dim; ++m) {
            __int128 product;
            if (__builtin_mul_overflow(q, basis[j][m], &product)) return false;
            if (__builtin_sub_overflow(basis[k][m], product, &row[m])) return false;
        }
        basis[k] = row;
        return true;
    };

    constexpr Real kLimit = 1e30L;  // beyond this a multiplier cannot be an exact integer
    orthogonalise(0);
    std::size_t k = 1;
    std::uint64_t steps = 0;
    const std::uint64_t budget = 200000 + 2000 * d * d;
    while (k < d) {
        if (++steps > budget) return false;
        if (steps % 1024 == 0) poll_interrupt();
        // Size reduction, repeated while rounding left a multiplier above one
        // half (large multipliers lose their low bits in floating point).
        for (int round = 0;; ++round) {
            if (round > 64) return false;
            orthogonalise(k);
            bool changed = false;
            for (std::size_t j = k; j-- > 0;) {
                if (std::fabs(mu[k][j]) <= 0.51L) continue;
                const Real rounded = std::round(mu[k][j]);
                if (!(std::fabs(rounded) < kLimit)) return false;
                const auto q = static_cast<__int128>(rounded);
                if (!subtract(k, j, q)) return false;
                for (std::size_t i = 0; i < j; ++i) mu[k][i] -= rounded * mu[j][i];
                mu[k][j] -= rounded;
                changed = true;
            }
            if (!changed) break;
        }
        if (norm[k] >= (0.99L - mu[k][k - 1] * mu[k][k - 1]) * norm[k - 1]) {
            ++k;
        } else {
            std::swap(basis[k], basis[k - 1]);
            if (k == 1) {
                orthogonalise(0);
            } else {
                orthogonalise(k - 1);
                --k;
            }
        }
    }
    return true;
}

bool for_each_short_vector(const LatticeBasis& basis, std::span<const std::int64_t> weights,
                           std::int64_t bound,
                           const std::function<void(std::span<const std::int64_t>)>& visit) {
    const std::size_t d = basis.size();
    const std::size_t dim = weights.size();
    if (d == 0) return true;
    // Exact Gram matrix and its decomposition Q = sum_k B_k (y_k + sum_{j>k} mu_jk y_j)^2.
    std::vector<std::vector<mpz_class>> entries(d, std::vector<mpz_class>(dim));
    for (std::size_t i = 0; i < d; ++i) {
        for (std::size_t m = 0; m < dim; ++m) entries[i][m] = to_mpz(basis[i][m]);
    }
    std::vector<std::vector<mpq_class>> mu(d, std::vector<mpq_class>(d));
    std::vector<mpq_class> norm(d);
    mpz_class gram;
    for (std::size_t i = 0; i < d; ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            gram = 0;
            for (std::size_t m = 0; m < dim; ++m) {
                gram += entries[i][m] * entries[j][m] * static_cast<long>(weights[m]);
            }
            mpq_class r(gram);
            for (std::size_t k = 0; k < j; ++k) r -= mu[j][k] * mu[i][k] * norm[k];
            if (j < i) {
                mu[i][j] = r / norm[j];
            } else {
                norm[i] = r;
            }
        }
    }

    // Depth-first over the coordinates y_{d-1}, ..., y_0 of the basis. At
    // level k the centre is c_k = -sum_{j>k} mu_jk y_j and the integers y_k
    // with B_k (y_k - c_k)^2 <= budget form one run around c_k, found by
    // exact comparisons outwards from floor(c_k).
    std::vector<std::int64_t> y(d, 0);
    std::vector<mpq_class> centre(d);
    std::vector<mpq_class> budget(d + 1);
    budget[d] = mpq_class(static_cast<long>(bound));
    mpq_class gap;
    mpq_class used;
    std::vector<__int128> x(dim);
    std::vector<std::int64_t> out(dim);
    bool fits = true;
    std::uint64_t visited = 0;

    auto emit = [&]() {
        bool zero = true;
        for (std::size_t m = 0; m < dim; ++m) {
            __int128 sum = 0;
            for (std::size_t i = 0; i < d; ++i) {
                if (y[i] != 0) sum += static_cast<__int128>(y[i]) * basis[i][m];
            }
            x[m] = sum;
            zero = zero && sum == 0;
        }
        if (zero) return;
        for (std::size_t m = 0; m < dim; ++m) {
            if (x[m] > INT64_MAX || x[m] < INT64_MIN) {
                fits = false;
                return;
            }
            out[m] = static_cast<std::int64_t>(x[m]);
        }
        visit(out);
    };

    std::function<void(std::size_t)> descend = [&](std::size_t level) {
        if (++visited % 4096 == 0) poll_interrupt();
        mpq_class& c = centre[level];
        c = 0;
        for (std::size_t j = level + 1; j < d; ++j) {
            if (y[j] != 0) c -= mu[j][level] * static_cast<long>(y[j]);
        }
        mpz_class start;
        mpz_fdiv_q(start.get_mpz_t(), c.get_num_mpz_t(), c.get_den_mpz_t());
        auto try_value = [&](const mpz_class& value) {
            if (!value.fits_slong_p()) {
                fits = false;
                return false;
            }
            gap = value - c;
            used = norm[level] * gap * gap;
            if (used > budget[level + 1]) return false;
            budget[level] = budget[level + 1] - used;
            y[level] = value.get_si();
            if (level == 0) {
                emit();
            } else {
                descend(level - 1);
            }
            y[level] = 0;
            return true;
        };
        for (mpz_class value = start; try_value(value); --value) {
        }
        for (mpz_class value = start + 1; try_value(value); ++value) {
        }
    };
    descend(d - 1);
    return fits;
}

}  // namespace vantor
