"""Points given as buffers of shape (N, 2): numpy arrays and memoryviews.

The reference is always the list path: the same rows as tuples of the
floats that float() makes of each element.
"""

import array
import math
import re

import pytest

import vantor

try:
    import numpy as np
except ImportError:
    np = None

needs_numpy = pytest.mark.skipif(np is None, reason="numpy is not installed")

# Unit pairs at exact and at near-unit distances, a coincident pair, and rows
# that never count.
ROWS = [(0.0, 0.0), (1.0, 0.0), (0.5, math.sqrt(3) / 2), (0.0, 1.0000001), (0.0, 0.0),
        (2.0, 0.0), (math.nan, 0.0), (1.0, math.inf), (-math.inf, 3.0), (3.0, 0.0)]


def as_tuples(rows):
    return [(float(x), float(y)) for x, y in rows]


def memoryview_of(rows, code="d"):
    flat = array.array(code, [value for row in rows for value in row])
    return memoryview(flat).cast("B").cast(code, (len(rows), 2))


@pytest.mark.parametrize("code", ["d", "f", "q", "b", "B"])
@pytest.mark.parametrize("tolerance", [0.0, 1e-9, 1e-5])
def test_memoryview_counts_as_list(code, tolerance):
    grid = [(int(x), int(y)) for x, y in vantor.generate_square_grid(4, 3)]
    rows = ROWS if code in "df" else grid
    view = memoryview_of(rows, code)
    assert vantor.count_unit_distances(view, tolerance) == vantor.count_unit_distances(
        as_tuples(view.tolist()), tolerance)


@pytest.mark.parametrize(
    "make, shape",
    [
        (lambda: memoryview(array.array("d", [0.0, 1.0, 2.0])), "(3,)"),
        (lambda: memoryview(array.array("d", [0.0] * 6)).cast("B").cast("d", (2, 3)), "(2, 3)"),
        (lambda: memoryview(b"ab"), "(2,)"),
    ],
)
def test_wrong_shape_is_a_value_error(make, shape):
    with pytest.raises(ValueError) as raised:
        vantor.count_unit_distances(make())
    assert type(raised.value) is ValueError
    assert str(raised.value) == (
        f"expected buffer of shape (N, 2), but got buffer of shape {shape}")


@pytest.mark.parametrize("points, message", [
    (b"\x00\x01", "argument 'points': 'int' object cannot be converted to 'PyTuple'"),
    (bytearray(b"\x00"), "argument 'points': 'int' object cannot be converted to 'PyTuple'"),
])
def test_bytes_stay_sequences_of_integers(points, message):
    with pytest.raises(TypeError, match=f"^{message}$"):
        vantor.count_unit_distances(points)


def test_empty_buffers_are_empty_point_sets():
    assert vantor.count_unit_distances(array.array("d")) == 0
    assert vantor.count_unit_distances(memoryview(b"")) == 0


FLOAT_DTYPES = ["<f8", ">f8", "f4", "f2", "g"]
INTEGER_DTYPES = ["i8", ">u2", "i1", "?"]


@pytest.fixture(scope="module")
def base_rows():
    return vantor.generate_triangular_grid(37) + vantor.generate_moser_spindle() + ROWS


@needs_numpy
@pytest.mark.parametrize("dtype", FLOAT_DTYPES + INTEGER_DTYPES)
@pytest.mark.parametrize("layout", ["C", "F", "rows-reversed", "columns-reversed",
                                    "every-other-row", "every-other-column"])
def test_numpy_counts_as_list(base_rows, dtype, layout):
    rows = base_rows if dtype in FLOAT_DTYPES else vantor.generate_square_grid(5, 4) * 2
    data = np.array(rows).astype(dtype)
    if layout == "every-other-column":
        wide = np.zeros((len(rows), 4), dtype=dtype)
        wide[:, ::2] = data
    view = {
        "C": lambda: data,
        "F": lambda: np.asfortranarray(data),
        "rows-reversed": lambda: data[::-1],
        "columns-reversed": lambda: data[:, ::-1],
        "every-other-row": lambda: data[::2],
        "every-other-column": lambda: wide[:, ::2],
    }[layout]()
    for tolerance in (0.0, 1e-9, 1e-4):
        expected = vantor.count_unit_distances(as_tuples(view), tolerance)
        assert vantor.count_unit_distances(view, tolerance) == expected
        assert vantor.count_unit_distances(memoryview(view), tolerance) == expected


@needs_numpy
@pytest.mark.parametrize("shape", [(5,), (5, 3), (5, 2, 1), ()])
def test_numpy_wrong_shape(shape):
    expected = f"expected buffer of shape (N, 2), but got buffer of shape {shape}"
    with pytest.raises(ValueError, match=f"^{re.escape(expected)}$"):
        vantor.count_unit_distances(np.zeros(shape))


@needs_numpy
def test_numpy_items_that_are_not_real_numbers_keep_the_sequence_path():
    objects = np.empty(2, dtype=object)
    objects[0], objects[1] = (0, 0), (1, 0)
    assert vantor.count_unit_distances(objects) == 1
    with pytest.raises(TypeError, match="'ndarray' object cannot be converted to 'PyTuple'"):
        vantor.count_unit_distances(np.zeros((2, 2), dtype=complex))
    with pytest.raises(TypeError, match="'float64' object cannot be converted to 'Sequence'"):
        vantor.count_unit_distances(np.float64(1.0))


@needs_numpy
def test_numpy_rows_repeated_by_zero_strides_are_sized_first():
    with pytest.raises(MemoryError):
        vantor.count_unit_distances(np.broadcast_to(np.zeros(2), (2**50, 2)))
    assert vantor.count_unit_distances(np.broadcast_to([[0.0, 1.0]], (3, 2)), 1.0) == 3
