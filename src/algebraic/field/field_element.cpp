#include "field_element.hpp"

namespace vantor {

FieldElement FieldElement::zero(const MultiquadraticField& field) {
    return FieldElement{std::vector<Rational>(field.degree())};
}

FieldElement FieldElement::one(const MultiquadraticField& field) {
    FieldElement element = zero(field);
    element.coefficients[0] = 1;
    return element;
}

Result<FieldElement> FieldElement::from_integers(const MultiquadraticField& field,
                                                 std::span<const std::int64_t> values) {
    if (values.size() != field.degree()) {
        return fail(CoefficientCountMismatch{field.degree(), values.size()});
    }
    FieldElement element;
    element.coefficients.reserve(values.size());
    for (std::int64_t v : values) element.coefficients.emplace_back(static_cast<long>(v));
    return element;
}

FieldElement add(const FieldElement& a, const FieldElement& b) {
    FieldElement result{a.coefficients};
    for (std::size_t m = 0; m < result.coefficients.size(); ++m) {
        result.coefficients[m] += b.coefficients[m];
    }
    return result;
}

FieldElement sub(const FieldElement& a, const FieldElement& b) {
    FieldElement result{a.coefficients};
    for (std::size_t m = 0; m < result.coefficients.size(); ++m) {
        result.coefficients[m] -= b.coefficients[m];
    }
    return result;
}

FieldElement mul(const FieldElement& a, const FieldElement& b, const MultiquadraticField& field) {
    const std::uint64_t degree = field.degree();
    FieldElement result = FieldElement::zero(field);
    Rational term;
    // Products are exact, so skipping zero coefficients changes nothing.
    for (std::uint64_t i = 0; i < degree; ++i) {
        if (sgn(a.coefficients[i]) == 0) continue;
        for (std::uint64_t j = 0; j < degree; ++j) {
            if (sgn(b.coefficients[j]) == 0) continue;
            mpq_mul(term.get_mpq_t(), a.coefficients[i].get_mpq_t(), b.coefficients[j].get_mpq_t());
            const std::int64_t s = field.scale(i, j);
            if (s != 1) term *= Rational(static_cast<long>(s));
            result.coefficients[i ^ j] += term;
        }
    }
    return result;
}

FieldElement flip_generator(const FieldElement& a, std::uint64_t b) {
    FieldElement result{a.coefficients};
    for (std::size_t m = 0; m < result.coefficients.size(); ++m) {
        if ((m >> b) & 1) result.coefficients[m] = -result.coefficients[m];
    }
    return result;
}

FieldElement complex_conjugate(const FieldElement& a, const MultiquadraticField& field) {
    if (auto t = field.imaginary_index()) return flip_generator(a, *t);
    return a;
}

FieldElement scale(const FieldElement& a, const Rational& q) {
    FieldElement result{a.coefficients};
    for (Rational& c : result.coefficients) c *= q;
    return result;
}

}  // namespace vantor
