#pragma once
// The nodes visited by the breadth-first candidate search, kept compactly.
// Every element the search meets is a sum of translations, so its
// coefficients are integers over the common translation denominator; a node
// stores those integer numerators, its parent and the step from it (its
// path is the parent's path followed by that step) and its projected point.
// Nothing per node lives on the heap: a node costs its numerators plus 24
// bytes, and the lookup table 16 to 32 bytes more.

#include <cstdint>
#include <vector>

#include "point.hpp"
#include "algebraic/field/field_element.hpp"
#include "algebraic/field/element_table.hpp"
#include "algebraic/section2/section2_result.hpp"

namespace vantor {

class SearchTree {
public:
    explicit SearchTree(std::uint64_t degree) : degree_(degree) {}

    std::uint64_t degree() const { return degree_; }
    std::uint64_t size() const { return parents_.size(); }

    const Numerator* numerators(std::uint64_t node) const { return &numerators_[node * degree_]; }
    // The projected points, once place_points has run.
    const Point& point(std::uint64_t node) const { return points_[node]; }
    const std::vector<Point>& points() const { return points_; }

    // Appends a node; the root is its own parent and has no step. Node
    // numbers stay below 2^32.
    void append(const Numerator* values, std::uint32_t parent, PathStep step);
    // Sets the point of every node: numerators / denominator under the
    // embedding `projection_index` of the field, as embed_numerators gives it.
    void place_points(std::int64_t denominator, const MultiquadraticField& field, std::uint64_t projection_index);

    // The steps from the root to `node`.
    CandidatePath path(std::uint64_t node) const;
    // The exact element numerators / denominator.
    FieldElement element(std::uint64_t node, std::int64_t denominator) const;

    void reserve(std::uint64_t nodes);
    // What one node costs in the tree, lookup table included.
    static std::uint64_t node_bytes(std::uint64_t degree);

private:
    std::uint64_t degree_;
    std::vector<Numerator> numerators_;
    std::vector<std::uint32_t> parents_;
    std::vector<std::uint32_t> steps_;  // translation * 2, plus 1 for a subtraction
    std::vector<Point> points_;
};

// A hash set of nodes keyed by their exact numerators (hence by their exact
// elements). Only membership and lookup are used, never iteration order.
class NumeratorIndex {
public:
    NumeratorIndex(const SearchTree& tree, std::uint64_t expected);

    // The node holding exactly these numerators (whose hash is `hash`), or -1.
    std::int64_t find(const Numerator* values, std::uint64_t hash) const;
    std::int64_t find(const Numerator* values) const;
    // Records node (whose numerators, of hash `hash`, must not be present yet).
    void insert(std::uint64_t node, std::uint64_t hash);
    void insert(std::uint64_t node);
    // Starts loading the first slot a lookup of `hash` reads.
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

private:
    std::uint64_t slot_of(const Numerator* values, std::uint64_t hash) const;
    void grow();

    const SearchTree& tree_;
    std::vector<std::uint64_t> slots_;  // hash tag | node + 1, 0 for empty
    std::uint64_t mask_;
    std::uint64_t count_ = 0;
};

std::uint64_t hash_numerators(const Numerator* values, std::uint64_t degree);

}  // namespace vantor
