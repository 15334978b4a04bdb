#include "error.hpp"

#include <string>
#include <type_traits>

namespace vantor {
namespace {

std::string decimal(std::int64_t value) { return std::to_string(value); }
std::string decimal(std::uint64_t value) { return std::to_string(value); }

std::string pair_text(const std::int64_t (&pair)[2]) {
    std::string text = "[";
    text += decimal(pair[0]);
    text += ", ";
    text += decimal(pair[1]);
    text += "]";
    return text;
}

template <class>
inline constexpr bool kAlwaysFalse = false;

}  // namespace

std::string UnitDistanceError::message() const {
    return std::visit(
        [](const auto& e) -> std::string {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, InvalidGenerator>) {
                return "invalid generator " + decimal(e.value) + ": " + std::string(e.reason);
            } else if constexpr (std::is_same_v<E, DuplicateGenerator>) {
                return "duplicate generator " + decimal(e.value);
            } else if constexpr (std::is_same_v<E, SplitPrimeNotOddPrime>) {
                return "split prime " + decimal(e.prime) + " is not an odd prime";
            } else if constexpr (std::is_same_v<E, PrimeNotSplit>) {
                return "prime " + decimal(e.prime) + " is not split by generator " +
                       decimal(e.generator);
            } else if constexpr (std::is_same_v<E, CoefficientCountMismatch>) {
                return "field element has " + decimal(e.actual) +
                       " coefficients, but field degree is " + decimal(e.degree);
            } else if constexpr (std::is_same_v<E, InvalidSearchParameter>) {
                return "invalid search parameter " + std::string(e.name) + ": " +
                       std::string(e.reason);
            } else if constexpr (std::is_same_v<E, PrimeElementNotFound>) {
                return "could not find a suitable prime element theta for p = " + decimal(e.p) +
                       " up to exponent " + decimal(e.max_exponent);
            } else if constexpr (std::is_same_v<E, PrimeElementOutOfReach>) {
                return "prime element theta for p = " + decimal(e.p) + " in a field of degree " +
                       decimal(e.degree) + " is out of reach: its search needs more than " +
                       decimal(e.nodes) + " steps";
            } else if constexpr (std::is_same_v<E, MissingImaginaryGenerator>) {
                return "field is missing the imaginary generator -1 required by the construction";
            } else if constexpr (std::is_same_v<E, NotEnoughPoints>) {
                return "could not generate enough points: requested " + decimal(e.requested) +
                       ", found " + decimal(e.found);
            } else {
                static_assert(kAlwaysFalse<E>, "unhandled UnitDistanceError kind");
            }
        },
        kind);
}

std::string CertificateError::message() const {
    return std::visit(
        [](const auto& e) -> std::string {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, PointCountMismatch>) {
                return "certificate has " + decimal(e.actual) + " points, but expected " +
                       decimal(e.expected);
            } else if constexpr (std::is_same_v<E, EdgeOutOfRange>) {
                return "certificate edge (" + decimal(e.i) + ", " + decimal(e.j) +
                       ") is outside point count " + decimal(e.point_total);
            } else if constexpr (std::is_same_v<E, SelfEdge>) {
                return "certificate contains self-edge at point " + decimal(e.point);
            } else if constexpr (std::is_same_v<E, EdgeSetMismatch>) {
                return "certificate edge set mismatch: expected " +
                       decimal(static_cast<std::uint64_t>(e.expected.size())) + " edges, got " +
                       decimal(static_cast<std::uint64_t>(e.actual.size()));
            } else if constexpr (std::is_same_v<E, PointMismatch>) {
                return "certificate point " + decimal(e.index) + " does not match construction";
            } else if constexpr (std::is_same_v<E, ProjectionKeyMismatch>) {
                return "projection key " + decimal(e.index) + " mismatch: expected " +
                       pair_text(e.expected) + ", got " + pair_text(e.actual);
            } else if constexpr (std::is_same_v<E, KeyCoefficientCountMismatch>) {
                return "algebraic key has " + decimal(e.actual) +
                       " coefficients, but field degree is " + decimal(e.degree);
            } else if constexpr (std::is_same_v<E, TranslationNotNormOne>) {
                return "translation " + decimal(e.index) + " is not certified as norm-one";
            } else if constexpr (std::is_same_v<E, CandidateOutsidePolydisk>) {
                return "candidate " + decimal(e.index) + " is outside polydisk radius " + e.radius +
                       "; max embedding norm is " + e.max_norm;
            } else if constexpr (std::is_same_v<E, ProjectionMismatch>) {
                return "projection " + decimal(e.index) + " does not match algebraic candidate";
            } else if constexpr (std::is_same_v<E, PathReplayMismatch>) {
                return "candidate path " + decimal(e.index) + " does not replay to stored key";
            } else if constexpr (std::is_same_v<E, PathTranslationOutOfRange>) {
                return "candidate " + decimal(e.candidate) + " path references translation " +
                       decimal(e.translation) + ", but only " + decimal(e.translation_count) +
                       " translations exist";
            } else if constexpr (std::is_same_v<E, EdgeProvenanceMismatch>) {
                return "construction edge " + decimal(e.index) +
                       " is not explained by its translation provenance";
            } else if constexpr (std::is_same_v<E, InvalidConstruction>) {
                return "invalid certificate construction: " + e.detail;
            } else if constexpr (std::is_same_v<E, SchemaMismatch>) {
                return "certificate schema mismatch: " + e.detail;
            } else {
                static_assert(kAlwaysFalse<E>, "unhandled CertificateError kind");
            }
        },
        kind);
}

CertificateError invalid_construction(const UnitDistanceError& error) {
    return CertificateError{InvalidConstruction{error.message()}};
}

}  // namespace vantor
