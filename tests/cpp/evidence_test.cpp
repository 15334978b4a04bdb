// The exact re-check of multiquadratic evidence: genuine records edited one
// field at a time must be rejected with the exact message of the first
// failing check, and edits that keep the record true must still pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "algebraic/field/element_table.hpp"
#include "algebraic/section2/evidence.hpp"
#include "algebraic/section2/translations.hpp"
#include "certified_records.hpp"

namespace vantor {
namespace {

using namespace testing_records;

std::uint64_t degree_of(CertifiedPointSet& set) {
    return evidence(set).translations.at(0).key.coefficients.size();
}

// The same rational in another spelling: "3/5" becomes "6/10", "-2" becomes
// "-2/1", "0" becomes "0/1".
std::string respelled(const std::string& text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return text + "/1";
    const long long n = std::stoll(text.substr(0, slash));
    const long long d = std::stoll(text.substr(slash + 1));
    return std::to_string(2 * n) + "/" + std::to_string(2 * d);
}

// Twice the rational: "15/17" becomes "30/17", "1" becomes "2"; numerators
// of any length.
std::string doubled(const std::string& text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return mpz_class(2 * mpz_class(text)).get_str();
    return mpz_class(2 * mpz_class(text.substr(0, slash))).get_str() + text.substr(slash);
}

std::string negated(const std::string& text) {
    if (text == "0") return text;
    return text[0] == '-' ? text.substr(1) : "-" + text;
}

std::uint64_t first_with_path(const Section2Evidence& e, std::size_t min_steps = 1) {
    for (std::uint64_t c = 0; c < e.candidates.size(); ++c) {
        if (e.candidates[c].path.size() >= min_steps) return c;
    }
    throw std::runtime_error("no candidate with a long enough path");
}

// The first coefficient of translation 0 replaced by `text`, which the
// rational reader rejects with `detail`.
Edit translation_key_text(const char* name, std::string text, std::string detail) {
    return {name, [text, detail](CertifiedPointSet& set) {
                evidence(set).translations[0].key.coefficients[0] = text;
                return schema_message(detail);
            }};
}

// Sets the radius to the farthest candidate's modulus minus `below`; the
// check allows a margin of 1e-7 above the radius.
Edit polydisk_radius_below_norm(const char* name, double below, bool rejected) {
    return {name, [below, rejected](CertifiedPointSet& set) -> std::string {
                auto [c, norm] = farthest_candidate(set);
                const double radius = norm - below;
                evidence(set).polydisk_radius = radius;
                return rejected ? polydisk_message(c, radius, norm) : std::string(kAccepted);
            }};
}

// The largest radius whose bound radius + 1e-7 lies below the norm
// (`inside` false), or the next double up, whose bound reaches it.
double boundary_radius(double norm, bool inside) {
    double r = norm - 1e-7;
    while (r + 1e-7 < norm) r = std::nextafter(r, 10.0);
    while (r + 1e-7 >= norm) r = std::nextafter(r, -10.0);
    return inside ? std::nextafter(r, 10.0) : r;
}

// Which edge list an edge-set edit is applied to.
EdgeList& unit_edges(CertifiedPointSet& set) { return evidence(set).unit_edges; }
EdgeList& audit_edges(CertifiedPointSet& set) { return set.audit_edges; }

std::vector<Edit> edge_set_edits(const std::string& prefix,
                                 EdgeList& (*list)(CertifiedPointSet&)) {
    auto keep = [&prefix](const char* what) { return prefix + "_" + what; };
    return {
        {keep("first_edge_written_larger_index_first"),
         [list](CertifiedPointSet& set) {
             EdgeList& edges = list(set);
             const std::uint64_t n = edges.size();
             std::swap(edges[0].i, edges[0].j);
             return edge_set_message(n, n);
         }},
        {keep("first_edge_listed_twice"),
         [list](CertifiedPointSet& set) {
             EdgeList& edges = list(set);
             const std::uint64_t n = edges.size();
             edges.push_back(edges[0]);
             return edge_set_message(n, n + 1);
         }},
        {keep("last_edge_missing"),
         [list](CertifiedPointSet& set) {
             EdgeList& edges = list(set);
             const std::uint64_t n = edges.size();
             edges.pop_back();
             return edge_set_message(n, n - 1);
         }},
        {keep("far_pair_added"),
         [list](CertifiedPointSet& set) {
             EdgeList& edges = list(set);
             const std::uint64_t n = edges.size();
             const PointList& points = set.points;
             // A pair whose distance is nowhere near 1.
             for (std::uint64_t j = 1; j < points.size(); ++j) {
                 const double d = std::hypot(points[j].x - points[0].x, points[j].y - points[0].y);
                 if (std::fabs(d - 1.0) > 0.01) {
                     edges.push_back(Edge{0, j});
                     return edge_set_message(n, n + 1);
                 }
             }
             throw std::runtime_error("no far pair");
         }},
        {keep("self_edge_added"),
         [list](CertifiedPointSet& set) {
             list(set).push_back(Edge{7, 7});
             return self_edge_message(7);
         }},
        {keep("edge_beyond_points_added"),
         [list](CertifiedPointSet& set) {
             const std::uint64_t n = set.points.size();
             list(set).push_back(Edge{0, n});
             return out_of_range_message(0, n, n);
         }},
        {keep("self_edge_beyond_points_reported_as_self_edge"),
         [list](CertifiedPointSet& set) {
             const std::uint64_t n = set.points.size();
             list(set).push_back(Edge{n + 3, n + 3});
             return self_edge_message(n + 3);
         }},
        {keep("range_fault_stored_before_self_edge"),
         [list](CertifiedPointSet& set) {
             const std::uint64_t n = set.points.size();
             list(set).push_back(Edge{0, n});
             list(set).push_back(Edge{2, 2});
             return out_of_range_message(0, n, n);
         }},
        {keep("edges_in_reverse_order"),
         [list](CertifiedPointSet& set) {
             EdgeList& edges = list(set);
             std::reverse(edges.begin(), edges.end());
             return std::string(kAccepted);
         }},
    };
}

std::vector<Edit> all_edits() {
    std::vector<Edit> edits = {
        // ---- request and fixed settings --------------------------------
        {"evidence_split_prime_not_prime",
         [](CertifiedPointSet& set) {
             evidence(set).split_prime = 9;
             return std::string("invalid certificate construction: split prime 9 is not an odd prime");
         }},
        {"evidence_generator_not_squarefree",
         [](CertifiedPointSet& set) {
             evidence(set).generators.insert(evidence(set).generators.begin(), 12);
             return std::string(
                 "invalid certificate construction: invalid generator 12: positive generators "
                 "must be squarefree");
         }},
        {"max_prime_exponent_zero",
         [](CertifiedPointSet& set) {
             evidence(set).max_prime_exponent = 0;
             return std::string(
                 "invalid certificate construction: invalid search parameter max_prime_exponent: "
                 "expected a value greater than zero");
         }},

        // ---- translations ------------------------------------------------
        {"norm_key_one_spelled_1_over_1",
         [](CertifiedPointSet& set) {
             auto& t = evidence(set).translations;
             t.back().norm_key.coefficients[0] = "1/1";
             return translation_message(t.size() - 1);
         }},
        {"norm_key_one_spelled_plus_1",
         [](CertifiedPointSet& set) {
             auto& t = evidence(set).translations;
             t.back().norm_key.coefficients[0] = "+1";
             return translation_message(t.size() - 1);
         }},
        {"norm_key_zero_spelled_minus_0",
         [](CertifiedPointSet& set) {
             evidence(set).translations[1].norm_key.coefficients[1] = "-0";
             return translation_message(1);
         }},
        {"norm_key_zero_spelled_0_over_3",
         [](CertifiedPointSet& set) {
             evidence(set).translations[0].norm_key.coefficients.back() = "0/3";
             return translation_message(0);
         }},
        // The norm key is only compared, never read: a short or unreadable
        // one is a wrong claim, not a schema fault.
        {"norm_key_one_coefficient_short",
         [](CertifiedPointSet& set) {
             evidence(set).translations[1].norm_key.coefficients.pop_back();
             return translation_message(1);
         }},
        {"norm_key_not_a_rational",
         [](CertifiedPointSet& set) {
             evidence(set).translations[0].norm_key.coefficients[0] = "one";
             return translation_message(0);
         }},
        {"norm_key_of_another_value",
         [](CertifiedPointSet& set) {
             evidence(set).translations[0].norm_key.coefficients[0] = "2";
             return translation_message(0);
         }},
        // Twice a translation has norm 4; a norm key saying so is right, but
        // the element is not norm-one.
        {"translation_doubled_with_matching_norm_key",
         [](CertifiedPointSet& set) {
             auto& t = evidence(set).translations;
             const std::uint64_t i = t.size() - 1;
             for (auto& text : t[i].key.coefficients) text = doubled(text);
             t[i].norm_key.coefficients[0] = "4";
             return translation_message(i);
         }},
        {"translation_key_one_coefficient_short",
         [](CertifiedPointSet& set) {
             const std::uint64_t d = degree_of(set);
             evidence(set).translations[0].key.coefficients.pop_back();
             return key_count_message(d - 1, d);
         }},
        {"translation_key_one_coefficient_long",
         [](CertifiedPointSet& set) {
             const std::uint64_t d = degree_of(set);
             evidence(set).translations.back().key.coefficients.push_back("0");
             return key_count_message(d + 1, d);
         }},
        translation_key_text("translation_key_word", "x", "invalid rational x"),
        translation_key_text("translation_key_zero_denominator", "1/0",
                             "rational denominator must be nonzero"),
        translation_key_text("translation_key_bad_numerator", "a/2",
                             "invalid rational numerator a/2"),
        translation_key_text("translation_key_two_slashes", "1/2/3",
                             "invalid rational denominator 1/2/3"),
        translation_key_text("translation_key_empty", "", "invalid rational "),
        translation_key_text("translation_key_leading_blank", " 1", "invalid rational  1"),
        // A translation key in another spelling still denotes a norm-one
        // element, and replay reads it as a number; only the construction
        // edges compare it as text.
        {"translation_key_respelled",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t t = e.construction_edges.at(0).translation;
             for (auto& text : e.translations[t].key.coefficients) text = respelled(text);
             for (std::uint64_t k = 0; k < e.construction_edges.size(); ++k) {
                 if (e.construction_edges[k].translation == t) return provenance_message(k);
             }
             throw std::runtime_error("unreachable");
         }},
        // Another norm-one element passes the translation check, but the
        // paths that use it no longer lead to their keys.
        {"translation_replaced_by_its_negative",
         [](CertifiedPointSet& set) -> std::string {
             Section2Evidence& e = evidence(set);
             const std::uint64_t t = 0;
             for (auto& text : e.translations[t].key.coefficients) text = negated(text);
             for (std::uint64_t c = 0; c < e.candidates.size(); ++c) {
                 long net = 0;
                 for (const PathStep& s : e.candidates[c].path) {
                     if (s.translation == t) net += s.sign;
                 }
                 if (net != 0) return replay_message(c);
             }
             throw std::runtime_error("no candidate uses translation 0");
         }},

        // ---- candidate count ---------------------------------------------
        {"evidence_n_target_one_more",
         [](CertifiedPointSet& set) {
             const std::uint64_t n = evidence(set).candidates.size();
             evidence(set).n_target = n + 1;
             return count_message(n, n + 1);
         }},
        {"last_candidate_removed",
         [](CertifiedPointSet& set) {
             const std::uint64_t n = evidence(set).candidates.size();
             evidence(set).candidates.pop_back();
             return count_message(n - 1, n);
         }},

        // ---- paths ---------------------------------------------------------
        {"path_translation_equal_to_count",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             const std::uint64_t m = e.translations.size();
             e.candidates[c].path[0].translation = m;
             return "candidate " + std::to_string(c) + " path references translation " +
                    std::to_string(m) + ", but only " + std::to_string(m) +
                    " translations exist";
         }},
        {"path_translation_out_of_range_and_sign_invalid",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             const std::uint64_t m = e.translations.size();
             e.candidates[c].path[0] = PathStep{m, 2};
             return "candidate " + std::to_string(c) + " path references translation " +
                    std::to_string(m) + ", but only " + std::to_string(m) +
                    " translations exist";
         }},
        {"path_translation_largest_index",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             e.candidates[c].path.back().translation = std::numeric_limits<std::uint64_t>::max();
             return "candidate " + std::to_string(c) +
                    " path references translation 18446744073709551615, but only " +
                    std::to_string(e.translations.size()) + " translations exist";
         }},
        {"translations_removed",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             const std::uint64_t t = e.candidates[c].path[0].translation;
             e.translations.clear();
             return "candidate " + std::to_string(c) + " path references translation " +
                    std::to_string(t) + ", but only 0 translations exist";
         }},
        {"path_sign_2",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             e.candidates[c].path[0].sign = 2;
             return "invalid certificate construction: candidate " + std::to_string(c) +
                    " has invalid path sign 2";
         }},
        {"path_sign_byte_200",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             e.candidates[c].path.back().sign = static_cast<std::int8_t>(200);
             return "invalid certificate construction: candidate " + std::to_string(c) +
                    " has invalid path sign -56";
         }},
        {"path_sign_0",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             e.candidates[c].path[0].sign = 0;
             return "invalid certificate construction: candidate " + std::to_string(c) +
                    " has invalid path sign 0";
         }},
        {"path_sign_invalid_before_index_out_of_range",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e, 2);
             e.candidates[c].path[0].sign = 3;
             e.candidates[c].path[1].translation = e.translations.size();
             return "invalid certificate construction: candidate " + std::to_string(c) +
                    " has invalid path sign 3";
         }},
        {"path_index_out_of_range_before_sign_invalid",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e, 2);
             const std::uint64_t m = e.translations.size();
             e.candidates[c].path[0].translation = m + 1;
             e.candidates[c].path[1].sign = 3;
             return "candidate " + std::to_string(c) + " path references translation " +
                    std::to_string(m + 1) + ", but only " + std::to_string(m) +
                    " translations exist";
         }},
        {"path_step_with_other_sign",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             auto& step = e.candidates[c].path[0];
             step.sign = static_cast<std::int8_t>(-step.sign);
             return replay_message(c);
         }},
        {"path_step_with_other_translation",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             auto& step = e.candidates[c].path[0];
             step.translation = (step.translation + 1) % e.translations.size();
             return replay_message(c);
         }},
        {"path_step_dropped",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t c = first_with_path(e);
             e.candidates[c].path.pop_back();
             return replay_message(c);
         }},
        // Paths are sums: a detour that cancels, or another order of the
        // same steps, reaches the same key.
        {"path_with_cancelling_detour",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             auto& path = e.candidates[first_with_path(e)].path;
             path.push_back(PathStep{1, 1});
             path.push_back(PathStep{1, -1});
             return std::string(kAccepted);
         }},
        {"path_steps_reversed",
         [](CertifiedPointSet& set) {
             for (auto& c : evidence(set).candidates) std::reverse(c.path.begin(), c.path.end());
             return std::string(kAccepted);
         }},

        // ---- candidate keys --------------------------------------------------
        {"candidate_key_respelled",
         [](CertifiedPointSet& set) -> std::string {
             Section2Evidence& e = evidence(set);
             for (std::uint64_t c = 0; c < e.candidates.size(); ++c) {
                 for (auto& text : e.candidates[c].key.coefficients) {
                     if (text.find('/') != std::string::npos) {
                         text = respelled(text);
                         return replay_message(c);
                     }
                 }
             }
             throw std::runtime_error("no fractional coefficient");
         }},
        {"candidate_key_integer_spelled_as_fraction",
         [](CertifiedPointSet& set) -> std::string {
             Section2Evidence& e = evidence(set);
             for (std::uint64_t c = 0; c < e.candidates.size(); ++c) {
                 for (auto& text : e.candidates[c].key.coefficients) {
                     if (text.find('/') == std::string::npos) {
                         text += "/1";
                         return replay_message(c);
                     }
                 }
             }
             throw std::runtime_error("no integral coefficient");
         }},
        {"candidate_key_zero_spelled_minus_0",
         [](CertifiedPointSet& set) -> std::string {
             Section2Evidence& e = evidence(set);
             for (std::uint64_t c = 0; c < e.candidates.size(); ++c) {
                 for (auto& text : e.candidates[c].key.coefficients) {
                     if (text == "0") {
                         text = "-0";
                         return replay_message(c);
                     }
                 }
             }
             throw std::runtime_error("no zero coefficient");
         }},
        {"candidate_key_positive_with_plus_sign",
         [](CertifiedPointSet& set) -> std::string {
             Section2Evidence& e = evidence(set);
             for (std::uint64_t c = 0; c < e.candidates.size(); ++c) {
                 for (auto& text : e.candidates[c].key.coefficients) {
                     if (text != "0" && text[0] != '-') {
                         text = "+" + text;
                         return replay_message(c);
                     }
                 }
             }
             throw std::runtime_error("no positive coefficient");
         }},
        // The stored key is compared with the replayed one as text before it
        // is ever read, so a malformed key is a replay mismatch.
        {"candidate_key_one_coefficient_short",
         [](CertifiedPointSet& set) {
             evidence(set).candidates[4].key.coefficients.pop_back();
             return replay_message(4);
         }},
        {"candidate_key_not_a_rational",
         [](CertifiedPointSet& set) {
             evidence(set).candidates[5].key.coefficients[0] = "x";
             return replay_message(5);
         }},
        {"candidate_takes_next_key_and_path",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             e.candidates[2].key = e.candidates[3].key;
             e.candidates[2].path = e.candidates[3].path;
             return projection_message(2);
         }},

        // ---- polydisk --------------------------------------------------------
        polydisk_radius_below_norm("radius_plus_margin_exceeded_by_2e-7", 3e-7, true),
        polydisk_radius_below_norm("radius_exceeded_by_2e-7", 2e-7, true),
        polydisk_radius_below_norm("radius_exceeded_by_5e-8", 5e-8, false),
        {"tightest_radius_that_holds",
         [](CertifiedPointSet& set) {
             auto [c, norm] = farthest_candidate(set);
             evidence(set).polydisk_radius = boundary_radius(norm, true);
             return std::string(kAccepted);
         }},
        // The recorded largest modulus is for information only; the check
        // and its message use the modulus recomputed from the key.
        {"recorded_norm_not_consulted",
         [](CertifiedPointSet& set) {
             for (auto& c : evidence(set).candidates) c.max_embedding_norm = 1e9;
             return std::string(kAccepted);
         }},
        {"recorded_norm_not_printed",
         [](CertifiedPointSet& set) {
             auto [c, norm] = farthest_candidate(set);
             evidence(set).candidates[c].max_embedding_norm = 0.25;
             evidence(set).polydisk_radius = norm - 2e-7;
             return polydisk_message(c, norm - 2e-7, norm);
         }},
        {"recorded_modulus_error_not_consulted",
         [](CertifiedPointSet& set) {
             for (auto& t : evidence(set).translations) t.max_modulus_error = 0.5;
             return std::string(kAccepted);
         }},
        {"largest_radius_that_fails",
         [](CertifiedPointSet& set) {
             auto [c, norm] = farthest_candidate(set);
             const double radius = boundary_radius(norm, false);
             evidence(set).polydisk_radius = radius;
             return polydisk_message(c, radius, norm);
         }},

        // ---- projection and integer keys -------------------------------------
        {"candidate_point_moved_2e-7_in_x",
         [](CertifiedPointSet& set) {
             evidence(set).candidates[1].point.x += 2e-7;
             return projection_message(1);
         }},
        {"candidate_point_moved_2e-7_in_y",
         [](CertifiedPointSet& set) {
             evidence(set).candidates[6].point.y -= 2e-7;
             return projection_message(6);
         }},
        {"candidate_point_moved_5e-8_changes_its_fine_key",
         [](CertifiedPointSet& set) {
             CandidateRecord& r = evidence(set).candidates[1];
             r.point.x += 5e-8;
             return "projection key 1 mismatch: expected " +
                    pair_text(std::llround(r.point.x * 1e9), std::llround(r.point.y * 1e9)) +
                    ", got " + pair_text(r.projection_key.x, r.projection_key.y);
         }},
        {"candidate_point_not_a_number",
         [](CertifiedPointSet& set) {
             evidence(set).candidates[2].point.y = std::nan("");
             return std::string(
                 "invalid certificate construction: cannot quantize a non-finite f64");
         }},
        {"projection_key_off_by_one",
         [](CertifiedPointSet& set) {
             CandidateRecord& r = evidence(set).candidates[3];
             const IntegerKey right = r.projection_key;
             r.projection_key.y += 1;
             return "projection key 3 mismatch: expected " + pair_text(right.x, right.y) +
                    ", got " + pair_text(right.x, right.y + 1);
         }},
        {"dedup_key_off_by_one",
         [](CertifiedPointSet& set) {
             CandidateRecord& r = evidence(set).candidates[4];
             const IntegerKey right = r.dedup_key;
             r.dedup_key.x -= 1;
             return "projection key 4 mismatch: expected " + pair_text(right.x, right.y) +
                    ", got " + pair_text(right.x - 1, right.y);
         }},
        {"dedup_key_checked_after_projection_key",
         [](CertifiedPointSet& set) {
             CandidateRecord& r = evidence(set).candidates[4];
             const IntegerKey right = r.projection_key;
             r.projection_key.x = right.x + 7;
             r.dedup_key.x += 1;
             return "projection key 4 mismatch: expected " + pair_text(right.x, right.y) +
                    ", got " + pair_text(right.x + 7, right.y);
         }},
        {"projection_index_beyond_degree",
         [](CertifiedPointSet& set) {
             evidence(set).projection_index = degree_of(set);
             return std::string(
                 "invalid certificate construction: invalid search parameter projection_index: "
                 "expected an embedding index within the field degree");
         }},
        // The embedding that sends i to -i mirrors every point in the x axis.
        {"projection_through_conjugate_embedding",
         [](CertifiedPointSet& set) -> std::string {
             Section2Evidence& e = evidence(set);
             std::uint64_t bit = 0;
             while (e.generators[bit] != -1) ++bit;
             e.projection_index = std::uint64_t{1} << bit;
             for (std::uint64_t c = 0; c < e.candidates.size(); ++c) {
                 if (std::fabs(e.candidates[c].point.y) > 1e-7) return projection_message(c);
             }
             throw std::runtime_error("every point on the x axis");
         }},

        // ---- construction edges ----------------------------------------------
        {"construction_edge_reversed",
         [](CertifiedPointSet& set) {
             ConstructionEdge& edge = evidence(set).construction_edges[0];
             std::swap(edge.i, edge.j);
             return provenance_message(0);
         }},
        {"construction_edge_reversed_with_negative_sign",
         [](CertifiedPointSet& set) {
             ConstructionEdge& edge = evidence(set).construction_edges[0];
             std::swap(edge.i, edge.j);
             edge.sign = -1;
             return std::string(kAccepted);
         }},
        {"last_construction_edge_reversed",
         [](CertifiedPointSet& set) {
             auto& edges = evidence(set).construction_edges;
             std::swap(edges.back().i, edges.back().j);
             return provenance_message(edges.size() - 1);
         }},
        {"construction_edge_negative_sign",
         [](CertifiedPointSet& set) {
             evidence(set).construction_edges[1].sign = -1;
             return provenance_message(1);
         }},
        {"construction_edge_sign_0",
         [](CertifiedPointSet& set) {
             evidence(set).construction_edges[0].sign = 0;
             return provenance_message(0);
         }},
        {"construction_edge_sign_2",
         [](CertifiedPointSet& set) {
             evidence(set).construction_edges[2].sign = 2;
             return provenance_message(2);
         }},
        {"construction_edge_other_translation",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             ConstructionEdge& edge = e.construction_edges[0];
             edge.translation = (edge.translation + 1) % e.translations.size();
             return provenance_message(0);
         }},
        {"construction_edge_translation_equal_to_count",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             e.construction_edges[0].translation = e.translations.size();
             return provenance_message(0);
         }},
        {"construction_edge_self",
         [](CertifiedPointSet& set) {
             ConstructionEdge& edge = evidence(set).construction_edges[0];
             edge.i = edge.j;
             return self_edge_message(edge.j);
         }},
        {"construction_edge_beyond_points",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t n = e.candidates.size();
             ConstructionEdge& edge = e.construction_edges[0];
             edge.j = n;
             return out_of_range_message(edge.i, n, n);
         }},
        {"construction_edge_self_beyond_points",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t n = e.candidates.size();
             e.construction_edges[0].i = n + 2;
             e.construction_edges[0].j = n + 2;
             return self_edge_message(n + 2);
         }},
        {"construction_edge_range_checked_before_translation",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t n = e.candidates.size();
             ConstructionEdge& edge = e.construction_edges[0];
             edge.i = n;
             edge.translation = e.translations.size();
             return out_of_range_message(n, edge.j, n);
         }},
    };
    for (auto& edit : edge_set_edits("unit_edges", unit_edges)) edits.push_back(edit);
    for (auto& edit : edge_set_edits("audit_edges", audit_edges)) edits.push_back(edit);
    return edits;
}

