// Certified point sets: genuine records of every construction verify with
// the right report; edits of the certificate around the evidence, of replay
// certificates and of the audit edges are rejected with the exact message of
// the first failing check.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "certified_records.hpp"
#include "grids.hpp"
#include "utils/unit_distance.hpp"

namespace vantor {
namespace {

using namespace testing_records;

// ---- genuine multiquadratic records ---------------------------------------

const std::vector<Request> kGenuine = {
    {"sqrt2_p17", {2}, 17, 1, 20},
    {"sqrt2_sqrt3_p73", {2, 3}, 73, 1, 30},
    {"gaussian_p5_k2", {}, 5, 2, 25},
    {"minus1_first_p17", {-1, 2}, 17, 1, 20},
    {"minus1_middle_p73", {2, -1, 3}, 73, 1, 20},
    {"sqrt3_p13", {3}, 13, 1, 20},
    {"sqrt5_p29", {5}, 29, 1, 20},
    {"sqrt2_p41", {2}, 41, 1, 15},
    {"sqrt2_p17_k2", {2}, 17, 2, 20},
    {"sqrt2_sqrt3_p73_k2", {2, 3}, 73, 2, 60},
    {"gaussian_p5_k2_radius3", {}, 5, 2, 100},
    {"gaussian_p5_k2_radius4_5", {}, 5, 2, 400},
    {"sqrt2_p17_300_points", {2}, 17, 1, 300},
    {"degree16_p1201", {2, 3, 5}, 1201, 1, 30},
    {"no_points", {2}, 17, 1, 0},
};

class CertificateGenuine : public ::testing::TestWithParam<Request> {};

TEST_P(CertificateGenuine, VerifiesWithItsCounts) {
    const Request& r = GetParam();
    CertifiedPointSet set = genuine(r);
    const Section2Evidence& e = evidence(set);
    auto report = verify_certificate(set);
    ASSERT_TRUE(report.has_value()) << report.error().message();

    EXPECT_EQ(report->label, "multiquadratic-section2");
    EXPECT_EQ(report->description, std::optional<std::string>("native-multiquadratic"));
    EXPECT_EQ(set.points.size(), r.n_target);
    EXPECT_EQ(report->point_count, r.n_target);
    EXPECT_EQ(report->certified_edge_count, e.construction_edges.size());
    EXPECT_EQ(report->audit_edge_count, set.audit_edges.size());
    EXPECT_EQ(report->uncertified_edge_count,
              set.audit_edges.size() - e.construction_edges.size());
    EXPECT_EQ(report->tolerance, 1e-4);
    EXPECT_EQ(set.tolerance, 1e-4);
}

// Every certified edge joins two points exactly one unit apart, so it is
// also one of the audit edges, written the same way.
TEST_P(CertificateGenuine, CertifiedEdgesAreAuditEdges) {
    CertifiedPointSet set = genuine(GetParam());
    const PointList& p = set.points;
    for (const ConstructionEdge& edge : evidence(set).construction_edges) {
        ASSERT_LT(edge.i, edge.j);
        EXPECT_NEAR(std::hypot(p[edge.j].x - p[edge.i].x, p[edge.j].y - p[edge.i].y), 1.0, 1e-12);
        EXPECT_TRUE(std::find(set.audit_edges.begin(), set.audit_edges.end(),
                              Edge{edge.i, edge.j}) != set.audit_edges.end())
            << "(" << edge.i << ", " << edge.j << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Certificate, CertificateGenuine, ::testing::ValuesIn(kGenuine),
    [](const ::testing::TestParamInfo<Request>& info) { return std::string(info.param.tag); });

TEST(CertificateReport, UncertifiedCountIsFlooredAtZero) {
    // Repeating a true construction edge is still true; once the claims
    // outnumber the audit edges, the difference stops at zero.
    CertifiedPointSet set = genuine(kGenuine[0]);
    auto& edges = evidence(set).construction_edges;
    const std::uint64_t audit = set.audit_edges.size();
    while (edges.size() <= audit) edges.push_back(edges[0]);
    auto report = verify_certificate(set);
    ASSERT_TRUE(report.has_value()) << report.error().message();
    EXPECT_EQ(report->certified_edge_count, audit + 1);
    EXPECT_EQ(report->audit_edge_count, audit);
    EXPECT_EQ(report->uncertified_edge_count, 0u);
}

TEST(CertificateReport, DroppedConstructionEdgeIsCountedAsUncertified) {
    CertifiedPointSet set = genuine(kGenuine[0]);
    auto& edges = evidence(set).construction_edges;
    const std::uint64_t certified = edges.size() - 1;
    edges.erase(edges.begin() + 1);
    auto report = verify_certificate(set);
    ASSERT_TRUE(report.has_value()) << report.error().message();
    EXPECT_EQ(report->certified_edge_count, certified);
    EXPECT_EQ(report->uncertified_edge_count, set.audit_edges.size() - certified);
}

// ---- edits of the certificate around the evidence ---------------------------

const std::string kPointsDiffer =
    "invalid certificate construction: algebraic certificate points do not match Section 2 "
    "certificate";

std::string invalid_construction_message(const std::string& detail) {
    return "invalid certificate construction: " + detail;
}

std::string key_message(std::uint64_t j, long long ex, long long ey, long long gx, long long gy) {
    return "projection key " + std::to_string(j) + " mismatch: expected " + pair_text(ex, ey) +
           ", got " + pair_text(gx, gy);
}

std::vector<Edit> certificate_edits() {
    return {
        // -- request re-check on the certificate's own copies
        {"split_prime_not_prime",
         [](CertifiedPointSet& set) {
             section2(set).split_prime = 15;
             return invalid_construction_message("split prime 15 is not an odd prime");
         }},
        {"split_prime_two",
         [](CertifiedPointSet& set) {
             section2(set).split_prime = 2;
             return invalid_construction_message("split prime 2 is not an odd prime");
         }},
        {"split_prime_negative",
         [](CertifiedPointSet& set) {
             section2(set).split_prime = -section2(set).split_prime;
             return invalid_construction_message(
                 "split prime " + std::to_string(section2(set).split_prime) +
                 " is not an odd prime");
         }},
        {"generator_repeated",
         [](CertifiedPointSet& set) {
             section2(set).generators = {3, 3, -1};
             return invalid_construction_message("duplicate generator 3");
         }},
        {"generator_not_squarefree",
         [](CertifiedPointSet& set) {
             section2(set).generators = {12, -1};
             return invalid_construction_message(
                 "invalid generator 12: positive generators must be squarefree");
         }},
        {"generator_negative",
         [](CertifiedPointSet& set) {
             section2(set).generators = {-5};
             return invalid_construction_message(
                 "invalid generator -5: expected a positive squarefree integer greater than 1, "
                 "or -1");
         }},
        // -- certificate points against the candidates' points
        {"point_negative_zero_where_candidate_has_zero",
         [](CertifiedPointSet& set) -> std::string {
             for (Point& p : section2(set).points) {
                 for (double* v : {&p.x, &p.y}) {
                     if (*v == 0.0 && !std::signbit(*v)) {
                         *v = -0.0;
                         return kAccepted;
                     }
                 }
             }
             throw std::runtime_error("no zero coordinate");
         }},
        {"point_one_ulp_off",
         [](CertifiedPointSet& set) {
             Point& p = section2(set).points[3];
             p.x = std::nextafter(p.x, 10.0);
             return kPointsDiffer;
         }},
        {"point_not_a_number",
         [](CertifiedPointSet& set) {
             section2(set).points[1].y = std::nan("");
             return kPointsDiffer;
         }},
        {"point_removed",
         [](CertifiedPointSet& set) {
             section2(set).points.pop_back();
             return kPointsDiffer;
         }},
        {"point_added",
         [](CertifiedPointSet& set) {
             section2(set).points.push_back(Point{0.0, 0.0});
             return kPointsDiffer;
         }},
        // -- counts
        {"n_target_one_more",
         [](CertifiedPointSet& set) {
             const std::uint64_t n = section2(set).points.size();
             section2(set).n_target = n + 1;
             return count_message(n, n + 1);
         }},
        {"n_target_one_less",
         [](CertifiedPointSet& set) {
             const std::uint64_t n = section2(set).points.size();
             section2(set).n_target = n - 1;
             return count_message(n, n - 1);
         }},
        {"key_removed",
         [](CertifiedPointSet& set) {
             auto& keys = section2(set).quantized_projection_keys;
             const std::uint64_t n = keys.size();
             keys.pop_back();
             return count_message(n - 1, n);
         }},
        {"key_added",
         [](CertifiedPointSet& set) {
             auto& keys = section2(set).quantized_projection_keys;
             const std::uint64_t n = keys.size();
             keys.push_back(keys.back());
             return count_message(n + 1, n);
         }},
        // -- key values, recomputed at scale 1e7 from the certificate's points
        {"key_x_off_by_one",
         [](CertifiedPointSet& set) {
             Section2Certificate& c = section2(set);
             const Point p = c.points[4];
             c.quantized_projection_keys[4].x += 1;
             const long long x = std::llround(p.x * 1e7);
             const long long y = std::llround(p.y * 1e7);
             return key_message(4, x, y, x + 1, y);
         }},
        {"key_at_the_fine_scale",
         [](CertifiedPointSet& set) {
             Section2Certificate& c = section2(set);
             const CandidateRecord& r = c.evidence.candidates[2];
             c.quantized_projection_keys[2] = r.projection_key;
             return key_message(2, std::llround(r.point.x * 1e7), std::llround(r.point.y * 1e7),
                                r.projection_key.x, r.projection_key.y);
         }},
        {"keys_swapped",
         [](CertifiedPointSet& set) {
             auto& keys = section2(set).quantized_projection_keys;
             std::swap(keys[0], keys[1]);
             return key_message(0, keys[1].x, keys[1].y, keys[0].x, keys[0].y);
         }},
        // -- the record's own point list enters only through its audit edges
        {"record_point_nudged_without_changing_edges",
         [](CertifiedPointSet& set) {
             set.points[0].x += 1e-9;
             return std::string(kAccepted);
         }},
    };
}

const std::vector<Edit>& certificate_edit_table() {
    static const std::vector<Edit> table = certificate_edits();
    return table;
}

class CertificateEdit : public ::testing::TestWithParam<std::tuple<Request, std::size_t>> {};

TEST_P(CertificateEdit, GivesTheExpectedVerdict) {
    const auto& [request, index] = GetParam();
    CertifiedPointSet set = genuine(request);
    const std::string expected = certificate_edit_table()[index].apply(set);
    EXPECT_EQ(verdict(set), expected);
}

std::string edit_name(const Request& r, const Edit& edit) {
    std::string name = std::string(r.tag) + "_" + edit.name;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(
    Certificate, CertificateEdit,
    ::testing::Combine(::testing::ValuesIn(kEditedRecords),
                       ::testing::Range<std::size_t>(0, certificate_edit_table().size())),
    [](const ::testing::TestParamInfo<std::tuple<Request, std::size_t>>& info) {
        return edit_name(std::get<0>(info.param),
                         certificate_edit_table()[std::get<1>(info.param)]);
    });

TEST(CertificateRequest, PrimeThatDoesNotSplitTheField) {
    CertifiedPointSet set = genuine(kGenuine[0]);
    section2(set).split_prime = 13;
    EXPECT_EQ(verdict(set),
              invalid_construction_message("prime 13 is not split by generator 2"));
}

TEST(CertificateRequest, EvidencePrimeThatDoesNotSplitTheField) {
    CertifiedPointSet set = genuine(kGenuine[0]);
    evidence(set).split_prime = 13;
    EXPECT_EQ(verdict(set),
              invalid_construction_message("prime 13 is not split by generator 2"));
}

// ---- two faults: the first check in verification order decides -------------

std::vector<Edit> two_fault_edits() {
    return {
        {"certificate_request_before_evidence_request",
         [](CertifiedPointSet& set) {
             section2(set).split_prime = 15;
             evidence(set).split_prime = 9;
             return invalid_construction_message("split prime 15 is not an odd prime");
         }},
        {"certificate_request_before_translations",
         [](CertifiedPointSet& set) {
             section2(set).split_prime = 21;
             evidence(set).translations[0].norm_key.coefficients[0] = "1/1";
             return invalid_construction_message("split prime 21 is not an odd prime");
         }},
        {"evidence_request_before_max_prime_exponent",
         [](CertifiedPointSet& set) {
             evidence(set).split_prime = 9;
             evidence(set).max_prime_exponent = 0;
             return invalid_construction_message("split prime 9 is not an odd prime");
         }},
        {"max_prime_exponent_before_translations",
         [](CertifiedPointSet& set) {
             evidence(set).max_prime_exponent = 0;
             evidence(set).translations[0].key.coefficients[0] = "x";
             return invalid_construction_message(
                 "invalid search parameter max_prime_exponent: expected a value greater than "
                 "zero");
         }},
        {"earlier_translation_first",
         [](CertifiedPointSet& set) {
             auto& t = evidence(set).translations;
             t[0].norm_key.coefficients[0] = "+1";
             t.back().key.coefficients.pop_back();
             return translation_message(0);
         }},
        {"translation_key_read_before_its_norm_verdict",
         [](CertifiedPointSet& set) {
             auto& t = evidence(set).translations[1];
             t.norm_key.coefficients[0] = "2";
             t.key.coefficients[1] = "1/0";
             return schema_message("rational denominator must be nonzero");
         }},
        {"translations_before_candidate_count",
         [](CertifiedPointSet& set) {
             evidence(set).translations[1].norm_key.coefficients[0] = "1/1";
             evidence(set).n_target += 1;
             return translation_message(1);
         }},
        {"candidate_count_before_candidates",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t n = e.candidates.size();
             e.n_target = n + 1;
             e.candidates[n - 1].path.push_back(PathStep{0, 2});
             return count_message(n, n + 1);
         }},
        {"earlier_candidate_first",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             e.candidates[5].key.coefficients[0] += "/1";
             e.candidates[2].point.x += 1e-3;
             return projection_message(2);
         }},
        {"replay_before_polydisk",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             e.candidates[0].key.coefficients[0] += "/1";
             e.polydisk_radius = 0.0;
             return replay_message(0);
         }},
        {"polydisk_before_projection",
         [](CertifiedPointSet& set) {
             auto [c, norm] = farthest_candidate(set);
             Section2Evidence& e = evidence(set);
             e.polydisk_radius = norm - 2e-7;
             e.candidates[c].point.x += 1e-3;
             return polydisk_message(c, norm - 2e-7, norm);
         }},
        {"projection_before_fine_key",
         [](CertifiedPointSet& set) {
             CandidateRecord& r = evidence(set).candidates[1];
             r.point.y += 3e-7;
             r.projection_key.x += 1;
             return projection_message(1);
         }},
        {"candidates_before_construction_edges",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             std::swap(e.construction_edges[0].i, e.construction_edges[0].j);
             const std::uint64_t last = e.candidates.size() - 1;
             e.candidates[last].projection_key.y -= 1;
             const IntegerKey k = e.candidates[last].projection_key;
             return key_message(last, k.x, k.y + 1, k.x, k.y);
         }},
        {"earlier_construction_edge_first",
         [](CertifiedPointSet& set) {
             auto& edges = evidence(set).construction_edges;
             std::swap(edges[3].i, edges[3].j);
             edges[1].i = edges[1].j;
             return self_edge_message(edges[1].j);
         }},
        {"construction_edges_before_unit_edges",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             e.construction_edges[0].sign = -1;
             e.unit_edges.push_back(e.unit_edges[0]);
             return provenance_message(0);
         }},
        {"unit_edges_before_certificate_points",
         [](CertifiedPointSet& set) {
             Section2Evidence& e = evidence(set);
             const std::uint64_t n = e.unit_edges.size();
             e.unit_edges.pop_back();
             section2(set).points[0].x += 1e-3;
             return edge_set_message(n, n - 1);
         }},
        {"certificate_points_before_n_target",
         [](CertifiedPointSet& set) {
             section2(set).points.pop_back();
             section2(set).n_target += 1;
             return kPointsDiffer;
         }},
        {"n_target_before_key_count",
         [](CertifiedPointSet& set) {
             Section2Certificate& c = section2(set);
             const std::uint64_t n = c.points.size();
             c.n_target = n + 2;
             c.quantized_projection_keys.pop_back();
             return count_message(n, n + 2);
         }},
        {"key_count_before_key_values",
         [](CertifiedPointSet& set) {
             auto& keys = section2(set).quantized_projection_keys;
             const std::uint64_t n = keys.size();
             keys[0].x += 5;
             keys.pop_back();
             return count_message(n - 1, n);
         }},
        {"earlier_key_first",
         [](CertifiedPointSet& set) {
             auto& keys = section2(set).quantized_projection_keys;
             keys[5].y += 1;
             keys[2].x -= 1;
             return key_message(2, keys[2].x + 1, keys[2].y, keys[2].x, keys[2].y);
         }},
        {"keys_before_audit_edges",
         [](CertifiedPointSet& set) {
             auto& keys = section2(set).quantized_projection_keys;
             keys[0].y += 1;
             std::swap(set.audit_edges[0].i, set.audit_edges[0].j);
             return key_message(0, keys[0].x, keys[0].y - 1, keys[0].x, keys[0].y);
         }},
    };
}

