#include "evidence.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "algebraic/field/element_table.hpp"
#include "algebraic/units/section2_params.hpp"
#include "utils/interrupt.hpp"
#include "../../utils/unit_distance.hpp"
#include "../field/embeddings.hpp"
#include "../keys/projection.hpp"
#include "../keys/quantize.hpp"

namespace vantor {
namespace {

// Margin of the polydisk test, as in the search that produced the candidates.
constexpr double kPolydiskMargin = 1e-7;
// How far a recorded point may lie from the projection of its element.
constexpr double kProjectionTolerance = 1e-7;
// How far from 1 a translation's modulus may be in any embedding.
constexpr double kModulusTolerance = 1e-5;

// The shortest decimal text that reads back as the same double, written
// positionally: 2.0 is "2", 1e-7 is "0.0000001".
std::string shortest_positional(double value) {
    char buffer[512];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc{}) return std::to_string(value);
    return std::string(buffer, end);
}

CertResult<void> check_translation(std::uint64_t i, const TranslationCertificate& certificate,
                                   const MultiquadraticField& field) {
    const AlgebraicKey* conjugate = &certificate.key;
    CertResult<AlgebraicKey> flipped;
    if (field.imaginary_index()) {
        flipped = key_conjugate(certificate.key, field);
        if (!flipped) return std::unexpected(std::move(flipped.error()));
        conjugate = &*flipped;
    }
    auto product = key_product(certificate.key, *conjugate, field);
    if (!product) return std::unexpected(std::move(product.error()));
    const bool one_ok = *product == one_key(field.degree());
    const bool stored_ok = *product == certificate.norm_key;

    auto element = element_of_key(certificate.key, field);
    if (!element) return std::unexpected(std::move(element.error()));
    bool modulus_ok = true;
    for (const Complex& v : embeddings(*element, field)) {
        // Written so that a NaN modulus fails.
        if (!(std::fabs(std::hypot(v.re, v.im) - 1.0) <= kModulusTolerance)) modulus_ok = false;
    }
    if (!(one_ok && stored_ok && modulus_ok)) return reject(TranslationNotNormOne{i});
    return {};
}

CertResult<void> check_integer_key(std::uint64_t c,
                                   const std::expected<IntegerKey, std::string_view>& computed,
                                   const IntegerKey& stored) {
    if (!computed) return reject(InvalidConstruction{std::string(computed.error())});
    if (!(*computed == stored)) {
        return reject(ProjectionKeyMismatch{{computed->x, computed->y}, {stored.x, stored.y}, c});
    }
    return {};
}

}  // namespace

CertResult<void> recheck_request(std::span<const std::int64_t> generators, std::int64_t split_prime,
                                 std::uint64_t k) {
    std::vector<std::int64_t> rest;
    for (std::int64_t g : generators) {
        if (g != -1) rest.push_back(g);
    }
    // The checks of a multiquadratic request are those of its parameters.
    auto request = prepare_section2_params(std::move(rest), split_prime, k);
    if (!request) return std::unexpected(invalid_construction(request.error()));
    return {};
}

