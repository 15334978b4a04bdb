"""Point sets in the forms researchers hand them over, and back out.

In memory, ``as_points`` takes lists or tuples of pairs (as ``json.load``
gives them), complex numbers, numpy arrays (real of shape (n, 2), complex of
shape (n,)), buffers of shape (n, 2), and a result or an export (its
"points"); every companion function that takes points reads them through it.

Files (``read_points``, ``read_point_cells``) are untrusted input: read
within ``vantor_tools.documents.Limits`` (``max_bytes``), and each fault is
one ``PointFileError`` (a ValueError) naming where it is, never a traceback.
A file is one of

* text: one point per line, two cells separated by a comma (CSV), a tab
  (TSV) or spaces; an optional header line first (a line with a cell that
  cannot be a coordinate, such as "x,y"); blank lines and lines starting
  with '#' are skipped; CSV cells may be quoted;
* JSON: a list of [x, y] pairs (numbers, or strings holding coordinates);
* an export of ``vantor_tools.graph`` (its "points").

``read_point_cells`` gives the text of every cell, two per point, for
readers of exact coordinates; ``read_points`` reads each cell as a decimal
float (refusing NaN, infinities and numbers beyond the float range).

``points_text`` and ``write_points`` write CSV (with an "x,y" header),
plain text (two cells a line, a space between) or JSON; every float is
written with ``repr``, so the file reads back bit for bit.
"""

from __future__ import annotations

import csv
import decimal
import itertools
import json
import math
import numbers
import os
import re
from collections.abc import Buffer, Callable, Iterable, Mapping, Sequence
from typing import Any, Literal

from vantor_tools import documents

__all__ = ["PointFileError", "as_points", "read_points", "read_point_cells", "points_text",
           "write_points", "FORMATS"]

#: The formats ``points_text`` and ``write_points`` write.
FORMATS = ("csv", "txt", "json")

# A cell longer than this is refused: an exact coordinate of the
# construction is far shorter, and one cell cannot hold up the reader.
_MAX_CELL = 4096
# Decimal text that float() reads the same way everywhere: no underscores,
# no words, no surrounding spaces.
_DECIMAL = re.compile(r"[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?")
_DECIMAL_CHARACTERS = set("0123456789+-.eE")
# A cell of a header line: it holds a character no coordinate has. A cell
# such as "nan" or "inf" is not a header, so that it is refused as data
# rather than skipped.
_COORDINATE_CHARACTERS = re.compile(r"[0-9+\-*/().eE \tsqrt^]*")
_NOT_FINITE_WORDS = re.compile(r"[+-]?(nan|inf|infinity)", re.IGNORECASE)
_COMPLEX_FORMATS = {"Zf", "Zd", "Zg"}


class PointFileError(documents.DocumentError):
    """A point file that cannot be read or holds something that is not a point."""


# ---- points in memory --------------------------------------------------------------


def _coordinate(value: Any, where: Callable[[], str]) -> float:
    if isinstance(value, bool) or not isinstance(value, (numbers.Real, decimal.Decimal)):
        raise TypeError(f"{where()} must be a real number, not {type(value).__name__}")
    try:
        return float(value)
    except OverflowError:
        raise ValueError(f"{where()} is too large for a float") from None


def _pair(point: Any, index: int) -> tuple[float, float]:
    if isinstance(point, numbers.Complex) and not isinstance(point, numbers.Real):
        return (_coordinate(point.real, lambda: f"points[{index}].real"),
                _coordinate(point.imag, lambda: f"points[{index}].imag"))
    if isinstance(point, (str, bytes)) or not isinstance(point, Iterable):
        raise TypeError(f"points[{index}] must be a pair (x, y) or a complex number, "
                        f"not {type(point).__name__}")
    pair = tuple(itertools.islice(point, 3))
    if len(pair) != 2:
        count = "more than 2 values" if len(pair) > 2 else \
            f"{len(pair)} value{'s' * (len(pair) != 1)}"
        raise TypeError(f"points[{index}] must be a pair (x, y), not {count}")
    return (_coordinate(pair[0], lambda: f"points[{index}][0]"),
            _coordinate(pair[1], lambda: f"points[{index}][1]"))


