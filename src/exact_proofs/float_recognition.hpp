#pragma once
// Float points read back as exact elements of a multiquadratic field.
//
// A point (x, y) is recognised as the element z = x' + i y' of a field that
// contains -1 when x' and y' are real elements of the field (rational
// combinations of the basis elements without the imaginary generator) and
// each lies within the precision of its float:
//
//     eps(x) = max(2^-48 max(|x|, 1),  5 * 10^(E - d),  5 * 10^(-r - 1))
//
// where E is the decimal exponent of the shortest decimal that reads back as
// x, d the number of significant digits and r the number of decimal places
// the input was rounded to; either term is left out when the input states
// no such rounding (computed floats, whose last few bits carry rounding
// errors only, keep the first term alone). The distance |x' - x| <= eps(x)
// is decided exactly.
//
// A coordinate is found as an integer relation q x ~ p_0 b_0 + ... between
// the float and the real basis values b_m, by lattice reduction of
//
//     row 0:     (1, 0, ..., 0,  round(K x))
//     row m + 1: (0, .., 1, .., -round(K b_m))        K = 2^k, K eps(x) in (1/2, 1]
//
// and accepted only when it is far shorter than chance explains: a lattice
// of determinant V in n dimensions holds about vol_n r^n / V vectors of
// length at most r, and the relation is taken only when that expectation is
// below 2^-10. A coordinate that no relation explains so clearly is left
// unrecognised, never guessed.
//
// Recognition runs twice. The first pass uses the whole real basis. The
// second retries the coordinates left over with what the first learnt of the
// set: the least common multiple Q of the recognised denominators and the
// basis elements they use (separately for x and for y). Sets drawn from a
// lattice share both, and with them a coordinate of large height is a
// relation of two or three numbers instead of five or more.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "algebraic/field/field_element.hpp"
#include "algebraic/field/multiquadratic_field.hpp"
#include "point.hpp"

namespace vantor::exact {

// The most significant digits an input can claim (a double holds 17), and
// the most decimal places.
inline constexpr std::uint32_t kMaxDigits = 17;
inline constexpr std::int32_t kMaxDecimals = 30;

// How the input floats were rounded: to `digits` significant digits (0:
// not so), to `decimals` decimal places (-1: not so), or neither.
struct InputRounding {
    std::uint32_t digits = 0;
    std::int32_t decimals = -1;
};

// eps(x) as an exact rational. x must be finite.
Rational coordinate_precision(double x, InputRounding rounding);

// True when element (of `field`, which contains -1) lies within the
// precision of `point` in both coordinates, decided exactly; false also for
// a non-finite coordinate.
bool element_matches_point(const FieldElement& element, const MultiquadraticField& field,
                           Point point, InputRounding rounding);

// The index of the first point whose element (where known) does not lie
// within its precision, or nothing. `elements` has one entry per point.
// Polls for interruption.
std::optional<std::uint64_t> first_unmatched_point(
    const MultiquadraticField& field, std::span<const std::optional<FieldElement>> elements,
    std::span<const Point> points, InputRounding rounding);

// The element of every point, or nothing where none was recognised. The
// field must contain -1. Runs on thread_count() threads and polls for
// interruption; the result is the same for every thread count.
std::vector<std::optional<FieldElement>> recognise_points(const MultiquadraticField& field,
                                                          std::span<const Point> points,
                                                          InputRounding rounding);

}  // namespace vantor::exact