namespace {

// The translation table of a certificate, every key read once, as one
// ElementTable over the common denominator of the translations (a key that
// does not read is a zero row, and its error is kept). Its width is chosen
// once from the longest path, so that no replayed sum can leave it.
struct ReadTable {
    std::vector<std::optional<CertificateError>> errors;  // per translation
    std::vector<bool> canonical;                   // the key is the key of its element
    ElementTable numerators;
};

unsigned bit_length(std::uint64_t value) {
    return value == 0 ? 0 : 64 - static_cast<unsigned>(__builtin_clzll(value));
}

ReadTable read_table(const std::vector<AlgebraicKey>& table, const MultiquadraticField& field,
                     std::uint64_t longest_path) {
    std::vector<FieldElement> elements;
    elements.reserve(table.size());
    std::vector<std::optional<CertificateError>> errors;
    std::vector<bool> canonical;
    for (const AlgebraicKey& key : table) {
        auto element = element_of_key(key, field);
        if (element) {
            canonical.push_back(key_of(*element) == key);
            elements.push_back(std::move(*element));
            errors.emplace_back();
        } else {
            canonical.push_back(false);
            elements.push_back(FieldElement::zero(field));
            errors.emplace_back(std::move(element.error()));
        }
    }
    // A sum of L rows, each below 2^b in magnitude, is below 2^(b + bits(L)),
    // and an edge's difference adds one bit more.
    return ReadTable{std::move(errors), std::move(canonical),
                     ElementTable::from_elements(field, elements, bit_length(longest_path) + 1)};
}

// What a replayed candidate must satisfy once its key matched: the polydisk
// bound, the projection and its integer keys; `values` is the embedding
// vector of its element, `ones` that of the element 1.
CertResult<Point> check_replayed_element(std::uint64_t c, const CandidateRecord& record,
                                         const Section2Evidence& evidence, const MultiquadraticField& field,
                                         std::span<const Complex> values, std::span<const Complex> ones) {
    const double norm = max_embedding_norm(values);
    if (norm > evidence.polydisk_radius + kPolydiskMargin) {
        return reject(CandidateOutsidePolydisk{shortest_positional(evidence.polydisk_radius),
                                               shortest_positional(norm), c});
    }
    auto projected = project_embedding(field, values, ones, evidence.projection_index);
    if (!projected) return std::unexpected(invalid_construction(projected.error()));
    const double dx = projected->x - record.point.x;
    const double dy = projected->y - record.point.y;
    if (std::sqrt(dx * dx + dy * dy) > kProjectionTolerance) return reject(ProjectionMismatch{c});

    if (auto fine = check_integer_key(c, projection_key(record.point), record.projection_key);
        !fine) {
        return std::unexpected(std::move(fine.error()));
    }
    if (auto coarse = check_integer_key(c, dedup_key(record.point, 1e-7), record.dedup_key);
        !coarse) {
        return std::unexpected(std::move(coarse.error()));
    }
    return record.point;
}

// The checks of one step that come before its arithmetic: the translation
// index, the sign, and that the translation's key reads.
CertResult<void> check_step(std::uint64_t c, const PathStep& step, const ReadTable& table) {
    if (step.translation >= table.errors.size()) {
        return reject(PathTranslationOutOfRange{c, step.translation, table.errors.size()});
    }
    if (step.sign != 1 && step.sign != -1) {
        return reject(InvalidConstruction{"candidate " + std::to_string(c) + " has invalid path sign " +
                                          std::to_string(static_cast<int>(step.sign))});
    }
    if (const auto& error = table.errors[step.translation]) return std::unexpected(*error);
    return {};
}

// The rows and denominator of the table in one width: Numerator when the
// table is narrow, mpz_class when it is wide.
template <class Int>
struct Width;

template <>
struct Width<Numerator> {
    static const Numerator* row(const ElementTable& table, std::uint64_t k) { return table.row(k); }
    static std::int64_t denominator(const ElementTable& table) { return table.denominator(); }
    static void step(Numerator& sum, const Numerator& value, int sign) {
        sum = sign == 1 ? sum + value : sum - value;
    }
};

template <>
struct Width<mpz_class> {
    static const mpz_class* row(const ElementTable& table, std::uint64_t k) {
        return table.wide_row(k);
    }
    static const mpz_class& denominator(const ElementTable& table) {
        return table.wide_denominator();
    }
    static void step(mpz_class& sum, const mpz_class& value, int sign) {
        if (sign == 1) {
            mpz_add(sum.get_mpz_t(), sum.get_mpz_t(), value.get_mpz_t());
        } else {
            mpz_sub(sum.get_mpz_t(), sum.get_mpz_t(), value.get_mpz_t());
        }
    }
};

// Replays candidate c on the table's rows; `sum` receives its numerators.
// Every intermediate key would be printed from an exact element, so this is
// the same walk as summing keys step by step: a step that fails, fails at
// the same place, and the final key matches exactly when each coefficient's
// reduced text does.
template <class Int>
CertResult<Point> replay(std::uint64_t c, const CandidateRecord& record,
                         const Section2Evidence& evidence, const MultiquadraticField& field,
                         const ReadTable& table, std::span<const Complex> ones, std::span<Int> sum,
                         std::span<double> values, std::span<Complex> embedded) {
    const std::uint64_t degree = field.degree();
    for (Int& value : sum) value = 0;
    for (const PathStep& step : record.path) {
        if (auto checked = check_step(c, step, table); !checked) return std::unexpected(std::move(checked.error()));
        const Int* translation = Width<Int>::row(table.numerators, step.translation);
        for (std::uint64_t m = 0; m < degree; ++m) Width<Int>::step(sum[m], translation[m], step.sign);
    }
    if (record.key.coefficients.size() != degree) return reject(PathReplayMismatch{c});
    const auto& denominator = Width<Int>::denominator(table.numerators);
    for (std::uint64_t m = 0; m < degree; ++m) {
        if (fraction_text(sum[m], denominator) != record.key.coefficients[m]) {
            return reject(PathReplayMismatch{c});
        }
    }
    embed_numerators(sum.data(), denominator, field, values, embedded);
    return check_replayed_element(c, record, evidence, field, embedded, ones);
}

// The construction edges checked on the replayed numerators: the record
// keys were just found equal to the keys of those numerators, so each key
// difference is the difference of the numerators, and the translation's
// key text matches it exactly when that key is canonical and equal in value
// (for an edge of sign -1 the key of the negated translation is printed
// afresh, so only the value counts).
template <class Int>
CertResult<void> verify_edges(const Section2Evidence& evidence, const ReadTable& table,
                              const std::vector<Int>& replayed, std::uint64_t degree) {
    const std::uint64_t n = evidence.candidates.size();
    const auto& edges = evidence.construction_edges;
    Int expected = 0;
    for (std::uint64_t e = 0; e < edges.size(); ++e) {
        const ConstructionEdge& edge = edges[e];
        if (edge.i == edge.j) return reject(SelfEdge{edge.i});
        if (edge.i >= n || edge.j >= n) return reject(EdgeOutOfRange{edge.i, edge.j, n});
        if (edge.translation >= table.errors.size()) return reject(EdgeProvenanceMismatch{e});
        if (edge.sign != 1 && edge.sign != -1) return reject(EdgeProvenanceMismatch{e});
        if (edge.sign == 1 && !table.canonical[edge.translation]) return reject(EdgeProvenanceMismatch{e});
        const Int* to = &replayed[edge.j * degree];
        const Int* from = &replayed[edge.i * degree];
        const Int* step = Width<Int>::row(table.numerators, edge.translation);
        for (std::uint64_t m = 0; m < degree; ++m) {
            // to - from = sign * step, tested as to - sign * step = from.
            expected = to[m];
            Width<Int>::step(expected, step[m], -edge.sign);
            if (expected != from[m]) return reject(EdgeProvenanceMismatch{e});
        }
    }
    return {};
}

// Every candidate replayed in one width, then the construction edges on
// the replayed numerators; the points in candidate order.
template <class Int>
CertResult<PointList> replay_all(const Section2Evidence& evidence, const MultiquadraticField& field,
                                 const ReadTable& table) {
    const std::vector<Complex> ones = embeddings(FieldElement::one(field), field);
    const std::uint64_t degree = field.degree();
    std::vector<Int> replayed(evidence.candidates.size() * degree);
    std::vector<double> values(degree);
    std::vector<Complex> embedded(degree);
    PointList points;
    points.reserve(evidence.candidates.size());
    for (std::uint64_t c = 0; c < evidence.candidates.size(); ++c) {
        if (c % 1024 == 0) poll_interrupt();
        auto point = replay<Int>(c, evidence.candidates[c], evidence, field, table, ones,
                                 std::span<Int>(replayed).subspan(c * degree, degree), values,
                                 embedded);
        if (!point) return std::unexpected(std::move(point.error()));
        points.push_back(*point);
    }
    if (auto edges = verify_edges<Int>(evidence, table, replayed, degree); !edges) {
        return std::unexpected(std::move(edges.error()));
    }
    return points;
}

}  // namespace