const std::vector<Edit>& edits() {
    static const std::vector<Edit> table = all_edits();
    return table;
}

using EditCase = std::tuple<Request, std::size_t>;

// Every edit on every record, named "<record>_<edit>".
auto edit_cases() {
    return ::testing::Combine(::testing::ValuesIn(kEditedRecords),
                              ::testing::Range<std::size_t>(0, edits().size()));
}

std::string edit_case_name(const ::testing::TestParamInfo<EditCase>& info) {
    std::string name = std::get<0>(info.param).tag;
    name += "_";
    name += edits()[std::get<1>(info.param)].name;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
}

void expect_edit_verdict(CertifiedPointSet set, std::size_t index) {
    const std::string expected = edits()[index].apply(set);
    EXPECT_EQ(verdict(set), expected);
}

class EvidenceEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(EvidenceEdit, GivesTheExpectedVerdict) {
    const auto& [request, index] = GetParam();
    expect_edit_verdict(genuine(request), index);
}

INSTANTIATE_TEST_SUITE_P(Evidence, EvidenceEdit, edit_cases(), edit_case_name);

// The same edits on records whose translation table ends with one more
// unit, ((3 + 4i) / 5)^28, of denominator 5^28 beyond 63 bits and used by
// no path: the table is then held in GMP integers, and the replay and the
// edge checks on them must give every verdict the 128-bit ones give.
CertifiedPointSet widened(const Request& request) {
    CertifiedPointSet set = genuine(request);
    Section2Evidence& e = evidence(set);
    auto field = MultiquadraticField::from_generators(e.generators);
    if (!field) throw std::runtime_error("field");
    FieldElement base = FieldElement::zero(*field);
    base.coefficients[0] = Rational(3, 5);
    base.coefficients[std::uint64_t{1} << field->imaginary_index().value()] = Rational(4, 5);
    FieldElement unit = FieldElement::one(*field);
    for (int k = 0; k < 28; ++k) unit = mul(unit, base, *field);
    auto certificates = translation_certificates({unit}, *field);
    if (!certificates) throw std::runtime_error("translation certificate");
    e.translations.push_back(certificates->at(0));
    return set;
}

