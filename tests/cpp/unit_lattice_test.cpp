// Unit lattices: the complete unit-vector lists of known rings, the
// symmetries against the unit set, the exact norm test against its GMP
// form, and the plane point against the field's own embedding.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "algebraic/field/embeddings.hpp"
#include "algebraic/field/field_element.hpp"
#include "unit_lattices/short_vectors.hpp"
#include "unit_lattices/unit_lattice.hpp"
#include "unit_lattices/unit_norm.hpp"

namespace vantor::unit_lattices {
namespace {

using Element = std::vector<Rational>;

Element element(std::size_t degree, std::initializer_list<std::pair<std::size_t, const char*>> terms) {
    Element e(degree, Rational(0));
    for (const auto& [m, text] : terms) {
        e[m] = Rational(text);
        e[m].canonicalize();
    }
    return e;
}

Element product(const Element& a, const Element& b, const MultiquadraticField& field) {
    return mul(FieldElement{a}, FieldElement{b}, field).coefficients;
}

MultiquadraticField field_of(std::vector<std::int64_t> generators) {
    return *MultiquadraticField::from_generators(complete_generators(std::move(generators)));
}

UnitLattice build(std::vector<std::int64_t> generators, const std::vector<Element>& units) {
    auto lattice = UnitLattice::from_units(generators, units);
    EXPECT_TRUE(lattice.has_value()) << (lattice ? "" : lattice.error().message());
    return std::move(*lattice);
}

// The Moser lattice's four generators in Q(sqrt3, sqrt11, i): bits 1, 2, 4
// are sqrt3, sqrt11, i.
std::vector<Element> moser_generators(const MultiquadraticField& f) {
    const Element one = element(8, {{0, "1"}});
    const Element w1 = element(8, {{0, "1/2"}, {5, "1/2"}});
    const Element w3 = element(8, {{0, "5/6"}, {6, "1/6"}});
    return {one, w1, w3, product(w1, w3, f)};
}

// Every unit vector must be a unit, and the list closed under negation and
// under every symmetry, each symmetry a permutation.
void expect_consistent(const UnitLattice& lattice) {
    const std::size_t n = lattice.rank();
    const auto units = lattice.unit_coordinates();
    std::set<std::vector<std::int64_t>> all;
    for (std::size_t k = 0; k < lattice.unit_count(); ++k) {
        std::vector<std::int64_t> c(units.begin() + k * n, units.begin() + (k + 1) * n);
        EXPECT_TRUE(lattice.is_unit(c));
        const Point p = lattice.plane_point(c);
        EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-12);
        all.insert(c);
    }
    ASSERT_EQ(all.size(), lattice.unit_count());
    for (const std::vector<std::int64_t>& c : all) {
        std::vector<std::int64_t> negated(c);
        for (auto& v : negated) v = -v;
        EXPECT_TRUE(all.contains(negated));
    }
    EXPECT_FALSE(lattice.symmetries().empty());
    for (const Symmetry& s : lattice.symmetries()) {
        std::set<std::uint32_t> images(s.permutation.begin(), s.permutation.end());
        EXPECT_EQ(images.size(), lattice.unit_count());
        // The factor has modulus 1 and the image of unit 0 is what it claims.
        const auto field = lattice.field();
        const FieldElement a{s.factor};
        const FieldElement conj = complex_conjugate(a, field);
        EXPECT_EQ(mul(a, conj, field), FieldElement::one(field));
        std::vector<std::int64_t> first(units.begin(), units.begin() + n);
        std::vector<std::int64_t> image(units.begin() + s.permutation[0] * n,
                                        units.begin() + (s.permutation[0] + 1) * n);
        FieldElement z{lattice.element(first)};
        if (s.reflection) z = complex_conjugate(z, field);
        EXPECT_EQ(mul(a, z, field).coefficients, lattice.element(image));
    }
}

TEST(UnitLattice, KnownRingsHaveTheirCompleteUnitLists) {
    const MultiquadraticField moser_field = field_of({3, 11});
    const std::vector<Element> moser = moser_generators(moser_field);
    const UnitLattice m = build({3, 11}, moser);
    EXPECT_EQ(m.rank(), 4u);
    EXPECT_EQ(m.unit_count(), 18u);
    EXPECT_EQ(m.symmetries().size(), 12u);
    expect_consistent(m);

    // Z[zeta12] spanned by 1, i, w, i w; bits 1, 2 are sqrt3, i.
    const UnitLattice z12 = build({3}, {element(4, {{0, "1"}}), element(4, {{2, "1"}}),
                                        element(4, {{0, "-1/2"}, {3, "1/2"}}),
                                        element(4, {{2, "-1/2"}, {1, "-1/2"}})});
    EXPECT_EQ(z12.rank(), 4u);
    EXPECT_EQ(z12.unit_count(), 12u);
    EXPECT_EQ(z12.symmetries().size(), 24u);
    expect_consistent(z12);

    // The Eisenstein vectors a + b w of norm 91 over sqrt(91), in
    // Q(sqrt3, sqrt91, i): (a + b/2) / sqrt91 + (b/2) i sqrt3 / sqrt91.
    std::vector<Element> eisenstein;
    for (int a = -11; a <= 11; ++a) {
        for (int b = -11; b <= 11; ++b) {
            if (a * a + a * b + b * b != 91) continue;
            const std::string re = std::to_string(2 * a + b) + "/182";
            const std::string im = std::to_string(b) + "/182";
            eisenstein.push_back(element(8, {{2, re.c_str()}, {7, im.c_str()}}));
        }
    }
    ASSERT_EQ(eisenstein.size(), 24u);
    const UnitLattice e91 = build({3, 91}, eisenstein);
    EXPECT_EQ(e91.rank(), 2u);
    EXPECT_EQ(e91.unit_count(), 24u);
    expect_consistent(e91);

    // The square lattice's vectors of norm 65 over sqrt(65); bits 1, 2 are
    // sqrt65, i.
    std::vector<Element> square;
    for (int a = -8; a <= 8; ++a) {
        for (int b = -8; b <= 8; ++b) {
            if (a * a + b * b != 65) continue;
            const std::string re = std::to_string(a) + "/65";
            const std::string im = std::to_string(b) + "/65";
            square.push_back(element(4, {{1, re.c_str()}, {3, im.c_str()}}));
        }
    }
    const UnitLattice s65 = build({65}, square);
    EXPECT_EQ(s65.rank(), 2u);
    EXPECT_EQ(s65.unit_count(), 16u);
    expect_consistent(s65);

    // The Moser lattice plus rho7 times itself, rho7 = (11 + 5 sqrt-3) / 14.
    const Element rho7 = element(8, {{0, "11/14"}, {5, "5/14"}});
    std::vector<Element> both = moser;
    for (const Element& g : moser) both.push_back(product(rho7, g, moser_field));
    const UnitLattice mr = build({3, 11}, both);
    EXPECT_EQ(mr.unit_count(), 36u);
    expect_consistent(mr);
}

TEST(UnitLattice, RankEightCyclotomicRingHasItsTwentyFourRootsOfUnity) {
    // Z[zeta24] in Q(sqrt2, sqrt3, i): zeta24 = (sqrt6 + sqrt2)/4 + i (sqrt6 - sqrt2)/4;
    // bits 1, 2, 4 are sqrt2, sqrt3, i.
    const MultiquadraticField f = field_of({2, 3});
    const Element zeta = element(8, {{3, "1/4"}, {1, "1/4"}, {7, "1/4"}, {5, "-1/4"}});
    std::vector<Element> powers{element(8, {{0, "1"}})};
    for (int k = 1; k < 8; ++k) powers.push_back(product(powers.back(), zeta, f));
    const UnitLattice z24 = build({2, 3}, powers);
    EXPECT_EQ(z24.rank(), 8u);
    EXPECT_EQ(z24.unit_count(), 24u);
    EXPECT_EQ(z24.symmetries().size(), 48u);
    expect_consistent(z24);
}

TEST(UnitLattice, RefusesWhatIsNotALatticeOfUnits) {
    const Element half = element(4, {{0, "1/2"}});
    auto refused = UnitLattice::from_units(std::vector<std::int64_t>{3}, std::vector<Element>{half});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message(), "units[0]: the element does not have modulus 1");
    const Element short_one = element(2, {{0, "1"}});
    refused = UnitLattice::from_units(std::vector<std::int64_t>{3}, std::vector<Element>{short_one});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message(),
              "units[0]: expected 4 coefficients (the field's degree), got 2");
    refused = UnitLattice::from_units(std::vector<std::int64_t>{4}, std::vector<Element>{half});
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().message().starts_with("generators: "));
}

