#pragma once
// The Moser lattice: the integer span of the unit vectors of the Moser
// spindle, where the densest known small unit-distance sets live, as a unit
// lattice with its coordinates (a, b, c, d) of
//
//   a + b*w1 + c*w3 + d*w1*w3,  w1 = (1 + i*sqrt(3)) / 2,  w3 = (5 + i*sqrt(11)) / 6.
//
// Field: generators 3, 11, -1 (basis 1, sqrt(3), sqrt(11), sqrt(33), i,
// i*sqrt(3), i*sqrt(11), i*sqrt(33)); the basis is 1, w1, w3, w1*w3 as
// given (not reduced), over the common denominator 12. With
// P = 12a + 6b + 10c + 5d, U = 6b + 5d and V = 2c + d the numerators of a
// point are P at 1, -d at sqrt(33), U at i*sqrt(3) and V at i*sqrt(11),
// so the plane point in the lattice's float order is
//
//   x = (P - d*sqrt(33)) / 12,   y = (U*sqrt(3) + V*sqrt(11)) / 12
//
// rounded as written (the other terms add zeros, and the float product
// sqrt(3)*sqrt(11) is the double nearest sqrt(33)). It has 18 unit vectors:
// the sixth roots of unity times 1, times w3 and times (w3 - 1)(1 + w1).

#include "unit_lattices/unit_lattice.hpp"

namespace vantor::unit_lattices {

// Built once per process, on first use.
const UnitLattice& moser_lattice();

}  // namespace vantor::unit_lattices
