#pragma once
// The symmetries of a set of unit vectors: the rotations and reflections of
// the plane fixing 0 that permute them.
//
// Such a map sends the first unit u_0 to some unit u. A rotation is then
// z -> a z with a = u c(u_0) (u_0 c(u_0) = 1), a reflection z -> a c(z)
// with a = u u_0, c being complex conjugation. Both factors lie in the
// field, so every candidate is tested exactly: it is a symmetry when it
// sends every unit to a unit. Since the units span the lattice, a symmetry
// maps the lattice onto itself.

#include <cstdint>
#include <vector>

#include "algebraic/field/multiquadratic_field.hpp"
#include "algebraic/field/rational.hpp"
#include "unit_lattices/integer_vector.hpp"

namespace vantor::unit_lattices {

struct Symmetry {
    // z -> factor * c(z) when true, z -> factor * z otherwise.
    bool reflection = false;
    // The factor's coefficients (modulus 1), in the field's basis numbering.
    std::vector<Rational> factor;
    // Unit k goes to unit permutation[k].
    std::vector<std::uint32_t> permutation;
};

// Every symmetry of the units (numerators over d, distinct, the list
// closed under negation): the rotations in the order of the unit u_0 goes
// to, then the reflections in the same order. The identity is among them.
std::vector<Symmetry> find_symmetries(const std::vector<IntegerVector>& units, const mpz_class& d,
                                      const MultiquadraticField& field);

}  // namespace vantor::unit_lattices
