#include "record_search/set_fingerprint.hpp"

#include <algorithm>
#include <vector>

namespace vantor::records {

namespace {


constexpr std::uint64_t kPrime = (std::uint64_t{1} << 61) - 1;

std::uint64_t mul(std::uint64_t x, std::uint64_t y) {
    const unsigned __int128 product = static_cast<unsigned __int128>(x) * y;
    const std::uint64_t folded =
        (static_cast<std::uint64_t>(product) & kPrime) + static_cast<std::uint64_t>(product >> 61);
    return folded >= kPrime ? folded - kPrime : folded;
}

std::uint64_t add(std::uint64_t x, std::uint64_t y) {
    const std::uint64_t sum = x + y;
    return sum >= kPrime ? sum - kPrime : sum;
}

std::uint64_t power(std::uint64_t base, std::uint64_t exponent) {
    std::uint64_t result = 1;
    for (; exponent > 0; exponent >>= 1) {
        if (exponent & 1) result = mul(result, base);
        base = mul(base, base);
    }
    return result;
}

// A search lattice's symmetries keep images of its packable points within
// this (search_lattice.hpp).
constexpr std::int64_t kReach = 2 * kPackedLimit;

// chi(p) = r0^a * r1^b * r2^c * r3^d, with fixed bases drawn once from a
// splitmix sequence so that fingerprints are the same on every machine.
class Character {
public:
    Character() : powers_(4 * (2 * kReach + 1)) {
        std::uint64_t state = 0x76616e746f72;  // fixed, not a user seed
        for (int k = 0; k < 4; ++k) {
            state += 0x9e3779b97f4a7c15;
            std::uint64_t z = state;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
            z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
            z ^= z >> 31;
            const std::uint64_t base = 2 + z % (kPrime - 3);
            const std::uint64_t inverse = power(base, kPrime - 2);
            std::uint64_t* row = &powers_[static_cast<std::size_t>(k) * (2 * kReach + 1) + kReach];
            row[0] = 1;
            for (std::int64_t j = 1; j <= kReach; ++j) {
                row[j] = mul(row[j - 1], base);
                row[-j] = mul(row[-j + 1], inverse);
            }
        }
    }

    // Coordinates within kReach.
    std::uint64_t operator()(const SearchCoordinate& p) const {
        return mul(mul(at(0, p.a), at(1, p.b)), mul(at(2, p.c), at(3, p.d)));
    }

private:
    std::uint64_t at(int k, std::int64_t j) const {
        return powers_[static_cast<std::size_t>(k * (2 * kReach + 1) + kReach + j)];
    }
    std::vector<std::uint64_t> powers_;
};

const Character& chi() {
    static const Character character;
    return character;
}

std::uint64_t oriented_value(const SetFingerprint& f, int g) {
    const SearchCoordinate low = unpack(f.lowest[static_cast<std::size_t>(g)]);
    return mul(f.sums[static_cast<std::size_t>(g)], chi()({-low.a, -low.b, -low.c, -low.d}));
}

}  // namespace

std::uint64_t SetFingerprint::value() const {
    std::uint64_t least = oriented_value(*this, 0);
    for (int g = 1; g < static_cast<int>(count); ++g) least = std::min(least, oriented_value(*this, g));
    return least;
}

int SetFingerprint::orientation() const {
    int best = 0;
    std::uint64_t least = oriented_value(*this, 0);
    for (int g = 1; g < static_cast<int>(count); ++g) {
        const std::uint64_t v = oriented_value(*this, g);
        if (v < least) {
            least = v;
            best = g;
        }
    }
    return best;
}

SetFingerprint fingerprint_of(std::span<const PackedPoint> points, const SearchLattice& lattice) {
    SetFingerprint f;
    f.count = lattice.symmetry_count();
    f.lowest.fill(~PackedPoint{0});
    for (PackedPoint p : points) f = with_point(f, p, lattice);
    return f;
}

SetFingerprint with_point(const SetFingerprint& fingerprint, PackedPoint q,
                          const SearchLattice& lattice) {
    SetFingerprint f = fingerprint;
    const SearchCoordinate point = unpack(q);
    for (std::size_t k = 0; k < f.count; ++k) {
        const SearchCoordinate image = lattice.image(k, point);
        f.sums[k] = add(f.sums[k], chi()(image));
        f.lowest[k] = std::min(f.lowest[k], pack(image));
    }
    return f;
}

SetFingerprint without_point(const SetFingerprint& fingerprint, std::span<const PackedPoint> points,
                             std::size_t index, const SearchLattice& lattice) {
    SetFingerprint f = fingerprint;
    const SearchCoordinate point = unpack(points[index]);
    for (std::size_t k = 0; k < f.count; ++k) {
        const SearchCoordinate image = lattice.image(k, point);
        f.sums[k] = add(f.sums[k], kPrime - chi()(image));
        if (pack(image) != f.lowest[k]) continue;
        // The lowest point left: one pass over the others.
        PackedPoint lowest = ~PackedPoint{0};
        for (std::size_t r = 0; r < points.size(); ++r) {
            if (r == index) continue;
            lowest = std::min(lowest, pack(lattice.image(k, unpack(points[r]))));
        }
        f.lowest[k] = lowest;
    }
    return f;
}

}  // namespace vantor::records
