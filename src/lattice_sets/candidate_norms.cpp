#include "lattice_sets/candidate_norms.hpp"

#include <algorithm>

#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

namespace {

// The primes p <= limit with p = 1 (mod modulus), increasing.
std::vector<std::uint64_t> split_primes(std::uint64_t limit, std::uint64_t modulus) {
    std::vector<std::uint64_t> primes;
    if (limit < 2) return primes;
    std::vector<bool> composite(limit + 1, false);
    for (std::uint64_t p = 2; p <= limit; ++p) {
        if (composite[p]) continue;
        if (p % modulus == 1) primes.push_back(p);
        if (p > limit / p) continue;
        for (std::uint64_t q = p * p; q <= limit; q += p) composite[q] = true;
        poll_interrupt();
    }
    return primes;
}

// Every product of primes[from..] (with multiplicity) times `m`, up to
// limit, with its divisor-count factor prod(e + 1).
void collect_products(const std::vector<std::uint64_t>& primes, std::size_t from, std::uint64_t m,
                      std::uint64_t divisors, std::uint64_t limit,
                      std::vector<CandidateNorm>& out) {
    out.push_back({m, divisors});
    for (std::size_t k = from; k < primes.size() && primes[k] <= limit / m; ++k) {
        std::uint64_t power = m;
        for (std::uint64_t e = 1; primes[k] <= limit / power; ++e) {
            power *= primes[k];
            collect_products(primes, k + 1, power, divisors * (e + 1), limit, out);
        }
    }
}

}  // namespace

std::vector<CandidateNorm> candidate_norms(const PlaneLattice& lattice, std::uint64_t max_norm) {
    max_norm = std::min(max_norm, kMaxNorm);
    const std::uint64_t units = lattice.unit_count;
    const std::uint64_t ramified = lattice.ramified_prime;

    std::vector<CandidateNorm> products;
    if (max_norm >= 1) {
        collect_products(split_primes(max_norm, lattice.split_modulus), 0, 1, 1, max_norm,
                         products);
    }
    std::sort(products.begin(), products.end(),
              [](const CandidateNorm& x, const CandidateNorm& y) { return x.m < y.m; });

    std::vector<CandidateNorm> candidates;
    std::uint64_t most = 0;
    for (const CandidateNorm& product : products) {
        if (product.vector_count < most) continue;
        most = product.vector_count;
        candidates.push_back({product.m, units * product.vector_count});
    }
    const std::size_t unturned = candidates.size();
    for (std::size_t k = 0; k < unturned; ++k) {
        if (candidates[k].m > max_norm / ramified) break;
        candidates.push_back({candidates[k].m * ramified, candidates[k].vector_count});
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const CandidateNorm& x, const CandidateNorm& y) { return x.m < y.m; });
    return candidates;
}

}  // namespace vantor::lattice_sets