def _buffer_points(points: Buffer) -> list[tuple[float, float]] | None:
    """The points of a buffer, or None when it is not a table of numbers."""
    try:
        view = memoryview(points)
    except (TypeError, ValueError, BufferError):
        return None  # numpy arrays of objects export no buffer
    if view.format in _COMPLEX_FORMATS or view.format.lstrip("@=<>!") in _COMPLEX_FORMATS:
        if view.ndim != 1:
            raise ValueError(f"expected complex numbers of shape (N,), not of shape "
                             f"{tuple(view.shape or ())}")
        import numpy  # a complex buffer comes from numpy: memoryview cannot read it

        array = numpy.asarray(points)
        return list(zip(array.real.tolist(), array.imag.tolist()))
    if view.ndim == 2 and view.shape is not None and view.shape[1] == 2:
        try:
            rows = view.tolist()
        except NotImplementedError:
            return None
        return [_pair(row, k) for k, row in enumerate(rows)]
    if view.ndim == 1 and view.shape is not None and view.shape[0] == 0:
        return []
    raise ValueError(f"expected a buffer of shape (N, 2) or complex numbers of shape (N,), "
                     f"not of shape {tuple(view.shape or ())}")


def as_points(points: Any) -> list[tuple[float, float]]:
    """The points of ``points`` as (x, y) float tuples.

    Takes a sequence (or any iterable) of pairs (tuples, lists, numpy rows)
    or of complex numbers, a numpy array (real (n, 2), complex (n,)), a
    buffer of shape (n, 2), or a mapping with "points" (a result or an
    export). Coordinates are real numbers (not bools or text); NaN and
    infinities pass as they are. Raises TypeError or ValueError naming the
    first point that is not one.
    """
    if isinstance(points, Mapping):
        if "points" not in points:
            raise TypeError("a mapping of points must have 'points' (a result or an export)")
        points = points["points"]
    if isinstance(points, (str, bytes, bytearray)):
        raise TypeError("points must be pairs or complex numbers, not text "
                        "(read a file with vantor_tools.points.read_points)")
    if isinstance(points, Buffer) and not isinstance(points, (list, tuple)):
        read = _buffer_points(points)
        if read is not None:
            return read
    if not isinstance(points, Iterable):
        raise TypeError(f"points must be pairs or complex numbers, not {type(points).__name__}")
    if isinstance(points, (list, tuple)):
        # The usual input, pairs of floats or ints, in a few passes in C.
        kinds = set(map(type, points))
        if kinds <= {tuple, list} and set(map(len, points)) <= {2}:
            if set(map(type, itertools.chain.from_iterable(points))) <= {float, int}:
                try:
                    return [(float(x), float(y)) for x, y in points]
                except OverflowError:
                    pass
        elif kinds <= {complex, float, int} and kinds & {complex}:
            return [(float(z.real), float(z.imag)) if type(z) is complex else _pair(z, k)
                    for k, z in enumerate(points)]
    return [_pair(point, k) for k, point in enumerate(points)]


# ---- point files -------------------------------------------------------------------


class _Cells:
    """The cells of a point file as read (text; a JSON number stays a
    number), and the line of each point (None for JSON, where a point is
    named by its position)."""

    def __init__(self, lines: list[int] | None) -> None:
        self.cells: list[tuple[Any, Any]] = []
        self.lines = lines

    def place(self, k: int, column: int) -> str:
        if self.lines is None:
            return f"points[{k}][{column}]"
        return f"line {self.lines[k]}, column {column + 1}"


def _text(data: bytes) -> str:
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise PointFileError(f"not UTF-8 text (byte {error.start})") from None
    return text.removeprefix("\ufeff")


def _is_header(cells: Sequence[str]) -> bool:
    """A header names the columns: none of its cells can be a coordinate."""
    return all(_COORDINATE_CHARACTERS.fullmatch(cell.strip()) is None
               and _NOT_FINITE_WORDS.fullmatch(cell.strip()) is None for cell in cells)


