// The search for dense Moser lattice sets and its atlas: fingerprints that
// see through symmetries, a search that reaches the known maxima for small
// sizes and does not depend on the thread count, and an atlas that is
// rejected when any entry is tampered with.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "record_search/atlas.hpp"
#include "record_search/beam_search.hpp"
#include "record_search/minkowski_seeds.hpp"
#include "record_search/search_state.hpp"
#include "record_search/search_tasks.hpp"
#include "unit_lattices/moser_lattice.hpp"
#include "unit_lattices/unit_lattice_set.hpp"

namespace vantor::records {
namespace {

// The flat rows of a unit lattice set as search coordinates.
std::vector<SearchCoordinate> search_rows(const std::vector<std::int64_t>& flat) {
    std::vector<SearchCoordinate> rows;
    for (std::size_t k = 0; k + 3 < flat.size(); k += 4) {
        rows.push_back({flat[k], flat[k + 1], flat[k + 2], flat[k + 3]});
    }
    return rows;
}

// Known maxima u(n) of unit distances among n points, n = 1 .. 16.
constexpr std::uint64_t kKnownMaxima[] = {0, 1, 3, 5, 7, 9, 12, 14, 18, 20, 23, 27, 30, 33, 37, 41};

std::vector<PackedPoint> packed(const std::vector<SearchCoordinate>& coordinates) {
    std::vector<PackedPoint> out;
    for (const SearchCoordinate& c : coordinates) out.push_back(pack(c));
    return out;
}

TEST(PackedPoint, RoundTripsAndAddsStepsAcrossSignsAtTheLimits) {
    const std::int64_t limit = kPackedLimit;
    for (const SearchCoordinate& c : {SearchCoordinate{0, 0, 0, 0}, SearchCoordinate{-limit, limit, -1, 1},
                                     SearchCoordinate{limit - 2, -limit + 2, 7, -7}}) {
        EXPECT_EQ(unpack(pack(c)), c);
        for (const SearchCoordinate& step : moser_search_lattice().steps()) {
            const SearchCoordinate sum = c + step;
            if (!packable(sum)) continue;
            EXPECT_EQ(pack(c) + packed_offset(step), pack(sum));
        }
    }
}

TEST(SetFingerprint, IsTheSameForCongruentSetsAndFollowsEdits) {
    const std::vector<SearchCoordinate> spindle = {
        {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 0, 0},
        {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 1, 1}};
    const std::uint64_t value = fingerprint_of(packed(spindle)).value();
    for (int g = 0; g < static_cast<int>(moser_search_lattice().symmetry_count()); ++g) {
        std::vector<SearchCoordinate> image;
        for (const SearchCoordinate& c : spindle) {
            image.push_back(moser_search_lattice().image(static_cast<std::size_t>(g), c) + SearchCoordinate{5, -3, 2, 9});
        }
        EXPECT_EQ(fingerprint_of(packed(image)).value(), value) << g;
        // Both images come out of standard position as the same points.
        EXPECT_EQ(standard_position(search_set_of(packed(image))),
                  standard_position(search_set_of(packed(spindle))));
    }
    // Incremental updates agree with a fresh fingerprint.
    const std::vector<PackedPoint> points = packed(spindle);
    SetFingerprint grown = fingerprint_of(std::span(points).first(6));
    grown = with_point(grown, points[6]);
    EXPECT_EQ(grown.value(), value);
    const SetFingerprint shrunk = without_point(grown, points, 0);
    EXPECT_EQ(shrunk.value(), fingerprint_of(std::span(points).subspan(1)).value());
    EXPECT_NE(shrunk.value(), value);
}

TEST(SetFingerprint, SeparatesSetsThatAreNotCongruent) {
    // Random 8-point sets of a small box: two sets share a fingerprint
    // exactly when they share a standard position.
    std::uint64_t state = 99;
    const auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::int64_t>((state >> 33) % 5) - 2;
    };
    std::map<std::uint64_t, std::vector<SearchCoordinate>> seen;
    for (int round = 0; round < 3000; ++round) {
        std::set<PackedPoint> chosen;
        while (chosen.size() < 8) chosen.insert(pack({next(), next(), next(), next()}));
        const SearchSet set = search_set_of({chosen.begin(), chosen.end()});
        const auto [at, fresh] =
            seen.emplace(set.fingerprint.value(), standard_position(set));
        if (!fresh) {
            EXPECT_EQ(at->second, standard_position(set));
        }
    }
    EXPECT_GT(seen.size(), 2900u);
}

class ThreadCount {
public:
    explicit ThreadCount(const char* count) { setenv("VANTOR_NUM_THREADS", count, 1); }
    ~ThreadCount() { unsetenv("VANTOR_NUM_THREADS"); }
};

TEST(BeamSearch, ReachesTheKnownMaximaAndIgnoresTheThreadCount) {
    const BeamSearchOptions options{.n_max = 16, .width = 60, .seed = 3, .sweeps = 2};
    std::vector<FoundSet> one;
    {
        ThreadCount threads("1");
        one = beam_search(options);
    }
    ThreadCount threads("2");
    EXPECT_EQ(beam_search(options), one);
    ASSERT_EQ(one.size(), 16u);
    for (std::size_t k = 0; k < one.size(); ++k) {
        EXPECT_EQ(one[k].unit_distances, kKnownMaxima[k]) << "n = " << k + 1;
        const auto set = unit_lattices::checked_unit_lattice_set(unit_lattices::moser_lattice(),
                                                                flat_rows(one[k].coordinates));
        ASSERT_TRUE(set.has_value()) << set.error().message();
        EXPECT_EQ(set->edges.size(), one[k].unit_distances);
    }
}

TEST(BeamSearch, CountsItsPassesAndRefusesRequestsOutOfRange) {
    const BeamSearchOptions options{.n_max = 20, .width = 5, .seed = 0, .sweeps = 3};
    std::atomic<std::uint64_t> passes{0};
    const std::vector<FoundSet> found = beam_search(options, &passes);
    EXPECT_EQ(passes.load(), search_steps(options));
    // The sets come out in their standard position.
    for (const FoundSet& set : found) {
        EXPECT_EQ(standard_position(search_set_of(packed(set.coordinates))), set.coordinates);
    }
    EXPECT_EQ(check_search_request({.n_max = 10, .width = 0}).error().message(),
              "width must be between 1 and 1000000, got 0");
    EXPECT_EQ(check_search_request({.n_max = 10, .width = 3, .sweeps = 101}).error().message(),
              "sweeps must be between 1 and 100, got 101");
    EXPECT_TRUE(check_search_request({.n_max = 5000, .width = 1000000, .sweeps = 100}));
}

TEST(BeamSearch, MoreSweepsNeverLoseASet) {
    // Pools keep their sets across passes, so a longer search is at least
    // as dense at every size.
    const BeamSearchOptions one{.n_max = 40, .width = 12, .seed = 1, .sweeps = 1};
    BeamSearchOptions three = one;
    three.sweeps = 3;
    const std::vector<FoundSet> short_run = beam_search(one);
    const std::vector<FoundSet> long_run = beam_search(three);
    for (std::size_t k = 0; k < short_run.size(); ++k) {
        EXPECT_GE(long_run[k].unit_distances, short_run[k].unit_distances) << "n = " << k + 1;
    }
}

TEST(BeamSearch, TasksMergeToTheDensestSetOfEachSize) {
    const BeamSearchOptions options{.n_max = 20, .width = 8, .seed = 0, .sweeps = 1};
    std::vector<std::vector<FoundSet>> results;
    for (std::uint64_t task = 0; task < 3; ++task) {
        results.push_back(beam_search(task_options(options, task)));
    }
    const std::vector<FoundSet> merged = merge_results(results);
    for (std::size_t k = 0; k < merged.size(); ++k) {
        std::uint64_t best = 0;
        for (const auto& result : results) best = std::max(best, result[k].unit_distances);
        EXPECT_EQ(merged[k].unit_distances, best);
    }
    EXPECT_EQ(check_search_request({.n_max = 0}).error().message(),
              "n_max must be between 1 and 5000, got 0");
}

TEST(MinkowskiSeeds, HoldTheSumOfThreeTrianglesWithEightyOneUnitPairs) {
    // From the triangles of a small search, the sum of one triangle of each
    // class of unit steps: 27 points, 81 unit pairs, u(27).
    const std::vector<FoundSet> small = beam_search({.n_max = 12, .width = 20, .sweeps = 1});
    std::vector<SetPool> pools(13);
    for (const FoundSet& set : small) {
        pools[set.coordinates.size()].push_back(search_set_of(packed(set.coordinates)));
    }
    const std::vector<SetPool> seeds = minkowski_seeds(pools, 30, 100, 0);
    std::uint64_t best = 0;
    for (const SearchSet& seed : seeds[27]) best = std::max(best, seed.edges);
    EXPECT_EQ(best, 81u);
    // At most `width` of a size, best first, none congruent to a pool's set.
    const std::vector<SetPool> few = minkowski_seeds(pools, 30, 3, 0);
    for (std::size_t n = 0; n < few.size(); ++n) {
        EXPECT_LE(few[n].size(), 3u);
        for (std::size_t k = 1; k < few[n].size(); ++k) {
            EXPECT_GE(few[n][k - 1].edges, few[n][k].edges);
        }
        if (n >= pools.size()) continue;
        for (const SearchSet& seed : few[n]) {
            for (const SearchSet& kept : pools[n]) {
                EXPECT_NE(seed.fingerprint.value(), kept.fingerprint.value());
            }
        }
    }
    EXPECT_EQ(few[27].front().edges, 81u);
}

TEST(Atlas, DecimalLinesReadAsTheCompactOnes) {
    const auto compact = parse_atlas("1 0 vvvv\n2 1 vvvvwvvv\n");
    const auto decimal = parse_atlas("# a comment\n1 0 0,0,0,0\n2 1 0,0,0,0;1,0,0,0\n");
    ASSERT_TRUE(compact.has_value() && decimal.has_value());
    EXPECT_EQ(*compact, *decimal);
    EXPECT_EQ((*decimal)[1].coordinates[1], (SearchCoordinate{1, 0, 0, 0}));
    EXPECT_EQ(parse_atlas("2 1 vvvvwvvv\n").error().message(),
              "atlas line 1 holds a set of 2 points where the set of 1 comes next");
}

TEST(Atlas, StoredAtlasPassesItsExactCheck) {
    const auto& atlas = stored_atlas();
    ASSERT_TRUE(atlas.has_value()) << atlas.error().message();
    ASSERT_GE(atlas->size(), 200u);
    // Every set is stored in its standard position, as the search hands it
    // out, so rebuilding the atlas reproduces the text.
    for (const unit_lattices::UnitLatticeSet& set : *atlas) {
        const std::vector<SearchCoordinate> rows = search_rows(set.coordinates);
        EXPECT_EQ(standard_position(search_set_of(packed(rows))), rows);
    }
    for (std::size_t k = 0; k < std::size(kKnownMaxima); ++k) {
        EXPECT_EQ((*atlas)[k].edges.size(), kKnownMaxima[k]);
    }
}

// The stored text with line `n` (the set of n points) changed by `edit`.
std::string with_line_edited(std::size_t n, const std::function<void(std::string&)>& edit) {
    std::string text(stored_atlas_text());
    std::string start = "\n";  // built in steps: GCC 12 misreads "\n" + string
    start += std::to_string(n);
    start += ' ';
    const std::size_t at = text.find(start) + 1;
    const std::size_t end = text.find('\n', at);
    std::string line = text.substr(at, end - at);
    edit(line);
    return text.replace(at, end - at, line);
}

std::string atlas_verdict(const std::string& text) {
    const auto checked = checked_atlas(text);
    return checked ? "ok" : checked.error().message();
}

bool starts_with(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0;
}

TEST(Atlas, RejectsTamperedEntries) {
    EXPECT_EQ(atlas_verdict(std::string(stored_atlas_text())), "ok");
    // A moved point: the last coordinate of the last point far away.
    const std::string moved =
        atlas_verdict(with_line_edited(27, [](std::string& line) { line.back() = 'Z'; }));
    EXPECT_TRUE(starts_with(moved, "atlas set of 27 points claims 81 unit distances but has "))
        << moved;
    // An extra edge claimed.
    const auto claim_more = [](std::string& line) { line.replace(3, 2, "82"); };
    EXPECT_EQ(atlas_verdict(with_line_edited(27, claim_more)),
              "atlas set of 27 points claims 82 unit distances but has 81");
    // Coincident points: the last point written over with the first.
    const std::string coincident = atlas_verdict(with_line_edited(9, [](std::string& line) {
        const std::size_t points = line.rfind(' ') + 1;
        line.replace(line.size() - 4, 4, line.substr(points, 4));
    }));
    EXPECT_TRUE(starts_with(coincident, "atlas set of 9 points: points 0 and 8 have the same coordinates"))
        << coincident;
    EXPECT_EQ(atlas_verdict("1 0 vv!v\n"), "atlas line 1 is not '<n> <unit distances> <points>'");
    EXPECT_EQ(atlas_verdict("1 0 vvvvvvvv\n"), "atlas line 1 lists 2 points for a set of 1");
    EXPECT_EQ(atlas_verdict("1 0 vvvv extra\n"),
              "atlas line 1 is not '<n> <unit distances> <points>'");
    const std::string cut =
        atlas_verdict(with_line_edited(12, [](std::string& line) { line.pop_back(); }));
    EXPECT_TRUE(starts_with(cut, "atlas line ") &&
                cut.ends_with(" is not '<n> <unit distances> <points>'"))
        << cut;
}

}  // namespace
}  // namespace vantor::records