CertResult<void> verify_edge_set(std::span<const Point> points, std::span<const Edge> edges,
                                 double tolerance) {
    const std::uint64_t n = points.size();
    for (const Edge& edge : edges) {
        if (edge.i == edge.j) return reject(SelfEdge{edge.i});
        if (edge.i >= n || edge.j >= n) return reject(EdgeOutOfRange{edge.i, edge.j, n});
    }
    EdgeList expected = find_unit_edges(points, unit_distance_bounds(tolerance));
    EdgeList got(edges.begin(), edges.end());
    // Both usually come sorted already: the search lists edges in order.
    if (!std::is_sorted(expected.begin(), expected.end())) std::sort(expected.begin(), expected.end());
    if (!std::is_sorted(got.begin(), got.end())) std::sort(got.begin(), got.end());
    if (expected != got) return reject(EdgeSetMismatch{std::move(expected), std::move(got)});
    return {};
}

CertResult<void> verify_section2_evidence(const Section2Evidence& evidence) {
    if (auto request = recheck_request(evidence.generators, evidence.split_prime, evidence.k);
        !request) {
        return request;
    }
    if (evidence.max_prime_exponent == 0) {
        return std::unexpected(
            invalid_construction(UnitDistanceError{search_parameter::kMaxPrimeExponent}));
    }
    // The keys are written in the basis of the evidence's own generator
    // order, so the field is built from that list as stored (a caller may
    // name -1 before a positive generator).
    auto field = MultiquadraticField::from_generators(evidence.generators);
    if (!field) return std::unexpected(invalid_construction(field.error()));

    std::vector<AlgebraicKey> table;
    table.reserve(evidence.translations.size());
    for (std::uint64_t i = 0; i < evidence.translations.size(); ++i) {
        if (auto checked = check_translation(i, evidence.translations[i], *field); !checked) {
            return checked;
        }
        table.push_back(evidence.translations[i].key);
    }

    if (evidence.candidates.size() != evidence.n_target) {
        return reject(PointCountMismatch{evidence.n_target, evidence.candidates.size()});
    }
    std::uint64_t longest_path = 0;
    for (const CandidateRecord& candidate : evidence.candidates) {
        longest_path = std::max<std::uint64_t>(longest_path, candidate.path.size());
    }
    const ReadTable read = read_table(table, *field, longest_path);
    auto points = read.numerators.wide() ? replay_all<mpz_class>(evidence, *field, read)
                                         : replay_all<Numerator>(evidence, *field, read);
    if (!points) return std::unexpected(std::move(points.error()));
    return verify_edge_set(*points, evidence.unit_edges, evidence.edge_tolerance);
}

}  // namespace vantor
