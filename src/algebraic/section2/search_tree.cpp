#include "algebraic/section2/search_tree.hpp"

#include <algorithm>

#include "algebraic/field/element_table.hpp"
#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor {

void SearchTree::append(const Numerator* values, std::uint32_t parent, PathStep step) {
    numerators_.insert(numerators_.end(), values, values + degree_);
    parents_.push_back(parent);
    steps_.push_back(static_cast<std::uint32_t>(step.translation * 2 + (step.sign < 0 ? 1 : 0)));
}

void SearchTree::place_points(std::int64_t denominator, const MultiquadraticField& field,
                              std::uint64_t projection_index) {
    constexpr std::uint64_t kNodesPerTask = 4096;
    points_.resize(size());
    const std::uint64_t tasks = (size() + kNodesPerTask - 1) / kNodesPerTask;
    parallel_for(tasks, [&](std::size_t task) {
        poll_interrupt();
        std::vector<double> values(degree_);
        std::vector<Complex> weights(degree_);
        const std::uint64_t end = std::min(size(), (task + 1) * kNodesPerTask);
        for (std::uint64_t node = task * kNodesPerTask; node < end; ++node) {
            embed_numerators(numerators(node), denominator, field, values, weights);
            points_[node] = Point{weights[projection_index].re, weights[projection_index].im};
        }
    });
}

void SearchTree::reserve(std::uint64_t nodes) {
    numerators_.reserve(nodes * degree_);
    parents_.reserve(nodes);
    steps_.reserve(nodes);
    points_.reserve(nodes);
}

std::uint64_t SearchTree::node_bytes(std::uint64_t degree) {
    // Numerators, parent, step, point, and up to four lookup slots.
    return degree * sizeof(Numerator) + 2 * sizeof(std::uint32_t) + sizeof(Point) +
           4 * sizeof(std::uint64_t);
}

CandidatePath SearchTree::path(std::uint64_t node) const {
    CandidatePath steps;
    while (parents_[node] != node) {
        const std::uint32_t step = steps_[node];
        steps.push_back(PathStep{step / 2, static_cast<std::int8_t>(step % 2 == 0 ? 1 : -1)});
        node = parents_[node];
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

FieldElement SearchTree::element(std::uint64_t node, std::int64_t denominator) const {
    FieldElement element;
    element.coefficients.reserve(degree_);
    const Numerator* values = numerators(node);
    for (std::uint64_t m = 0; m < degree_; ++m) {
        element.coefficients.push_back(fraction_rational(values[m], denominator));
    }
    return element;
}

std::uint64_t hash_numerators(const Numerator* values, std::uint64_t degree) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ degree;
    for (std::uint64_t m = 0; m < degree; ++m) {
        const auto low = static_cast<std::uint64_t>(values[m]);
        const auto high = static_cast<std::uint64_t>(static_cast<unsigned __int128>(values[m]) >> 64);
        h = (h ^ low) * 0xff51afd7ed558ccdULL;
        h = (h ^ high ^ (h >> 29)) * 0xc4ceb9fe1a85ec53ULL;
    }
    return h ^ (h >> 32);
}

NumeratorIndex::NumeratorIndex(const SearchTree& tree, std::uint64_t expected) : tree_(tree) {
    std::uint64_t capacity = 16;
    while (capacity < 2 * expected && capacity < (std::uint64_t{1} << 33)) capacity *= 2;
    slots_.assign(capacity, 0);
    mask_ = capacity - 1;
}

namespace {

// A slot holds the node number plus one in its low half and the high half
// of the node's hash in its high half, so that probes past other nodes
// rarely need to compare numerators.
std::uint64_t tag_of(std::uint64_t hash) { return hash & 0xffffffff00000000ULL; }

bool same_numerators(const Numerator* a, const Numerator* b, std::uint64_t degree) {
    for (std::uint64_t m = 0; m < degree; ++m) {
        if (a[m] != b[m]) return false;
    }
    return true;
}

}  // namespace

std::uint64_t NumeratorIndex::slot_of(const Numerator* values, std::uint64_t hash) const {
    const std::uint64_t degree = tree_.degree();
    const std::uint64_t tag = tag_of(hash);
    std::uint64_t slot = hash & mask_;
    while (slots_[slot] != 0) {
        const std::uint64_t entry = slots_[slot];
        if (tag_of(entry) == tag &&
            same_numerators(tree_.numerators((entry & 0xffffffffu) - 1), values, degree)) {
            return slot;
        }
        slot = (slot + 1) & mask_;
    }
    return slot;
}

std::int64_t NumeratorIndex::find(const Numerator* values, std::uint64_t hash) const {
    const std::uint64_t entry = slots_[slot_of(values, hash)];
    return entry == 0 ? -1 : static_cast<std::int64_t>((entry & 0xffffffffu) - 1);
}

std::int64_t NumeratorIndex::find(const Numerator* values) const {
    return find(values, hash_numerators(values, tree_.degree()));
}

void NumeratorIndex::insert(std::uint64_t node, std::uint64_t hash) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    slots_[slot_of(tree_.numerators(node), hash)] = tag_of(hash) | (node + 1);
    ++count_;
}

void NumeratorIndex::insert(std::uint64_t node) {
    insert(node, hash_numerators(tree_.numerators(node), tree_.degree()));
}

void NumeratorIndex::grow() {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(old.size() * 2, 0);
    mask_ = slots_.size() - 1;
    for (std::uint64_t entry : old) {
        if (entry == 0) continue;
        // The tag is the hash's high half; the low half picks the slot.
        const Numerator* values = tree_.numerators((entry & 0xffffffffu) - 1);
        slots_[slot_of(values, hash_numerators(values, tree_.degree()))] = entry;
    }
}

}  // namespace vantor
