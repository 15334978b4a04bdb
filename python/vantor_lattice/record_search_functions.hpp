#pragma once
// The vantor_lattice functions of the Moser lattice search: the search
// itself, the unit of work it hands to an executor, and the atlas that
// best() draws on.

#include <Python.h>

#include <cstdint>

#include "common/py_ref.hpp"

namespace vantor::python {

extern const char kBeamSearchDoc[];
extern const char kBeamSearchTaskDoc[];
extern const char kMoserAtlasDoc[];

PyObject* beam_search(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* beam_search_task(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames);
PyObject* moser_atlas(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// The atlas entry of n points as a result dictionary when it has more than
// `unit_distances` unit distances; an empty reference with no exception set
// otherwise, and with RuntimeError set when the stored atlas fails its
// exact check. Call without the interpreter lock released.
PyRef atlas_entry_beating(std::uint64_t n, std::uint64_t unit_distances);

}  // namespace vantor::python
