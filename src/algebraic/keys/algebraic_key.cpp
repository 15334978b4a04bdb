#include "algebraic_key.hpp"

#include <functional>

namespace vantor {

std::size_t AlgebraicKeyHash::operator()(const AlgebraicKey& key) const noexcept {
    std::size_t seed = key.coefficients.size();
    for (const std::string& text : key.coefficients) {
        seed ^= std::hash<std::string>{}(text) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    }
    return seed;
}

AlgebraicKey key_of(const FieldElement& element) {
    AlgebraicKey key;
    key.coefficients.reserve(element.coefficients.size());
    for (const Rational& q : element.coefficients) key.coefficients.push_back(format_rational(q));
    return key;
}

AlgebraicKey zero_key(std::uint64_t degree) {
    return AlgebraicKey{std::vector<std::string>(degree, "0")};
}

AlgebraicKey one_key(std::uint64_t degree) {
    AlgebraicKey key;
    if (degree == 0) return key;
    key.coefficients.reserve(degree);
    key.coefficients.emplace_back("1");
    key.coefficients.resize(degree, "0");
    return key;
}

CertResult<FieldElement> element_of_key(const AlgebraicKey& key, const MultiquadraticField& field) {
    if (key.coefficients.size() != field.degree()) {
        return reject(KeyCoefficientCountMismatch{field.degree(), key.coefficients.size()});
    }
    FieldElement element;
    element.coefficients.reserve(key.coefficients.size());
    for (const std::string& text : key.coefficients) {
        auto q = parse_rational(text);
        if (!q) return std::unexpected(std::move(q.error()));
        element.coefficients.push_back(std::move(*q));
    }
    return element;
}

namespace {

template <class Operation>
CertResult<AlgebraicKey> binary_key_operation(const AlgebraicKey& a, const AlgebraicKey& b,
                                              const MultiquadraticField& field,
                                              Operation&& operation) {
    auto x = element_of_key(a, field);
    if (!x) return std::unexpected(std::move(x.error()));
    auto y = element_of_key(b, field);
    if (!y) return std::unexpected(std::move(y.error()));
    return key_of(operation(*x, *y));
}

}  // namespace

CertResult<AlgebraicKey> key_sum(const AlgebraicKey& a, const AlgebraicKey& b,
                                 const MultiquadraticField& field) {
    return binary_key_operation(a, b, field, [](const auto& x, const auto& y) { return add(x, y); });
}

CertResult<AlgebraicKey> key_difference(const AlgebraicKey& a, const AlgebraicKey& b,
                                        const MultiquadraticField& field) {
    return binary_key_operation(a, b, field, [](const auto& x, const auto& y) { return sub(x, y); });
}

CertResult<AlgebraicKey> key_conjugate(const AlgebraicKey& a, const MultiquadraticField& field) {
    auto x = element_of_key(a, field);
    if (!x) return std::unexpected(std::move(x.error()));
    return key_of(complex_conjugate(*x, field));
}

CertResult<AlgebraicKey> key_product(const AlgebraicKey& a, const AlgebraicKey& b,
                                     const MultiquadraticField& field) {
    return binary_key_operation(a, b, field,
                                [&field](const auto& x, const auto& y) { return mul(x, y, field); });
}

}  // namespace vantor
