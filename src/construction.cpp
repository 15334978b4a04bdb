#include "construction.hpp"

#include <bit>

#include "algebraic/section2/candidates.hpp"
#include "grids.hpp"

namespace vantor {
namespace {

Point from_bits(std::uint64_t x, std::uint64_t y) {
    return Point{std::bit_cast<double>(x), std::bit_cast<double>(y)};
}

}  // namespace

PointList moser_spindle() {
    // Stored by bit pattern: the tips 3 and 6 have y = +-0.49999999999999983,
    // not +-0.5.
    return PointList{
        from_bits(0x0000000000000000, 0x0000000000000000),
        from_bits(0x3fef26dc65617bfb, 0x3fcd467c59078280),
        from_bits(0x3fe5ea08c299626e, 0xbfe7519f1641e09f),
        from_bits(0x3ffa887293fd6f34, 0xbfdffffffffffffd),
        from_bits(0x3fef26dc65617bfb, 0xbfcd467c59078280),
        from_bits(0x3fe5ea08c299626e, 0x3fe7519f1641e09f),
        from_bits(0x3ffa887293fd6f34, 0x3fdffffffffffffd),
    };
}

Result<Construction> multiquadratic_construction(std::vector<std::int64_t> generators,
                                                 std::int64_t split_prime, std::uint64_t k) {
    auto params = prepare_section2_params(std::move(generators), split_prime, k);
    if (!params) return std::unexpected(params.error());
    return Construction{Multiquadratic{std::move(*params)}};
}

Result<PointList> generate_points(const Construction& construction, std::uint64_t n_target) {
    return std::visit(
        [n_target](const auto& request) -> Result<PointList> {
            using Kind = std::decay_t<decltype(request)>;
            if constexpr (std::is_same_v<Kind, SquareGrid>) {
                return square_grid(request.rows, request.cols);
            } else if constexpr (std::is_same_v<Kind, TriangularGrid>) {
                return triangular_grid(n_target);
            } else if constexpr (std::is_same_v<Kind, MoserSpindle>) {
                return moser_spindle();
            } else {
                // Only the points are wanted: no certificate data is built.
                return build_section2_points(request.params, n_target);
            }
        },
        construction);
}

}  // namespace vantor
