"""Point sets in and out: every in-memory form, every file format read back
bit for bit, and hostile files refused with one error naming the place."""

import decimal
import fractions
import itertools
import json
import math
import os
import struct

import numpy
import pytest

import vantor
from vantor_tools import documents, graph, records
from vantor_tools.points import (PointFileError, as_points, points_text, read_point_cells,
                                 read_points, write_points)

# Floats whose shortest text is long, tiny, huge, negative zero, subnormal.
AWKWARD = [(0.1, 1 / 3), (-0.0, 5e-324), (1.7976931348623157e308, -2.2250738585072014e-308),
           (math.pi, -math.e), (123456789.0, 1e-7), (0.30000000000000004, -1.0)]


def bits(points):
    return [struct.pack("<dd", x, y) for x, y in points]


def write(tmp_path, text, name="points.txt"):
    path = tmp_path / name
    path.write_bytes(text.encode("utf-8") if isinstance(text, str) else text)
    return path


def test_every_form_in_memory_gives_the_same_points():
    expected = [(0.0, 0.0), (1.0, 0.0), (0.5, -2.0)]
    forms = [
        [[0, 0], [1, 0], [0.5, -2]],
        ((0.0, 0.0), (1.0, 0.0), (0.5, -2.0)),
        [0j, 1 + 0j, 0.5 - 2j],
        numpy.array(expected),
        numpy.array([[0, 0], [1, 0], [0.5, -2]], dtype=numpy.float32),
        numpy.array([0, 1, 0.5 - 2j]),
        numpy.array(expected)[:, ::-1][:, ::-1],
        memoryview(numpy.array(expected)),
        [numpy.array(p) for p in expected],
        numpy.array([(0, 0), (1, fractions.Fraction(0)), (0.5, -2)], dtype=object),
        [(fractions.Fraction(0), 0), (decimal.Decimal(1), 0), (fractions.Fraction(1, 2), -2)],
        iter(expected),
        {"points": [list(p) for p in expected]},
    ]
    for form in forms:
        assert as_points(form) == expected, form
    assert as_points(numpy.array([[1, 2], [3, 4]], dtype=numpy.int64)) == [(1.0, 2.0), (3.0, 4.0)]
    assert as_points(numpy.zeros((0, 2))) == as_points([]) == as_points(numpy.zeros(0)) == []


@pytest.mark.parametrize("bad, error, message", [
    ([[0, 0], [1, 0, 0]], TypeError, r"points\[1\] must be a pair \(x, y\), not more than 2"),
    ([[0, 0], itertools.count()], TypeError, r"points\[1\] must be a pair \(x, y\), not more"),
    ([[0, 0], [1]], TypeError, r"points\[1\] must be a pair \(x, y\), not 1 value$"),
    (numpy.zeros((2, 2), dtype=complex), ValueError, r"complex numbers of shape \(N,\)"),
    ([[0, 0], [True, 0]], TypeError, r"points\[1\]\[0\] must be a real number, not bool"),
    ([("0", "1")], TypeError, r"points\[0\]\[0\] must be a real number, not str"),
    ([None], TypeError, r"points\[0\] must be a pair"),
    ([[10**400, 0]], ValueError, r"points\[0\]\[0\] is too large for a float"),
    ("0,1", TypeError, "not text"),
    (b"\x00" * 16, TypeError, "not text"),
    ({"edges": []}, TypeError, "'points'"),
    (numpy.zeros((3, 3)), ValueError, r"shape \(N, 2\)"),
    (numpy.zeros(4), ValueError, r"shape \(N, 2\)"),
    (7, TypeError, "not int"),
])
def test_points_that_are_not_points_are_named(bad, error, message):
    with pytest.raises(error, match=message):
        as_points(bad)


def test_each_file_format_reads_back_bit_for_bit(tmp_path):
    for fmt in ("csv", "txt", "json"):
        path = tmp_path / f"awkward.{fmt}"
        write_points(path, AWKWARD, fmt)
        assert bits(read_points(path)) == bits(AWKWARD), fmt
        assert read_point_cells(path) == [(repr(x), repr(y)) for x, y in AWKWARD]
    assert (tmp_path / "awkward.csv").read_text().splitlines()[0] == "x,y"
    assert json.loads((tmp_path / "awkward.json").read_text()) == [list(p) for p in AWKWARD]
    result = records.best(60)
    export = tmp_path / "best60.json"
    graph.write_json(export, graph.export_document(
        result, {"function": "vantor_tools.records.best", "arguments": {"n": 60}}))
    read = read_points(export)
    assert bits(read) == bits(result["points"])
    assert vantor.count_unit_distances(read, 1e-9) == result["unit_distances"]
    # Hand-made files: TSV with a header and CRLF, whitespace, comments, quoted CSV.
    hand = {
        "x\ty\r\n1\t2\r\n-3.5\t4e-3\r\n": [(1.0, 2.0), (-3.5, 4e-3)],
        "# made by hand\n\n  1   2\n\t-3.5  4e-3  \n": [(1.0, 2.0), (-3.5, 4e-3)],
        '"x","y"\n"1",2\n-3.5,"4e-3"\n': [(1.0, 2.0), (-3.5, 4e-3)],
        "\ufeffreal,imag\n+1.,.5\n": [(1.0, 0.5)],
        '[[1, 2], ["-3.5", 4e-3]]': [(1.0, 2.0), (-3.5, 4e-3)],
        "x,y\n": [],
        "": [],
    }
    for text, expected in hand.items():
        assert read_points(write(tmp_path, text)) == expected, text


