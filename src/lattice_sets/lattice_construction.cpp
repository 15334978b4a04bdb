#include "lattice_sets/lattice_construction.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "lattice_sets/candidate_norms.hpp"
#include "lattice_sets/exact_verification.hpp"
#include "lattice_sets/lattice_patch.hpp"
#include "lattice_sets/norm_edges.hpp"
#include "lattice_sets/norm_vectors.hpp"
#include "lattice_sets/trimming.hpp"
#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::lattice_sets {

namespace {

// From this many points on, the lens estimate is close enough to the exact
// counts to skip norms it rates far below the best.
constexpr std::uint64_t kEstimateFrom = 10000;
constexpr double kEstimateKeep = 0.75;

// What the trims of one lattice may cost together: a trim costs its patch
// size plus kPeelCost per point peeled (each removal updates a heap once
// per neighbour), and the total stays within the larger of kTrimBudget and
// kTrimBudgetPerPoint * n. The best untrimmed plans are trimmed first.
constexpr std::uint64_t kPeelCost = 4;
constexpr std::uint64_t kTrimBudget = 1000000;
constexpr std::uint64_t kTrimBudgetPerPoint = 3;

// Patches are cut larger by n / 2^k points for these k (and, up to
// kDenseUpTo points, by every count of points up to kDenseExtras) and
// trimmed back to n.
constexpr unsigned kExtraShifts[] = {7, 6, 5, 4, 3, 2, 1, 0};
constexpr std::uint64_t kDenseExtras = 32;
constexpr std::uint64_t kDenseUpTo = 4096;

struct Plan {
    const PlaneLattice* lattice;
    PatchShape shape;
    std::uint64_t m;
    std::uint64_t patch_size;  // trimmed back to n when larger
    std::uint64_t edges;
};

std::size_t rank_of(const PlaneLattice* lattice) {
    return static_cast<std::size_t>(std::find(std::begin(kPlaneLattices), std::end(kPlaneLattices),
                                              lattice) -
                                    std::begin(kPlaneLattices));
}

std::size_t rank_of(const PlaneLattice& lattice, PatchShape shape) {
    const auto shapes = lattice.shapes;
    return static_cast<std::size_t>(std::find(shapes.begin(), shapes.end(), shape) -
                                    shapes.begin());
}

// More edges first; then the lattice listed first (the square lattice), the
// shape listed first, the smaller m and the smaller patch.
bool better(const Plan& x, const Plan& y) {
    if (x.edges != y.edges) return x.edges > y.edges;
    if (x.lattice != y.lattice) return rank_of(x.lattice) < rank_of(y.lattice);
    if (x.shape != y.shape) return rank_of(*x.lattice, x.shape) < rank_of(*y.lattice, y.shape);
    if (x.m != y.m) return x.m < y.m;
    return x.patch_size < y.patch_size;
}

// The expected edges per point of a disk of n points for norm m with
// `vectors` vectors: each pair +-v contributes the lens where the disk
// and its translate by v overlap, as a share of the disk's area.
double lens_estimate(const PlaneLattice& lattice, std::uint64_t n, std::uint64_t m,
                     std::uint64_t vectors) {
    const double radius = std::sqrt(static_cast<double>(n) * lattice.height / std::numbers::pi);
    const double t = std::sqrt(static_cast<double>(m)) / radius;
    if (t >= 2.0) return 0.0;
    const double overlap = (2.0 / std::numbers::pi) *
                           (std::acos(t / 2.0) - (t / 2.0) * std::sqrt(1.0 - t * t / 4.0));
    return static_cast<double>(vectors) / 2.0 * overlap;
}

// The norms to try for a lattice: the given one, or the candidates that fit
// a patch whose points have norms up to max_point_norm (a difference of two
// points has at most four times that norm).
std::vector<std::uint64_t> norms_to_try(const PlaneLattice& lattice, std::uint64_t n,
                                        __int128 max_point_norm) {
    const __int128 reach = 4 * max_point_norm;
    const auto max_norm =
        static_cast<std::uint64_t>(std::min<__int128>(reach, static_cast<__int128>(kMaxNorm)));
    const std::vector<CandidateNorm> candidates = candidate_norms(lattice, max_norm);
    std::vector<std::uint64_t> norms;
    if (n >= kEstimateFrom) {
        double best = 0.0;
        for (const CandidateNorm& c : candidates) {
            best = std::max(best, lens_estimate(lattice, n, c.m, c.vector_count));
        }
        for (const CandidateNorm& c : candidates) {
            if (lens_estimate(lattice, n, c.m, c.vector_count) >= kEstimateKeep * best) {
                norms.push_back(c.m);
            }
        }
    } else {
        for (const CandidateNorm& c : candidates) norms.push_back(c.m);
    }
    if (norms.empty()) norms.push_back(1);
    return norms;
}

std::uint64_t row_span(const LatticePatch& patch) {
    if (patch.size() == 0) return 0;
    return static_cast<std::uint64_t>(patch.points().back().b - patch.points().front().b);
}

// Every (shape, norm) in scope on its untrimmed n-point patch, best first.
std::vector<Plan> untrimmed_plans(const PlaneLattice& lattice, std::uint64_t n,
                                  std::optional<std::uint64_t> m,
                                  std::optional<PatchShape> shape) {
    std::vector<std::pair<PatchShape, LatticePatch>> patches;
    __int128 max_point_norm = 0;
    std::uint64_t span = 0;
    for (PatchShape s : lattice.shapes) {
        if (shape && *shape != s) continue;
        LatticePatch patch = shape_patch(lattice, s, n);
        for (const LatticeCoordinate& c : patch.points()) {
            max_point_norm = std::max(max_point_norm, lattice_norm(lattice, c.a, c.b));
        }
        span = std::max(span, row_span(patch));
        patches.emplace_back(s, std::move(patch));
    }
    const std::vector<std::uint64_t> norms =
        m ? std::vector<std::uint64_t>{*m} : norms_to_try(lattice, n, max_point_norm);
    std::vector<Plan> plans;
    for (std::uint64_t norm : norms) {
        poll_interrupt();
        const std::vector<LatticeCoordinate> vectors = half_norm_vectors(lattice, norm, span);
        for (const auto& [s, patch] : patches) {
            std::uint64_t edges = 0;
            for (const LatticeCoordinate& v : vectors) edges += patch.pair_count(v);
            plans.push_back({&lattice, s, norm, n, edges});
        }
    }
    std::sort(plans.begin(), plans.end(), better);
    return plans;
}

// The extra points to try for a patch trimmed back to n, fewest first.
std::vector<std::uint64_t> extras_to_try(std::uint64_t n) {
    std::vector<std::uint64_t> extras;
    if (n == 0) return extras;
    if (n <= kDenseUpTo) {
        for (std::uint64_t e = 1; e <= std::min(n, kDenseExtras); ++e) extras.push_back(e);
    }
    for (unsigned shift : kExtraShifts) extras.push_back(std::max<std::uint64_t>(1, n >> shift));
    std::sort(extras.begin(), extras.end());
    extras.erase(std::unique(extras.begin(), extras.end()), extras.end());
    return extras;
}

// The best of the lattice's untrimmed plans and of the best few trimmed
// back from larger patches. Which trims run depends on the request alone
// (the budget counts points, not time); they run in parallel, each into
// its own slot.
Plan choose_plan(const PlaneLattice& lattice, std::uint64_t n, std::optional<std::uint64_t> m,
                 std::optional<PatchShape> shape) {
    const std::vector<Plan> plans = untrimmed_plans(lattice, n, m, shape);
    std::vector<Plan> trims;
    const std::uint64_t budget = std::max(kTrimBudget, kTrimBudgetPerPoint * n);
    std::uint64_t spent = 0;
    const std::vector<std::uint64_t> extras = extras_to_try(n);
    for (std::size_t k = 0; k < plans.size() && spent < budget; ++k) {
        for (std::uint64_t extra : extras) {
            const std::uint64_t cost = n + extra + kPeelCost * extra;
            if (spent + cost > budget) break;
            spent += cost;
            trims.push_back({plans[k].lattice, plans[k].shape, plans[k].m, n + extra, 0});
        }
    }
    parallel_for(trims.size(), [&](std::size_t k) {
        Plan& trim = trims[k];
        const LatticePatch patch = shape_patch(*trim.lattice, trim.shape, trim.patch_size);
        const std::vector<LatticeCoordinate> vectors =
            half_norm_vectors(*trim.lattice, trim.m, row_span(patch));
        trim.edges = trim_least_connected(patch, vectors, n).edge_count;
    });
    Plan best = plans.front();
    for (const Plan& trim : trims) {
        if (better(trim, best)) best = trim;
    }
    return best;
}

std::expected<LatticePointSet, LatticeError> build_plan(const Plan& plan, std::uint64_t n) {
    LatticePatch patch = shape_patch(*plan.lattice, plan.shape, plan.patch_size);
    // Vectors longer than the patch is tall join nothing; leaving them out
    // keeps a huge m cheap.
    const std::vector<LatticeCoordinate> vectors =
        half_norm_vectors(*plan.lattice, plan.m, row_span(patch));
    if (plan.patch_size > n) {
        const TrimmedPatch trimmed = trim_least_connected(patch, vectors, n);
        std::vector<LatticeCoordinate> kept;
        kept.reserve(n);
        for (std::uint64_t i : trimmed.kept) kept.push_back(patch.points()[i]);
        patch = LatticePatch(std::move(kept));
    }

    LatticePointSet set;
    set.lattice = plan.lattice;
    set.shape = plan.shape;
    set.m = plan.m;
    set.edges = norm_edges(patch, vectors);
    const double scale = norm_scale(plan.m);
    set.points.reserve(n);
    for (const LatticeCoordinate& c : patch.points()) {
        set.points.push_back(plane_point(*plan.lattice, c, scale));
    }
    set.coordinates.assign(patch.points().begin(), patch.points().end());

    auto checked = verify_lattice_set(*set.lattice, set.m, set.coordinates, set.points, set.edges);
    if (!checked) return std::unexpected(std::move(checked.error()));
    return set;
}

std::expected<void, LatticeError> check_request(const PlaneLattice& lattice,
                                                std::optional<std::uint64_t> m,
                                                std::optional<PatchShape> shape) {
    if (shape && !shape_fits(lattice, *shape)) {
        return std::unexpected(LatticeError{ShapeNotInLattice{&lattice, *shape}});
    }
    if (m) {
        if (*m < 1 || *m > kMaxNorm) return std::unexpected(LatticeError{NormOutOfRange{*m}});
        if (norm_vectors(lattice, *m).empty()) {
            return std::unexpected(LatticeError{NotANorm{&lattice, *m}});
        }
    }
    return {};
}

}  // namespace

