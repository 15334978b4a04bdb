#pragma once
// The block loops of the unit-distance test for lanes of kWidth doubles,
// included by one translation unit per vector width (each compiled for the
// instructions of its width). Everything here has internal linkage, so the
// copies of different widths never merge.

#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "utils/pair_tests.hpp"

namespace vantor {
namespace {

// Values and masks (all ones where a lane passes) of `kWidth` lanes.
template <int kWidth>
struct LaneTypes;
template <>
struct LaneTypes<2> {
    typedef double Values __attribute__((vector_size(16)));
    typedef std::int64_t Masks __attribute__((vector_size(16)));
};
template <>
struct LaneTypes<4> {
    typedef double Values __attribute__((vector_size(32)));
    typedef std::int64_t Masks __attribute__((vector_size(32)));
};

template <int kWidth>
struct Lanes {
    using Values = typename LaneTypes<kWidth>::Values;
    using Masks = typename LaneTypes<kWidth>::Masks;

    static Values splat(double v) {
        Values lanes;
        for (int i = 0; i < kWidth; ++i) lanes[i] = v;
        return lanes;
    }
    static Values load(const double* from) {
        Values lanes;
        std::memcpy(&lanes, from, sizeof lanes);
        return lanes;
    }
    static Masks mask(Values qx, Values qy, const double* xs, const double* ys, std::uint32_t b, Values lo,
                      Values hi) {
        const Values dx = qx - load(xs + b);
        const Values dy = qy - load(ys + b);
        const Values d2 = dy * dy + dx * dx;
        return (lo <= d2) & (d2 <= hi);
    }
    // One bit per lane, set where the pair passed.
    static unsigned lane_bits(Masks m) {
#if defined(__AVX2__)
        if constexpr (kWidth == 4) return static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<__m256d>(m)));
#endif
#if defined(__SSE2__)
        if constexpr (kWidth == 2) return static_cast<unsigned>(_mm_movemask_pd(reinterpret_cast<__m128d>(m)));
#endif
        unsigned bits = 0;
        for (int i = 0; i < kWidth; ++i) bits |= static_cast<unsigned>(m[i] & 1) << i;
        return bits;
    }

    // The lanes of a block that starts at b and must end before `end`: all
    // of them, or the first end - b.
    static Masks within(std::uint32_t b, std::uint32_t end) {
        Masks valid;
        for (int i = 0; i < kWidth; ++i) valid[i] = b + static_cast<std::uint32_t>(i) < end ? -1 : 0;
        return valid;
    }

    // Both loops read whole vectors: the last one may reach up to kWidth - 1
    // values past `b1` (the arrays are padded for it), whose lanes are then
    // masked off.
    static std::uint64_t count(const PairBlock& k, double lo, double hi) {
        const Values los = splat(lo);
        const Values his = splat(hi);
        std::uint64_t found = 0;
        for (std::uint32_t a = k.a0; a < k.a1; ++a) {
            const Values qx = splat(k.xs[a]);
            const Values qy = splat(k.ys[a]);
            Masks passed = {};
            std::uint32_t b = k.b0;
            for (; b + kWidth <= k.b1; b += kWidth) passed -= mask(qx, qy, k.xs, k.ys, b, los, his);
            if (b < k.b1) passed -= mask(qx, qy, k.xs, k.ys, b, los, his) & within(b, k.b1);
            for (int i = 0; i < kWidth; ++i) found += static_cast<std::uint64_t>(passed[i]);
        }
        return found;
    }

    static void collect(const PairBlock& k, double lo, double hi, const std::uint32_t* ids,
                        std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& scratch) {
        const Values los = splat(lo);
        const Values his = splat(hi);
        if (scratch.size() < k.b1 - k.b0 + kWidth) scratch.resize(k.b1 - k.b0 + kWidth);
        std::uint32_t* found = scratch.data();
        for (std::uint32_t a = k.a0; a < k.a1; ++a) {
            const Values qx = splat(k.xs[a]);
            const Values qy = splat(k.ys[a]);
            std::uint32_t hits = 0;
            // One bit per lane; the passing positions go to the scratch list,
            // so the loop makes no call and keeps its values in registers.
            for (std::uint32_t b = k.b0; b < k.b1; b += kWidth) {
                Masks m = mask(qx, qy, k.xs, k.ys, b, los, his);
                if (b + kWidth > k.b1) m &= within(b, k.b1);
                unsigned bits = lane_bits(m);
                while (bits != 0) {
                    found[hits++] = b + static_cast<std::uint32_t>(__builtin_ctz(bits));
                    bits &= bits - 1;
                }
            }
            for (std::uint32_t h = 0; h < hits; ++h) keys.push_back(pack_pair(ids[a], ids[found[h]]));
        }
    }
};

}  // namespace
}  // namespace vantor
