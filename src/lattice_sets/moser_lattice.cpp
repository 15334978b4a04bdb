#include "lattice_sets/moser_lattice.hpp"

#include <vector>

namespace vantor::lattice_sets {

namespace {

// The doubles nearest to sqrt(3), sqrt(11) and sqrt(33) (IEEE square roots
// are correctly rounded, so std::sqrt gives the same bits).
constexpr double kSqrt3 = 1.7320508075688772;
constexpr double kSqrt11 = 3.3166247903554;
constexpr double kSqrt33 = 5.744562646538029;

// The unit steps lie in this box. The field Q(sqrt(-3), sqrt(-11)) is
// abelian over Q, so complex conjugation commutes with every embedding and
// z * conj(z) = 1 makes z a unit under the embedding that sends sqrt(33) to
// -sqrt(33) as well, where 12 z = (P + d sqrt(33)) + i (U sqrt(3) - V sqrt(11)).
// Both embeddings together bound |P| <= 12, |d| <= 2, |U| <= 6, |V| <= 3,
// hence |b| = |U - 5d| / 6 <= 2, |c| = |V - d| / 2 <= 2 and
// |a| = |P - 6b - 10c - 5d| / 12 <= 4.
constexpr std::int64_t kUnitBoxA = 4;
constexpr std::int64_t kUnitBoxBCD = 2;

std::vector<MoserCoordinate> find_unit_steps() {
    std::vector<MoserCoordinate> steps;
    for (std::int64_t a = -kUnitBoxA; a <= kUnitBoxA; ++a) {
        for (std::int64_t b = -kUnitBoxBCD; b <= kUnitBoxBCD; ++b) {
            for (std::int64_t c = -kUnitBoxBCD; c <= kUnitBoxBCD; ++c) {
                for (std::int64_t d = -kUnitBoxBCD; d <= kUnitBoxBCD; ++d) {
                    const MoserCoordinate z{a, b, c, d};
                    if (is_moser_unit(z)) steps.push_back(z);
                }
            }
        }
    }
    return steps;  // increasing, as the loops run
}

MoserCoordinate rotate(MoserCoordinate z) {
    // w1^2 = w1 - 1, so w1 * (a + b w1 + c w3 + d w1 w3)
    //   = -b + (a + b) w1 - d w3 + (c + d) w1 w3.
    return {-z.b, z.a + z.b, -z.d, z.c + z.d};
}

MoserCoordinate reflect(MoserCoordinate z) {
    // z -> w3 conj(z) sends 1 -> w3, w1 -> w3 - w1 w3, w3 -> 1, w1 w3 -> 1 - w1.
    return {z.c + z.d, -z.d, z.a + z.b, -z.b};
}

}  // namespace

MoserNorm moser_norm(MoserCoordinate z) {
    const __int128 a = z.a;
    const __int128 b = z.b;
    const __int128 c = z.c;
    const __int128 d = z.d;
    const __int128 p = 12 * a + 6 * b + 10 * c + 5 * d;
    const __int128 u = 6 * b + 5 * d;
    const __int128 v = 2 * c + d;
    return {p * p + 33 * d * d + 3 * u * u + 11 * v * v, 2 * (u * v - p * d)};
}

std::span<const MoserCoordinate> moser_unit_steps() {
    static const std::vector<MoserCoordinate> steps = find_unit_steps();
    return steps;
}

Point moser_point(MoserCoordinate z) {
    const auto p = static_cast<double>(12 * z.a + 6 * z.b + 10 * z.c + 5 * z.d);
    const auto u = static_cast<double>(6 * z.b + 5 * z.d);
    const auto v = static_cast<double>(2 * z.c + z.d);
    const auto d = static_cast<double>(z.d);
    const double x = (p - d * kSqrt33) / 12.0;
    const double y = (u * kSqrt3 + v * kSqrt11) / 12.0;
    return {x, y};
}

MoserCoordinate moser_symmetry(int g, MoserCoordinate z) {
    if (g >= 6) z = reflect(z);
    for (int k = 0; k < g % 6; ++k) z = rotate(z);
    return z;
}

std::array<MoserCoordinate, kMoserSymmetries> moser_images(MoserCoordinate z) {
    std::array<MoserCoordinate, kMoserSymmetries> images;
    images[0] = z;
    images[6] = reflect(z);
    for (std::size_t g = 1; g < 6; ++g) {
        images[g] = rotate(images[g - 1]);
        images[g + 6] = rotate(images[g + 5]);
    }
    return images;
}

}  // namespace vantor::lattice_sets
