// graph6() and canonical_graph6(): the text forms of a graph that other
// graph tools read, the second the same for every isomorphic graph.

#include <cstdint>
#include <string>
#include <utility>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/int64_table.hpp"
#include "common/released.hpp"
#include "graphs/canonical_form.hpp"
#include "vantor_tools_native/functions.hpp"

namespace vantor::python {
namespace {

constexpr const char* kNames[] = {"n", "edges"};
constexpr ParameterTable kGraph6Table{"graph6()", kNames, 2};
constexpr ParameterTable kCanonicalTable{"canonical_graph6()", kNames, 2};

// Reads n and the (E, 2) edge table; ValueError for a vertex count beyond
// the limit or an edge that is a loop or leaves 0 .. n - 1.
bool read_graph(const ParameterTable& table, PyObject* const* args, Py_ssize_t nargs,
                PyObject* kwnames, std::uint64_t& n, EdgeList& edges) {
    PyObject* slots[2];
    if (!bind_arguments(table, args, nargs, kwnames, slots) ||
        !extract_argument("n", slots[0], n) ||
        !table_from_python(slots[1], "argument 'edges'", edges)) {
        return false;
    }
    if (n > graphs::kMaxCanonicalVertices) {
        PyErr_Format(PyExc_ValueError, "n must be at most %llu",
                     static_cast<unsigned long long>(graphs::kMaxCanonicalVertices));
        return false;
    }
    for (std::size_t k = 0; k < edges.size(); ++k) {
        if (edges[k].i >= n || edges[k].j >= n || edges[k].i == edges[k].j) {
            PyErr_Format(PyExc_ValueError, "edge %zu (%lld, %lld) is not a pair of distinct vertices below n",
                         k, static_cast<long long>(edges[k].i), static_cast<long long>(edges[k].j));
            return false;
        }
    }
    return true;
}

PyRef text(const std::string& form) {
    return PyRef(PyUnicode_FromStringAndSize(form.data(), static_cast<Py_ssize_t>(form.size())));
}

}  // namespace

const char kGraph6Doc[] =
    "graph6(n, edges)\n"
    "--\n"
    "\n"
    "The graph on vertices 0 .. n - 1 with the given (E, 2) edges in graph6.";

const char kCanonicalGraph6Doc[] =
    "canonical_graph6(n, edges)\n"
    "--\n"
    "\n"
    "graph6 of the graph relabelled by nauty's canonical labelling: equal\n"
    "for two graphs exactly when they are isomorphic.";

PyObject* graph6(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        std::uint64_t n = 0;
        EdgeList edges;
        if (!read_graph(kGraph6Table, args, nargs, kwnames, n, edges)) return {};
        auto form = run_released([&] { return graphs::graph6(n, edges); });
        if (!form) return {};
        return text(*form);
    });
}

PyObject* canonical_graph6(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        std::uint64_t n = 0;
        EdgeList edges;
        if (!read_graph(kCanonicalTable, args, nargs, kwnames, n, edges)) return {};
        auto form = run_released([&] { return graphs::canonical_graph6(n, edges); });
        if (!form) return {};
        return text(*form);
    });
}

}  // namespace vantor::python
