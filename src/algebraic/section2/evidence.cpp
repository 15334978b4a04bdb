#include "evidence.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "algebraic/section2/numerators.hpp"
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

// The translation table of a certificate, every key read once. When every
// key reads and all of them are integers over one common 64-bit
// denominator, the table also holds those integer numerators, and paths are
// replayed on integers: the same sums, without a rational reduction per
// step.
struct ReadTable {
    std::vector<CertResult<FieldElement>> elements;
    bool integral = false;
    std::int64_t denominator = 1;
    std::vector<Numerator> numerators;  // translation t at t * degree
    std::vector<bool> canonical;        // the key is the key of its element
};

ReadTable read_table(const std::vector<AlgebraicKey>& table, const MultiquadraticField& field) {
    ReadTable read;
    read.elements.reserve(table.size());
    for (const AlgebraicKey& key : table) read.elements.push_back(element_of_key(key, field));
    mpz_class common = 1;
    for (const auto& element : read.elements) {
        if (!element) return read;
        for (const Rational& q : element->coefficients) mpz_lcm(common.get_mpz_t(), common.get_mpz_t(), q.get_den_mpz_t());
    }
    if (!common.fits_slong_p()) return read;
    read.denominator = common.get_si();
    const std::uint64_t degree = field.degree();
    read.numerators.reserve(table.size() * degree);
    mpz_class scaled;
    for (std::size_t t = 0; t < table.size(); ++t) {
        for (const Rational& q : read.elements[t]->coefficients) {
            scaled = q.get_num() * (common / q.get_den());
            if (!scaled.fits_slong_p()) return read;
            read.numerators.push_back(scaled.get_si());
        }
        read.canonical.push_back(key_of(*read.elements[t]) == table[t]);
    }
    read.integral = true;
    return read;
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
    if (step.translation >= table.elements.size()) {
        return reject(PathTranslationOutOfRange{c, step.translation, table.elements.size()});
    }
    if (step.sign != 1 && step.sign != -1) {
        return reject(InvalidConstruction{"candidate " + std::to_string(c) + " has invalid path sign " +
                                          std::to_string(static_cast<int>(step.sign))});
    }
    const auto& translation = table.elements[step.translation];
    if (!translation) return std::unexpected(translation.error());
    return {};
}

// The replay on exact rationals. Every intermediate key would be printed
// from an exact element, so reading it back gives that element again: this
// is the same walk as summing keys step by step, and a translation key that
// does not read fails at the same step.
CertResult<Point> replay_exactly(std::uint64_t c, const CandidateRecord& record,
                                 const Section2Evidence& evidence, const MultiquadraticField& field,
                                 const ReadTable& table, std::span<const Complex> ones) {
    FieldElement current = FieldElement::zero(field);
    for (const PathStep& step : record.path) {
        if (auto checked = check_step(c, step, table); !checked) return std::unexpected(std::move(checked.error()));
        const FieldElement& translation = *table.elements[step.translation];
        current = step.sign == 1 ? add(current, translation) : sub(current, translation);
    }
    if (!(key_of(current) == record.key)) return reject(PathReplayMismatch{c});
    return check_replayed_element(c, record, evidence, field, embeddings(current, field), ones);
}

// The replay on the table's integer numerators; `sum` receives the
// candidate's numerators. Nothing when a sum leaves 128 bits (the caller
// then replays exactly).
std::optional<CertResult<Point>> replay_on_integers(std::uint64_t c, const CandidateRecord& record,
                                                    const Section2Evidence& evidence,
                                                    const MultiquadraticField& field, const ReadTable& table,
                                                    std::span<const Complex> ones, std::span<Numerator> sum) {
    const std::uint64_t degree = field.degree();
    std::fill(sum.begin(), sum.end(), 0);
    for (const PathStep& step : record.path) {
        if (auto checked = check_step(c, step, table); !checked) return std::unexpected(std::move(checked.error()));
        const Numerator* translation = &table.numerators[step.translation * degree];
        for (std::uint64_t m = 0; m < degree; ++m) {
            const bool overflow = step.sign == 1 ? __builtin_add_overflow(sum[m], translation[m], &sum[m])
                                                 : __builtin_sub_overflow(sum[m], translation[m], &sum[m]);
            if (overflow) return std::nullopt;
        }
    }
    if (record.key.coefficients.size() != degree) return reject(PathReplayMismatch{c});
    for (std::uint64_t m = 0; m < degree; ++m) {
        if (fraction_text(sum[m], table.denominator) != record.key.coefficients[m]) {
            return reject(PathReplayMismatch{c});
        }
    }
    std::vector<double> values(degree);
    std::vector<Complex> embedded(degree);
    embed_numerators(sum.data(), table.denominator, field, values, embedded);
    return check_replayed_element(c, record, evidence, field, embedded, ones);
}

}  // namespace

CertResult<Point> replay_candidate(std::uint64_t c, const CandidateRecord& record,
                                   const Section2Evidence& evidence,
                                   const MultiquadraticField& field,
                                   const std::vector<AlgebraicKey>& table) {
    return replay_exactly(c, record, evidence, field, read_table(table, field),
                          embeddings(FieldElement::one(field), field));
}