std::expected<LatticePointSet, LatticeError> lattice_point_set(const PlaneLattice& lattice,
                                                               std::uint64_t n,
                                                               std::optional<std::uint64_t> m,
                                                               std::optional<PatchShape> shape) {
    if (auto valid = check_request(lattice, m, shape); !valid) {
        return std::unexpected(std::move(valid.error()));
    }
    return build_plan(choose_plan(lattice, n, m, shape), n);
}

std::expected<LatticePointSet, LatticeError> lattice_point_set_of(
    const PlaneLattice& lattice, std::uint64_t m, PatchShape shape,
    std::vector<LatticeCoordinate> coordinates) {
    if (m < 1 || m > kMaxNorm) return std::unexpected(LatticeError{NormOutOfRange{m}});
    for (std::uint64_t k = 0; k < coordinates.size(); ++k) {
        const LatticeCoordinate& c = coordinates[k];
        if (c.a < -kMaxCoordinate || c.a > kMaxCoordinate || c.b < -kMaxCoordinate ||
            c.b > kMaxCoordinate) {
            return std::unexpected(LatticeError{CoordinateOutOfRange{k, kMaxCoordinateLog2}});
        }
    }
    std::sort(coordinates.begin(), coordinates.end(), row_major_less);
    for (std::size_t k = 1; k < coordinates.size(); ++k) {
        if (coordinates[k] == coordinates[k - 1]) {
            return std::unexpected(LatticeError{RepeatedPoint{k - 1, k}});
        }
    }
    const LatticePatch patch(std::move(coordinates));
    LatticePointSet set;
    set.lattice = &lattice;
    set.shape = shape;
    set.m = m;
    set.edges = norm_edges(patch, half_norm_vectors(lattice, m, row_span(patch)));
    const double scale = norm_scale(m);
    set.points.reserve(patch.size());
    for (const LatticeCoordinate& c : patch.points()) {
        set.points.push_back(plane_point(lattice, c, scale));
    }
    set.coordinates.assign(patch.points().begin(), patch.points().end());
    auto checked = verify_lattice_set(*set.lattice, set.m, set.coordinates, set.points, set.edges);
    if (!checked) return std::unexpected(std::move(checked.error()));
    return set;
}

std::expected<LatticePointSet, LatticeError> best_lattice_point_set(std::uint64_t n) {
    // Each lattice is searched as lattice_point_set searches it, so the best
    // set is never worse than any lattice's own.
    Plan best = choose_plan(*kPlaneLattices[0], n, std::nullopt, std::nullopt);
    for (const PlaneLattice* lattice : std::span(kPlaneLattices).subspan(1)) {
        const Plan plan = choose_plan(*lattice, n, std::nullopt, std::nullopt);
        if (better(plan, best)) best = plan;
    }
    return build_plan(best, n);
}

}  // namespace vantor::lattice_sets
