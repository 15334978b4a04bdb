"""Generated calls checked against models built from the binding and counting rules."""

import inspect
import math
import operator

from hypothesis import given, settings, strategies as st

import vantor
from test_arguments import REFEREES


def outcome(call):
    try:
        return "ok", call()
    except BaseException as error:  # PanicException and SystemError never match a model
        return type(error), str(error)


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Floaty(Index):
    def __float__(self):
        return self.value


class Raises:
    """Every protocol method raises, as a broken user type might."""

    def __init__(self, error):
        self.error = error

    def _raise(self, *args):
        raise self.error("from the caller's object")

    __index__ = __float__ = __len__ = __iter__ = _raise


class LyingSequence:
    """A sequence whose length claims anything; iteration gives the items."""

    def __init__(self, items, length):
        self.items, self.length = items, length

    def __getitem__(self, index):
        return self.items[index]

    def __len__(self):
        return self.length


class Point(tuple):
    def __len__(self):
        return 3


EDGE_INTS = [0, 1, 2, 3, 5, 17, -1, True, 2**32, 2**63 - 1, 2**63, -2**63, -2**63 - 1,
             2**64 - 1, 2**64]
scalars = st.one_of(
    st.sampled_from(EDGE_INTS),
    st.sampled_from([0.0, -0.0, 0.5, 1e300, math.nan, math.inf, -math.inf]),
    st.sampled_from(["", "ab", b"", b"\x02\x05", None, {2}, {2: 3}]),
    st.builds(Index, st.sampled_from(EDGE_INTS + [1.5, "1"])),
    st.builds(Floaty, st.sampled_from([0.5, -0.0, 2, "x"])),
    st.builds(Raises, st.sampled_from([TypeError, ValueError, ZeroDivisionError])),
)
values = st.recursive(
    scalars,
    lambda inner: st.one_of(
        st.lists(inner, max_size=3),
        st.lists(inner, max_size=3).map(tuple),
        st.lists(inner, min_size=2, max_size=2).map(Point),
        st.builds(LyingSequence, st.lists(inner, max_size=3), st.sampled_from([0, -1, 2**40])),
        st.lists(inner, max_size=3).map(lambda items: (item for item in items)),
    ),
    max_leaves=5,
)


def as_u64(value):
    value = operator.index(value)
    if not 0 <= value < 2**64:
        raise OverflowError
    return value


def as_i64(value):
    value = operator.index(value)
    if not -2**63 <= value < 2**63:
        raise OverflowError
    return value


def as_float(value):
    return math.ldexp(value, 0)  # the interpreter's own float argument conversion


def as_list(value, convert_item):
    if isinstance(value, str):
        raise TypeError("Can't extract `str` to `Vec`")
    if isinstance(value, dict) or not hasattr(type(value), "__getitem__"):
        raise TypeError(f"'{type(value).__qualname__}' object cannot be converted to 'Sequence'")
    return [convert_item(item) for item in iter(value)]


def as_point(value):
    if not isinstance(value, tuple):
        raise TypeError(f"'{type(value).__qualname__}' object cannot be converted to 'PyTuple'")
    length = tuple.__len__(value)
    if length != 2:
        raise ValueError(f"expected tuple of length 2, but got tuple of length {length}")
    return as_float(tuple.__getitem__(value, 0)), as_float(tuple.__getitem__(value, 1))


CONVERSIONS = {
    "rows": as_u64, "cols": as_u64, "n_target": as_u64, "k": as_u64, "split_prime": as_i64,
    "generators": lambda value: as_list(value, as_i64),
    "points": lambda value: as_list(value, as_point), "tolerance": as_float,
}


def expected_outcome(name, args, kwargs):
    referee = REFEREES[name]
    parameters = inspect.signature(referee).parameters
    if len(args) > len(parameters):
        # Reported before any keyword problem, and always in the plural.
        required = sum(p.default is p.empty for p in parameters.values())
        takes = f"from {required} to {len(parameters)}" if required < len(parameters) else required
        return TypeError, f"{name}() takes {takes} positional arguments but {len(args)} were given"
    bind = outcome(lambda: referee(*args, **kwargs))
    if bind[0] != "ok":
        return bind
    bound = inspect.signature(referee).bind(*args, **kwargs).arguments
    converted = {}
    for parameter, value in bound.items():
        try:
            converted[parameter] = CONVERSIONS[parameter](value)
        except Exception as error:
            if type(error) is TypeError:
                return TypeError, f"argument '{parameter}': {error}"
            return type(error), None if type(error) is OverflowError else str(error)
    return outcome(lambda: getattr(vantor, name)(**converted))


