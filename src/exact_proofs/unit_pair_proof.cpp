#include "exact_proofs/unit_pair_proof.hpp"

#include <algorithm>
#include <cstdlib>

#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::exact {
namespace {

// The 128-bit route holds when every numerator is below 2^31 in magnitude
// (differences below 2^32), every product-rule factor below 2^20 and the
// degree at most 2^10: a product of two differences and a factor is below
// 2^84 and a sum of at most 2^10 of them below 2^94. L^2 must fit too.
constexpr std::int64_t kSmallNumerator = std::int64_t{1} << 31;
constexpr std::int64_t kSmallFactor = std::int64_t{1} << 20;
constexpr std::uint64_t kSmallDegree = 1024;
constexpr std::uint64_t kSmallDenominatorBits = 62;

// Pairs are judged in blocks of this many, one block per task.
constexpr std::size_t kPairsPerBlock = 4096;

bool fits_small(const mpz_class& value) {
    return mpz_sizeinbase(value.get_mpz_t(), 2) < 31;
}

// The sign conj() gives basis element q: -1 when q contains i.
inline bool conjugate_flips(std::uint64_t q, std::uint64_t imaginary_bit) {
    return (q & imaginary_bit) != 0;
}

}  // namespace

UnitPairProver::UnitPairProver(const MultiquadraticField& field,
                               std::span<const FieldElement> elements)
    : field_(&field),
      degree_(field.degree()),
      count_(elements.size()),
      imaginary_bit_(std::uint64_t{1} << field.imaginary_index().value()),
      small_(false) {
    mpz_class denominator = 1;
    for (const FieldElement& element : elements) {
        for (const Rational& q : element.coefficients) {
            mpz_lcm(denominator.get_mpz_t(), denominator.get_mpz_t(), q.get_den_mpz_t());
        }
    }
    big_numerators_.reserve(count_ * degree_);
    bool small = degree_ <= kSmallDegree &&
                 mpz_sizeinbase(denominator.get_mpz_t(), 2) <= kSmallDenominatorBits;
    for (std::uint64_t m = 0; m < degree_ && small; ++m) {
        small = std::llabs(field.scale(m, m)) < kSmallFactor;
    }
    for (const FieldElement& element : elements) {
        for (const Rational& q : element.coefficients) {
            mpz_class numerator = denominator / q.get_den() * q.get_num();
            small = small && fits_small(numerator);
            big_numerators_.push_back(std::move(numerator));
        }
    }
    big_target_ = denominator * denominator;
    small_ = small;
    if (small_) {
        small_numerators_.reserve(big_numerators_.size());
        for (const mpz_class& numerator : big_numerators_) {
            small_numerators_.push_back(numerator.get_si());
        }
        const auto l = static_cast<__int128>(denominator.get_si());
        small_target_ = l * l;
        big_numerators_.clear();
        big_numerators_.shrink_to_fit();
    }
}

bool UnitPairProver::is_unit_pair(std::uint64_t i, std::uint64_t j) const {
    return small_ ? unit_small(i, j) : unit_big(i, j);
}

// Coefficient m of d * conj(d) is the sum over r of
// d_r * conj(d)_(r^m) * s(r, r^m); coefficient 0 is tested first, as it
// settles almost every pair that is not a unit pair.
bool UnitPairProver::unit_small(std::uint64_t i, std::uint64_t j) const {
    const std::int64_t* a = small_numerators_.data() + i * degree_;
    const std::int64_t* b = small_numerators_.data() + j * degree_;
    std::int64_t d[kSmallDegree];
    for (std::uint64_t r = 0; r < degree_; ++r) d[r] = b[r] - a[r];
    for (std::uint64_t m = 0; m < degree_; ++m) {
        __int128 sum = 0;
        for (std::uint64_t r = 0; r < degree_; ++r) {
            const std::uint64_t q = r ^ m;
            __int128 term = static_cast<__int128>(d[r]) * d[q] * field_->scale(r, q);
            sum += conjugate_flips(q, imaginary_bit_) ? -term : term;
        }
        if (sum != (m == 0 ? small_target_ : 0)) return false;
    }
    return true;
}

bool UnitPairProver::unit_big(std::uint64_t i, std::uint64_t j) const {
    const mpz_class* a = big_numerators_.data() + i * degree_;
    const mpz_class* b = big_numerators_.data() + j * degree_;
    // Scratch kept per thread, so that a verdict allocates nothing once the
    // integers have grown to the size of the elements.
    thread_local std::vector<mpz_class> d;
    thread_local mpz_class sum;
    thread_local mpz_class term;
    d.resize(degree_);
    for (std::uint64_t r = 0; r < degree_; ++r) {
        mpz_sub(d[r].get_mpz_t(), b[r].get_mpz_t(), a[r].get_mpz_t());
    }
    for (std::uint64_t m = 0; m < degree_; ++m) {
        sum = 0;
        for (std::uint64_t r = 0; r < degree_; ++r) {
            const std::uint64_t q = r ^ m;
            mpz_mul(term.get_mpz_t(), d[r].get_mpz_t(), d[q].get_mpz_t());
            mpz_mul_si(term.get_mpz_t(), term.get_mpz_t(), field_->scale(r, q));
            if (conjugate_flips(q, imaginary_bit_)) {
                sum -= term;
            } else {
                sum += term;
            }
        }
        if (m == 0 ? sum != big_target_ : sgn(sum) != 0) return false;
    }
    return true;
}

PairVerdicts prove_unit_pairs(const UnitPairProver& prover, std::span<const Edge> pairs) {
    std::vector<std::uint8_t> unit(pairs.size());
    const std::size_t blocks = (pairs.size() + kPairsPerBlock - 1) / kPairsPerBlock;
    parallel_for(blocks, [&](std::size_t block) {
        poll_interrupt();
        const std::size_t end = std::min(pairs.size(), (block + 1) * kPairsPerBlock);
        for (std::size_t k = block * kPairsPerBlock; k < end; ++k) {
            unit[k] = prover.is_unit_pair(pairs[k].i, pairs[k].j) ? 1 : 0;
        }
    });
    PairVerdicts verdicts;
    const auto unit_count = static_cast<std::size_t>(std::count(unit.begin(), unit.end(), 1));
    verdicts.unit.reserve(unit_count);
    verdicts.not_unit.reserve(pairs.size() - unit_count);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        (unit[k] ? verdicts.unit : verdicts.not_unit).push_back(pairs[k]);
    }
    return verdicts;
}

bool has_unit_modulus(const FieldElement& element, const MultiquadraticField& field) {
    return mul(element, complex_conjugate(element, field), field) == FieldElement::one(field);
}

}  // namespace vantor::exact
