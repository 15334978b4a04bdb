#include "algebraic/field/element_table.hpp"

#include <algorithm>

#include "algebraic/field/embeddings.hpp"
#include "utils/interrupt.hpp"

namespace vantor {
namespace {

// Magnitudes up to 2^53 convert to doubles exactly.
constexpr Numerator kExactDouble = Numerator{1} << 53;

std::string decimal(Numerator value) {
    if (value == 0) return "0";
    const bool negative = value < 0;
    auto magnitude = negative ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(value)
                              : static_cast<unsigned __int128>(value);
    char digits[48];
    int at = 0;
    while (magnitude != 0) {
        digits[at++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
        magnitude /= 10;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(at) + 1);
    if (negative) text.push_back('-');
    while (at > 0) text.push_back(digits[--at]);
    return text;
}

}  // namespace

mpz_class numerator_mpz(Numerator value) {
    const bool negative = value < 0;
    const auto magnitude = negative ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(value)
                                    : static_cast<unsigned __int128>(value);
    const std::uint64_t words[2] = {static_cast<std::uint64_t>(magnitude),
                                    static_cast<std::uint64_t>(magnitude >> 64)};
    mpz_class result;
    mpz_import(result.get_mpz_t(), 2, -1, sizeof(std::uint64_t), 0, 0, words);
    if (negative) result = -result;
    return result;
}

ReducedFraction reduce_fraction(Numerator numerator, std::int64_t denominator) {
    if (numerator == 0) return {0, 1};
    const auto magnitude = numerator < 0 ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(numerator)
                                         : static_cast<unsigned __int128>(numerator);
    // gcd(|numerator|, denominator), the first step on 128 bits.
    auto a = static_cast<std::uint64_t>(denominator);
    auto b = static_cast<std::uint64_t>(magnitude % a);
    while (b != 0) {
        const std::uint64_t r = a % b;
        a = b;
        b = r;
    }
    return {numerator / static_cast<Numerator>(a), denominator / static_cast<std::int64_t>(a)};
}

double fraction_to_f64(Numerator numerator, std::int64_t denominator) {
    if (numerator == 0) return 0.0;
    // With both parts exact as doubles the one division rounds the true
    // quotient, which is the quotient of the reduced fraction too: no
    // reduction is needed.
    if (numerator <= kExactDouble && numerator >= -kExactDouble && denominator <= kExactDouble) {
        return static_cast<double>(static_cast<std::int64_t>(numerator)) / static_cast<double>(denominator);
    }
    const ReducedFraction reduced = reduce_fraction(numerator, denominator);
    return integer_to_f64(reduced.numerator) / static_cast<double>(reduced.denominator);
}

std::string fraction_text(Numerator numerator, std::int64_t denominator) {
    const ReducedFraction reduced = reduce_fraction(numerator, denominator);
    if (reduced.denominator == 1) return decimal(reduced.numerator);
    return decimal(reduced.numerator) + "/" + decimal(reduced.denominator);
}

Rational fraction_rational(Numerator numerator, std::int64_t denominator) {
    Rational q(numerator_mpz(numerator), mpz_class(static_cast<long>(denominator)));
    q.canonicalize();
    return q;
}

void embed_numerators(const Numerator* numerators, std::int64_t denominator,
                      const MultiquadraticField& field, std::span<double> values,
                      std::span<Complex> weights) {
    const std::uint64_t degree = field.degree();
    for (std::uint64_t m = 0; m < degree; ++m) values[m] = fraction_to_f64(numerators[m], denominator);
    embed_converted(values.first(degree), field, weights.first(degree));
}

double fraction_to_f64(const mpz_class& numerator, const mpz_class& denominator) {
    if (sgn(numerator) == 0) return 0.0;
    mpz_class common;
    mpz_gcd(common.get_mpz_t(), numerator.get_mpz_t(), denominator.get_mpz_t());
    if (common == 1) return integer_to_f64(numerator) / integer_to_f64(denominator);
    return integer_to_f64(mpz_class(numerator / common)) /
           integer_to_f64(mpz_class(denominator / common));
}

std::string fraction_text(const mpz_class& numerator, const mpz_class& denominator) {
    return format_rational(fraction_rational(numerator, denominator));
}

Rational fraction_rational(const mpz_class& numerator, const mpz_class& denominator) {
    Rational q(numerator, denominator);
    q.canonicalize();
    return q;
}

void embed_numerators(const mpz_class* numerators, const mpz_class& denominator,
                      const MultiquadraticField& field, std::span<double> values,
                      std::span<Complex> weights) {
    const std::uint64_t degree = field.degree();
    for (std::uint64_t m = 0; m < degree; ++m) values[m] = fraction_to_f64(numerators[m], denominator);
    embed_converted(values.first(degree), field, weights.first(degree));
}

namespace {

// The narrow width holds numerators below 2^126 once the caller's headroom
// is added, and denominators of at most 63 bits.
constexpr std::uint64_t kNarrowBits = 126;
constexpr std::uint64_t kNarrowDenominatorBits = 63;

Numerator narrow_of(const mpz_class& value) {
    std::uint64_t words[2] = {0, 0};
    mpz_export(words, nullptr, -1, sizeof(std::uint64_t), 0, 0, value.get_mpz_t());
    const auto magnitude = static_cast<unsigned __int128>(words[0]) |
                           (static_cast<unsigned __int128>(words[1]) << 64);
    const auto signed_magnitude = static_cast<Numerator>(magnitude);
    return sgn(value) < 0 ? -signed_magnitude : signed_magnitude;
}

std::uint64_t bits_of(const mpz_class& value) {
    return sgn(value) == 0 ? 0 : mpz_sizeinbase(value.get_mpz_t(), 2);
}

}  // namespace

ElementTable ElementTable::from_elements(const MultiquadraticField& field,
                                         std::span<const FieldElement> elements,
                                         unsigned headroom) {
    ElementTable table;
    table.size_ = elements.size();
    table.degree_ = field.degree();
    mpz_class& common = table.wide_denominator_;
    common = 1;
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if ((k & 1023) == 0) poll_interrupt();
        for (const Rational& q : elements[k].coefficients) {
            if (q.get_den() != 1) mpz_lcm(common.get_mpz_t(), common.get_mpz_t(), q.get_den_mpz_t());
        }
    }
    table.wide_rows_.reserve(table.size_ * table.degree_);
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if ((k & 1023) == 0) poll_interrupt();
        for (const Rational& q : elements[k].coefficients) {
            table.wide_rows_.push_back(common / q.get_den() * q.get_num());
            table.numerator_bits_ = std::max(table.numerator_bits_, bits_of(table.wide_rows_.back()));
        }
    }
    table.wide_ = bits_of(common) > kNarrowDenominatorBits ||
                  table.numerator_bits_ + headroom > kNarrowBits;
    if (!table.wide_) {
        table.narrow_denominator_ = common.get_si();
        table.narrow_.reserve(table.wide_rows_.size());
        for (const mpz_class& value : table.wide_rows_) table.narrow_.push_back(narrow_of(value));
        table.wide_rows_.clear();
        table.wide_rows_.shrink_to_fit();
    }
    return table;
}

