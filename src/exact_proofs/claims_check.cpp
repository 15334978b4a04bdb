#include "exact_proofs/claims_check.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "algebraic/keys/projection.hpp"
#include "exact_proofs/unit_pair_proof.hpp"
#include "utils/interrupt.hpp"
#include "utils/memory_budget.hpp"
#include "utils/memory_estimates.hpp"
#include "utils/parallel.hpp"
#include "utils/unit_distance.hpp"

namespace vantor::exact {
namespace {

using Fault = std::optional<std::string>;

// The parts written one after another, as a stream writes them.
template <class... Parts>
std::string text(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

// Items are checked in blocks of this many per task.
constexpr std::uint64_t kItemsPerBlock = 1024;

Fault read_elements(const std::vector<AlgebraicKey>& keys, const char* what,
                    const MultiquadraticField& field, std::vector<FieldElement>& out) {
    out.resize(keys.size());
    return first_fault(keys.size(), kItemsPerBlock, [&](std::uint64_t k) -> Fault {
        for (std::size_t m = 0; m < keys[k].coefficients.size(); ++m) {
            if (keys[k].coefficients[m].size() > kMaxCoefficientChars) {
                return text(what, "[", k, "][", m, "]: more digits than a finite float carries");
            }
        }
        auto element = element_of_key(keys[k], field);
        if (!element) return text(what, "[", k, "]: ", element.error().message());
        out[k] = std::move(*element);
        return std::nullopt;
    });
}

Fault check_pair_list(const EdgeList& edges, const char* what, std::uint64_t n) {
    for (std::size_t k = 0; k < edges.size(); ++k) {
        const Edge& e = edges[k];
        if (!(e.i < e.j && e.j < n)) {
            return text(what, "[", k, "] (", e.i, ", ", e.j, "): expected i < j < ", n);
        }
        if (k > 0 && !(edges[k - 1] < e)) {
            return text(what, "[", k, "] (", e.i, ", ", e.j, "): not sorted after (",
                        edges[k - 1].i, ", ", edges[k - 1].j, ") or repeated");
        }
    }
    return std::nullopt;
}

// The first edge of `edges` whose exact verdict is not `unit`.
Fault check_verdicts(const UnitPairProver& prover, const EdgeList& edges, const char* what,
                     bool unit) {
    return first_fault(edges.size(), kItemsPerBlock, [&](std::uint64_t k) -> Fault {
        poll_interrupt();
        if (prover.is_unit_pair(edges[k].i, edges[k].j) == unit) return std::nullopt;
        return text(what, "[", k, "] (", edges[k].i, ", ", edges[k].j, "): the points are ",
                    unit ? "not exactly" : "exactly", " one unit apart");
    });
}

// The first fault once the common denominator of the elements exceeds
// kMaxCommonDenominatorBits (the lcm stops growing there); `common`
// receives it, and `numerator_bits` the size of the largest numerator.
Fault check_common_denominator(const std::vector<FieldElement>& elements, mpz_class& common,
                               std::uint64_t& numerator_bits) {
    common = 1;
    numerator_bits = 0;
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if ((k & 1023) == 0) poll_interrupt();
        for (const Rational& q : elements[k].coefficients) {
            mpz_lcm(common.get_mpz_t(), common.get_mpz_t(), q.get_den_mpz_t());
            numerator_bits = std::max<std::uint64_t>(numerator_bits,
                                                     mpz_sizeinbase(q.get_num_mpz_t(), 2));
        }
        if (mpz_sizeinbase(common.get_mpz_t(), 2) > kMaxCommonDenominatorBits) {
            return text("elements: the common denominator of elements[0..", k,
                        "] exceeds 2^", kMaxCommonDenominatorBits);
        }
    }
    return std::nullopt;
}

// True when every coefficient denominator of `element` divides `common`:
// only then can it be a difference of elements over that denominator.
bool over_denominator(const FieldElement& element, const mpz_class& common) {
    return std::all_of(element.coefficients.begin(), element.coefficients.end(),
                       [&](const Rational& q) {
                           return mpz_divisible_p(common.get_mpz_t(), q.get_den_mpz_t()) != 0;
                       });
}

// GMP ends the process when an allocation fails, so the check refuses
// (with RequestTooLarge, an allocation failure the caller sees) before
// holding what would not fit: first every element and translation as
// rationals (the translations twice, once negated; a rational's two heap
// blocks with their headers beside the object, the text's digits bounding
// its limbs), then the elements again as integer numerators over their
// common denominator.
std::uint64_t rationals_bytes(const ExactMultiquadraticResult& claims, std::uint64_t degree) {
    constexpr std::uint64_t kRationalBytes = sizeof(Rational) + 64;
    std::uint64_t digits = 0;
    for (const auto* keys : {&claims.elements, &claims.translations}) {
        for (const AlgebraicKey& key : *keys) {
            for (const std::string& text : key.coefficients) digits += text.size();
        }
    }
    const std::uint64_t coefficients = saturating_product(
        saturating_sum(claims.elements.size(), 2 * claims.translations.size()), degree);
    return saturating_sum(saturating_product(coefficients, kRationalBytes),
                          saturating_product(digits, 2));
}

std::uint64_t numerators_bytes(std::uint64_t elements, std::uint64_t degree,
                               std::uint64_t bits) {
    return saturating_product(saturating_product(elements, degree),
                              sizeof(mpz_class) + 32 + bits / 8);
}

}  // namespace

std::optional<std::string> first_false_claim(const ExactMultiquadraticResult& claims,
                                             std::uint64_t exact_unit_distances) {
    auto field = MultiquadraticField::from_generators(claims.generators);
    if (!field) return text("generators_completed: ", field.error().message());
    if (!field->imaginary_index()) return "generators_completed: -1 is missing";
    if (field->degree() > kMaxCheckedDegree) {
        return text("generators_completed: a field of degree ", field->degree(),
                    ", beyond the largest the check takes (", kMaxCheckedDegree, ")");
    }
    const std::uint64_t n = claims.points.size();
    if (claims.elements.size() != n) {
        return text("elements: ", claims.elements.size(), " elements for ", n, " points");
    }
    ensure_fits_in_memory(rationals_bytes(claims, field->degree()));
    std::vector<FieldElement> elements;
    std::vector<FieldElement> translations;
    if (Fault fault = read_elements(claims.elements, "elements", *field, elements)) return fault;
    if (Fault fault = read_elements(claims.translations, "translations", *field, translations)) {
        return fault;
    }
    mpz_class common;
    std::uint64_t numerator_bits = 0;
    if (Fault fault = check_common_denominator(elements, common, numerator_bits)) return fault;
    const std::uint64_t denominator_bits = mpz_sizeinbase(common.get_mpz_t(), 2);

    const FieldElement one = FieldElement::one(*field);
    auto point_fault = [&](std::uint64_t k) -> Fault {
        auto point = project_element(*field, elements[k], one, 0);
        if (point && same_bits(*point, claims.points[k])) return std::nullopt;
        return text("points[", k, "]: not the principal embedding of elements[", k, "]");
    };
    auto translation_fault = [&](std::uint64_t t) -> Fault {
        poll_interrupt();
        if (has_unit_modulus(translations[t], *field)) return std::nullopt;
        return text("translations[", t, "]: the modulus is not exactly 1");
    };
    if (Fault fault = first_fault(n, kItemsPerBlock, point_fault)) return fault;
    if (Fault fault = first_fault(translations.size(), 64, translation_fault)) return fault;

    // From here on the elements are one table over their common
    // denominator, followed by the translations that are over it too (a
    // translation that is not cannot be a difference of two elements).
    for (const FieldElement& t : translations) {
        for (const Rational& q : t.coefficients) {
            numerator_bits = std::max<std::uint64_t>(numerator_bits,
                                                     mpz_sizeinbase(q.get_num_mpz_t(), 2));
        }
    }
    ensure_fits_in_memory(saturating_sum(
        rationals_bytes(claims, field->degree()),
        numerators_bytes(n + translations.size(), field->degree(),
                         denominator_bits + numerator_bits)));
    constexpr std::uint64_t kNoRow = UINT64_MAX;
    std::vector<std::uint64_t> translation_row(translations.size(), kNoRow);
    std::vector<FieldElement> rows = std::move(elements);
    for (std::size_t t = 0; t < translations.size(); ++t) {
        if (!over_denominator(translations[t], common)) continue;
        translation_row[t] = rows.size();
        rows.push_back(std::move(translations[t]));
    }
    ElementTable table = ElementTable::from_elements(*field, rows, 2);
    rows = {};
    const auto& certified = claims.certified_edges;
    auto certified_fault = [&](std::uint64_t k) -> Fault {
        const ConstructionEdge& e = certified[k];
        if (!(e.i < e.j && e.j < n) || e.translation >= translations.size() ||
            (e.sign != 1 && e.sign != -1)) {
            return text("certified_edges[", k, "]: expected i < j < ", n, ", t < ",
                        translations.size(), " and s = 1 or -1");
        }
        const std::uint64_t t = translation_row[e.translation];
        if (t != kNoRow && table.difference_is(e.i, e.j, t, e.sign)) return std::nullopt;
        return text("certified_edges[", k, "] (", e.i, ", ", e.j, "): elements[", e.j,
                    "] - elements[", e.i, "] is not ", e.sign == 1 ? "" : "-", "translations[",
                    e.translation, "]");
    };
    if (Fault fault = first_fault(certified.size(), kItemsPerBlock, certified_fault)) return fault;

    const EdgeList& proven = claims.proven_unit_edges;
    if (Fault fault = check_pair_list(proven, "proven_unit_edges", n)) return fault;
    if (Fault fault = check_pair_list(claims.near_misses, "near_misses", n)) return fault;
    const UnitPairProver prover(*field, std::move(table));
    if (Fault fault = check_verdicts(prover, proven, "proven_unit_edges", true)) return fault;
    if (Fault fault = check_verdicts(prover, claims.near_misses, "near_misses", false)) {
        return fault;
    }
    for (std::size_t k = 0; k < certified.size(); ++k) {
        const Edge pair{certified[k].i, certified[k].j};
        if (!std::binary_search(proven.begin(), proven.end(), pair)) {
            return text("certified_edges[", k, "] (", pair.i, ", ", pair.j,
                        "): not among proven_unit_edges");
        }
    }

    const double tolerance = claims.audit_tolerance;
    if (!(tolerance >= 0.0 && tolerance < 1.0)) {
        return text("audit_tolerance: ", tolerance, " is not in [0, 1)");
    }
    poll_interrupt();
    const EdgeList window = find_unit_edges(claims.points, unit_distance_bounds(tolerance));
    EdgeList judged;
    judged.reserve(claims.proven_unit_edges.size() + claims.near_misses.size());
    std::merge(claims.proven_unit_edges.begin(), claims.proven_unit_edges.end(),
               claims.near_misses.begin(), claims.near_misses.end(), std::back_inserter(judged));
    if (judged != window) {
        const auto [missing, extra] = std::mismatch(window.begin(), window.end(), judged.begin(),
                                                    judged.end());
        if (missing != window.end() && (extra == judged.end() || *missing < *extra)) {
            return text("the pair (", missing->i, ", ", missing->j,
                        ") lies within the audit tolerance but is in neither ",
                        "proven_unit_edges nor near_misses");
        }
        return text("the pair (", extra->i, ", ", extra->j,
                    ") is listed but does not lie within the audit tolerance");
    }
    if (exact_unit_distances != claims.proven_unit_edges.size()) {
        return text("exact_unit_distances: ", exact_unit_distances, " stated, ",
                    claims.proven_unit_edges.size(), " proven unit edges");
    }
    return std::nullopt;
}

}  // namespace vantor::exact
