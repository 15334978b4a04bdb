"""Edge and coordinate tables: sequences of int tuples that numpy and
memoryview read in place, and that the kernels still take back."""

import gc

import numpy
import pytest

import vantor_tools
from vantor_tools import _lattice, _native, records
from vantor_tools.tables import Int64Table


def address(array):
    return array.__array_interface__["data"][0]


def test_a_table_is_a_sequence_of_int_tuples():
    result = records.best(30)
    edges, coordinates = result["edges"], result["coordinates"]
    listed = edges.tolist()
    assert isinstance(edges, Int64Table) and len(edges) == result["unit_distances"] == len(listed)
    assert [type(row) for row in edges] == [tuple] * len(edges)
    assert [list(row) for row in edges] == listed and list(reversed(edges))[0] == edges[-1]
    assert edges[0] == tuple(listed[0]) and edges[-1] == tuple(listed[-1])
    assert edges[-len(edges)] == edges[0] and edges[2:5] == [tuple(r) for r in listed[2:5]]
    assert edges[::-7] == [tuple(r) for r in listed[::-7]] and edges[5:2] == []
    assert all(type(x) is int for row in edges for x in row)
    i, j = edges[3]
    assert (i, j) in edges and [i, j] in edges and (j, i) not in edges
    assert (i, j, 0) not in edges and ("0", "1") not in edges and (2**70, 0) not in edges
    for bad in (len(edges), -len(edges) - 1, 2**80):
        with pytest.raises(IndexError):
            edges[bad]
    with pytest.raises(TypeError, match="integers or slices"):
        edges["0"]
    with pytest.raises(TypeError, match="unhashable"):
        hash(edges)
    assert (edges.shape, coordinates.shape) == ((len(edges), 2), (30, 4))  # a Moser set
    assert (edges.format, edges.itemsize, edges.ndim, edges.readonly) == ("q", 8, 2, True)
    assert edges.nbytes == 16 * len(edges) == len(edges.tobytes())
    assert repr(edges) == f"Int64Table(shape=({len(edges)}, 2))"


def test_tables_compare_with_rows_and_buffers():
    edges = vantor_tools.unit_edges([(0.0, 0.0), (1.0, 0.0), (0.0, 1.0)])
    assert edges == [(0, 1), (0, 2)] == edges and edges == [[0, 1], [0, 2]]
    assert edges == ((0, 1), (0, 2)) and not edges != [(0, 1), (0, 2)]
    for other in ([(0, 1)], [(0, 1), (0, 3)], [(0, 1), (0, 2), (1, 2)], [(0, 1), (0, 2, 0)],
                  [(0, 1), "02"], [(0.0, 1.0), (0, 2)], [], "edges", None, 3):
        assert edges != other and not edges == other
    assert edges == memoryview(edges) and edges == numpy.asarray(edges).copy()
    assert edges != memoryview(numpy.array([[0, 1], [0, 3]], dtype=numpy.int64))
    empty = vantor_tools.unit_edges([])
    assert len(empty) == 0 and empty == [] and list(empty) == [] and empty.tolist() == []
    assert numpy.asarray(empty).shape == (0, 2)


def test_numpy_and_memoryview_read_tables_in_place_and_keep_them_alive():
    result = records.best(200)
    edges = result["edges"]
    first, second = numpy.asarray(edges), numpy.asarray(edges)
    assert numpy.shares_memory(first, second) and address(first) == address(second)
    assert first.dtype == numpy.int64 and first.shape == edges.shape
    assert not first.flags.writeable and first.flags.c_contiguous
    assert first.tolist() == edges.tolist()
    view = memoryview(edges)
    assert (view.format, view.shape, view.readonly) == ("q", edges.shape, True)
    assert address(numpy.asarray(view)) == address(first)
    expected = edges.tolist()
    del result, edges, view, second
    gc.collect()
    assert first.tolist() == expected


def test_the_kernels_take_their_tables_back():
    result = records.best(40)
    n = len(result["points"])
    assert _native.canonical_graph6(n, result["edges"]) == \
        _native.canonical_graph6(n, numpy.asarray(result["edges"]).copy())
    assert vantor_tools.lattice.verify(result) is True
    moser = records.moser_atlas(12)
    placed = _lattice.standard_position(moser["coordinates"])
    assert placed.shape == (12, 4) and _lattice.standard_position(placed) == placed


def test_networkx_builds_graphs_from_tables():
    networkx = pytest.importorskip("networkx")
    result = records.best(50)
    graph = networkx.Graph(result["edges"])
    assert graph.number_of_edges() == result["unit_distances"]
    assert sorted(tuple(sorted(edge)) for edge in graph.edges) == list(result["edges"])
