#include "split_prime.hpp"

namespace vantor {
namespace {

std::uint64_t mul_mod(std::uint64_t a, std::uint64_t b, std::uint64_t m) {
    return static_cast<std::uint64_t>(static_cast<unsigned __int128>(a) * b % m);
}

// One round of the strong probable-prime test of odd n to base a.
bool strong_probable_prime(std::uint64_t n, std::uint64_t a) {
    std::uint64_t d = n - 1;
    unsigned s = 0;
    while (d % 2 == 0) {
        d /= 2;
        ++s;
    }
    std::uint64_t x = power_mod(a % n, d, n);
    if (x == 1 || x == n - 1 || x == 0) return true;
    for (unsigned r = 1; r < s; ++r) {
        x = mul_mod(x, x, n);
        if (x == n - 1) return true;
    }
    return false;
}

}  // namespace

std::uint64_t power_mod(std::uint64_t a, std::uint64_t e, std::uint64_t m) {
    std::uint64_t result = 1 % m;
    std::uint64_t base = a % m;
    while (e > 0) {
        if (e & 1) result = mul_mod(result, base, m);
        base = mul_mod(base, base, m);
        e >>= 1;
    }
    return result;
}

bool is_odd_prime(std::int64_t p) {
    if (p < 3 || p % 2 == 0) return false;
    if (p < 9) return true;
    const auto n = static_cast<std::uint64_t>(p);
    // Small factors by division; then the strong test to the first twelve
    // prime bases, which has no composite exceptions below 2^64.
    static constexpr std::uint64_t kBases[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
    for (std::uint64_t f : kBases) {
        if (n == f) return true;
        if (n % f == 0) return false;
    }
    for (std::uint64_t a : kBases) {
        if (!strong_probable_prime(n, a)) return false;
    }
    return true;
}

Result<void> check_split_prime(std::span<const std::int64_t> generators, std::int64_t p) {
    if (!is_odd_prime(p)) return fail(SplitPrimeNotOddPrime{p});
    const auto modulus = static_cast<std::uint64_t>(p);
    for (std::int64_t g : generators) {
        // g mod p taken in 0 .. p-1, so -1 gives p - 1.
        std::int64_t residue = g % p;
        if (residue < 0) residue += p;
        if (residue == 0) return fail(PrimeNotSplit{p, g});
        // Euler's criterion: g is a square modulo p exactly when
        // g^((p-1)/2) = 1.
        if (power_mod(static_cast<std::uint64_t>(residue), (modulus - 1) / 2, modulus) != 1) {
            return fail(PrimeNotSplit{p, g});
        }
    }
    return {};
}

}  // namespace vantor