TEST(EvidenceWide, TheTableIsWideAndTheRecordsPass) {
    for (const Request& request : kEditedRecords) {
        CertifiedPointSet set = widened(request);
        const Section2Evidence& e = evidence(set);
        auto field = MultiquadraticField::from_generators(e.generators);
        std::vector<FieldElement> table;
        for (const TranslationCertificate& t : e.translations) {
            table.push_back(*element_of_key(t.key, *field));
        }
        EXPECT_TRUE(ElementTable::from_elements(*field, table, 1).wide()) << request.tag;
        table.pop_back();
        EXPECT_FALSE(ElementTable::from_elements(*field, table, 8).wide()) << request.tag;
        EXPECT_EQ(verdict(set), kAccepted) << request.tag;
    }
}

class EvidenceEditWide : public ::testing::TestWithParam<EditCase> {};

TEST_P(EvidenceEditWide, GivesTheExpectedVerdict) {
    const auto& [request, index] = GetParam();
    expect_edit_verdict(widened(request), index);
}

INSTANTIATE_TEST_SUITE_P(EvidenceWide, EvidenceEditWide, edit_cases(), edit_case_name);

const Request kSqrt2 = kEditedRecords[0];

// The radius and the modulus are printed as the shortest decimal that reads
// back exactly, without an exponent, and without a fraction when integral.
struct PolydiskText {
    double radius;
    const char* message;
};

