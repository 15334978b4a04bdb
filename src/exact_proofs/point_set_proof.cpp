#include "point_set_proof.hpp"

#include "utils/unit_distance.hpp"

namespace vantor::exact {
namespace {

// Room for one candidate pair while the candidates are gathered.
constexpr std::uint64_t kBytesPerPair = 32;

}  // namespace

PairVerdicts prove_point_pairs(const MultiquadraticField& field,
                               std::span<const std::optional<FieldElement>> elements,
                               std::span<const Point> points, double tolerance) {
    EdgeList candidates = find_unit_edges(points, unit_distance_bounds(tolerance), kBytesPerPair);
    std::erase_if(candidates, [&](const Edge& e) { return !elements[e.i] || !elements[e.j]; });
    std::vector<FieldElement> known;
    known.reserve(elements.size());
    for (const auto& element : elements) {
        known.push_back(element ? *element : FieldElement::zero(field));
    }
    const UnitPairProver prover(field, known);
    return prove_unit_pairs(prover, candidates);
}

}  // namespace vantor::exact
