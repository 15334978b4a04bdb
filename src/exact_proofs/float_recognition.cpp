#include "float_recognition.hpp"

#include <gmpxx.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "algebraic/units/short_vectors.hpp"
#include "exact_proofs/unit_pair_proof.hpp"
#include "utils/unit_distance.hpp"
#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::exact {
namespace {

// Fixed-point bits of the square roots the exact test works with: far more
// than any precision a double can claim, so that the test's own rounding
// (one unit in the last of these bits per coefficient) never decides it.
constexpr unsigned long kFixedBits = 256;
// A relation is taken when chance would give one as short with an
// expectation of at most 2^-10 (compared in squares: 2^-20).
constexpr long double kChanceSquared = 0x1p-20L;
// The second pass's common denominator stays below this.
constexpr std::uint64_t kMaxLearntDenominatorBits = 40;
constexpr std::size_t kPointsPerTask = 256;

// The real part of the basis: the basis elements without the imaginary
// generator, each with the product of its generators and its square root in
// fixed point.
struct RealBasis {
    std::uint64_t imaginary_bit = 0;
    std::vector<std::uint64_t> index;  // basis numbering of each real element
    std::vector<mpz_class> fixed;      // floor(sqrt(product) * 2^kFixedBits)
};

RealBasis real_basis(const MultiquadraticField& field) {
    RealBasis basis;
    basis.imaginary_bit = std::uint64_t{1} << *field.imaginary_index();
    for (std::uint64_t m = 0; m < field.degree(); ++m) {
        if (m & basis.imaginary_bit) continue;
        mpz_class square(static_cast<long>(field.scale(m, m)));
        square <<= 2 * kFixedBits;
        mpz_class root;
        mpz_sqrt(root.get_mpz_t(), square.get_mpz_t());
        basis.index.push_back(m);
        basis.fixed.push_back(std::move(root));
    }
    return basis;
}

// A real element: one coefficient per real basis element (RealBasis order).
using RealCoefficients = std::vector<Rational>;

// x exactly, as a rational.
Rational exact_value(double x) {
    Rational value(x);
    return value;
}

// |sum_s c_s b_s - x| <= eps, decided exactly with the fixed-point roots:
// their sum brackets the true value within sum |p_s| units of 2^-kFixedBits
// once the coefficients share a denominator.
bool within(const RealBasis& basis, const RealCoefficients& c, const Rational& x,
            const Rational& eps) {
    mpz_class denominator = 1;
    for (const Rational& q : c) {
        mpz_lcm(denominator.get_mpz_t(), denominator.get_mpz_t(), q.get_den_mpz_t());
    }
    mpz_class sum = 0;
    mpz_class slack = 0;
    for (std::size_t s = 0; s < c.size(); ++s) {
        if (c[s] == 0) continue;
        const mpz_class p = c[s].get_num() * (denominator / c[s].get_den());
        sum += p * basis.fixed[s];
        slack += abs(p);
    }
    const Rational scale(mpz_class(1) << kFixedBits, 1);
    const Rational low = (x - eps) * denominator * scale;
    const Rational high = (x + eps) * denominator * scale;
    return Rational(sum - slack) >= low && Rational(sum + slack) <= high;
}

__int128 to_int128(const mpz_class& v) {
    // Callers keep |v| far below 2^126.
    const bool negative = v < 0;
    mpz_class magnitude = abs(v);
    const mpz_class high = magnitude >> 64;
    const mpz_class low = magnitude - (high << 64);
    const __int128 value = (static_cast<__int128>(high.get_ui()) << 64) |
                           static_cast<__int128>(low.get_ui());
    return negative ? -value : value;
}

mpz_class to_mpz(__int128 v) {
    const bool negative = v < 0;
    const unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(v)
                                                 : static_cast<unsigned __int128>(v);
    mpz_class result(static_cast<unsigned long>(magnitude >> 64));
    result <<= 64;
    result += static_cast<unsigned long>(static_cast<std::uint64_t>(magnitude));
    return negative ? mpz_class(-result) : result;
}

mpz_class rounded(const Rational& q) {
    // Nearest integer, halves away from zero.
    mpz_class twice = (2 * q.get_num() + (q < 0 ? -q.get_den() : q.get_den()));
    mpz_class result;
    mpz_tdiv_q(result.get_mpz_t(), twice.get_mpz_t(), mpz_class(2 * q.get_den()).get_mpz_t());
    return result;
}

// The volume of the unit ball in n dimensions, by V_n = V_(n-2) 2 pi / n.
long double unit_ball_volume(std::size_t n) {
    constexpr long double kPi = 3.141592653589793238462643383279502884L;
    long double v = (n % 2 == 0) ? 1.0L : 2.0L;
    for (std::size_t k = (n % 2 == 0) ? 2 : 3; k <= n; k += 2) v = v * 2.0L * kPi / k;
    return v;
}

// The real element within eps of x among the combinations of the basis
// elements `support` over denominators dividing a multiple of `scale`, when
// one relation explains x clearly (see the header); nothing otherwise.
std::optional<RealCoefficients> recognise_coordinate(const RealBasis& basis,
                                                     std::span<const std::size_t> support,
                                                     const mpz_class& scale, double x,
                                                     const Rational& eps) {
    if (!std::isfinite(x) || support.empty()) return std::nullopt;
    const Rational value = exact_value(x);
    const Rational target = value * scale;  // scale * x, whose relation is sought
    const Rational target_eps = eps * scale;
    int exponent = 0;
    std::frexp(target_eps.get_d(), &exponent);
    // K = 2^-exponent, so that K * target_eps lies in [1/2, 1).
    const long shift = -exponent;
    if (shift < -200 || shift > 200 || shift + static_cast<long>(kFixedBits) < 0) {
        return std::nullopt;
    }
    const Rational K = shift >= 0 ? Rational(mpz_class(1) << shift, 1)
                                  : Rational(1, mpz_class(1) << -shift);
    const std::size_t n = support.size() + 1;
    LatticeBasis rows(n, std::vector<__int128>(n + 1, 0));
    std::vector<mpz_class> last(n);
    last[0] = rounded(target * K);
    for (std::size_t k = 0; k < support.size(); ++k) {
        // round(K * b_s) from the fixed-point root.
        Rational b(basis.fixed[support[k]], mpz_class(1) << kFixedBits);
        b.canonicalize();
        last[k + 1] = -rounded(b * K);
    }
    mpz_class limit = mpz_class(1) << 100;
    long double determinant_squared = 1.0L;
    for (std::size_t r = 0; r < n; ++r) {
        if (abs(last[r]) > limit) return std::nullopt;
        rows[r][r] = 1;
        rows[r][n] = to_int128(last[r]);
        const long double c = static_cast<long double>(last[r].get_d());
        determinant_squared += c * c;
    }
    const std::vector<std::int64_t> weights(n + 1, 1);
    if (!reduce_basis(rows, weights)) return std::nullopt;
    const std::vector<__int128>& shortest = rows[0];
    const __int128 q = shortest[0];
    if (q == 0) return std::nullopt;
    long double length_squared = 0.0L;
    for (__int128 entry : shortest) {
        const auto e = static_cast<long double>(entry);
        length_squared += e * e;
    }
    // Chance: (vol_n r^n)^2 <= 2^-20 det^2.
    const long double volume = unit_ball_volume(n);
    long double chance = volume * volume;
    for (std::size_t k = 0; k < n; ++k) chance *= length_squared;
    if (!(chance <= kChanceSquared * determinant_squared)) return std::nullopt;
    // The relation q * scale * x ~ sum p_s b_s, with q > 0.
    const mpz_class sign = q < 0 ? -1 : 1;
    const mpz_class denominator = sign * to_mpz(q) * scale;
    RealCoefficients c(basis.fixed.size(), Rational(0));
    for (std::size_t k = 0; k < support.size(); ++k) {
        c[support[k]] = Rational(sign * to_mpz(shortest[k + 1]), denominator);
        c[support[k]].canonicalize();
    }
    if (!within(basis, c, value, eps)) return std::nullopt;
    return c;
}

// What the first pass learnt of one coordinate: the least common multiple
// of its denominators and the basis elements it uses.
struct Learnt {
    mpz_class denominator = 1;
    std::vector<std::size_t> support;
};

Learnt learn(const std::vector<std::optional<RealCoefficients>>& found, std::size_t size) {
    Learnt learnt;
    std::vector<bool> used(size, false);
    bool any = false;
    for (const auto& c : found) {
        if (!c) continue;
        any = true;
        for (std::size_t s = 0; s < size; ++s) {
            if ((*c)[s] == 0) continue;
            used[s] = true;
            mpz_lcm(learnt.denominator.get_mpz_t(), learnt.denominator.get_mpz_t(),
                    (*c)[s].get_den_mpz_t());
        }
    }
    if (!any || mpz_sizeinbase(learnt.denominator.get_mpz_t(), 2) > kMaxLearntDenominatorBits) {
        return {};
    }
    for (std::size_t s = 0; s < size; ++s) {
        if (used[s]) learnt.support.push_back(s);
    }
    if (learnt.support.empty()) learnt.support.push_back(0);
    return learnt;
}

// Runs recognise(point, coordinate) for every coordinate still unknown.
template <class Recognise>
void recognise_all(std::span<const Point> points,
                   std::vector<std::optional<RealCoefficients>> (&found)[2],
                   const Recognise& recognise) {
    const std::size_t tasks = (points.size() + kPointsPerTask - 1) / kPointsPerTask;
    parallel_for(tasks, [&](std::size_t task) {
        const std::size_t first = task * kPointsPerTask;
        const std::size_t last = std::min(points.size(), first + kPointsPerTask);
        for (std::size_t k = first; k < last; ++k) {
            poll_interrupt();
            for (int axis = 0; axis < 2; ++axis) {
                if (!found[axis][k]) found[axis][k] = recognise(k, axis);
            }
        }
    });
}

bool matches(const RealBasis& basis, const FieldElement& element, Point point,
             InputRounding rounding) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return false;
    RealCoefficients re(basis.index.size());
    RealCoefficients im(basis.index.size());
    for (std::size_t s = 0; s < basis.index.size(); ++s) {
        re[s] = element.coefficients[basis.index[s]];
        im[s] = element.coefficients[basis.index[s] | basis.imaginary_bit];
    }
    return within(basis, re, exact_value(point.x), coordinate_precision(point.x, rounding)) &&
           within(basis, im, exact_value(point.y), coordinate_precision(point.y, rounding));
}