def _split(line: str, delimiter: str | None, number: int) -> list[str]:
    if delimiter is None:
        return line.split()
    if '"' not in line:
        return line.split(delimiter)
    try:
        return next(csv.reader([line], delimiter=delimiter, strict=True))
    except csv.Error as error:
        raise PointFileError(f"line {number}: {error}") from None


def _delimited_cells(text: str) -> _Cells:
    if "\x00" in text:
        raise PointFileError(f"line {text.count(chr(10), 0, text.index(chr(0))) + 1}: "
                             "a NUL character")
    lines: list[int] = []
    found = _Cells(lines)
    cells_of_points = found.cells
    delimiter: str | None = None
    first = True
    for number, line in enumerate(text.split("\n"), 1):
        stripped = line.strip()
        if not stripped or stripped[0] == "#":
            continue
        if not lines:
            # The first point's line decides the separator (a header may
            # be separated otherwise).
            delimiter = "," if "," in line else "\t" if "\t" in line else None
        cells = _split(stripped, delimiter, number)
        if first:
            first = False
            if _is_header(cells):
                continue
        if len(cells) != 2:
            raise PointFileError(f"line {number}: {len(cells)} cell{'s' * (len(cells) != 1)}, "
                                 "expected 2 (x and y)")
        x, y = cells[0].strip(), cells[1].strip()
        if not x or not y or len(stripped) > _MAX_CELL:
            for column, cell in enumerate((x, y), 1):
                if not cell:
                    raise PointFileError(f"line {number}, column {column}: an empty cell")
                if len(cell) > _MAX_CELL:
                    raise PointFileError(f"line {number}, column {column}: a cell of "
                                         f"{len(cell)} characters, more than {_MAX_CELL}")
        cells_of_points.append((x, y))
        lines.append(number)
    return found


def _json_cell(value: Any, where: str) -> None:
    if type(value) is float:
        if not math.isfinite(value):
            raise PointFileError(f"{where}: a number beyond the float range")
    elif isinstance(value, str):
        if not value.strip():
            raise PointFileError(f"{where}: an empty cell")
        if len(value) > _MAX_CELL:
            raise PointFileError(f"{where}: a cell of {len(value)} characters, more than "
                                 f"{_MAX_CELL}")
    elif type(value) is not int:
        raise PointFileError(f"{where} must be a number or a string, not {ascii(value)[:40]}")


def _json_cells(data: Any) -> _Cells:
    if isinstance(data, dict):
        if "points" not in data:
            raise PointFileError("a JSON object without 'points': expected a list of [x, y] "
                                 "points or an export")
        data = data["points"]
    if not isinstance(data, list):
        raise PointFileError("expected a list of [x, y] points or an export")
    found = _Cells(None)
    # One pass in C for the usual file, pairs of finite floats; a closer
    # look, point by point, only to name a fault.
    if not (set(map(type, data)) <= {list} and set(map(len, data)) <= {2}):
        k = next(k for k, point in enumerate(data)
                 if not isinstance(point, list) or len(point) != 2)
        raise PointFileError(f"points[{k}] must be a pair [x, y]")
    values = [value for point in data for value in point]
    if not (set(map(type, values)) <= {float} and all(map(math.isfinite, values))):
        for k, (x, y) in enumerate(data):
            _json_cell(x, f"points[{k}][0]")
            _json_cell(y, f"points[{k}][1]")
    found.cells = [(x, y) for x, y in data]
    for k, (x, y) in enumerate(found.cells):
        if type(x) is str or type(y) is str:
            found.cells[k] = (x.strip() if type(x) is str else x,
                              y.strip() if type(y) is str else y)
    return found


def _read_cells(path: str | os.PathLike[str], limits: documents.Limits | None) -> _Cells:
    try:
        text = _text(documents.read_bytes(path, limits))
        if text.lstrip()[:1] in ("[", "{"):
            return _json_cells(documents.parse_document(text))
    except PointFileError:
        raise
    except documents.DocumentError as error:
        raise PointFileError(str(error)) from None
    return _delimited_cells(text)