TEST(UnitLattice, AGivenBasisIsKeptAndItsCoordinateLimitFollowsIt) {
    const MultiquadraticField f = field_of({3, 11});
    const std::vector<Element> moser = moser_generators(f);
    const auto given = UnitLattice::from_basis(std::vector<std::int64_t>{3, 11}, moser);
    ASSERT_TRUE(given) << given.error().message();
    // Coordinate j is the j-th given unit; the reduced copy has the same units.
    for (std::size_t j = 0; j < 4; ++j) {
        std::vector<std::int64_t> c(4, 0);
        c[j] = 1;
        EXPECT_EQ(given->element(c), moser[j]) << j;
    }
    const UnitLattice reduced = build({3, 11}, moser);
    std::set<Element> a;
    std::set<Element> b;
    for (std::size_t k = 0; k < 18; ++k) {
        a.insert(given->element(given->unit_coordinates().subspan(4 * k, 4)));
        b.insert(reduced.element(reduced.unit_coordinates().subspan(4 * k, 4)));
    }
    EXPECT_EQ(given->unit_count(), 18u);
    EXPECT_EQ(a, b);
    // rank 4, largest numerator 12 (of 1 = 12/12): 48 * 2**43 <= 2**49 < 48 * 2**44.
    EXPECT_EQ(given->coordinate_limit_log2(), 43u);
    const std::int64_t limit = std::int64_t{1} << 43;
    EXPECT_TRUE(given->coordinates_in_range(std::vector<std::int64_t>{limit, -limit, 0, 1}));
    EXPECT_FALSE(given->coordinates_in_range(std::vector<std::int64_t>{limit + 1, 0, 0, 0}));
    EXPECT_FALSE(given->coordinates_in_range(std::vector<std::int64_t>{0, 0, 0}));

    std::vector<Element> dependent = moser;
    dependent.push_back(product(moser[1], moser[2], f));  // w1 w3 again
    const auto refused = UnitLattice::from_basis(std::vector<std::int64_t>{3, 11}, dependent);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message(),
              "units: the units of a given basis must be linearly independent");
    // The reduced lattice of the same units takes them.
    EXPECT_TRUE(UnitLattice::from_units(std::vector<std::int64_t>{3, 11}, dependent));
}