def check(name, args, kwargs):
    expected = expected_outcome(name, args, kwargs)
    actual = outcome(lambda: getattr(vantor, name)(*args, **kwargs))
    if expected[0] is OverflowError:
        assert actual[0] is OverflowError and not actual[1].startswith("argument ")
    else:
        assert actual == expected


def parameters(name):
    return list(inspect.signature(REFEREES[name]).parameters)


CHEAP = {"rows": 2, "cols": 3, "n_target": 5, "generators": [2], "split_prime": 17, "k": 1,
         "points": [], "tolerance": 0.5}


@given(st.data())
def test_binding_errors_match_the_interpreter(data):
    name = data.draw(st.sampled_from(sorted(REFEREES)))
    names = parameters(name)
    args = [CHEAP[n] for n in names][:data.draw(st.integers(0, len(names)))]
    args += [1] * data.draw(st.sampled_from([0, 0, 1, 2]))
    keywords = data.draw(st.lists(st.sampled_from(names + ["col", "x"]), unique=True, max_size=3))
    check(name, args, {keyword: CHEAP.get(keyword, 1) for keyword in keywords})


numbers = st.one_of(st.sampled_from(EDGE_INTS), st.floats(), scalars)
ARGUMENTS = {
    "generators": st.one_of(st.lists(numbers, max_size=3), values),
    "points": st.one_of(st.lists(st.tuples(numbers, numbers), max_size=4), values),
}


@settings(max_examples=400)
@given(st.data())
def test_conversions_follow_the_rules(data):
    name = data.draw(st.sampled_from(sorted(REFEREES)))
    names = parameters(name)
    if name == "count_unit_distances" and data.draw(st.booleans()):
        names.pop()  # the default tolerance
    scalar = st.one_of(st.sampled_from(EDGE_INTS), numbers, values)
    chosen = {n: data.draw(ARGUMENTS.get(n, scalar)) for n in names}
    positional = data.draw(st.integers(0, len(names)))
    check(name, [chosen[n] for n in names[:positional]],
          {n: chosen[n] for n in names[positional:]})


def reference_count(points, tolerance):
    """All pairs, with the test written out in its fixed order."""
    lo = (1 - tolerance) * (1 - tolerance)
    hi = (tolerance + 1) * (tolerance + 1)
    count = 0
    for i, (xi, yi) in enumerate(points):
        for xj, yj in points[i + 1:]:
            dx = xi - xj
            dy = yi - yj
            d2 = dy * dy + dx * dx
            count += lo <= d2 and d2 <= hi
    return count


coordinates = st.one_of(st.floats(), st.integers(-3, 3).map(float),
                        st.sampled_from([0.5, 0.8660254037844386, 1e300, -1e300, 5e-324]))
# Points with a unit partner, lattice points whose distances are nearly 1,
# and clusters of nearly coincident points.
planted = st.builds(lambda x, y, a: [(x, y), (x + math.cos(a), y + math.sin(a))],
                    st.floats(-10, 10), st.floats(-10, 10), st.floats(0, 7))
lattice = st.lists(st.builds(lambda a, b: (a + b * 0.5, b * 0.8660254037844386),
                             st.integers(-2, 2), st.integers(-2, 2)), max_size=6)
cluster = st.builds(lambda x, offsets: [(x + d, x - d) for d in offsets],
                    st.floats(-5, 5), st.lists(st.floats(-1e-6, 1e-6), max_size=4))
point_sets = st.lists(st.one_of(st.lists(st.tuples(coordinates, coordinates), max_size=4),
                                planted, lattice, cluster), max_size=4).map(
    lambda groups: [point for group in groups for point in group])
tolerances = st.one_of(st.sampled_from([0.0, 1e-5, 1e-15, -1e-5, 1.0, 2.0, math.nan, math.inf]),
                       st.floats())


@settings(max_examples=300)
@given(points=point_sets, tolerance=tolerances)
def test_count_matches_the_all_pairs_reference(points, tolerance):
    assert vantor.count_unit_distances(points, tolerance) == reference_count(points, tolerance)