// The pairs whose floats lie this close to distance 1 are followed by the
// third pass; the exact test of each candidate decides.
constexpr double kFollowTolerance = 1e-3;
constexpr std::uint64_t kBytesPerPair = 32;

// The plane point of an element in doubles: a prefilter only.
Point approximate(const FieldElement& z, const MultiquadraticField& field) {
    double x = 0;
    double y = 0;
    for (std::uint64_t m = 0; m < field.degree(); ++m) {
        if (z.coefficients[m] == 0) continue;
        const double c = z.coefficients[m].get_d();
        x += c * field.basis_value(m).re;
        y += c * field.basis_value(m).im;
    }
    return {x, y};
}

// The third pass: a point next to a known one (their floats about one unit
// apart) is the known element plus one of the unit vectors the known pairs
// of the set already show, when exactly one such element lies within the
// point's precision and every known neighbour that offers one offers the
// same. Runs breadth first from the known points, in index order, and again
// while new pairs show new unit vectors; single-threaded, so the order is
// fixed.
void follow_unit_vectors(const MultiquadraticField& field, const RealBasis& basis,
                         std::span<const Point> points,
                         InputRounding rounding, std::vector<std::optional<FieldElement>>& elements) {
    const EdgeList pairs =
        find_unit_edges(points, unit_distance_bounds(kFollowTolerance), kBytesPerPair);
    std::vector<std::vector<std::uint64_t>> neighbours(points.size());
    for (const Edge& e : pairs) {
        neighbours[e.i].push_back(e.j);
        neighbours[e.j].push_back(e.i);
    }
    // Differences already judged, and the unit vectors among them, both
    // ordered by their coefficients (a fixed order, without text).
    std::set<std::vector<Rational>> seen;
    std::map<std::vector<Rational>, FieldElement> units;
    std::vector<Point> unit_points;
    std::vector<const FieldElement*> unit_list;
    // The unit vectors of the pairs with an end that became known since the
    // last call; true when there are new ones.
    std::vector<bool> harvested(points.size(), false);
    auto add_units = [&] {
        bool added = false;
        for (const Edge& e : pairs) {
            if (!elements[e.i] || !elements[e.j] || (harvested[e.i] && harvested[e.j])) continue;
            poll_interrupt();
            const FieldElement d = sub(*elements[e.j], *elements[e.i]);
            if (!seen.insert(d.coefficients).second) continue;
            if (!has_unit_modulus(d, field)) continue;
            for (const FieldElement& u : {d, scale(d, Rational(-1))}) {
                seen.insert(u.coefficients);
                units.emplace(u.coefficients, u);
            }
            added = true;
        }
        for (std::size_t k = 0; k < points.size(); ++k) harvested[k] = elements[k].has_value();
        unit_list.clear();
        unit_points.clear();
        for (const auto& [key, u] : units) {
            unit_list.push_back(&u);
            unit_points.push_back(approximate(u, field));
        }
        return added;
    };
    // The doubles of the known elements, for the prefilter: each computed once.
    std::vector<std::optional<Point>> near(points.size());
    auto approximate_known = [&](std::uint64_t a) -> const Point& {
        if (!near[a]) near[a] = approximate(*elements[a], field);
        return *near[a];
    };
    std::vector<double> slack(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (!std::isfinite(points[k].x) || !std::isfinite(points[k].y)) continue;
        slack[k] = 4 * std::max(coordinate_precision(points[k].x, rounding).get_d(),
                                coordinate_precision(points[k].y, rounding).get_d()) +
                   1e-9;
    }
    auto unknown = [&] {
        return std::any_of(elements.begin(), elements.end(), [](const auto& z) { return !z; });
    };
    while (unknown() && add_units()) {
        std::vector<std::uint64_t> queue;
        for (std::size_t k = 0; k < points.size(); ++k) {
            if (elements[k]) queue.push_back(k);
        }
        for (std::size_t next = 0; next < queue.size(); ++next) {
            poll_interrupt();
            for (const std::uint64_t b : neighbours[queue[next]]) {
                if (elements[b] || slack[b] == 0) continue;
                std::optional<FieldElement> agreed;
                bool conflict = false;
                for (const std::uint64_t a : neighbours[b]) {
                    if (!elements[a] || conflict) continue;
                    const Point& pa = approximate_known(a);
                    for (std::size_t u = 0; u < unit_list.size() && !conflict; ++u) {
                        if (std::fabs(pa.x + unit_points[u].x - points[b].x) > slack[b] ||
                            std::fabs(pa.y + unit_points[u].y - points[b].y) > slack[b]) {
                            continue;
                        }
                        FieldElement z = add(*elements[a], *unit_list[u]);
                        if (!matches(basis, z, points[b], rounding)) continue;
                        if (!agreed) {
                            agreed = std::move(z);
                        } else if (!(*agreed == z)) {
                            conflict = true;
                        }
                    }
                }
                if (agreed && !conflict) {
                    elements[b] = std::move(agreed);
                    queue.push_back(b);
                }
            }
        }
    }
}

}  // namespace

