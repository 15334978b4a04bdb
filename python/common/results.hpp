#pragma once
// Conversion of library results into new Python objects. Each function
// returns a new reference, or an empty PyRef with the interpreter's
// exception set (out of memory); nothing built so far is left behind.

#include <Python.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <thread>
#include <utility>

#include "common/py_ref.hpp"
#include "point.hpp"

namespace vantor::python {

// Throws std::bad_alloc unless `count` points fit in memory both as library
// points and as the Python list that is returned for them, so a hopeless
// request fails at once with MemoryError instead of exhausting the machine.
void ensure_points_fit(std::uint64_t count);

// Pauses the interpreter's cycle collector while a large result is built:
// the tuples a result is made of hold only numbers and form no cycle, and
// the collections that every few hundred new tuples would trigger only walk
// them again and again. The previous state comes back at the end of scope.
class CollectorPause {
public:
    CollectorPause() noexcept : was_enabled_(PyGC_Disable()) {}
    ~CollectorPause() {
        if (was_enabled_) PyGC_Enable();
    }
    CollectorPause(const CollectorPause&) = delete;
    CollectorPause& operator=(const CollectorPause&) = delete;

private:
    int was_enabled_;
};

// Large results are built in chunks of this many items (a few
// milliseconds each). Between two chunks the interpreter lock is let go
// for a moment, so that other threads are not held up for long, and pending
// signals are looked at: Ctrl-C stops the building with KeyboardInterrupt,
// and the part built so far is released.
inline constexpr std::size_t kItemsPerSignalCheck = std::size_t{1} << 16;

// Lets go of the interpreter lock long enough for a thread waiting for it
// to take it. Letting go and taking it straight back is not enough: the
// waiter is woken, but this thread takes the lock again first, and as the
// lock changed hands meanwhile the waiter never asks for it to be handed
// over, so it can wait as long as the whole loop runs. A pause of some tens
// of microseconds gives it time to wake; without a waiter it costs that
// pause, well under a percent of a chunk's work.
inline void let_other_threads_run() noexcept {
    Py_BEGIN_ALLOW_THREADS
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    Py_END_ALLOW_THREADS
}

// True when a signal handler raised (its exception is then set); called
// for every item while a result is built, acting every
// kItemsPerSignalCheck items. The objects being built are not yet visible
// to other threads.
inline bool interrupted_at(std::size_t position) {
    if (position % kItemsPerSignalCheck != 0 || position == 0) return false;
    let_other_threads_run();
    return PyErr_CheckSignals() != 0;
}

// Gives up a list that was being filled when the building stopped, its
// first `filled` items set and the rest still empty. A short list is
// released at once. A long one is cut to its filled part and released in
// slices of kItemsPerSignalCheck items, one slice per pending call of the
// main thread's interpreter loop, so that the exception that stopped the
// building reaches the caller without waiting for millions of objects to
// be freed. Releases everything at once when no pending call can be added.
void abandon_partial_list(PyRef list, std::size_t filled) noexcept;

// A new list of new (x, y) tuples of floats, in order.
PyRef point_list_to_python(std::span<const Point> points);

// A Python int holding `value`.
PyRef count_to_python(std::uint64_t value);

// Py_ssize_t length of a list of `size` items; a size the interpreter
// cannot represent is a capacity overflow.
inline Py_ssize_t python_length(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<Py_ssize_t>::max())) {
        throw std::length_error("list length does not fit Py_ssize_t");
    }
    return static_cast<Py_ssize_t>(size);
}

// A new 2-tuple taking over `first` and `second`, which must be numbers
// (the tuple is not tracked by the cycle collector); empty (with the
// exception set) if either is empty or the tuple cannot be made.
PyRef pair_to_python(PyRef first, PyRef second);

// A new list of new (i, j) tuples of ints, in order. Works for any edge
// record with `i` and `j` members (plain edges and construction edges).
template <class EdgeRange>
PyRef edge_list_to_python(const EdgeRange& edges) {
    const CollectorPause pause;
    PyRef list(PyList_New(python_length(std::size(edges))));
    if (!list) return {};
    Py_ssize_t position = 0;
    for (const auto& edge : edges) {
        if (interrupted_at(static_cast<std::size_t>(position))) {
            abandon_partial_list(std::move(list), static_cast<std::size_t>(position));
            return {};
        }
        PyRef i = count_to_python(edge.i);
        if (!i) return {};
        PyRef pair = pair_to_python(std::move(i), count_to_python(edge.j));
        if (!pair) return {};
        PyList_SET_ITEM(list.get(), position++, pair.release());
    }
    return list;
}

}  // namespace vantor::python
