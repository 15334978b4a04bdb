#pragma once
// Genuine certified records for the verification tests, built once per run
// and handed out as independent copies that a test may edit freely.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "algebraic/field/embeddings.hpp"
#include "algebraic/keys/algebraic_key.hpp"
#include "certificate.hpp"
#include "construction.hpp"
#include "verification.hpp"

namespace vantor::testing_records {

// The arguments of one multiquadratic request, as a caller writes them.
struct Request {
    const char* tag;  // a short name for test names
    std::vector<std::int64_t> generators;
    std::int64_t p;
    std::uint64_t k;
    std::uint64_t n_target;
};

inline void PrintTo(const Request& r, std::ostream* os) {
    *os << "generators=[";
    for (std::size_t i = 0; i < r.generators.size(); ++i) {
        *os << (i ? ", " : "") << r.generators[i];
    }
    *os << "] p=" << r.p << " k=" << r.k << " n=" << r.n_target;
}

// Records with different fields, primes and exponents, including -1 named
// before a positive generator; the verification tests edit each of them.
inline const std::vector<Request> kEditedRecords = {
    {"sqrt2_p17", {2}, 17, 1, 20},
    {"gaussian_p5_k2", {}, 5, 2, 25},
    {"minus1_first_p17", {-1, 2}, 17, 1, 20},
    {"minus1_middle_p73", {2, -1, 3}, 73, 1, 20},
    {"sqrt2_sqrt3_p73", {2, 3}, 73, 1, 30},
};

// Builds the request and its certified record; a failure here is a failure
// of the construction, not of the test's subject, and is thrown so that the
// test reports it.
inline CertifiedPointSet build_record(const Request& r) {
    auto request = multiquadratic_construction(r.generators, r.p, r.k);
    if (!request) throw std::runtime_error("request rejected: " + request.error().message());
    auto record = certify_construction(*request, r.n_target);
    if (!record) throw std::runtime_error("certification failed: " + record.error().message());
    return std::move(*record);
}

inline CertifiedPointSet copy_of(const CertifiedPointSet& set) {
    PointSetCertificate certificate = std::visit(
        [](const auto& c) -> PointSetCertificate {
            using Kind = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<Kind, ReplayCertificate>) {
                return c;
            } else {
                return std::make_unique<Section2Certificate>(*c);
            }
        },
        set.certificate);
    return CertifiedPointSet{std::move(certificate), set.points, set.audit_edges, set.tolerance};
}

// A fresh copy of the genuine record of a request; the construction runs
// once per request and run.
inline CertifiedPointSet genuine(const Request& r) {
    static std::map<std::tuple<std::vector<std::int64_t>, std::int64_t, std::uint64_t,
                               std::uint64_t>,
                    CertifiedPointSet>
        cache;
    auto key = std::make_tuple(r.generators, r.p, r.k, r.n_target);
    auto found = cache.find(key);
    if (found == cache.end()) found = cache.emplace(key, build_record(r)).first;
    return copy_of(found->second);
}

inline Section2Certificate& section2(CertifiedPointSet& set) {
    return *std::get<std::unique_ptr<Section2Certificate>>(set.certificate);
}
inline Section2Evidence& evidence(CertifiedPointSet& set) { return section2(set).evidence; }

inline constexpr const char* kAccepted = "accepted";

// "accepted", or the message of the error that rejected the record.
inline std::string verdict(const CertifiedPointSet& set) {
    auto report = verify_certificate(set);
    if (report) return kAccepted;
    return report.error().message();
}

// The shortest decimal text that reads back as the same double, written
// without an exponent: the fewest fractional digits whose correctly rounded
// text converts back exactly.
inline std::string positional(double value) {
    char buffer[512];
    for (int digits = 0; digits < 400; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
        if (std::strtod(buffer, nullptr) == value) return buffer;
    }
    return "unrepresentable";
}

inline std::string pair_text(long long x, long long y) {
    return "[" + std::to_string(x) + ", " + std::to_string(y) + "]";
}

// The largest embedding modulus of a candidate, from its exact key.
inline double actual_norm(CertifiedPointSet& set, std::uint64_t c) {
    const Section2Evidence& e = evidence(set);
    auto field = MultiquadraticField::from_generators(e.generators);
    auto element = element_of_key(e.candidates[c].key, *field);
    return max_embedding_norm(embeddings(*element, *field));
}

// The first candidate with the largest modulus, and that modulus.
inline std::pair<std::uint64_t, double> farthest_candidate(CertifiedPointSet& set) {
    std::uint64_t best = 0;
    double norm = -1.0;
    for (std::uint64_t c = 0; c < evidence(set).candidates.size(); ++c) {
        const double m = actual_norm(set, c);
        if (m > norm) {
            best = c;
            norm = m;
        }
    }
    return {best, norm};
}


// An edit of a genuine record. `apply` changes the copy it is given and
// returns the message verification must reject it with, or kAccepted.
struct Edit {
    std::string name;
    std::function<std::string(CertifiedPointSet&)> apply;
};

inline std::string translation_message(std::uint64_t i) {
    return "translation " + std::to_string(i) + " is not certified as norm-one";
}
inline std::string replay_message(std::uint64_t c) {
    return "candidate path " + std::to_string(c) + " does not replay to stored key";
}
inline std::string projection_message(std::uint64_t c) {
    return "projection " + std::to_string(c) + " does not match algebraic candidate";
}
inline std::string provenance_message(std::uint64_t e) {
    return "construction edge " + std::to_string(e) +
           " is not explained by its translation provenance";
}
inline std::string schema_message(const std::string& detail) {
    return "certificate schema mismatch: " + detail;
}
inline std::string key_count_message(std::uint64_t actual, std::uint64_t degree) {
    return "algebraic key has " + std::to_string(actual) + " coefficients, but field degree is " +
           std::to_string(degree);
}
inline std::string edge_set_message(std::uint64_t expected, std::uint64_t got) {
    return "certificate edge set mismatch: expected " + std::to_string(expected) +
           " edges, got " + std::to_string(got);
}
inline std::string out_of_range_message(std::uint64_t a, std::uint64_t b, std::uint64_t n) {
    return "certificate edge (" + std::to_string(a) + ", " + std::to_string(b) +
           ") is outside point count " + std::to_string(n);
}
inline std::string self_edge_message(std::uint64_t a) {
    return "certificate contains self-edge at point " + std::to_string(a);
}
inline std::string count_message(std::uint64_t actual, std::uint64_t expected) {
    return "certificate has " + std::to_string(actual) + " points, but expected " +
           std::to_string(expected);
}
inline std::string polydisk_message(std::uint64_t c, double radius, double norm) {
    return "candidate " + std::to_string(c) + " is outside polydisk radius " + positional(radius) +
           "; max embedding norm is " + positional(norm);
}

}  // namespace vantor::testing_records
