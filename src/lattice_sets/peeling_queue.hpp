#pragma once
// The order in which peeling removes points: each time a point with the
// fewest neighbours left among those not yet removed, the lowest index
// among equals. Trimming patches and peeling step graphs both remove in
// this order, so the same graph gives the same order on every machine.
//
// The queue is a min-heap of (degree, index) packed into one integer, the
// degree above kIndexBits index bits. A point's entry goes stale when its
// degree drops; the fresh entry, being smaller, comes out first and stale
// ones are skipped, so the first live entry is the point to remove.

#include <cstdint>
#include <functional>
#include <queue>
#include <stdexcept>
#include <vector>

namespace vantor::lattice_sets {

class PeelingQueue {
public:
    static constexpr unsigned kIndexBits = 40;

    // degrees[i]: the number of neighbours of point i. Throws
    // std::length_error for 2**kIndexBits points or more.
    explicit PeelingQueue(std::vector<std::uint64_t> degrees)
        : degree_(std::move(degrees)), removed_(degree_.size(), false) {
        if (degree_.size() >= (std::uint64_t{1} << kIndexBits)) {
            throw std::length_error("too many points to peel");
        }
        std::vector<std::uint64_t> entries;
        entries.reserve(degree_.size());
        for (std::uint64_t i = 0; i < degree_.size(); ++i) entries.push_back(entry(i));
        heap_ = Heap(std::greater<>{}, std::move(entries));
    }

    // Removes the next point (some point must be left) and returns it; its
    // degree is then the number of neighbours it had left.
    std::uint64_t remove_next() {
        for (;;) {
            const std::uint64_t top = heap_.top();
            heap_.pop();
            const std::uint64_t i = top & kIndexMask;
            if (removed_[i] || (top >> kIndexBits) != degree_[i]) continue;
            removed_[i] = true;
            return i;
        }
    }

    // One neighbour of point j is gone; nothing when j is removed itself.
    void neighbour_removed(std::uint64_t j) {
        if (removed_[j]) return;
        --degree_[j];
        heap_.push(entry(j));
    }

    bool removed(std::uint64_t i) const { return removed_[i]; }
    std::uint64_t degree(std::uint64_t i) const { return degree_[i]; }

private:
    using Heap = std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>>;
    static constexpr std::uint64_t kIndexMask = (std::uint64_t{1} << kIndexBits) - 1;

    std::uint64_t entry(std::uint64_t i) const { return degree_[i] << kIndexBits | i; }

    std::vector<std::uint64_t> degree_;
    std::vector<bool> removed_;
    Heap heap_;
};

}  // namespace vantor::lattice_sets
