#include "unit_lattices/unit_lattice.hpp"

#include <utility>

#include "unit_lattices/hermite_form.hpp"
#include "unit_lattices/lll_reduction.hpp"
#include "unit_lattices/short_vectors.hpp"
#include "unit_lattices/unit_norm.hpp"

namespace vantor::unit_lattices {

namespace {

bool fits_log2(const mpz_class& x, unsigned log2) { return abs(x) <= mpz_class(1) << log2; }

}  // namespace

std::expected<UnitLattice, UnitLatticeError> UnitLattice::from_units(
    std::span<const std::int64_t> generators, std::span<const std::vector<Rational>> units) {
    return build(generators, units, true);
}

std::expected<UnitLattice, UnitLatticeError> UnitLattice::from_basis(
    std::span<const std::int64_t> generators, std::span<const std::vector<Rational>> units) {
    return build(generators, units, false);
}

std::expected<UnitLattice, UnitLatticeError> UnitLattice::build(
    std::span<const std::int64_t> generators, std::span<const std::vector<Rational>> units,
    bool reduce) {
    const std::vector<std::int64_t> completed =
        complete_generators(std::vector<std::int64_t>(generators.begin(), generators.end()));
    if (completed.size() > kMaxDegreeLog2) {
        return std::unexpected(UnitLatticeError{DescriptionTooLarge{"degree", kMaxDegreeLog2}});
    }
    auto field = MultiquadraticField::from_generators(completed);
    if (!field) return std::unexpected(UnitLatticeError{FieldRejected{field.error().message()}});
    UnitLattice lattice(std::move(*field));
    const MultiquadraticField& f = lattice.field_;
    const std::uint64_t degree = f.degree();
    if (units.empty()) return std::unexpected(UnitLatticeError{NoUnits{}});
    if (units.size() > (std::size_t{1} << kMaxGeneratingUnitsLog2)) {
        return std::unexpected(
            UnitLatticeError{DescriptionTooLarge{"number of generating units", kMaxGeneratingUnitsLog2}});
    }

    // The common denominator and the numerator rows.
    mpz_class d = 1;
    for (std::size_t k = 0; k < units.size(); ++k) {
        if (units[k].size() != degree) {
            return std::unexpected(UnitLatticeError{UnitLengthMismatch{k, degree, units[k].size()}});
        }
        for (const Rational& q : units[k]) mpz_lcm(d.get_mpz_t(), d.get_mpz_t(), q.get_den_mpz_t());
        if (!fits_log2(d, kMaxDenominatorLog2)) {
            return std::unexpected(
                UnitLatticeError{DescriptionTooLarge{"common denominator", kMaxDenominatorLog2}});
        }
    }
    std::vector<IntegerVector> rows;
    for (std::size_t k = 0; k < units.size(); ++k) {
        IntegerVector row(degree);
        for (std::size_t m = 0; m < degree; ++m) {
            row[m] = units[k][m].get_num() * (d / units[k][m].get_den());
        }
        if (!has_modulus_one(row, d, f)) return std::unexpected(UnitLatticeError{NotAUnit{k}});
        rows.push_back(std::move(row));
    }
    lattice.generating_.assign(units.begin(), units.end());
    lattice.denominator_ = d;

    // A reduced basis, or the given one when its rows are independent (then
    // their Hermite form has as many rows).
    const std::vector<std::int64_t> weights = norm_weights(f);
    std::vector<IntegerVector> basis = hermite_basis(rows);
    if (basis.size() > kMaxRank) {
        return std::unexpected(UnitLatticeError{DescriptionTooLarge{"rank", 3}});
    }
    if (reduce) {
        lll_reduce(basis, weights);
    } else if (basis.size() != rows.size()) {
        return std::unexpected(UnitLatticeError{UnitsDependent{}});
    } else {
        basis = std::move(rows);
    }
    mpz_class largest = 1;
    for (const IntegerVector& b : basis) {
        for (const mpz_class& x : b) {
            if (!fits_log2(x, kMaxBasisNumeratorLog2)) {
                return std::unexpected(UnitLatticeError{DescriptionTooLarge{
                    reduce ? "reduced basis numerator" : "basis numerator", kMaxBasisNumeratorLog2}});
            }
            if (abs(x) > largest) largest = abs(x);
        }
    }
    lattice.rank_ = basis.size();
    for (const IntegerVector& b : basis) {
        for (const mpz_class& x : b) lattice.basis_.push_back(x.get_si());
    }
    // The largest k with rank * largest * 2**k <= 2**49: rank <= 8 and
    // largest <= 2**20 leave k >= 26.
    const mpz_class reach = largest * static_cast<unsigned long>(lattice.rank_);
    unsigned k = 0;
    while (reach << (k + 1) <= mpz_class(1) << kMaxPointNumeratorLog2) ++k;
    lattice.coordinate_limit_log2_ = k;

    // Every unit vector: Q(z) = d^2 for each, so the enumeration to d^2
    // visits them all; the exact test keeps exactly them.
    const GramSchmidt form = gram_schmidt(basis, weights);
    auto candidates = vectors_within(form, mpq_class(d * d));
    if (!candidates) return std::unexpected(candidates.error());
    std::vector<IntegerVector> unit_numerators;
    for (const std::vector<std::int64_t>& c : *candidates) {
        if (!lattice.coordinates_in_range(c) || !lattice.is_unit(c)) continue;
        lattice.unit_coordinates_.insert(lattice.unit_coordinates_.end(), c.begin(), c.end());
        const std::vector<std::int64_t> x = lattice.numerators(c);
        IntegerVector wide(degree);
        for (std::size_t m = 0; m < degree; ++m) wide[m] = static_cast<long>(x[m]);
        unit_numerators.push_back(std::move(wide));
    }
    lattice.symmetries_ = find_symmetries(unit_numerators, d, f);
    return lattice;
}

bool UnitLattice::coordinates_in_range(std::span<const std::int64_t> c) const {
    const std::int64_t limit = std::int64_t{1} << coordinate_limit_log2_;
    if (c.size() != rank_) return false;
    for (std::int64_t v : c) {
        if (v < -limit || v > limit) return false;
    }
    return true;
}

std::vector<std::int64_t> UnitLattice::numerators(std::span<const std::int64_t> c) const {
    const std::uint64_t degree = field_.degree();
    std::vector<std::int64_t> x(degree, 0);
    for (std::size_t j = 0; j < rank_; ++j) {
        if (c[j] == 0) continue;
        const std::int64_t* row = basis_.data() + j * degree;
        for (std::size_t m = 0; m < degree; ++m) x[m] += c[j] * row[m];
    }
    return x;
}

std::vector<Rational> UnitLattice::element(std::span<const std::int64_t> c) const {
    const std::vector<std::int64_t> x = numerators(c);
    std::vector<Rational> coefficients;
    coefficients.reserve(x.size());
    for (std::int64_t v : x) {
        Rational q(mpz_class(static_cast<long>(v)), denominator_);
        q.canonicalize();
        coefficients.push_back(q);
    }
    return coefficients;
}

bool UnitLattice::is_unit(std::span<const std::int64_t> c) const {
    return has_modulus_one(numerators(c), denominator_, field_);
}

Point UnitLattice::plane_point(std::span<const std::int64_t> c) const {
    const std::vector<std::int64_t> x = numerators(c);
    double re = 0.0;
    double im = 0.0;
    for (std::size_t m = 0; m < x.size(); ++m) {
        const double v = static_cast<double>(x[m]);
        const Complex& basis = field_.basis_value(m);
        re = re + v * basis.re;
        im = im + v * basis.im;
    }
    const double d = denominator_.get_d();
    return {re / d, im / d};
}

}  // namespace vantor::unit_lattices
