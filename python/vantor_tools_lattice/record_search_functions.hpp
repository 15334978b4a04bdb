#pragma once
// The kernels of the beam search: the Moser lattice search run here, the
// unit of work vantor_tools.records hands to an executor (in the Moser
// lattice, or in any search lattice given by its tables), the check of its
// arguments and the merge of the tasks' results, and the atlas.

#include <Python.h>

#include <cstdint>
#include <span>

#include "common/py_ref.hpp"
#include "record_search/beam_search.hpp"

namespace vantor::python {

extern const char kBeamSearchDoc[];
extern const char kBeamSearchTaskDoc[];
extern const char kMoserAtlasDoc[];
extern const char kCheckSearchRequestDoc[];
extern const char kMergeSearchTasksDoc[];
extern const char kLatticeSearchTaskDoc[];

PyObject* beam_search(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* beam_search_task(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames);
PyObject* moser_atlas(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* check_search_request(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);
PyObject* merge_search_tasks(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames);
// lattice_search_task(n_max, width, seed, sweeps, task, steps, symmetries, progress=None)
PyObject* lattice_search_task(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames);

// Integers as bytes, eight little-endian ones each (two's complement): the
// form search tables and found sets travel in between tasks.
PyRef int64_bytes(std::span<const std::int64_t> values);

// A set's coordinates as bytes, little-endian int64 (a, b, c, d) per point:
// the form the search's tasks hand their sets back in.
PyRef coordinates_to_bytes(const records::FoundSet& set);

}  // namespace vantor::python