class EvidencePolydiskText : public ::testing::TestWithParam<PolydiskText> {};

TEST_P(EvidencePolydiskText, PrintsBothNumbersInShortestPositionalForm) {
    CertifiedPointSet set = genuine(kSqrt2);
    evidence(set).polydisk_radius = GetParam().radius;
    EXPECT_EQ(verdict(set), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Evidence, EvidencePolydiskText,
    ::testing::Values(
        PolydiskText{1.0,
                     "candidate 2 is outside polydisk radius 1; max embedding norm is "
                     "1.6564856282739673"},
        PolydiskText{1e-7,
                     "candidate 0 is outside polydisk radius 0.0000001; max embedding norm is "
                     "0.7533087338156292"},
        PolydiskText{0.5,
                     "candidate 0 is outside polydisk radius 0.5; max embedding norm is "
                     "0.7533087338156292"},
        PolydiskText{0.0,
                     "candidate 0 is outside polydisk radius 0; max embedding norm is "
                     "0.7533087338156292"},
        PolydiskText{-3.0,
                     "candidate 0 is outside polydisk radius -3; max embedding norm is "
                     "0.7533087338156292"}));

// The keys are written in the basis of the evidence's own generator order;
// read in the other order, the first translation is no longer norm-one.
TEST(EvidenceGeneratorOrder, KeysReadInAnotherBasisFailAtTheFirstTranslation) {
    CertifiedPointSet set = genuine(kSqrt2);
    ASSERT_EQ(evidence(set).generators, (std::vector<std::int64_t>{2, -1}));
    evidence(set).generators = {-1, 2};
    EXPECT_EQ(verdict(set), translation_message(0));
}

// The origin is reached by the empty path: its key must be the zero key and
// its point the origin.
class EvidenceOrigin : public ::testing::Test {
protected:
    void SetUp() override {
        set = genuine(kEditedRecords[4]);
        origin = &evidence(set).candidates[0];
        ASSERT_TRUE(origin->path.empty());
    }
    CertifiedPointSet set;
    CandidateRecord* origin = nullptr;
};

TEST_F(EvidenceOrigin, GenuineOriginPasses) { EXPECT_EQ(verdict(set), kAccepted); }

TEST_F(EvidenceOrigin, EmptyPathWithTheKeyOfOneDoesNotReplay) {
    origin->key.coefficients[0] = "1";
    EXPECT_EQ(verdict(set), replay_message(0));
}

TEST_F(EvidenceOrigin, EmptyPathWithAPointAwayFromTheOrigin) {
    origin->point.x = 1.5e-7;
    EXPECT_EQ(verdict(set), projection_message(0));
}

TEST_F(EvidenceOrigin, NegativeRadiusExcludesEvenTheOrigin) {
    evidence(set).polydisk_radius = -1.0;
    EXPECT_EQ(verdict(set),
              "candidate 0 is outside polydisk radius -1; max embedding norm is 0");
}

TEST_F(EvidenceOrigin, PointWithinToleranceOfTheOriginKeepsItsKeys) {
    // 4e-8 still projects onto the origin, and rounds to the same dedup key,
    // but not to the same fine key.
    origin->point.y = -4e-8;
    EXPECT_EQ(verdict(set), "projection key 0 mismatch: expected [0, -40], got [0, 0]");
}

// The numerical edge check on its own: stored edges against the unit-distance
// pairs recomputed from the points.
struct EdgeSetCase {
    const char* name;
    PointList points;
    EdgeList edges;
    const char* verdict;
};

void PrintTo(const EdgeSetCase& c, std::ostream* os) { *os << c.name; }

class VerifyEdgeSet : public ::testing::TestWithParam<EdgeSetCase> {};

TEST_P(VerifyEdgeSet, ComparesStoredEdgesWithRecomputedOnes) {
    const EdgeSetCase& c = GetParam();
    auto checked = verify_edge_set(c.points, c.edges, 1e-4);
    EXPECT_EQ(checked ? std::string(kAccepted) : checked.error().message(), c.verdict);
}

const PointList kSegment = {{0.0, 0.0}, {1.0, 0.0}};
const PointList kThree = {{0.0, 0.0}, {1.0, 0.0}, {0.5, 0.8660254037844386}};

INSTANTIATE_TEST_SUITE_P(
    Evidence, VerifyEdgeSet,
    ::testing::Values(
        EdgeSetCase{"pair_written_larger_index_first", kSegment, {{1, 0}},
                    "certificate edge set mismatch: expected 1 edges, got 1"},
        EdgeSetCase{"pair_listed_twice", kSegment, {{0, 1}, {0, 1}},
                    "certificate edge set mismatch: expected 1 edges, got 2"},
        EdgeSetCase{"pair_missing", kSegment, {},
                    "certificate edge set mismatch: expected 1 edges, got 0"},
        EdgeSetCase{"pair_right", kSegment, {{0, 1}}, kAccepted},
        EdgeSetCase{"no_points_no_edges", {}, {}, kAccepted},
        EdgeSetCase{"triangle_in_reverse_order", kThree, {{1, 2}, {0, 2}, {0, 1}}, kAccepted},
        EdgeSetCase{"self_edge_inside", kThree, {{2, 2}},
                    "certificate contains self-edge at point 2"},
        EdgeSetCase{"self_edge_tested_before_range", kThree, {{7, 7}},
                    "certificate contains self-edge at point 7"},
        EdgeSetCase{"edge_beyond_points", kThree, {{0, 5}},
                    "certificate edge (0, 5) is outside point count 3"},
        EdgeSetCase{"edge_beyond_points_listed_first", kThree, {{0, 1}, {5, 0}, {4, 4}},
                    "certificate edge (5, 0) is outside point count 3"},
        EdgeSetCase{"edge_in_range_on_empty_list", {}, {{0, 1}},
                    "certificate edge (0, 1) is outside point count 0"}),
    [](const ::testing::TestParamInfo<EdgeSetCase>& info) { return info.param.name; });

}  // namespace
}  // namespace vantor