ElementTable ElementTable::widened() const {
    if (wide_) return *this;
    ElementTable table = *this;
    table.wide_ = true;
    table.wide_denominator_ = mpz_class(static_cast<long>(narrow_denominator_));
    table.wide_rows_.reserve(narrow_.size());
    for (Numerator value : narrow_) table.wide_rows_.push_back(numerator_mpz(value));
    table.narrow_.clear();
    table.narrow_.shrink_to_fit();
    return table;
}

FieldElement ElementTable::element(std::uint64_t k) const {
    FieldElement element;
    element.coefficients.reserve(degree_);
    for (std::uint64_t m = 0; m < degree_; ++m) {
        element.coefficients.push_back(
            wide_ ? fraction_rational(wide_row(k)[m], wide_denominator_)
                  : fraction_rational(row(k)[m], narrow_denominator_));
    }
    return element;
}

std::string ElementTable::coefficient_text(std::uint64_t k, std::uint64_t m) const {
    return wide_ ? fraction_text(wide_row(k)[m], wide_denominator_)
                 : fraction_text(row(k)[m], narrow_denominator_);
}

double ElementTable::coefficient_f64(std::uint64_t k, std::uint64_t m) const {
    return wide_ ? fraction_to_f64(wide_row(k)[m], wide_denominator_)
                 : fraction_to_f64(row(k)[m], narrow_denominator_);
}

void ElementTable::embed(std::uint64_t k, const MultiquadraticField& field,
                         std::span<double> values, std::span<Complex> weights) const {
    if (wide_) {
        embed_numerators(wide_row(k), wide_denominator_, field, values, weights);
    } else {
        embed_numerators(row(k), narrow_denominator_, field, values, weights);
    }
}

bool ElementTable::difference_is(std::uint64_t i, std::uint64_t j, std::uint64_t t,
                                 int sign) const {
    if (!wide_) {
        const Numerator* from = row(i);
        const Numerator* to = row(j);
        const Numerator* step = row(t);
        for (std::uint64_t m = 0; m < degree_; ++m) {
            if (to[m] - from[m] != (sign == 1 ? step[m] : -step[m])) return false;
        }
        return true;
    }
    thread_local mpz_class difference;
    const mpz_class* from = wide_row(i);
    const mpz_class* to = wide_row(j);
    const mpz_class* step = wide_row(t);
    for (std::uint64_t m = 0; m < degree_; ++m) {
        mpz_sub(difference.get_mpz_t(), to[m].get_mpz_t(), from[m].get_mpz_t());
        if (sign == -1) mpz_neg(difference.get_mpz_t(), difference.get_mpz_t());
        if (difference != step[m]) return false;
    }
    return true;
}

}  // namespace vantor
