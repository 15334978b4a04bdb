// The plane lattices as values: each description is consistent with the
// ring it names, and its norm and plane point give exactly the numbers the
// square and Eisenstein lattices have always given (the stored sets and
// best(n) depend on those bits).

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "lattice_sets/norm_vectors.hpp"
#include "lattice_sets/plane_lattice.hpp"

namespace vantor::lattice_sets {
namespace {

bool is_prime(std::uint64_t p) {
    if (p < 2) return false;
    for (std::uint64_t q = 2; q * q <= p; ++q) {
        if (p % q == 0) return false;
    }
    return true;
}

std::vector<std::int64_t> sample_coordinates() {
    std::vector<std::int64_t> values;
    for (std::int64_t x = -40; x <= 40; ++x) values.push_back(x);
    for (std::int64_t big : {kMaxCoordinate, kMaxCoordinate - 1, (std::int64_t{1} << 49) + 12345,
                             std::int64_t{987654321987}, std::int64_t{3} << 40}) {
        values.push_back(big);
        values.push_back(-big);
    }
    return values;
}

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

class EachPlaneLattice : public ::testing::TestWithParam<const PlaneLattice*> {};

TEST_P(EachPlaneLattice, DescriptionIsTheRingItNames) {
    const PlaneLattice& lattice = *GetParam();
    EXPECT_EQ(4 * lattice.tau_norm, lattice.trace * lattice.trace + lattice.discriminant);
    EXPECT_EQ(lattice.shear, static_cast<double>(lattice.trace) / 2.0);
    EXPECT_EQ(lattice.height, std::sqrt(static_cast<double>(lattice.discriminant)) / 2.0);
    ASSERT_FALSE(lattice.shapes.empty());
    EXPECT_EQ(lattice.shapes.front(), PatchShape::Disk);
    // The units are the vectors of norm 1; a prime is a norm exactly when it
    // splits or ramifies.
    EXPECT_EQ(norm_vectors(lattice, 1).size(), lattice.unit_count);
    for (std::uint64_t p = 2; p < 400; ++p) {
        if (!is_prime(p)) continue;
        const bool norm = !norm_vectors(lattice, p).empty();
        const bool expected = p % lattice.split_modulus == 1 || p == lattice.ramified_prime;
        EXPECT_EQ(norm, expected) << lattice.name << " p = " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(Lattices, EachPlaneLattice,
                         ::testing::ValuesIn(kPlaneLattices),
                         [](const auto& info) { return std::string(info.param->name); });

TEST(PlaneLattice, NormsAreTheTwoQuadraticForms) {
    const std::vector<std::int64_t> values = sample_coordinates();
    for (std::int64_t a : values) {
        for (std::int64_t b : values) {
            const __int128 wa = a;
            const __int128 wb = b;
            ASSERT_TRUE(lattice_norm(kSquareLattice, a, b) == wa * wa + wb * wb) << a << " " << b;
            ASSERT_TRUE(lattice_norm(kEisensteinLattice, a, b) == wa * wa + wa * wb + wb * wb)
                << a << " " << b;
        }
    }
}

// The written rules, evaluated here in their own order: the square lattice
// divides each coordinate, the Eisenstein lattice shears by a half and
// scales rows by the double nearest to sqrt(3)/2.
TEST(PlaneLattice, PlanePointsAreTheWrittenRulesBitForBit) {
    const std::vector<std::int64_t> values = sample_coordinates();
    for (std::uint64_t m : {std::uint64_t{1}, std::uint64_t{2}, std::uint64_t{3},
                            std::uint64_t{65}, std::uint64_t{91}, std::uint64_t{12103},
                            kMaxNorm - 1, kMaxNorm}) {
        const double scale = norm_scale(m);
        ASSERT_EQ(bits(scale), bits(std::sqrt(static_cast<double>(m))));
        for (std::int64_t a : values) {
            for (std::int64_t b : values) {
                const double da = static_cast<double>(a);
                const double db = static_cast<double>(b);
                const Point square = plane_point(kSquareLattice, {a, b}, scale);
                ASSERT_EQ(bits(square.x), bits(da / scale)) << a << " " << b << " m " << m;
                ASSERT_EQ(bits(square.y), bits(db / scale)) << a << " " << b << " m " << m;
                const double x = da + 0.5 * db;
                const double y = db * 0.8660254037844386;
                const Point eisenstein = plane_point(kEisensteinLattice, {a, b}, scale);
                ASSERT_EQ(bits(eisenstein.x), bits(x / scale)) << a << " " << b << " m " << m;
                ASSERT_EQ(bits(eisenstein.y), bits(y / scale)) << a << " " << b << " m " << m;
            }
        }
    }
}

}  // namespace
}  // namespace vantor::lattice_sets