Rational coordinate_precision(double x, InputRounding rounding) {
    Rational eps = Rational(std::max(std::fabs(x), 1.0)) * Rational(1, mpz_class(1) << 48);
    if (rounding.decimals >= 0) {
        mpz_class ten_power;
        mpz_ui_pow_ui(ten_power.get_mpz_t(), 10, static_cast<unsigned long>(rounding.decimals) + 1);
        Rational places(5, ten_power);
        places.canonicalize();
        if (places > eps) eps = places;
    }
    const std::uint32_t digits = rounding.digits;
    if (digits == 0 || x == 0) return eps;
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, x, std::chars_format::scientific);
    const std::string_view shortest(text, static_cast<std::size_t>(written.ptr - text));
    // "d.ddde+XX": the exponent runs to the end of the written text.
    const std::size_t e = shortest.find('e');
    const char* sign = shortest.data() + e + 1;
    long exponent = 0;
    std::from_chars(*sign == '+' ? sign + 1 : sign, written.ptr, exponent);
    const long power = exponent - static_cast<long>(digits);
    mpz_class ten_power;
    mpz_ui_pow_ui(ten_power.get_mpz_t(), 10, static_cast<unsigned long>(std::labs(power)));
    Rational decimal = power >= 0 ? Rational(5 * ten_power, 1) : Rational(5, ten_power);
    decimal.canonicalize();
    return decimal > eps ? decimal : eps;
}

