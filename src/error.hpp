#pragma once
// The two error types of the library. Every fallible operation returns its
// result or exactly one of these values; each kind renders to one fixed
// message through message().

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <variant>

#include "point.hpp"

namespace vantor {

// ---- UnitDistanceError: invalid requests and failed constructions --------

struct InvalidGenerator {
    std::int64_t value;
    std::string_view reason;
};
struct DuplicateGenerator {
    std::int64_t value;
};
struct SplitPrimeNotOddPrime {
    std::int64_t prime;
};
struct PrimeNotSplit {
    std::int64_t prime;
    std::int64_t generator;
};
struct CoefficientCountMismatch {
    std::uint64_t degree;
    std::uint64_t actual;
};
// A numeric limit of the construction; name and reason are fixed texts,
// always one of the pairs in search_parameter below.
struct InvalidSearchParameter {
    std::string_view name;
    std::string_view reason;
};
struct PrimeElementNotFound {
    std::int64_t p;
    std::uint64_t max_exponent;
};
struct MissingImaginaryGenerator {};
struct NotEnoughPoints {
    std::uint64_t requested;
    std::uint64_t found;
};
// The prime element of a split prime in a large field whose search would
// need more than `nodes` steps: refused instead of running for hours.
struct PrimeElementOutOfReach {
    std::int64_t p;
    std::uint64_t degree;
    std::uint64_t nodes;
};

struct UnitDistanceError {
    std::variant<InvalidGenerator, DuplicateGenerator, SplitPrimeNotOddPrime, PrimeNotSplit,
                 CoefficientCountMismatch, InvalidSearchParameter, PrimeElementNotFound,
                 MissingImaginaryGenerator, NotEnoughPoints, PrimeElementOutOfReach>
        kind;

    // The fixed message of the kind with its values filled in.
    std::string message() const;
};

namespace generator_reason {
inline constexpr std::string_view kOutOfRange =
    "expected a positive squarefree integer greater than 1, or -1";
inline constexpr std::string_view kNotSquarefree = "positive generators must be squarefree";
}  // namespace generator_reason

// The fixed (name, reason) pairs of InvalidSearchParameter.
namespace search_parameter {
inline constexpr InvalidSearchParameter kFieldGenerator{
    "field_generator", "integer is too large to represent exactly as f64"};
inline constexpr InvalidSearchParameter kFieldScaleMatrix{"field_scale_matrix",
                                                          "basis scale factor overflowed i64"};
inline constexpr InvalidSearchParameter kPrimeNormTarget{"prime_norm_target",
                                                         "integer exponentiation overflowed"};
inline constexpr InvalidSearchParameter kUnitModulusCombinationCount{
    "unit_modulus_combination_count", "integer exponentiation overflowed"};
inline constexpr InvalidSearchParameter kProjectionIndex{
    "projection_index", "expected an embedding index within the field degree"};
inline constexpr InvalidSearchParameter kTranslationCertificate{
    "translation_certificate", "could not build exact translation norm certificate"};
inline constexpr InvalidSearchParameter kUnitDenominatorOdd{
    "unit_denominator", "expected an even unit scaling exponent"};
inline constexpr InvalidSearchParameter kUnitDenominatorOverflow{
    "unit_denominator", "unit denominator overflowed i64"};
inline constexpr InvalidSearchParameter kRadiusAttempt{"radius_attempt",
                                                       "radius attempt index does not fit i32"};
inline constexpr InvalidSearchParameter kTranslationKey{"translation_key",
                                                        "could not quantize translation key"};
inline constexpr InvalidSearchParameter kCandidateKey{"candidate_key",
                                                      "generated exact candidate key overflowed"};
inline constexpr InvalidSearchParameter kUnitScaleExponentOdd{"unit_scale_exponent",
                                                              "expected even scaling exponent"};
inline constexpr InvalidSearchParameter kUnitScaleExponentOverflow{
    "unit_scale_exponent", "integer exponentiation overflowed"};
inline constexpr InvalidSearchParameter kUnitScaleDenominator{
    "unit_scale_denominator", "integer exponentiation overflowed"};
inline constexpr InvalidSearchParameter kDedupKey{"dedup_key", "could not quantize projected point"};
inline constexpr InvalidSearchParameter kProjectionKey{"projection_key",
                                                       "could not quantize projected point"};
inline constexpr InvalidSearchParameter kQuantizedProjectionKeys{
    "quantized_projection_keys", "could not quantize projected point"};
inline constexpr InvalidSearchParameter kMaxPrimeExponent{"max_prime_exponent",
                                                          "expected a value greater than zero"};
}  // namespace search_parameter

// ---- CertificateError: failures found while a certificate is checked ------

struct PointCountMismatch {
    std::uint64_t expected;
    std::uint64_t actual;
};
struct EdgeOutOfRange {
    std::uint64_t i;
    std::uint64_t j;
    std::uint64_t point_total;
};
struct SelfEdge {
    std::uint64_t point;
};
// Carries both sorted edge lists; the message shows only their lengths.
struct EdgeSetMismatch {
    EdgeList expected;
    EdgeList actual;
};
struct PointMismatch {
    std::uint64_t index;
};
struct ProjectionKeyMismatch {
    std::int64_t expected[2];
    std::int64_t actual[2];
    std::uint64_t index;
};
struct KeyCoefficientCountMismatch {
    std::uint64_t degree;
    std::uint64_t actual;
};
struct TranslationNotNormOne {
    std::uint64_t index;
};
struct CandidateOutsidePolydisk {
    std::string radius;
    std::string max_norm;
    std::uint64_t index;
};
struct ProjectionMismatch {
    std::uint64_t index;
};
struct PathReplayMismatch {
    std::uint64_t index;
};
struct PathTranslationOutOfRange {
    std::uint64_t candidate;
    std::uint64_t translation;
    std::uint64_t translation_count;
};
struct EdgeProvenanceMismatch {
    std::uint64_t index;
};
struct InvalidConstruction {
    std::string detail;
};
struct SchemaMismatch {
    std::string detail;
};

struct CertificateError {
    std::variant<PointCountMismatch, EdgeOutOfRange, SelfEdge, EdgeSetMismatch, PointMismatch,
                 ProjectionKeyMismatch, KeyCoefficientCountMismatch, TranslationNotNormOne,
                 CandidateOutsidePolydisk, ProjectionMismatch, PathReplayMismatch,
                 PathTranslationOutOfRange, EdgeProvenanceMismatch, InvalidConstruction,
                 SchemaMismatch>
        kind;

    // The fixed message of the kind with its values filled in.
    std::string message() const;
};

// A UnitDistanceError met while a certificate is rebuilt or checked: its
// whole message becomes the detail of InvalidConstruction.
CertificateError invalid_construction(const UnitDistanceError& error);

template <class T>
using Result = std::expected<T, UnitDistanceError>;
template <class T>
using CertResult = std::expected<T, CertificateError>;

// Shorthands for returning an error from a function whose result is
// Result<T> or CertResult<T>.
template <class Kind>
std::unexpected<UnitDistanceError> fail(Kind kind) {
    return std::unexpected(UnitDistanceError{std::move(kind)});
}
template <class Kind>
std::unexpected<CertificateError> reject(Kind kind) {
    return std::unexpected(CertificateError{std::move(kind)});
}

}  // namespace vantor
