#include "unit_lattices/symmetries.hpp"

#include <map>
#include <optional>

#include "unit_lattices/unit_norm.hpp"
#include "utils/interrupt.hpp"

namespace vantor::unit_lattices {

namespace {

// The permutation z -> factor * z (or factor * c(z)) induces on the units,
// the factor's numerators being over d^2; nothing when a unit leaves the set.
std::optional<std::vector<std::uint32_t>> induced_permutation(
    const std::vector<IntegerVector>& units, const std::map<IntegerVector, std::uint32_t>& index,
    const IntegerVector& factor, bool reflection, const mpz_class& d,
    const MultiquadraticField& field) {
    const mpz_class d2 = d * d;
    std::vector<std::uint32_t> permutation;
    permutation.reserve(units.size());
    for (const IntegerVector& v : units) {
        IntegerVector image = multiply(factor, reflection ? conjugate(v, field) : v, field);
        // The image is over d^3; a unit is over d.
        for (mpz_class& x : image) {
            if (!mpz_divisible_p(x.get_mpz_t(), d2.get_mpz_t())) return std::nullopt;
            mpz_divexact(x.get_mpz_t(), x.get_mpz_t(), d2.get_mpz_t());
        }
        const auto found = index.find(image);
        if (found == index.end()) return std::nullopt;
        permutation.push_back(found->second);
    }
    return permutation;
}

}  // namespace

std::vector<Symmetry> find_symmetries(const std::vector<IntegerVector>& units, const mpz_class& d,
                                      const MultiquadraticField& field) {
    std::vector<Symmetry> found;
    if (units.empty()) return found;
    std::map<IntegerVector, std::uint32_t> index;
    for (std::size_t k = 0; k < units.size(); ++k) index.emplace(units[k], static_cast<std::uint32_t>(k));
    const IntegerVector& first = units[0];
    const IntegerVector first_conjugate = conjugate(first, field);
    const mpz_class d2 = d * d;
    for (const bool reflection : {false, true}) {
        for (const IntegerVector& u : units) {
            poll_interrupt();
            const IntegerVector factor = multiply(u, reflection ? first : first_conjugate, field);
            auto permutation = induced_permutation(units, index, factor, reflection, d, field);
            if (!permutation) continue;
            Symmetry symmetry;
            symmetry.reflection = reflection;
            for (const mpz_class& x : factor) {
                Rational q(x, d2);
                q.canonicalize();
                symmetry.factor.push_back(q);
            }
            symmetry.permutation = std::move(*permutation);
            found.push_back(std::move(symmetry));
        }
    }
    return found;
}

}  // namespace vantor::unit_lattices
