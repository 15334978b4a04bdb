#include "algebraic/section2/numerators.hpp"

#include <algorithm>

#include "algebraic/field/embeddings.hpp"

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

mpz_class to_mpz(Numerator value) {
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

}  // namespace

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
    Rational q(to_mpz(numerator), mpz_class(static_cast<long>(denominator)));
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

}  // namespace vantor
