#pragma once
// Points read through the buffer protocol: a numpy array, a memoryview or
// any other exporter of a two-dimensional buffer of shape (N, 2) of real
// numbers. The elements are read in place and converted to doubles as
// float() converts them, without creating a Python object per coordinate.

#include <Python.h>

#include "point.hpp"

namespace vantor::python {

enum class BufferRead {
    read,         // `out` holds the points of the buffer
    not_a_buffer, // the object is to be read as a sequence of tuples
    failed,       // a Python exception is set; `out` is unchanged
};

// Reads `object` as a buffer of points when it takes that path:
// - it is not a list, tuple, str, bytes or bytearray (nor a subclass of
//   one): those are always read item by item, bytes and bytearray as
//   sequences of small integers;
// - it passes the sequence check, so an object that is no sequence keeps
//   failing as one, whatever buffer it has;
// - it exports a buffer whose items are real numbers: floats (half,
//   single, double, long double), integers or bools, in either byte order.
//   An object whose export fails with BufferError, TypeError or ValueError,
//   or whose items are anything else (Python objects, complex numbers,
//   records), is read as a sequence of tuples instead.
// The buffer must then have shape (N, 2), or have no rows at all (N = 0 in
// its first dimension: the empty point set, as for an empty sequence);
// any other shape is a ValueError that states it. Any strides are read,
// negative and zero ones included, and indirect (suboffset) buffers too.
BufferRead read_point_buffer(PyObject* object, PointList& out);

}  // namespace vantor::python