TEST(ShortVectors, CountsLatticePointsInABallAndStopsAtItsLimit) {
    // Z^3 under the plain form: the points of norm at most 2 are 0, the 6
    // axis vectors and the 12 with two entries +-1; a skewed basis of the
    // same lattice must give as many.
    const std::vector<std::int64_t> weights{1, 1, 1};
    const std::vector<IntegerVector> plain{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const std::vector<IntegerVector> skewed{{1, 0, 0}, {5, 1, 0}, {-7, 3, 1}};
    for (const auto& basis : {plain, skewed}) {
        const auto found = vectors_within(gram_schmidt(basis, weights), mpq_class(2));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->size(), 19u);
    }
    const auto limited = vectors_within(gram_schmidt(plain, weights), mpq_class(100), 50);
    ASSERT_FALSE(limited);
    EXPECT_EQ(limited.error().message(),
              "the unit vectors of this lattice need more than 50 enumeration steps");
}

TEST(UnitNorm, WideAndNarrowTestsAgree) {
    // Numerators near the 128-bit switch: both forms must give one answer.
    const MultiquadraticField f = field_of({3, 11});
    const mpz_class d = 12;
    const std::vector<std::vector<std::int64_t>> cases = {
        {12, 0, 0, 0, 0, 0, 0, 0},          // 1
        {6, 0, 0, 0, 0, 6, 0, 0},           // w1
        {6, 0, 0, 0, 0, 6, 0, 1},           // not a unit
        {std::int64_t{1} << 40, 0, 0, 0, 0, 0, 0, 0},
        {std::int64_t{1} << 61, 5, 0, 0, 0, 0, 0, 3},
    };
    for (const auto& x : cases) {
        IntegerVector wide(x.size());
        for (std::size_t m = 0; m < x.size(); ++m) wide[m] = static_cast<long>(x[m]);
        EXPECT_EQ(has_modulus_one(x, d, f), has_modulus_one(wide, d, f));
    }
    EXPECT_TRUE(has_modulus_one(cases[1], d, f));
    EXPECT_FALSE(has_modulus_one(cases[2], d, f));
}

TEST(UnitLattice, PlanePointIsThePrincipalEmbedding) {
    const MultiquadraticField f = field_of({3, 11});
    const UnitLattice m = build({3, 11}, moser_generators(f));
    const std::vector<std::vector<std::int64_t>> points = {{1, 0, 0, 0}, {3, -2, 5, 7}, {-40, 11, 0, 9}};
    for (const auto& c : points) {
        const Point p = m.plane_point(c);
        const Complex exact = embeddings(FieldElement{m.element(c)}, f)[0];
        EXPECT_NEAR(p.x, exact.re, 1e-12);
        EXPECT_NEAR(p.y, exact.im, 1e-12);
    }
}

}  // namespace
}  // namespace vantor::unit_lattices