CertResult<void> verify_construction_edges(std::span<const CandidateRecord> candidates,
                                           std::span<const ConstructionEdge> edges,
                                           const std::vector<AlgebraicKey>& table,
                                           std::span<const std::int64_t> generators) {
    auto field = MultiquadraticField::from_generators(generators);
    if (!field) return std::unexpected(invalid_construction(field.error()));
    const std::uint64_t n = candidates.size();
    const AlgebraicKey zero = zero_key(field->degree());
    for (std::uint64_t e = 0; e < edges.size(); ++e) {
        const ConstructionEdge& edge = edges[e];
        if (edge.i == edge.j) return reject(SelfEdge{edge.i});
        if (edge.i >= n || edge.j >= n) return reject(EdgeOutOfRange{edge.i, edge.j, n});
        if (edge.translation >= table.size()) return reject(EdgeProvenanceMismatch{e});
        auto difference = key_difference(candidates[edge.j].key, candidates[edge.i].key, *field);
        if (!difference) return std::unexpected(std::move(difference.error()));
        CertResult<AlgebraicKey> expected;
        if (edge.sign == 1) {
            expected = table[edge.translation];
        } else if (edge.sign == -1) {
            expected = key_difference(zero, table[edge.translation], *field);
            if (!expected) return std::unexpected(std::move(expected.error()));
        } else {
            return reject(EdgeProvenanceMismatch{e});
        }
        if (!(*difference == *expected)) return reject(EdgeProvenanceMismatch{e});
    }
    return {};
}

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

namespace {

// The construction edges checked on the replayed numerators: the record
// keys were just found equal to the keys of those numerators, so each key
// difference is the difference of the numerators, and the translation's
// key text matches it exactly when that key is canonical and equal in value.
// The checks and their order are those of verify_construction_edges.
CertResult<void> verify_edges_on_integers(const Section2Evidence& evidence, const ReadTable& table,
                                          const std::vector<Numerator>& replayed, std::uint64_t degree) {
    const std::uint64_t n = evidence.candidates.size();
    const auto& edges = evidence.construction_edges;
    for (std::uint64_t e = 0; e < edges.size(); ++e) {
        const ConstructionEdge& edge = edges[e];
        if (edge.i == edge.j) return reject(SelfEdge{edge.i});
        if (edge.i >= n || edge.j >= n) return reject(EdgeOutOfRange{edge.i, edge.j, n});
        if (edge.translation >= table.elements.size()) return reject(EdgeProvenanceMismatch{e});
        if (edge.sign != 1 && edge.sign != -1) return reject(EdgeProvenanceMismatch{e});
        if (edge.sign == 1 && !table.canonical[edge.translation]) return reject(EdgeProvenanceMismatch{e});
        const Numerator* to = &replayed[edge.j * degree];
        const Numerator* from = &replayed[edge.i * degree];
        const Numerator* step = &table.numerators[edge.translation * degree];
        for (std::uint64_t m = 0; m < degree; ++m) {
            // to - from = sign * step, tested as to - sign * step = from; a
            // sum that leaves 128 bits cannot equal `from`.
            Numerator expected;
            const bool overflow = edge.sign == 1 ? __builtin_sub_overflow(to[m], step[m], &expected)
                                                 : __builtin_add_overflow(to[m], step[m], &expected);
            if (overflow || expected != from[m]) return reject(EdgeProvenanceMismatch{e});
        }
    }
    return {};
}

}  // namespace

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
    const ReadTable read = read_table(table, *field);
    const std::vector<Complex> ones = embeddings(FieldElement::one(*field), *field);
    const std::uint64_t degree = field->degree();
    // The replayed numerators of every candidate while all replays stay on
    // integers; they then settle the construction edges too.
    std::vector<Numerator> replayed;
    bool on_integers = read.integral;
    if (on_integers) replayed.resize(evidence.candidates.size() * degree);
    PointList points;
    points.reserve(evidence.candidates.size());
    for (std::uint64_t c = 0; c < evidence.candidates.size(); ++c) {
        if (c % 1024 == 0) poll_interrupt();
        std::optional<CertResult<Point>> point;
        if (read.integral) {
            point = replay_on_integers(c, evidence.candidates[c], evidence, *field, read, ones,
                                       std::span<Numerator>(replayed).subspan(on_integers ? c * degree : 0, degree));
        }
        if (!point) {
            on_integers = false;
            point = replay_exactly(c, evidence.candidates[c], evidence, *field, read, ones);
        }
        if (!*point) return std::unexpected(std::move(point->error()));
        points.push_back(**point);
    }
    if (on_integers) {
        if (auto edges = verify_edges_on_integers(evidence, read, replayed, degree); !edges) return edges;
    } else if (auto edges = verify_construction_edges(evidence.candidates, evidence.construction_edges,
                                                      table, evidence.generators);
               !edges) {
        return edges;
    }
    return verify_edge_set(points, evidence.unit_edges, evidence.edge_tolerance);
}

}  // namespace vantor
