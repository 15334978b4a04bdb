#include "rational.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vantor {
namespace {

// Rounds a 64-bit magnitude whose dropped low bits have been folded into
// bit 0 (the sticky bit), then scales it by 2^shift. The conversion of a
// 64-bit integer to double is correctly rounded, and with 11 bits to drop the
// sticky bit alone decides ties, so the result is the correctly rounded
// value of the full-width integer; ldexp then is exact or overflows to
// infinity, which is the correct rounding too.
double scaled_magnitude(std::uint64_t top, bool sticky, long shift) {
    if (sticky) top |= 1;
    return std::ldexp(static_cast<double>(top), static_cast<int>(std::min(shift, 4096L)));
}

}  // namespace

double integer_to_f64(const mpz_class& n) {
    const int sign = mpz_sgn(n.get_mpz_t());
    if (sign == 0) return 0.0;
    const std::size_t bits = mpz_sizeinbase(n.get_mpz_t(), 2);
    double magnitude;
    if (bits <= 64) {
        mpz_class a = abs(n);
        std::uint64_t value = 0;
        mpz_export(&value, nullptr, -1, sizeof value, 0, 0, a.get_mpz_t());
        magnitude = static_cast<double>(value);
    } else {
        mpz_class a = abs(n);
        const std::size_t shift = bits - 64;
        mpz_class top;
        mpz_tdiv_q_2exp(top.get_mpz_t(), a.get_mpz_t(), shift);
        std::uint64_t value = 0;
        mpz_export(&value, nullptr, -1, sizeof value, 0, 0, top.get_mpz_t());
        const bool sticky = mpz_scan1(a.get_mpz_t(), 0) < shift;
        magnitude = scaled_magnitude(value, sticky, static_cast<long>(shift));
    }
    return sign < 0 ? -magnitude : magnitude;
}

double integer_to_f64(__int128 n) {
    if (n == 0) return 0.0;
    const bool negative = n < 0;
    const unsigned __int128 a =
        negative ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(n)
                 : static_cast<unsigned __int128>(n);
    double magnitude;
    if ((a >> 64) == 0) {
        magnitude = static_cast<double>(static_cast<std::uint64_t>(a));
    } else {
        const int bits = 128 - __builtin_clzll(static_cast<std::uint64_t>(a >> 64));
        const int shift = bits - 64;
        const auto top = static_cast<std::uint64_t>(a >> shift);
        const bool sticky = (a & ((static_cast<unsigned __int128>(1) << shift) - 1)) != 0;
        magnitude = scaled_magnitude(top, sticky, shift);
    }
    return negative ? -magnitude : magnitude;
}

double coefficient_to_f64(const Rational& q) {
    return integer_to_f64(q.get_num()) / integer_to_f64(q.get_den());
}

std::string format_rational(const Rational& q) { return q.get_str(10); }

namespace {

// Reads a decimal integer: an optional sign, then digits and underscores
// with a digit first. Returns false for anything else.
bool read_integer(std::string_view text, mpz_class& out) {
    std::string digits;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        if (text[at] == '-') digits.push_back('-');
        ++at;
    }
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '_') continue;
        if (c < '0' || c > '9') return false;
        digits.push_back(c);
    }
    return out.set_str(digits, 10) == 0;
}

}  // namespace

CertResult<Rational> parse_rational(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        mpz_class n;
        if (!read_integer(text, n)) {
            return reject(SchemaMismatch{"invalid rational " + std::string(text)});
        }
        return Rational(n);
    }
    mpz_class numerator;
    mpz_class denominator;
    if (!read_integer(text.substr(0, slash), numerator)) {
        return reject(SchemaMismatch{"invalid rational numerator " + std::string(text)});
    }
    if (!read_integer(text.substr(slash + 1), denominator)) {
        return reject(SchemaMismatch{"invalid rational denominator " + std::string(text)});
    }
    if (denominator == 0) return reject(SchemaMismatch{"rational denominator must be nonzero"});
    Rational q(numerator, denominator);
    q.canonicalize();
    return q;
}

}  // namespace vantor
