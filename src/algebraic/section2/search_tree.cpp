#include "search_tree.hpp"

#include <algorithm>
#include <cstring>

namespace vantor {
namespace {

mpz_class to_mpz(Numerator value) {
    const bool negative = value < 0;
    unsigned __int128 magnitude = negative ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(value)
                                           : static_cast<unsigned __int128>(value);
    const std::uint64_t words[2] = {static_cast<std::uint64_t>(magnitude),
                                    static_cast<std::uint64_t>(magnitude >> 64)};
    mpz_class result;
    mpz_import(result.get_mpz_t(), 2, -1, sizeof(std::uint64_t), 0, 0, words);
    if (negative) result = -result;
    return result;
}

}  // namespace

void SearchTree::append(const Numerator* values, std::uint64_t parent, PathStep step, Point point,
                        double max_norm) {
    numerators_.insert(numerators_.end(), values, values + degree_);
    parents_.push_back(parent);
    steps_.push_back(step);
    points_.push_back(point);
    max_norms_.push_back(max_norm);
}

void SearchTree::reserve(std::uint64_t nodes) {
    numerators_.reserve(nodes * degree_);
    parents_.reserve(nodes);
    steps_.reserve(nodes);
    points_.reserve(nodes);
    max_norms_.reserve(nodes);
}

CandidatePath SearchTree::path(std::uint64_t node) const {
    CandidatePath steps;
    while (parents_[node] != node) {
        steps.push_back(steps_[node]);
        node = parents_[node];
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

FieldElement SearchTree::element(std::uint64_t node, std::int64_t denominator) const {
    FieldElement element;
    element.coefficients.reserve(degree_);
    const mpz_class common(static_cast<long>(denominator));
    const Numerator* values = numerators(node);
    for (std::uint64_t m = 0; m < degree_; ++m) {
        Rational q(to_mpz(values[m]), common);
        q.canonicalize();
        element.coefficients.push_back(std::move(q));
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
    while (capacity < 2 * expected && capacity < (std::uint64_t{1} << 40)) capacity *= 2;
    slots_.assign(capacity, 0);
    mask_ = capacity - 1;
}

std::uint64_t NumeratorIndex::slot_of(const Numerator* values) const {
    const std::uint64_t degree = tree_.degree();
    std::uint64_t slot = hash_numerators(values, degree) & mask_;
    while (slots_[slot] != 0) {
        const Numerator* stored = tree_.numerators(slots_[slot] - 1);
        if (std::memcmp(stored, values, degree * sizeof(Numerator)) == 0) return slot;
        slot = (slot + 1) & mask_;
    }
    return slot;
}

std::int64_t NumeratorIndex::find(const Numerator* values) const {
    const std::uint64_t slot = slot_of(values);
    return slots_[slot] == 0 ? -1 : static_cast<std::int64_t>(slots_[slot] - 1);
}

void NumeratorIndex::insert(std::uint64_t node) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    slots_[slot_of(tree_.numerators(node))] = node + 1;
    ++count_;
}

void NumeratorIndex::grow() {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(old.size() * 2, 0);
    mask_ = slots_.size() - 1;
    for (std::uint64_t entry : old) {
        if (entry != 0) slots_[slot_of(tree_.numerators(entry - 1))] = entry;
    }
}

}  // namespace vantor
