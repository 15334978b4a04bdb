#include "unit_lattices/moser_lattice.hpp"


namespace vantor::unit_lattices {

const UnitLattice& moser_lattice() {
    static const UnitLattice lattice = [] {
        const std::int64_t generators[] = {3, 11};
        const Rational zero(0);
        // Coefficients at 1, sqrt(3), sqrt(11), sqrt(33), i, i sqrt(3),
        // i sqrt(11), i sqrt(33).
        const std::vector<Rational> basis[] = {
            {1, zero, zero, zero, zero, zero, zero, zero},
            {Rational(1, 2), zero, zero, zero, zero, Rational(1, 2), zero, zero},
            {Rational(5, 6), zero, zero, zero, zero, zero, Rational(1, 6), zero},
            {Rational(5, 12), zero, zero, Rational(-1, 12), zero, Rational(5, 12), Rational(1, 12),
             zero},
        };
        // A fixed description within every limit; were it ever refused,
        // value() would throw, and the caller's barrier report the fault.
        return UnitLattice::from_basis(generators, basis).value();
    }();
    return lattice;
}

}  // namespace vantor::unit_lattices
