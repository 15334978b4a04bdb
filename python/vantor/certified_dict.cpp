#include "vantor/certified_dict.hpp"

#include <memory>
#include <span>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>

#include "certificate.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "construction.hpp"
#include "verification.hpp"

namespace vantor::python {

namespace {

// The (i, j) pairs that the certificate proves exactly: the construction
// edges of multiquadratic evidence. A replay certificate proves no edge
// by itself, so its list is empty.
PyRef certified_edges_to_python(const PointSetCertificate& certificate) {
    return std::visit(
        [](const auto& held) -> PyRef {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, ReplayCertificate>) {
                return PyRef(PyList_New(0));
            } else {
                if (!held) {
                    throw std::logic_error(
                        "certified point set has an empty multiquadratic certificate");
                }
                return edge_list_to_python(held->evidence.construction_edges);
            }
        },
        certificate);
}

// Stores a new value under `key`; an empty value means its construction
// failed and the exception is already set.
bool set_item(PyObject* dict, const char* key, PyRef value) {
    if (!value) return false;
    return PyDict_SetItemString(dict, key, value.get()) == 0;
}

PyRef build_dict(const CertifiedPointSet& set, const VerificationReport& report) {
    PyRef dict(PyDict_New());
    if (!dict) return {};
    PyObject* d = dict.get();
    const bool complete =
        set_item(d, "points", point_list_to_python(set.points)) &&
        set_item(d, "certified_edges", certified_edges_to_python(set.certificate)) &&
        set_item(d, "audit_edges", edge_list_to_python(set.audit_edges)) &&
        // A dict exists only for an accepted certificate: rejection raises.
        set_item(d, "verified", PyRef(Py_NewRef(Py_True))) &&
        set_item(d, "point_count", count_to_python(report.point_count)) &&
        set_item(d, "certified_edge_count", count_to_python(report.certified_edge_count)) &&
        set_item(d, "audit_edge_count", count_to_python(report.audit_edge_count)) &&
        set_item(d, "construction",
                 PyRef(PyUnicode_FromStringAndSize(report.label.data(),
                                                   python_length(report.label.size()))));
    if (!complete) return {};
    return dict;
}

}  // namespace

std::expected<PyRef, LibraryError> certified_pipeline(std::vector<std::int64_t> generators,
                                                      std::int64_t split_prime, std::uint64_t k,
                                                      std::uint64_t n_target) {
    struct Verified {
        CertifiedPointSet set;
        VerificationReport report;
    };
    // The request, the certificate and its verification are library work,
    // done without the interpreter lock; the dict is built afterwards.
    auto outcome = run_released([&]() -> std::expected<Verified, LibraryError> {
        auto request = multiquadratic_construction(std::move(generators), split_prime, k);
        if (!request) return std::unexpected(LibraryError(std::move(request.error())));

        // The construction sizes the request once it has passed every check.
        auto set = certify_construction(*request, n_target);
        if (!set) return std::unexpected(LibraryError(std::move(set.error())));

        auto report = verify_certificate(*set);
        if (!report) return std::unexpected(LibraryError(std::move(report.error())));
        return Verified{std::move(*set), std::move(*report)};
    });
    if (!outcome) return PyRef();
    if (!*outcome) return std::unexpected(std::move(outcome->error()));
    return build_dict((*outcome)->set, (*outcome)->report);
}

}  // namespace vantor::python
