#pragma once
// The nodes visited by the breadth-first candidate search, kept compactly.
// Every element the search meets is a sum of translations, so its
// coefficients are integers over the common translation denominator; a node
// stores those integer numerators, its parent and the step from it (its
// path is the parent's path followed by that step), its projected point and
// its largest embedding modulus.

#include <cstdint>
#include <vector>

#include "../../point.hpp"
#include "../field/field_element.hpp"
#include "section2_result.hpp"

namespace vantor {

using Numerator = __int128;

class SearchTree {
public:
    explicit SearchTree(std::uint64_t degree) : degree_(degree) {}

    std::uint64_t degree() const { return degree_; }
    std::uint64_t size() const { return parents_.size(); }

    const Numerator* numerators(std::uint64_t node) const { return &numerators_[node * degree_]; }
    const Point& point(std::uint64_t node) const { return points_[node]; }
    double max_norm(std::uint64_t node) const { return max_norms_[node]; }

    // Appends a node; the root is its own parent and has no step.
    void append(const Numerator* values, std::uint64_t parent, PathStep step, Point point,
                double max_norm);

    // The steps from the root to `node`.
    CandidatePath path(std::uint64_t node) const;
    // The exact element numerators / denominator.
    FieldElement element(std::uint64_t node, std::int64_t denominator) const;

    void reserve(std::uint64_t nodes);

private:
    std::uint64_t degree_;
    std::vector<Numerator> numerators_;
    std::vector<std::uint64_t> parents_;
    std::vector<PathStep> steps_;
    std::vector<Point> points_;
    std::vector<double> max_norms_;
};

// A hash set of nodes keyed by their exact numerators (hence by their exact
// elements). Only membership and lookup are used, never iteration order.
class NumeratorIndex {
public:
    NumeratorIndex(const SearchTree& tree, std::uint64_t expected);

    // The node holding exactly these numerators, or -1.
    std::int64_t find(const Numerator* values) const;
    // Records node (whose numerators must not be present yet).
    void insert(std::uint64_t node);

private:
    std::uint64_t slot_of(const Numerator* values) const;
    void grow();

    const SearchTree& tree_;
    std::vector<std::uint64_t> slots_;  // node + 1, 0 for empty
    std::uint64_t mask_;
    std::uint64_t count_ = 0;
};

std::uint64_t hash_numerators(const Numerator* values, std::uint64_t degree);

}  // namespace vantor
