#include "unit_lattices/lll_reduction.hpp"

#include <utility>

#include "utils/interrupt.hpp"

namespace vantor::unit_lattices {

namespace {

using Gram = std::vector<std::vector<mpz_class>>;

Gram gram_matrix(const std::vector<IntegerVector>& basis, std::span<const std::int64_t> weights) {
    const std::size_t n = basis.size();
    Gram gram(n, std::vector<mpz_class>(n));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            gram[i][j] = weighted_dot(basis[i], basis[j], weights);
            gram[j][i] = gram[i][j];
        }
    }
    return gram;
}

GramSchmidt from_gram(const Gram& gram) {
    const std::size_t n = gram.size();
    GramSchmidt gs;
    gs.mu.assign(n, std::vector<mpq_class>(n));
    gs.squared.assign(n, mpq_class(0));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            mpq_class value(gram[i][j]);
            for (std::size_t l = 0; l < j; ++l) value -= gs.mu[j][l] * gs.mu[i][l] * gs.squared[l];
            gs.mu[i][j] = value / gs.squared[j];
        }
        mpq_class value(gram[i][i]);
        for (std::size_t l = 0; l < i; ++l) value -= gs.mu[i][l] * gs.mu[i][l] * gs.squared[l];
        gs.squared[i] = value;
    }
    return gs;
}

// The integer nearest to q, halves rounded up.
mpz_class nearest(const mpq_class& q) {
    mpq_class shifted = q + mpq_class(1, 2);
    mpz_class result;
    mpz_fdiv_q(result.get_mpz_t(), shifted.get_num_mpz_t(), shifted.get_den_mpz_t());
    return result;
}

}  // namespace

GramSchmidt gram_schmidt(const std::vector<IntegerVector>& basis,
                         std::span<const std::int64_t> weights) {
    return from_gram(gram_matrix(basis, weights));
}

void lll_reduce(std::vector<IntegerVector>& basis, std::span<const std::int64_t> weights) {
    const std::size_t n = basis.size();
    if (n < 2) return;
    Gram gram = gram_matrix(basis, weights);
    const mpq_class delta(3, 4);
    std::size_t k = 1;
    while (k < n) {
        poll_interrupt();
        GramSchmidt gs = from_gram(gram);
        // Size reduction of b_k against b_(k-1), ..., b_0.
        for (std::size_t jj = k; jj-- > 0;) {
            const mpz_class q = nearest(gs.mu[k][jj]);
            if (q == 0) continue;
            for (std::size_t m = 0; m < basis[k].size(); ++m) basis[k][m] -= q * basis[jj][m];
            // Gram update for b_k <- b_k - q b_jj.
            const mpz_class old_kk = gram[k][k];
            const mpz_class old_kj = gram[k][jj];
            for (std::size_t l = 0; l < n; ++l) {
                if (l == k) continue;
                gram[k][l] -= q * gram[jj][l];
                gram[l][k] = gram[k][l];
            }
            gram[k][k] = old_kk - 2 * q * old_kj + q * q * gram[jj][jj];
            for (std::size_t l = 0; l < jj; ++l) gs.mu[k][l] -= q * gs.mu[jj][l];
            gs.mu[k][jj] -= q;
        }
        const mpq_class& mu = gs.mu[k][k - 1];
        if (gs.squared[k] >= (delta - mu * mu) * gs.squared[k - 1]) {
            ++k;
            continue;
        }
        std::swap(basis[k], basis[k - 1]);
        std::swap(gram[k], gram[k - 1]);
        for (std::size_t l = 0; l < n; ++l) std::swap(gram[l][k], gram[l][k - 1]);
        k = k > 1 ? k - 1 : 1;
    }
}

}  // namespace vantor::unit_lattices
