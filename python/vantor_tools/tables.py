"""The tables of 64-bit integers the compiled modules return.

Edges ((i, j) rows), lattice coordinates ((a, b) or Moser (a, b, c, d)
rows) and the exact tables of ``vantor_tools.exact`` come as one kind of
object, owned by the compiled module and never copied on the way: a
read-only sequence of rows. ``len(t)``, ``t[k]`` and ``for row in t`` give
tuples of ints (``t[-1]`` is the last row, ``t[a:b]`` a list of tuples),
``t.tolist()`` lists of lists, ``t.shape`` (rows, columns); ``t`` equals a
list or tuple of rows with the same integers, and any buffer (a
memoryview, a numpy array) that a memoryview of it would equal.
``numpy.asarray(t)`` and ``memoryview(t)`` read its memory in place as an
int64 array of that shape, so ``for i, j in r["edges"]`` and
``networkx.Graph(r["edges"])`` work as they read.

``Int64Table`` is the protocol of that object, for type checking.
"""

from __future__ import annotations

from collections.abc import Buffer, Iterator
from typing import Literal, Protocol, SupportsIndex, overload, runtime_checkable

__all__ = ["Int64Table"]


@runtime_checkable
class Int64Table(Buffer, Protocol):
    """A read-only table of int64 rows (see the module)."""

    @property
    def shape(self) -> tuple[int, int]: ...
    @property
    def nbytes(self) -> int: ...
    @property
    def format(self) -> Literal["q"]: ...
    @property
    def itemsize(self) -> Literal[8]: ...
    @property
    def ndim(self) -> Literal[2]: ...
    @property
    def readonly(self) -> Literal[True]: ...
    def __len__(self) -> int: ...
    @overload
    def __getitem__(self, key: SupportsIndex) -> tuple[int, ...]: ...
    @overload
    def __getitem__(self, key: slice) -> list[tuple[int, ...]]: ...
    def __getitem__(self, key: SupportsIndex | slice) -> tuple[int, ...] | list[tuple[int, ...]]:
        ...
    def __iter__(self) -> Iterator[tuple[int, ...]]: ...
    def __contains__(self, row: object) -> bool: ...
    def tolist(self) -> list[list[int]]: ...
    def tobytes(self) -> bytes: ...
