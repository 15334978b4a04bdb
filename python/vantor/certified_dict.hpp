#pragma once
// The certified multiquadratic pipeline and the dictionary it returns.

#include <Python.h>

#include <cstdint>
#include <expected>
#include <vector>

#include "common/exceptions.hpp"
#include "common/py_ref.hpp"

namespace vantor::python {

// Builds the multiquadratic request, certifies it, verifies the certificate
// and returns the result as a new dict with the keys, in this order:
// "points", "certified_edges", "audit_edges", "verified", "point_count",
// "certified_edge_count", "audit_edge_count", "construction". A rejected
// request, a failed construction or a rejected certificate is returned as
// the library error; a failure while building the dict, or an interruption
// by a signal, is an empty PyRef with the interpreter's exception set. The
// library work runs without the interpreter lock. Throws std::bad_alloc when
// n_target points cannot fit in memory.
std::expected<PyRef, LibraryError> certified_pipeline(std::vector<std::int64_t> generators,
                                                      std::int64_t split_prime, std::uint64_t k,
                                                      std::uint64_t n_target);

}  // namespace vantor::python
