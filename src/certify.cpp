#include <memory>

#include "algebraic/section2/candidates.hpp"
#include "certificate.hpp"
#include "grids.hpp"
#include "utils/unit_distance.hpp"

namespace vantor {
namespace {

CertifiedPointSet replay_record(ReplayConstruction construction, PointList points,
                                std::uint64_t n_target) {
    EdgeList audit = find_unit_edges(points, unit_distance_bounds(kReplayTolerance));
    ReplayCertificate certificate{std::move(construction), points, n_target};
    return CertifiedPointSet{std::move(certificate), std::move(points), std::move(audit),
                             kReplayTolerance};
}

Result<CertifiedPointSet> section2_record(const Section2Params& params, std::uint64_t n_target) {
    // The exact elements are not part of a certificate: they are not built.
    auto built = build_section2(params, n_target, /*keep_elements=*/false);
    if (!built) return std::unexpected(built.error());
    PointList points = std::move(built->points);
    Section2Evidence& evidence = built->evidence;

    std::vector<IntegerKey> keys;
    keys.reserve(points.size());
    for (const Point& point : points) {
        // The quantiser's own text is dropped in favour of the key's name.
        auto key = scaled_key(point, kCertificateKeyScale);
        if (!key) return fail(search_parameter::kQuantizedProjectionKeys);
        keys.push_back(*key);
    }

    EdgeList audit = evidence.unit_edges;
    const double tolerance = evidence.edge_tolerance;
    auto certificate = std::make_unique<Section2Certificate>(Section2Certificate{
        evidence.generators, evidence.label, points, std::move(keys), Section2Evidence{},
        evidence.split_prime, evidence.k, evidence.n_target});
    certificate->evidence = std::move(evidence);
    // The elements and the copy of the construction edges are not kept.
    return CertifiedPointSet{std::move(certificate), std::move(points), std::move(audit),
                             tolerance};
}

}  // namespace

Result<CertifiedPointSet> certify_construction(const Construction& construction,
                                               std::uint64_t n_target) {
    return std::visit(
        [n_target](const auto& request) -> Result<CertifiedPointSet> {
            using Kind = std::decay_t<decltype(request)>;
            if constexpr (std::is_same_v<Kind, SquareGrid>) {
                return replay_record(request, square_grid(request.rows, request.cols), n_target);
            } else if constexpr (std::is_same_v<Kind, TriangularGrid>) {
                return replay_record(request, triangular_grid(n_target), n_target);
            } else if constexpr (std::is_same_v<Kind, MoserSpindle>) {
                return replay_record(request, moser_spindle(), n_target);
            } else {
                return section2_record(request.params, n_target);
            }
        },
        construction);
}

}  // namespace vantor
