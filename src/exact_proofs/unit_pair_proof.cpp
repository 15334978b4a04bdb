#include "exact_proofs/unit_pair_proof.hpp"

#include <algorithm>
#include <cstdlib>

#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::exact {
namespace {

// The 128-bit route holds when every numerator is below 2^47 in magnitude
// (differences below 2^48), every product-rule factor below 2^20 and the
// degree at most 2^10: a product of two differences and a factor is below
// 2^116 and a sum of at most 2^10 of them below 2^126. L^2 must fit too.
// Differences below 2^31 are formed in 64-bit integers, whose products
// with each other the processor forms in one step.
constexpr std::uint64_t kNarrowNumeratorBits = 47;
constexpr std::uint64_t kNarrow64NumeratorBits = 30;
constexpr std::int64_t kSmallFactor = std::int64_t{1} << 20;
constexpr std::uint64_t kSmallDegree = 1024;
constexpr std::int64_t kSmallDenominator = std::int64_t{1} << 62;

// Pairs are judged in blocks of this many, one block per task.
constexpr std::size_t kPairsPerBlock = 4096;

// The sign conj() gives basis element q: -1 when q contains i.
inline bool conjugate_flips(std::uint64_t q, std::uint64_t imaginary_bit) {
    return (q & imaginary_bit) != 0;
}

// Products of every element pair need this many bits beyond a numerator.
constexpr unsigned kProductHeadroom = 2;

}  // namespace

UnitPairProver::UnitPairProver(const MultiquadraticField& field, ElementTable table)
    : field_(&field),
      table_(std::move(table)),
      degree_(field.degree()),
      imaginary_bit_(std::uint64_t{1} << field.imaginary_index().value()),
      route_(Route::Wide) {
    bool narrow = !table_.wide() && degree_ <= kSmallDegree &&
                  table_.numerator_bits() <= kNarrowNumeratorBits &&
                  table_.denominator() < kSmallDenominator;
    for (std::uint64_t m = 0; m < degree_ && narrow; ++m) {
        narrow = std::llabs(field.scale(m, m)) < kSmallFactor;
    }
    if (narrow) {
        route_ = table_.numerator_bits() <= kNarrow64NumeratorBits ? Route::Narrow64
                                                                     : Route::Narrow128;
        target_ = static_cast<Numerator>(table_.denominator()) * table_.denominator();
        zero_.assign(degree_, 0);
    } else {
        table_ = table_.widened();
        wide_target_ = table_.wide_denominator() * table_.wide_denominator();
        wide_zero_.assign(degree_, mpz_class(0));
    }
}

UnitPairProver::UnitPairProver(const MultiquadraticField& field,
                               std::span<const FieldElement> elements)
    : UnitPairProver(field, ElementTable::from_elements(field, elements, kProductHeadroom)) {}

bool UnitPairProver::is_unit_pair(std::uint64_t i, std::uint64_t j) const {
    switch (route_) {
        case Route::Narrow64: return unit_narrow<std::int64_t>(table_.row(i), table_.row(j));
        case Route::Narrow128: return unit_narrow<Numerator>(table_.row(i), table_.row(j));
        case Route::Wide: break;
    }
    return unit_wide(table_.wide_row(i), table_.wide_row(j));
}

bool UnitPairProver::has_unit_modulus(std::uint64_t k) const {
    switch (route_) {
        case Route::Narrow64: return unit_narrow<std::int64_t>(zero_.data(), table_.row(k));
        case Route::Narrow128: return unit_narrow<Numerator>(zero_.data(), table_.row(k));
        case Route::Wide: break;
    }
    return unit_wide(wide_zero_.data(), table_.wide_row(k));
}

// Coefficient m of d * conj(d) is the sum over r of
// d_r * conj(d)_(r^m) * s(r, r^m); coefficient 0 is tested first, as it
// settles almost every pair that is not a unit pair.
template <class Difference>
bool UnitPairProver::unit_narrow(const Numerator* a, const Numerator* b) const {
    Difference d[kSmallDegree];
    for (std::uint64_t r = 0; r < degree_; ++r) d[r] = static_cast<Difference>(b[r] - a[r]);
    for (std::uint64_t m = 0; m < degree_; ++m) {
        Numerator sum = 0;
        for (std::uint64_t r = 0; r < degree_; ++r) {
            const std::uint64_t q = r ^ m;
            Numerator term = static_cast<Numerator>(d[r]) * d[q] * field_->scale(r, q);
            sum += conjugate_flips(q, imaginary_bit_) ? -term : term;
        }
        if (sum != (m == 0 ? target_ : 0)) return false;
    }
    return true;
}

bool UnitPairProver::unit_wide(const mpz_class* a, const mpz_class* b) const {
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
        if (m == 0 ? sum != wide_target_ : sgn(sum) != 0) return false;
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
    return UnitPairProver(field, std::span<const FieldElement>(&element, 1)).has_unit_modulus(0);
}

}  // namespace vantor::exact
