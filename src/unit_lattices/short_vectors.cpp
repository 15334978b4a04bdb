#include "unit_lattices/short_vectors.hpp"

#include <algorithm>

#include "utils/interrupt.hpp"

namespace vantor::unit_lattices {

namespace {

constexpr unsigned kMaxCoordinateLog2 = 40;

struct Walk {
    const GramSchmidt& form;
    const mpq_class& bound;
    std::uint64_t node_limit;
    std::uint64_t nodes = 0;
    bool too_many = false;
    bool too_large = false;
    std::vector<std::int64_t> c;
    std::vector<std::vector<std::int64_t>> found;

    // The part of Q from depth i for the value x of c_i, given the centre.
    mpq_class term(std::size_t i, const mpz_class& x, const mpq_class& centre) const {
        const mpq_class offset = mpq_class(x) - centre;
        return form.squared[i] * offset * offset;
    }

    bool fits(const mpz_class& x) {
        if (abs(x) > mpz_class(1) << kMaxCoordinateLog2) {
            too_large = true;
            return false;
        }
        return true;
    }

    // Tries the value x of c_i with `used` of the bound spent above depth i.
    // False when x lies outside the interval at depth i.
    bool visit(std::size_t i, const mpz_class& x, const mpq_class& centre, const mpq_class& used) {
        if (too_many || too_large) return false;
        if (++nodes > node_limit) {
            too_many = true;
            return false;
        }
        if ((nodes & 4095) == 0) poll_interrupt();
        const mpq_class total = used + term(i, x, centre);
        if (total > bound) return false;
        if (!fits(x)) return false;
        c[i] = x.get_si();
        if (i == 0) {
            found.push_back(c);
        } else {
            descend(i - 1, total);
        }
        return true;
    }

    void descend(std::size_t i, const mpq_class& used) {
        mpq_class centre = 0;
        for (std::size_t j = i + 1; j < c.size(); ++j) {
            centre -= form.mu[j][i] * mpq_class(c[j]);
        }
        mpz_class start;
        mpz_fdiv_q(start.get_mpz_t(), centre.get_num_mpz_t(), centre.get_den_mpz_t());
        // The admissible values form an interval; walk down from floor(centre)
        // and up from floor(centre) + 1 until each side fails its exact test.
        // The values are collected first so that the order is increasing.
        std::vector<mpz_class> low;
        for (mpz_class x = start;; --x) {
            if (too_many || too_large || !fits(x)) return;
            const mpq_class offset = mpq_class(x) - centre;
            if (used + form.squared[i] * offset * offset > bound) break;
            low.push_back(x);
        }
        std::reverse(low.begin(), low.end());
        for (const mpz_class& x : low) visit(i, x, centre, used);
        for (mpz_class x = start + 1;; ++x) {
            if (too_many || too_large) return;
            if (!visit(i, x, centre, used)) break;
        }
    }
};

}  // namespace

std::expected<std::vector<std::vector<std::int64_t>>, UnitLatticeError> vectors_within(
    const GramSchmidt& form, const mpq_class& bound, std::uint64_t node_limit) {
    const std::size_t n = form.squared.size();
    Walk walk{form, bound, node_limit, 0, false, false, {}, {}};
    walk.c.assign(n, 0);
    if (n > 0 && bound >= 0) walk.descend(n - 1, mpq_class(0));
    if (walk.too_many) return std::unexpected(UnitLatticeError{EnumerationTooLarge{node_limit}});
    if (walk.too_large) {
        return std::unexpected(UnitLatticeError{DescriptionTooLarge{"unit coordinate", kMaxCoordinateLog2}});
    }
    return std::move(walk.found);
}

}  // namespace vantor::unit_lattices
