#include "prime_ideal_search.hpp"

#include <algorithm>

#include "norm_equation.hpp"
#include "prime_element.hpp"
#include "short_vectors.hpp"
#include "split_prime.hpp"
#include "utils/interrupt.hpp"

namespace vantor {

// Why this finds every solution. Send sqrt(g_k) to a square root r_k of g_k
// modulo p, with the sign flipped for every bit k of s: this is a ring map
// phi_s from the integer elements onto Z/p, one for each s in 0 .. D-1.
// Complex conjugation flips the bit t of -1, so phi_s(conj x) =
// phi_{s^c}(x) with c = 2^t. If theta * conj(theta) = p then
// phi_s(theta) * phi_{s^c}(theta) = 0 modulo p, so for every pair
// {s, s^c} one of the two maps sends theta to 0: theta lies in the lattice
// of some "pattern", a choice of one s from each of the D/2 pairs, whose
// vectors are sent to 0 by the chosen maps. Every solution has weighted
// square sum p, so listing each pattern's lattice vectors with sum at most p
// and testing them exactly lists every solution.
//
// The sign flips of the generators permute the maps (phi_s(tau x) =
// phi_{s^tau}(x)), so the solutions of the pattern s -> a(s^tau) are the
// images under tau of those of a. One pattern per orbit is searched and its
// solutions are carried to the others by every flip.
std::optional<std::vector<std::int64_t>> first_solution_by_prime_ideals(
    const MultiquadraticField& field, std::int64_t p) {
    const std::uint64_t degree = field.degree();
    const std::uint64_t t = *field.imaginary_index();
    const std::uint64_t conj_bit = std::uint64_t{1} << t;
    const auto q = static_cast<std::uint64_t>(p);
    const auto& generators = field.generators();
    const std::vector<std::int64_t> weights = norm_weights(field);

    std::vector<std::uint64_t> roots;
    for (std::int64_t g : generators) {
        std::int64_t residue = g % p;
        if (residue < 0) residue += p;
        roots.push_back(sqrt_mod(static_cast<std::uint64_t>(residue), q));
    }
    // phi[s][m] = phi_s(basis element m).
    std::vector<std::vector<std::uint64_t>> phi(degree, std::vector<std::uint64_t>(degree, 1));
    for (std::uint64_t s = 0; s < degree; ++s) {
        for (std::uint64_t m = 0; m < degree; ++m) {
            std::uint64_t value = 1;
            for (std::uint64_t k = 0; k < generators.size(); ++k) {
                if (!((m >> k) & 1)) continue;
                const std::uint64_t root = ((s >> k) & 1) ? q - roots[k] : roots[k];
                value = mul_mod(value, root, q);
            }
            phi[s][m] = value;
        }
    }

    std::vector<std::uint64_t> real_half;  // the s without the bit of -1
    for (std::uint64_t s = 0; s < degree; ++s) {
        if (!(s & conj_bit)) real_half.push_back(s);
    }
    const std::uint64_t half = real_half.size();
    // A pattern as the set of chosen s, one bit per s.
    auto chosen_set = [&](std::uint64_t choice) {
        std::uint64_t set = 0;
        for (std::uint64_t j = 0; j < half; ++j) {
            const std::uint64_t s = real_half[j] ^ (((choice >> j) & 1) ? conj_bit : 0);
            set |= std::uint64_t{1} << s;
        }
        return set;
    };
    auto flipped_set = [&](std::uint64_t set, std::uint64_t tau) {
        std::uint64_t image = 0;
        for (std::uint64_t s = 0; s < degree; ++s) {
            if ((set >> (s ^ tau)) & 1) image |= std::uint64_t{1} << s;
        }
        return image;
    };

    std::vector<std::int64_t> best;
    bool found = false;
    auto offer = [&](std::span<const std::int64_t> x) {
        for (std::uint64_t tau = 0; tau < degree; ++tau) {
            std::vector<std::int64_t> image = apply_sign_flips(x, tau);
            if (!found || std::lexicographical_compare(image.begin(), image.end(), best.begin(),
                                                       best.end())) {
                best = std::move(image);
                found = true;
            }
        }
    };

    const std::uint64_t patterns = std::uint64_t{1} << half;
    for (std::uint64_t choice = 0; choice < patterns; ++choice) {
        poll_interrupt();
        const std::uint64_t set = chosen_set(choice);
        bool representative = true;
        for (std::uint64_t tau = 1; tau < degree && representative; ++tau) {
            representative = flipped_set(set, tau) >= set;
        }
        if (!representative) continue;

        // Rows phi_s for the chosen s, brought to reduced echelon form
        // modulo p; the lattice is spanned by p e_j for the pivot columns j
        // and, for each other column f, by e_f minus the pivot entries.
        std::vector<std::vector<std::uint64_t>> rows;
        for (std::uint64_t s = 0; s < degree; ++s) {
            if ((set >> s) & 1) rows.push_back(phi[s]);
        }
        std::vector<std::uint64_t> pivots;
        std::size_t rank = 0;
        for (std::uint64_t col = 0; col < degree && rank < rows.size(); ++col) {
            std::size_t r = rank;
            while (r < rows.size() && rows[r][col] == 0) ++r;
            if (r == rows.size()) continue;
            std::swap(rows[r], rows[rank]);
            const std::uint64_t inverse = power_mod(rows[rank][col], q - 2, q);
            for (auto& v : rows[rank]) v = mul_mod(v, inverse, q);
            for (std::size_t other = 0; other < rows.size(); ++other) {
                if (other == rank || rows[other][col] == 0) continue;
                const std::uint64_t factor = rows[other][col];
                for (std::uint64_t c = 0; c < degree; ++c) {
                    rows[other][c] = (rows[other][c] + q - mul_mod(factor, rows[rank][c], q)) % q;
                }
            }
            pivots.push_back(col);
            ++rank;
        }
        LatticeBasis basis;
        std::vector<bool> is_pivot(degree, false);
        for (std::uint64_t col : pivots) is_pivot[col] = true;
        for (std::size_t i = 0; i < rank; ++i) {
            std::vector<__int128> v(degree, 0);
            v[pivots[i]] = static_cast<__int128>(q);
            basis.push_back(std::move(v));
        }
        for (std::uint64_t f = 0; f < degree; ++f) {
            if (is_pivot[f]) continue;
            std::vector<__int128> v(degree, 0);
            v[f] = 1;
            for (std::size_t i = 0; i < rank; ++i) {
                v[pivots[i]] = rows[i][f] == 0 ? 0 : static_cast<__int128>(q - rows[i][f]);
            }
            basis.push_back(std::move(v));
        }
        // A less reduced basis only makes the exact listing slower.
        reduce_basis(basis, weights);
        const bool complete = for_each_short_vector(
            basis, weights, p, [&](std::span<const std::int64_t> x) {
                const auto sum = weighted_square_sum(x, weights);
                if (sum && *sum == p && solves_norm_equation(x, field, p)) offer(x);
            });
        if (!complete) return std::nullopt;
    }
    if (!found) return std::nullopt;
    return best;
}

}  // namespace vantor