def _cell_text(cell: Any) -> str:
    return repr(cell) if type(cell) is float else str(cell)


def read_point_cells(path: str | os.PathLike[str],
                     limits: documents.Limits | None = None) -> list[tuple[str, str]]:
    """The text of the cells of a point file, (x, y) per point, spaces around
    each cell removed (a JSON number as ``repr`` of its float, or the int's
    digits).

    Raises OSError when the file cannot be opened and ``PointFileError``
    (a ValueError) naming the line and column, or the JSON position, of the
    first fault: not UTF-8, over the size limit, a line without exactly two
    cells, an empty or overlong cell, a JSON value that is not a list of
    pairs.
    """
    return [(_cell_text(x), _cell_text(y)) for x, y in _read_cells(path, limits).cells]


def _fault(cell: Any) -> str | None:
    """Why a cell is no finite decimal float, or None."""
    if type(cell) is str and _DECIMAL.fullmatch(cell) is None:
        return f"{ascii(cell)[:40]} is not a decimal number"
    try:
        value = float(cell)
    except OverflowError:
        value = math.inf
    return None if math.isfinite(value) else \
        f"{ascii(_cell_text(cell))[:40]} is beyond the float range"


def _floats(found: _Cells, column: int) -> list[float]:
    """One column of cells as finite floats. Text of these characters only
    is a decimal number exactly when float() reads it, so the usual file
    is checked by one pass over its characters and converted by map; a
    closer look, cell by cell, only names a fault."""
    cells = [point[column] for point in found.cells]
    try:
        if set("".join(cell for cell in cells if type(cell) is str)) <= _DECIMAL_CHARACTERS:
            values = list(map(float, cells))
            if all(map(math.isfinite, values)):
                return values
    except (ValueError, OverflowError):
        pass
    k, fault = next((k, fault) for k, fault in enumerate(map(_fault, cells)) if fault)
    raise PointFileError(f"{found.place(k, column)}: {fault}")


def read_points(path: str | os.PathLike[str],
                limits: documents.Limits | None = None) -> list[tuple[float, float]]:
    """The points of a point file (see the module) as (x, y) floats.

    Each cell must be a decimal number (``1``, ``-0.5``, ``2.5e-3``) within
    the float range: NaN, infinities, expressions and words are refused.
    Raises OSError or ``PointFileError`` as ``read_point_cells`` does, also
    naming a cell that is not such a number.
    """
    found = _read_cells(path, limits)
    return list(zip(_floats(found, 0), _floats(found, 1)))


# ---- writing -----------------------------------------------------------------------


def points_text(points: Any, format: Literal["csv", "txt", "json"] = "csv") -> str:
    """The text of a point file of ``points`` (anything ``as_points`` takes).

    "csv": an "x,y" header, then one "x,y" line per point; "txt": one "x y"
    line per point; "json": a list of [x, y]. Floats are written with
    ``repr`` and read back bit for bit. Raises ValueError for NaN or an
    infinity (no format here carries them) or an unknown format.
    """
    if format not in FORMATS:
        raise ValueError(f"format must be one of {', '.join(FORMATS)}, not {format!r}")
    read = as_points(points)
    for k, (x, y) in enumerate(read):
        if not (math.isfinite(x) and math.isfinite(y)):
            raise ValueError(f"points[{k}] = ({x!r}, {y!r}) is not finite")
    if format == "json":
        return json.dumps([[x, y] for x, y in read], allow_nan=False) + "\n"
    separator = "," if format == "csv" else " "
    lines = ["x,y"] if format == "csv" else []
    lines.extend(f"{x!r}{separator}{y!r}" for x, y in read)
    return "".join(line + "\n" for line in lines)


def write_points(path: str | os.PathLike[str], points: Any,
                 format: Literal["csv", "txt", "json"] = "csv") -> None:
    """Writes ``points_text(points, format)`` to ``path`` as
    ``vantor_tools.graph.write_json`` writes: nothing is touched when the
    text cannot be made, and a failed write leaves an existing file as it
    was."""
    from vantor_tools.graph import write_text

    write_text(path, points_text(points, format))