const std::vector<Edit>& two_fault_table() {
    static const std::vector<Edit> table = two_fault_edits();
    return table;
}

class CertificateTwoFaults : public ::testing::TestWithParam<std::tuple<Request, std::size_t>> {};

TEST_P(CertificateTwoFaults, FirstFailingCheckIsReported) {
    const auto& [request, index] = GetParam();
    CertifiedPointSet set = genuine(request);
    const std::string expected = two_fault_table()[index].apply(set);
    EXPECT_EQ(verdict(set), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Certificate, CertificateTwoFaults,
    ::testing::Combine(::testing::ValuesIn(kEditedRecords),
                       ::testing::Range<std::size_t>(0, two_fault_table().size())),
    [](const ::testing::TestParamInfo<std::tuple<Request, std::size_t>>& info) {
        return edit_name(std::get<0>(info.param), two_fault_table()[std::get<1>(info.param)]);
    });

// ---- replay certificates ------------------------------------------------------

struct ReplayCase {
    const char* name;
    Construction construction;
    std::uint64_t n_target;
    const char* label;
    std::uint64_t points;
    std::uint64_t unit_edges;
};

void PrintTo(const ReplayCase& c, std::ostream* os) { *os << c.name; }

class CertificateReplay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(CertificateReplay, VerifiesWithItsCounts) {
    const ReplayCase& c = GetParam();
    auto set = certify_construction(c.construction, c.n_target);
    ASSERT_TRUE(set.has_value()) << set.error().message();
    ASSERT_TRUE(std::holds_alternative<ReplayCertificate>(set->certificate));
    EXPECT_EQ(set->points.size(), c.points);
    EXPECT_EQ(set->audit_edges.size(), c.unit_edges);
    EXPECT_EQ(set->tolerance, 1e-4);

    auto report = verify_certificate(*set);
    ASSERT_TRUE(report.has_value()) << report.error().message();
    EXPECT_EQ(report->label, c.label);
    EXPECT_FALSE(report->description.has_value());
    EXPECT_EQ(report->point_count, c.points);
    EXPECT_EQ(report->certified_edge_count, c.unit_edges);
    EXPECT_EQ(report->audit_edge_count, c.unit_edges);
    EXPECT_EQ(report->uncertified_edge_count, 0u);
    EXPECT_EQ(report->tolerance, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Certificate, CertificateReplay,
    ::testing::Values(
        // 2 rows of 3: four horizontal and three vertical unit edges.
        ReplayCase{"square_grid_2x3", SquareGrid{2, 3}, 0, "square-grid(2x3)", 6, 7},
        ReplayCase{"square_grid_2x10", SquareGrid{2, 10}, 5, "square-grid(2x10)", 20, 28},
        ReplayCase{"square_grid_1x1", SquareGrid{1, 1}, 9, "square-grid(1x1)", 1, 0},
        // The origin, its hexagon (12 edges) and three points of the next
        // ring, which add 6 more.
        ReplayCase{"triangular_grid_10", TriangularGrid{}, 10, "triangular-grid", 10, 18},
        ReplayCase{"moser_spindle", MoserSpindle{}, 3, "moser-spindle", 7, 11}),
    [](const ::testing::TestParamInfo<ReplayCase>& info) { return std::string(info.param.name); });

TEST(CertificateReplayRecord, SingleGridPointKeepsTheRequest) {
    auto set = certify_construction(SquareGrid{1, 1}, 4);
    ASSERT_TRUE(set.has_value());
    const auto& certificate = std::get<ReplayCertificate>(set->certificate);
    const auto& grid = std::get<SquareGrid>(certificate.construction);
    EXPECT_EQ(grid.rows, 1u);
    EXPECT_EQ(grid.cols, 1u);
    EXPECT_EQ(certificate.n_target, 4u);
    ASSERT_EQ(certificate.points.size(), 1u);
    EXPECT_EQ(certificate.points[0].x, 0.0);
    EXPECT_EQ(certificate.points[0].y, 0.0);
    EXPECT_TRUE(set->audit_edges.empty());
}

TEST(CertificateReplayRecord, MoserSpindleHoldsItsSevenPoints) {
    auto set = certify_construction(MoserSpindle{}, 0);
    ASSERT_TRUE(set.has_value());
    const PointList expected = moser_spindle();
    ASSERT_EQ(set->points.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(set->points[i].x, expected[i].x);
        EXPECT_EQ(set->points[i].y, expected[i].y);
    }
}

TEST(CertificateLabel, NamesEachConstruction) {
    EXPECT_EQ(construction_label(SquareGrid{3, 4}), "square-grid(3x4)");
    EXPECT_EQ(construction_label(SquareGrid{2, 10}), "square-grid(2x10)");
    EXPECT_EQ(construction_label(TriangularGrid{}), "triangular-grid");
    EXPECT_EQ(construction_label(MoserSpindle{}), "moser-spindle");
    EXPECT_EQ(construction_label(Multiquadratic{}), "multiquadratic-section2");
}

CertifiedPointSet grid_2x3() {
    auto set = certify_construction(SquareGrid{2, 3}, 0);
    if (!set) throw std::runtime_error(set.error().message());
    return std::move(*set);
}

ReplayCertificate& replay(CertifiedPointSet& set) {
    return std::get<ReplayCertificate>(set.certificate);
}

struct ReplayEdit {
    const char* name;
    std::function<void(CertifiedPointSet&)> apply;
    const char* verdict;
};

void PrintTo(const ReplayEdit& e, std::ostream* os) { *os << e.name; }

class CertificateReplayEdit : public ::testing::TestWithParam<ReplayEdit> {};

TEST_P(CertificateReplayEdit, GivesTheExpectedVerdict) {
    CertifiedPointSet set = grid_2x3();
    GetParam().apply(set);
    EXPECT_EQ(verdict(set), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(
    Certificate, CertificateReplayEdit,
    ::testing::Values(
        ReplayEdit{"x_moved_5e_10", [](auto& s) { replay(s).points[4].x += 5e-10; }, kAccepted},
        ReplayEdit{"y_moved_5e_10", [](auto& s) { replay(s).points[4].y -= 5e-10; }, kAccepted},
        ReplayEdit{"x_moved_2e_9", [](auto& s) { replay(s).points[4].x += 2e-9; },
                   "certificate point 4 does not match construction"},
        ReplayEdit{"y_moved_2e_9", [](auto& s) { replay(s).points[4].y -= 2e-9; },
                   "certificate point 4 does not match construction"},
        ReplayEdit{"not_a_number", [](auto& s) { replay(s).points[2].x = std::nan(""); },
                   "certificate point 2 does not match construction"},
        ReplayEdit{"point_removed", [](auto& s) { replay(s).points.pop_back(); },
                   "certificate has 5 points, but expected 6"},
        ReplayEdit{"point_added", [](auto& s) { replay(s).points.push_back({3.0, 0.0}); },
                   "certificate has 7 points, but expected 6"},
        // Three rows of two put (0, 1) where two rows of three have (2, 0).
        ReplayEdit{"rows_and_cols_swapped",
                   [](auto& s) { replay(s).construction = SquareGrid{3, 2}; },
                   "certificate point 2 does not match construction"},
        ReplayEdit{"other_construction",
                   [](auto& s) { replay(s).construction = MoserSpindle{}; },
                   "certificate has 6 points, but expected 7"},
        ReplayEdit{"count_before_points",
                   [](auto& s) {
                       replay(s).points.pop_back();
                       replay(s).points[0].x = 9.0;
                   },
                   "certificate has 5 points, but expected 6"},
        ReplayEdit{"points_before_audit_edges",
                   [](auto& s) {
                       replay(s).points[4].x += 2e-9;
                       s.audit_edges.pop_back();
                   },
                   "certificate point 4 does not match construction"},
        ReplayEdit{"audit_edge_reversed",
                   [](auto& s) { std::swap(s.audit_edges[0].i, s.audit_edges[0].j); },
                   "certificate edge set mismatch: expected 7 edges, got 7"},
        ReplayEdit{"audit_edge_listed_twice",
                   [](auto& s) { s.audit_edges.push_back(s.audit_edges[3]); },
                   "certificate edge set mismatch: expected 7 edges, got 8"},
        ReplayEdit{"audit_self_edge", [](auto& s) { s.audit_edges.push_back({2, 2}); },
                   "certificate contains self-edge at point 2"},
        ReplayEdit{"audit_edge_beyond_points", [](auto& s) { s.audit_edges.push_back({0, 6}); },
                   "certificate edge (0, 6) is outside point count 6"},
        ReplayEdit{"audit_edges_reordered",
                   [](auto& s) { std::reverse(s.audit_edges.begin(), s.audit_edges.end()); },
                   kAccepted},
        // (1, 1) moved to (1.5, 1) loses its three unit neighbours.
        ReplayEdit{"record_point_moved", [](auto& s) { s.points[4].x = 1.5; },
                   "certificate edge set mismatch: expected 4 edges, got 7"}),
    [](const ::testing::TestParamInfo<ReplayEdit>& info) { return std::string(info.param.name); });

TEST(CertificateReplayRecord, TriangularGridIsRegeneratedFromItsStoredCount) {
    auto set = certify_construction(TriangularGrid{}, 10);
    ASSERT_TRUE(set.has_value());
    replay(*set).n_target = 11;
    EXPECT_EQ(verdict(*set), "certificate has 10 points, but expected 11");
}

// ---- building ------------------------------------------------------------------

TEST(CertificateBuild, KeysRoundHalfWayAwayFromZero) {
    auto key = scaled_key(Point{0.12345678, -0.00000005}, kCertificateKeyScale);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->x, 1234568);
    EXPECT_EQ(key->y, -1);
}

TEST(CertificateBuild, NearbyCoordinatesShareAKey) {
    auto key = scaled_key(Point{0.1, 0.10000004}, kCertificateKeyScale);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->x, 1000000);
    EXPECT_EQ(key->y, 1000000);
}

TEST(CertificateBuild, KeysOfAGenuineRecordAreItsPointsAtScale1e7) {
    CertifiedPointSet set = genuine(kGenuine[1]);
    const Section2Certificate& c = section2(set);
    ASSERT_EQ(c.quantized_projection_keys.size(), c.points.size());
    for (std::size_t j = 0; j < c.points.size(); ++j) {
        EXPECT_EQ(c.quantized_projection_keys[j].x, std::llround(c.points[j].x * 1e7)) << j;
        EXPECT_EQ(c.quantized_projection_keys[j].y, std::llround(c.points[j].y * 1e7)) << j;
    }
}

TEST(CertificateBuild, ConstructionFailureIsPassedOnUnchanged) {
    // In the Gaussian field alone, 13 = (3 + 2i)(3 - 2i) with k = 1 leaves an
    // odd exponent.
    auto request = multiquadratic_construction({}, 13, 1);
    ASSERT_TRUE(request.has_value());
    auto set = certify_construction(*request, 20);
    ASSERT_FALSE(set.has_value());
    EXPECT_EQ(set.error().message(),
              "invalid search parameter unit_scale_exponent: expected even scaling exponent");
}

}  // namespace
}  // namespace vantor