bool element_matches_point(const FieldElement& element, const MultiquadraticField& field,
                           Point point, InputRounding rounding) {
    return matches(real_basis(field), element, point, rounding);
}

std::optional<std::uint64_t> first_unmatched_point(
    const MultiquadraticField& field, std::span<const std::optional<FieldElement>> elements,
    std::span<const Point> points, InputRounding rounding) {
    const RealBasis basis = real_basis(field);
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if (k % 1024 == 0) poll_interrupt();
        if (elements[k] && !matches(basis, *elements[k], points[k], rounding)) return k;
    }
    return std::nullopt;
}

std::vector<std::optional<FieldElement>> recognise_points(const MultiquadraticField& field,
                                                          std::span<const Point> points,
                                                          InputRounding rounding) {
    const RealBasis basis = real_basis(field);
    const std::size_t size = basis.index.size();
    std::vector<std::size_t> everything(size);
    for (std::size_t s = 0; s < size; ++s) everything[s] = s;
    std::vector<std::optional<RealCoefficients>> found[2] = {
        std::vector<std::optional<RealCoefficients>>(points.size()),
        std::vector<std::optional<RealCoefficients>>(points.size())};
    auto coordinate = [&](std::size_t k, int axis) { return axis == 0 ? points[k].x : points[k].y; };
    const mpz_class one = 1;
    recognise_all(points, found, [&](std::size_t k, int axis) {
        const double x = coordinate(k, axis);
        if (!std::isfinite(x)) return std::optional<RealCoefficients>();
        return recognise_coordinate(basis, everything, one, x, coordinate_precision(x, rounding));
    });
    const Learnt learnt[2] = {learn(found[0], size), learn(found[1], size)};
    recognise_all(points, found, [&](std::size_t k, int axis) {
        const double x = coordinate(k, axis);
        if (!std::isfinite(x)) return std::optional<RealCoefficients>();
        return recognise_coordinate(basis, learnt[axis].support, learnt[axis].denominator, x,
                                    coordinate_precision(x, rounding));
    });
    std::vector<std::optional<FieldElement>> elements(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (!found[0][k] || !found[1][k]) continue;
        FieldElement z = FieldElement::zero(field);
        for (std::size_t s = 0; s < size; ++s) {
            z.coefficients[basis.index[s]] = (*found[0][k])[s];
            z.coefficients[basis.index[s] | basis.imaginary_bit] = (*found[1][k])[s];
        }
        elements[k] = std::move(z);
    }
    follow_unit_vectors(field, basis, points, rounding, elements);
    return elements;
}

}  // namespace vantor::exact
