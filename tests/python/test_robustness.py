"""Hopeless requests fail at once, and repeated calls leak nothing."""

import gc
import os
import sys

import pytest

import vantor


@pytest.mark.parametrize(
    "call",
    [
        lambda: vantor.generate_square_grid(10**9, 10**9),
        lambda: vantor.generate_square_grid(2**64 - 1, 2**64 - 1),
        # The product wraps to exactly 0 in 64 bits; it must still count as huge.
        lambda: vantor.generate_square_grid(2**32, 2**32),
        lambda: vantor.generate_triangular_grid(2**64 - 1),
        lambda: vantor.generate_triangular_grid(2**60),
        lambda: vantor.generate_multiquadratic([2], 17, 1, 2**64 - 1),
        lambda: vantor.generate_multiquadratic_certified([2], 17, 1, 2**64 - 1),
    ],
    ids=["grid-1e9", "grid-max", "grid-wrapping", "triangular-max", "triangular-2**60",
         "multiquadratic", "certified"],
)
def test_requests_that_cannot_fit_raise_memory_error(call):
    with pytest.raises(MemoryError, match=r"^request (needs about [\d.]+ [KMGTPE]iB|is too large to size); "
                                          r"[\d.]+ [KMGTPE]iB available \([a-z -]+\)$"):
        call()
    # Nothing is left half-done: the module keeps working.
    assert len(vantor.generate_moser_spindle()) == 7


@pytest.mark.parametrize(
    "function", [vantor.generate_multiquadratic, vantor.generate_multiquadratic_certified]
)
def test_invalid_arguments_are_reported_before_the_size(function):
    with pytest.raises(RuntimeError) as raised:
        function([4], 5, 1, 2**64 - 1)
    assert raised.value.args == ("invalid generator 4: positive generators must be squarefree",)
    # Checks that the construction itself makes (here its translations)
    # also come before the size.
    for n_target in (0, 2**64 - 1):
        with pytest.raises(RuntimeError, match="^invalid search parameter unit_scale_denominator"):
            function([2], 17, 16, n_target)


class RaisingIndex:
    def __index__(self):
        raise TypeError("bad index") from ValueError("root")


class FailingSequence:
    def __len__(self):
        raise RuntimeError("no length")

    def __getitem__(self, index):
        if index < 3:
            return (float(index), 0.0)
        raise ZeroDivisionError("broken item")


EXPECTED_ERRORS = (TypeError, ValueError, OverflowError, RuntimeError, MemoryError,
                   ZeroDivisionError)

POINTS = [(0.0, 0.0), (1.0, 0.0), (0.5, 0.8660254037844386), (2.0, 0.0)]

