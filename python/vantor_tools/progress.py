"""Progress reports for work that Python composes (tasks on an executor),
in the same three forms the compiled kernels take: None (off), True (a tqdm
bar when tqdm is installed, else a line on stderr) or a callable
progress(done, total)."""

from __future__ import annotations

import sys
from collections.abc import Callable
from typing import Any

__all__ = ["Progress", "ProgressArgument"]

ProgressArgument = bool | Callable[[int, int], object] | None


class Progress:
    """Reports `done` out of `total` steps of the work named `label`."""

    def __init__(self, progress: ProgressArgument, label: str, total: int, unit: str) -> None:
        if progress is not None and not isinstance(progress, bool) and not callable(progress):
            raise TypeError("argument 'progress': expected None, a bool or a callable, not "
                            f"{type(progress).__name__}")
        self._label, self._total, self._done = label, total, 0
        self._call: Callable[[int, int], object] | None = None
        self._bar: Any = None
        self._text = False
        if callable(progress) and not isinstance(progress, bool):
            self._call = progress
        elif progress is True:
            try:
                # tqdm is optional and may come without type information.
                from tqdm import tqdm  # type: ignore[import-untyped,import-not-found,unused-ignore]
            except ImportError:
                self._text = True
            else:
                self._bar = tqdm(total=total, desc=label, unit=unit)

    def update(self, done: int) -> None:
        if self._call is not None:
            self._call(done, self._total)
        elif self._bar is not None:
            self._bar.update(done - self._done)
        elif self._text:
            print(f"\r{self._label}: {100 * done // max(self._total, 1)}%", end="",
                  file=sys.stderr, flush=True)
        self._done = done

    def close(self) -> None:
        if self._bar is not None:
            self._bar.close()
        elif self._text:
            print(file=sys.stderr)
