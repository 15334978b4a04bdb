"""The text form of lattice points in the stored atlas and catalogue.

A set of points with integer coordinates is written as one character per
coordinate when every coordinate fits, the character of DIGITS whose position
minus OFFSET is the coordinate (so 'v' is 0), and otherwise as the rows in
decimal, "a,b,c,d;a,b,c,d;...". The atlas reader of the compiled module
(src/record_search/atlas.hpp) reads the same form.
"""

from __future__ import annotations

from collections.abc import Sequence

__all__ = ["DIGITS", "OFFSET", "encode", "decode"]

DIGITS = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
OFFSET = 31
_VALUE = {character: position - OFFSET for position, character in enumerate(DIGITS)}
# Decimal coordinates are refused beyond this many digits: the lattices'
# exact checks take nothing near that large.
_MAX_DIGITS = 19


def encode(rows: Sequence[Sequence[int]]) -> str:
    """The text of the rows."""
    if all(-OFFSET <= x < len(DIGITS) - OFFSET for row in rows for x in row):
        return "".join(DIGITS[x + OFFSET] for row in rows for x in row)
    return ";".join(",".join(str(x) for x in row) for row in rows)


def decode(text: str, points: int, columns: int) -> list[list[int]]:
    """The rows of a text that should hold `points` rows of `columns`
    integers; ValueError when it does not."""
    if "," in text or ";" in text:
        rows = []
        for row in text.split(";"):
            fields = row.split(",")
            if len(fields) != columns or not all(
                    f.lstrip("-").isdigit() and len(f) <= _MAX_DIGITS and f.isascii()
                    for f in fields):
                raise ValueError("malformed decimal point")
            rows.append([int(f) for f in fields])
    else:
        if len(text) != points * columns or not all(c in _VALUE for c in text):
            raise ValueError(f"expected {points * columns} coordinate characters")
        values = [_VALUE[c] for c in text]
        rows = [values[k:k + columns] for k in range(0, len(values), columns)]
    if len(rows) != points:
        raise ValueError(f"expected {points} points, found {len(rows)}")
    return rows