# Every kind of call: successes (None), binding errors, conversion errors of
# each class, errors raised by the caller's own objects, library errors and
# requests too large to hold, each with the class it must raise.
CALLS = {
    "square-grid": (None, lambda: vantor.generate_square_grid(3, 4)),
    "triangular-grid": (None, lambda: vantor.generate_triangular_grid(19)),
    "moser-spindle": (None, lambda: vantor.generate_moser_spindle()),
    "multiquadratic": (None, lambda: vantor.generate_multiquadratic([2], 17, 1, 20)),
    "certified": (None, lambda: vantor.generate_multiquadratic_certified([2], 17, 1, 20)),
    "count": (None, lambda: vantor.count_unit_distances(POINTS, tolerance=1e-6)),
    "count-keywords": (None, lambda: vantor.count_unit_distances(points=tuple(POINTS))),
    "missing-argument": (TypeError, lambda: vantor.generate_multiquadratic([2])),
    "too-many-positional": (TypeError, lambda: vantor.count_unit_distances([], 1e-5, 3)),
    "unexpected-keyword": (TypeError, lambda: vantor.generate_square_grid(2, col=3)),
    "multiple-values": (TypeError, lambda: vantor.generate_square_grid(2, rows=3)),
    "noargs-with-argument": (TypeError, lambda: vantor.generate_moser_spindle(1)),
    "prefixed-type-error": (TypeError, lambda: vantor.generate_square_grid(2.0, 3)),
    "prefixed-with-cause": (TypeError, lambda: vantor.generate_triangular_grid(RaisingIndex())),
    "overflow": (OverflowError, lambda: vantor.generate_multiquadratic([2], 2**63, 1, 10)),
    "str-as-list": (TypeError, lambda: vantor.count_unit_distances("ab")),
    "not-a-sequence": (TypeError, lambda: vantor.generate_multiquadratic({2}, 17, 1, 10)),
    "item-not-tuple": (TypeError, lambda: vantor.count_unit_distances([(0.0, 0.0), [1.0, 0.0]])),
    "tuple-length": (ValueError,
                     lambda: vantor.count_unit_distances([(0.0, 0.0), (1.0, 0.0, 2.0)])),
    "bad-coordinate": (TypeError, lambda: vantor.count_unit_distances([(0.0, 0.0), (1.0, "0")])),
    "late-bad-generator": (TypeError,
                           lambda: vantor.generate_multiquadratic([2, 3, 5, 2.5], 17, 1, 10)),
    "failing-sequence": (ZeroDivisionError, lambda: vantor.count_unit_distances(FailingSequence())),
    "none-tolerance": (TypeError, lambda: vantor.count_unit_distances(POINTS, None)),
    "library-error": (RuntimeError, lambda: vantor.generate_multiquadratic([2, 2], 5, 1, 10)),
    "certified-library-error": (RuntimeError,
                                lambda: vantor.generate_multiquadratic_certified([2], 4, 1, 10)),
    "memory-error": (MemoryError, lambda: vantor.generate_square_grid(10**9, 10**9)),
    "certified-memory-error": (MemoryError, lambda: vantor.generate_multiquadratic_certified(
        [2], 17, 1, 2**64 - 1)),
}


def call_many(call, times):
    for _ in range(times):
        try:
            call()
        except EXPECTED_ERRORS:
            pass


@pytest.mark.parametrize("name", list(CALLS))
def test_each_measured_call_takes_its_intended_path(name):
    # The leak test below measures the path each call is meant to take.
    expected, call = CALLS[name]
    if expected is None:
        call()
    else:
        with pytest.raises(expected) as raised:
            call()
        assert type(raised.value) is expected


# One leaked object per call over this many calls is far beyond the bound.
LEAK_CALLS = 1000
BLOCK_BOUND = 200


@pytest.mark.parametrize("name", list(CALLS))
def test_repeated_calls_leak_no_objects(name):
    _, call = CALLS[name]
    call_many(call, 200)  # fills the interpreter's free lists and caches
    gc.collect()
    before = sys.getallocatedblocks()
    call_many(call, LEAK_CALLS)
    gc.collect()
    growth = sys.getallocatedblocks() - before
    assert growth < BLOCK_BOUND, f"{growth} blocks left behind after {LEAK_CALLS} calls"


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


BIG_POINTS = vantor.generate_square_grid(100, 100)

# Calls whose results or intermediates are large, so that a leak of the
# library's buffers (which the interpreter does not count) shows in the
# resident size: each leaked call would cost at least 160 KB.
BIG_CALLS = {
    "square-grid": lambda: vantor.generate_square_grid(100, 100),
    "triangular-grid": lambda: vantor.generate_triangular_grid(10_000),
    "count": lambda: vantor.count_unit_distances(BIG_POINTS),
    "conversion-error-late": lambda: vantor.count_unit_distances(BIG_POINTS + [(0.0,)]),
    "multiquadratic": lambda: vantor.generate_multiquadratic([2], 17, 2, 200),
    "certified": lambda: vantor.generate_multiquadratic_certified([2], 17, 2, 200),
}

RSS_CALLS = 300
RSS_BOUND = 24 * 1024 * 1024


@pytest.mark.parametrize("name", list(BIG_CALLS))
def test_repeated_large_calls_keep_memory_flat(name):
    call = BIG_CALLS[name]
    call_many(call, 30)
    gc.collect()
    before = resident_bytes()
    call_many(call, RSS_CALLS)
    gc.collect()
    growth = resident_bytes() - before
    assert growth < RSS_BOUND, f"resident size grew by {growth} bytes over {RSS_CALLS} calls"