def test_cells_keep_the_text_of_exact_coordinates(tmp_path):
    text = 'x,y\n(5 + sqrt(33))/12, -sqrt(3)/2\n"1/2",0\n'
    assert read_point_cells(write(tmp_path, text)) == [("(5 + sqrt(33))/12", "-sqrt(3)/2"),
                                                       ("1/2", "0")]
    path = write(tmp_path, '[["(5 + sqrt(33))/12", "1/2"], [1, 0.25]]', "p.json")
    assert read_point_cells(path) == [("(5 + sqrt(33))/12", "1/2"), ("1", "0.25")]
    with pytest.raises(PointFileError, match=r"line 2, column 1: '\(5 \+ sqrt\(33\)\)/12' is "
                                             "not a decimal number"):
        read_points(write(tmp_path, text))


@pytest.mark.parametrize("text, message", [
    ("1,2\n3,4,5\n", "line 2: 3 cells, expected 2"),
    ("1,2\n\n3\n", "line 3: 1 cell, expected 2"),
    ("1 2\n3 4 5\n", "line 2: 3 cells"),
    ("1,2\n3,\n", "line 2, column 2: an empty cell"),
    ("x,y\n1,2\n3,nan\n", "line 3, column 2: 'nan' is not a decimal number"),
    ("nan,1\n", "line 1, column 1: 'nan' is not a decimal number"),
    ("1,2\n-inf,0\n", "line 2, column 1: '-inf' is not a decimal number"),
    ("1,2\nInfinity,0\n", "line 2, column 1: 'Infinity' is not a decimal number"),
    ("1,1e400\n", "line 1, column 2: '1e400' is beyond the float range"),
    ("1.5,abc\n", "line 1, column 2: 'abc' is not a decimal number"),
    ("x,y\n1,2\nx,y\n", "line 3, column 1: 'x' is not a decimal number"),
    ("1,2\n1.2.3,0\n", "line 2, column 1: '1.2.3' is not a decimal number"),
    ("1,2\n0x10,0\n", "line 2, column 1: '0x10' is not a decimal number"),
    ("1,2\n1_000,0\n", "line 2, column 1: '1_000' is not a decimal number"),
    ("1,2\n1,2j\n", "line 2, column 2: '2j' is not a decimal number"),
    ('1,2\n"1,2\n', "line 2: unexpected end of data"),
    ("1,2\n3\x004\n", "line 2: a NUL character"),
    (b"1,2\n\xff,0\n", r"not UTF-8 text \(byte 4\)"),
    ("1," + "1" * 5000 + "\n", "line 1, column 2: a cell of 5000 characters"),
    ("[[0, 0], [1]]", r"points\[1\] must be a pair \[x, y\]"),
    ("[[0, 0], [true, 1]]", r"points\[1\]\[0\] must be a number or a string"),
    ("[[0, 0], [1e400, 1]]", r"points\[1\]\[0\]: a number beyond the float range"),
    ("[[0, 0], [NaN, 1]]", "NaN is not a JSON number"),
    ('[[0, 0], ["nan", 1]]', r"points\[1\]\[0\]: 'nan' is not a decimal number"),
    ('[[0, 0], [" ", 1]]', r"points\[1\]\[0\]: an empty cell"),
    ('{"x": [1, 2]}', "without 'points'"),
    ("[1, 2]", r"points\[0\] must be a pair"),
    ("[[0, 0], [1, 2]", "not JSON"),
    ('{"points": [[0, 0]], "points": []}', "appears twice"),
])
def test_hostile_files_give_one_error_naming_the_place(tmp_path, text, message):
    with pytest.raises(PointFileError, match=message):
        read_points(write(tmp_path, text))


def test_files_are_bounded_by_the_limits(tmp_path):
    rng = numpy.random.default_rng(5)
    many = [tuple(p) for p in rng.normal(size=(200_000, 2)).tolist()]
    path = tmp_path / "many.csv"
    write_points(path, many, "csv")
    assert bits(read_points(path)) == bits(many)
    size = os.path.getsize(path)
    with pytest.raises(PointFileError, match=f"{size} bytes, more than the limit"):
        read_points(path, documents.Limits(max_bytes=size - 1))
    assert len(read_point_cells(path, documents.Limits(max_bytes=size))) == len(many)
    with pytest.raises(PointFileError, match="not a regular file"):
        read_points("/dev/zero")
    with pytest.raises(OSError):
        read_points(tmp_path / "missing.csv")


def test_writing_refuses_what_no_format_carries(tmp_path):
    for bad in ([(math.nan, 0.0)], [(0.0, math.inf)]):
        with pytest.raises(ValueError, match=r"points\[0\]"):
            points_text(bad, "csv")
    with pytest.raises(ValueError, match="format must be one of csv, txt, json"):
        points_text([(0.0, 0.0)], "xml")
    target = tmp_path / "kept.csv"
    target.write_text("old")
    with pytest.raises(ValueError):
        write_points(target, [(math.nan, 0.0)], "csv")
    assert target.read_text() == "old"
    assert points_text([1j, 2 + 0j], "txt") == "0.0 1.0\n2.0 0.0\n"
