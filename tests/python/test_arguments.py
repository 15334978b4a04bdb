"""Binding of call arguments to parameters and conversion of each argument.

Plain Python functions with the same parameters serve as referees for the
binding messages wherever the module words them as the interpreter does.
"""

import collections

import pytest

import vantor


# Referees: same names, same parameters, same defaults.
def generate_square_grid(rows, cols):
    pass


def generate_triangular_grid(n_target):
    pass


def generate_multiquadratic(generators, split_prime, k, n_target):
    pass


def generate_multiquadratic_certified(generators, split_prime, k, n_target):
    pass


def count_unit_distances(points, tolerance=1e-5):
    pass


REFEREES = {
    referee.__name__: referee
    for referee in (
        generate_square_grid,
        generate_triangular_grid,
        generate_multiquadratic,
        generate_multiquadratic_certified,
        count_unit_distances,
    )
}

MULTIQUADRATIC = ["generate_multiquadratic", "generate_multiquadratic_certified"]


def type_error_message(call):
    with pytest.raises(TypeError) as raised:
        call()
    assert type(raised.value) is TypeError
    return str(raised.value)


def raised_by(call):
    with pytest.raises(BaseException) as raised:
        call()
    return raised.value


@pytest.mark.parametrize(
    "name, args, kwargs",
    [
        ("generate_square_grid", (), {}),
        ("generate_square_grid", (2,), {}),
        ("generate_square_grid", (1, 2, 3), {}),
        ("generate_square_grid", (2,), {"rows": 3}),
        ("generate_square_grid", (2,), {"col": 3}),
        ("generate_square_grid", (), {"rows": 1, "cols": 2, "depth": 3}),
        ("generate_triangular_grid", (5,), {"n_target": 5}),
        ("generate_triangular_grid", (), {"N_target": 5}),
        ("generate_multiquadratic", (), {}),
        ("generate_multiquadratic", ([2], 17), {"n_target": 3}),
        ("generate_multiquadratic", ([2], 17, 1), {"k": 1}),
        ("generate_multiquadratic_certified", (), {"k": 1}),
        ("generate_multiquadratic_certified", ([2], 17, 1, 20, 5, 6), {}),
        ("count_unit_distances", (), {"tolerance": 0.1}),
        ("count_unit_distances", ([], 1e-5, 3), {}),
        ("count_unit_distances", ([],), {"points": []}),
        ("count_unit_distances", ([],), {"tol": 0.1}),
        ("count_unit_distances", ([], 0.1), {"tolerance": 0.1}),
    ],
)
def test_binding_errors_match_the_interpreter(name, args, kwargs):
    expected = type_error_message(lambda: REFEREES[name](*args, **kwargs))
    assert type_error_message(lambda: getattr(vantor, name)(*args, **kwargs)) == expected


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: vantor.generate_square_grid(2),
         "generate_square_grid() missing 1 required positional argument: 'cols'"),
        (lambda: vantor.generate_square_grid(),
         "generate_square_grid() missing 2 required positional arguments: 'rows' and 'cols'"),
        (lambda: vantor.generate_multiquadratic(),
         "generate_multiquadratic() missing 4 required positional arguments: "
         "'generators', 'split_prime', 'k', and 'n_target'"),
        (lambda: vantor.generate_multiquadratic_certified([2]),
         "generate_multiquadratic_certified() missing 3 required positional arguments: "
         "'split_prime', 'k', and 'n_target'"),
        (lambda: vantor.generate_square_grid(1, 2, 3),
         "generate_square_grid() takes 2 positional arguments but 3 were given"),
        (lambda: vantor.count_unit_distances([], 1e-5, 3),
         "count_unit_distances() takes from 1 to 2 positional arguments but 3 were given"),
        # The interpreter says "1 positional argument" here; the module keeps
        # one wording for every function.
        (lambda: vantor.generate_triangular_grid(1, 2),
         "generate_triangular_grid() takes 1 positional arguments but 2 were given"),
        (lambda: vantor.generate_square_grid(2, rows=3),
         "generate_square_grid() got multiple values for argument 'rows'"),
        (lambda: vantor.generate_square_grid(2, col=3),
         "generate_square_grid() got an unexpected keyword argument 'col'"),
        # Too many positional arguments are reported before any keyword
        # problem (the interpreter checks the keywords first).
        (lambda: vantor.generate_square_grid(1, 2, 3, col=4),
         "generate_square_grid() takes 2 positional arguments but 3 were given"),
        # Keywords are checked in the order they were passed.
        (lambda: vantor.generate_square_grid(2, rows=3, col=4),
         "generate_square_grid() got multiple values for argument 'rows'"),
        (lambda: vantor.generate_square_grid(2, col=4, rows=3),
         "generate_square_grid() got an unexpected keyword argument 'col'"),
        # Binding is finished before any argument is converted.
        (lambda: vantor.generate_square_grid("x"),
         "generate_square_grid() missing 1 required positional argument: 'cols'"),
        # Keyword names are matched exactly.
        (lambda: vantor.generate_square_grid(1, **{"cols\x00": 2}),
         "generate_square_grid() got an unexpected keyword argument 'cols\x00'"),
    ],
)
def test_binding_messages(call, message):
    assert type_error_message(call) == message


@pytest.mark.parametrize(
    "call, expected",
    [
        (lambda: vantor.generate_square_grid(rows=2, cols=3),
         lambda: vantor.generate_square_grid(2, 3)),
        (lambda: vantor.generate_square_grid(cols=3, rows=2),
         lambda: vantor.generate_square_grid(2, 3)),
        (lambda: vantor.generate_square_grid(2, cols=3),
         lambda: vantor.generate_square_grid(2, 3)),
        (lambda: vantor.generate_triangular_grid(n_target=10),
         lambda: vantor.generate_triangular_grid(10)),
        (lambda: vantor.generate_square_grid(True, 3),
         lambda: vantor.generate_square_grid(1, 3)),
        (lambda: vantor.count_unit_distances(points=[(0, 0), (0.5, 0)], tolerance=0.5),
         lambda: vantor.count_unit_distances([(0, 0), (0.5, 0)], 0.5)),
    ],
)
def test_keywords_bind_like_positionals(call, expected):
    assert call() == expected()


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class FloatLike:
    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value


def test_index_objects_are_accepted_as_integers():
    assert vantor.generate_square_grid(Index(2), Index(3)) == vantor.generate_square_grid(2, 3)
    assert vantor.generate_triangular_grid(Index(4)) == vantor.generate_triangular_grid(4)


def test_unsigned_range_ends():
    # 2**64 - 1 converts; with zero columns the grid is still empty.
    assert vantor.generate_square_grid(2**64 - 1, 0) == []
    assert vantor.generate_square_grid(0, 2**64 - 1) == []


@pytest.mark.parametrize(
    "point",
    [
        (0, 1),
        (Index(0), Index(1)),
        (FloatLike(0.0), FloatLike(1.0)),
        (0.0, True),
    ],
)
def test_coordinates_convert_through_the_float_protocol(point):
    assert vantor.count_unit_distances([(0.0, 0.0), point]) == 1


def test_tolerance_converts_through_the_float_protocol():
    points = [(0.0, 0.0), (1.5, 0.0)]
    assert vantor.count_unit_distances(points, 1) == 1
    assert vantor.count_unit_distances(points, FloatLike(0.5)) == 1
    assert vantor.count_unit_distances(points, Index(0)) == 0


PointTuple = collections.namedtuple("PointTuple", "x y")


class TupleSubclass(tuple):
    pass


class ItemSequence:
    """A sequence known only by __getitem__ and a __len__ that fails."""

    def __init__(self, items):
        self.items = items

    def __getitem__(self, index):
        return self.items[index]

    def __len__(self):
        raise RuntimeError("length unavailable")


class HugeLengthSequence(ItemSequence):
    """Claims far more items than it has; the length only sizes the result."""

    def __len__(self):
        return 2**62


@pytest.mark.parametrize(
    "points",
    [
        [(0, 0), (1, 0)],
        ((0, 0), (1, 0)),
        [PointTuple(0, 0), PointTuple(1, 0)],
        [TupleSubclass((0, 0)), TupleSubclass((1, 0))],
        ItemSequence([(0, 0), (1, 0)]),
        HugeLengthSequence([(0, 0), (1, 0)]),
        collections.deque([(0, 0), (1, 0)]),
    ],
    ids=["list", "tuple", "namedtuple", "tuple-subclass", "failing-len", "huge-len", "deque"],
)
def test_point_sequences_accepted(points):
    assert vantor.count_unit_distances(points) == 1


SQUAREFREE_4 = "invalid generator 4: positive generators must be squarefree"
OUT_OF_RANGE_1 = "invalid generator 1: expected a positive squarefree integer greater than 1, or -1"


@pytest.mark.parametrize("name", MULTIQUADRATIC)
@pytest.mark.parametrize(
    "generators, message",
    [
        ([4], SQUAREFREE_4),
        ((4,), SQUAREFREE_4),
        (b"\x04", SQUAREFREE_4),
        (bytearray(b"\x04"), SQUAREFREE_4),
        (range(4, 5), SQUAREFREE_4),
        (ItemSequence([4]), SQUAREFREE_4),
        (HugeLengthSequence([4]), SQUAREFREE_4),
        ([Index(4)], SQUAREFREE_4),
        ([True, 4], OUT_OF_RANGE_1),
        (b"\x01\x04", OUT_OF_RANGE_1),
        ([4, True], SQUAREFREE_4),
    ],
    ids=["list", "tuple", "bytes", "bytearray", "range", "failing-len", "huge-len", "index",
         "bool-first", "bytes-order", "bool-second"],
)
def test_generator_sequences_are_read_in_order(name, generators, message):
    # The items reach the library in order, so the first invalid one is named.
    with pytest.raises(RuntimeError) as raised:
        getattr(vantor, name)(generators, 5, 1, 10)
    assert raised.value.args == (message,)


class Outer:
    class Inner:
        pass


def generator_expression():
    return (point for point in [(0, 0)])


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: vantor.generate_square_grid(2.0, 3),
         "argument 'rows': 'float' object cannot be interpreted as an integer"),
        (lambda: vantor.generate_square_grid(2, "3"),
         "argument 'cols': 'str' object cannot be interpreted as an integer"),
        (lambda: vantor.count_unit_distances("ab"),
         "argument 'points': Can't extract `str` to `Vec`"),
        (lambda: vantor.count_unit_distances(type("Text", (str,), {})("ab")),
         "argument 'points': Can't extract `str` to `Vec`"),
        (lambda: vantor.count_unit_distances(5),
         "argument 'points': 'int' object cannot be converted to 'Sequence'"),
        (lambda: vantor.count_unit_distances(generator_expression()),
         "argument 'points': 'generator' object cannot be converted to 'Sequence'"),
        (lambda: vantor.count_unit_distances({(0, 0)}),
         "argument 'points': 'set' object cannot be converted to 'Sequence'"),
        (lambda: vantor.count_unit_distances({0: (0, 0)}),
         "argument 'points': 'dict' object cannot be converted to 'Sequence'"),
        (lambda: vantor.count_unit_distances(Outer.Inner()),
         "argument 'points': 'Outer.Inner' object cannot be converted to 'Sequence'"),
        (lambda: vantor.count_unit_distances([[0, 0]]),
         "argument 'points': 'list' object cannot be converted to 'PyTuple'"),
        (lambda: vantor.count_unit_distances([(0, 0), Outer.Inner()]),
         "argument 'points': 'Outer.Inner' object cannot be converted to 'PyTuple'"),
        (lambda: vantor.count_unit_distances([(0, "1")]),
         "argument 'points': must be real number, not str"),
        (lambda: vantor.count_unit_distances([(0, 0), (1, 0)], tolerance=None),
         "argument 'tolerance': must be real number, not NoneType"),
        (lambda: vantor.generate_multiquadratic([2.5], 5, 1, 10),
         "argument 'generators': 'float' object cannot be interpreted as an integer"),
        (lambda: vantor.generate_multiquadratic("25", 5, 1, 10),
         "argument 'generators': Can't extract `str` to `Vec`"),
        (lambda: vantor.generate_multiquadratic({2, 3}, 5, 1, 10),
         "argument 'generators': 'set' object cannot be converted to 'Sequence'"),
        (lambda: vantor.generate_multiquadratic_certified({2: 3}, 5, 1, 10),
         "argument 'generators': 'dict' object cannot be converted to 'Sequence'"),
        (lambda: vantor.generate_multiquadratic_certified((g for g in [2]), 5, 1, 10),
         "argument 'generators': 'generator' object cannot be converted to 'Sequence'"),
        (lambda: vantor.generate_multiquadratic([2], 5.0, 1, 10),
         "argument 'split_prime': 'float' object cannot be interpreted as an integer"),
        (lambda: vantor.generate_multiquadratic_certified([2], 5, "1", 10),
         "argument 'k': 'str' object cannot be interpreted as an integer"),
        (lambda: vantor.generate_multiquadratic([2], 5, 1, 10.0),
         "argument 'n_target': 'float' object cannot be interpreted as an integer"),
    ],
)
def test_type_errors_name_the_argument(call, message):
    assert type_error_message(call) == message


@pytest.mark.parametrize(
    "call, error_class, message",
    [
        (lambda: vantor.generate_square_grid(-1, 3), OverflowError,
         "can't convert negative int to unsigned"),
        (lambda: vantor.generate_square_grid(2**64, 0), OverflowError,
         "int too big to convert"),
        (lambda: vantor.generate_triangular_grid(Index(-1)), OverflowError,
         "can't convert negative int to unsigned"),
        (lambda: vantor.generate_multiquadratic([2], 2**63, 1, 10), OverflowError,
         "int too big to convert"),
        (lambda: vantor.generate_multiquadratic([-2**63 - 1], 5, 1, 10), OverflowError,
         "int too big to convert"),
        (lambda: vantor.generate_multiquadratic_certified([2], 5, -1, 10), OverflowError,
         "can't convert negative int to unsigned"),
        (lambda: vantor.count_unit_distances([(10**400, 0)]), OverflowError,
         "int too large to convert to float"),
        (lambda: vantor.count_unit_distances([], 10**400), OverflowError,
         "int too large to convert to float"),
        (lambda: vantor.count_unit_distances([(0, 0, 0)]), ValueError,
         "expected tuple of length 2, but got tuple of length 3"),
        (lambda: vantor.count_unit_distances([(0, 0), ()]), ValueError,
         "expected tuple of length 2, but got tuple of length 0"),
        (lambda: vantor.count_unit_distances([PointTuple(0, 0), (1,)]), ValueError,
         "expected tuple of length 2, but got tuple of length 1"),
    ],
)
def test_other_conversion_errors_are_not_prefixed(call, error_class, message):
    error = raised_by(call)
    assert type(error) is error_class
    assert str(error) == message


def test_extreme_signed_values_convert():
    # Both ends of the signed range convert and reach the library's checks.
    for value in (-2**63, 2**63 - 1):
        with pytest.raises(RuntimeError):
            vantor.generate_multiquadratic([2], value, 1, 10)


class RaisingIndex:
    """An __index__ that raises the given exception, remembering it."""

    def __init__(self, error):
        self.error = error

    def __index__(self):
        raise self.error


class RaisingFloat(RaisingIndex):
    def __float__(self):
        raise self.error

    __index__ = None


class TypeErrorSubclass(TypeError):
    pass


def with_cause(error, cause):
    error.__cause__ = cause
    return error


PROTOCOL_CALLS = [
    ("rows", lambda value: vantor.generate_square_grid(value, 1)),
    ("split_prime", lambda value: vantor.generate_multiquadratic([2], value, 1, 10)),
    ("generators", lambda value: vantor.generate_multiquadratic_certified([2, value], 5, 1, 10)),
    ("points", lambda value: vantor.count_unit_distances([(0, 0), (value, 0)])),
    ("tolerance", lambda value: vantor.count_unit_distances([], value)),
]


def protocol_object(parameter, error):
    """An object whose conversion for `parameter` raises `error`."""
    return RaisingFloat(error) if parameter in ("points", "tolerance") else RaisingIndex(error)


@pytest.mark.parametrize("parameter, call", PROTOCOL_CALLS, ids=[p for p, _ in PROTOCOL_CALLS])
@pytest.mark.parametrize("root", [ValueError("root"), None], ids=["with-cause", "no-cause"])
def test_type_error_from_protocol_method_is_prefixed_and_keeps_its_cause(parameter, call, root):
    original = with_cause(TypeError("bad value"), root)
    error = raised_by(lambda: call(protocol_object(parameter, original)))
    assert type(error) is TypeError
    assert error is not original
    assert str(error) == f"argument '{parameter}': bad value"
    assert error.__cause__ is root
    assert error.__suppress_context__ is True


@pytest.mark.parametrize("parameter, call", PROTOCOL_CALLS, ids=[p for p, _ in PROTOCOL_CALLS])
@pytest.mark.parametrize(
    "original",
    [TypeErrorSubclass("subclass"), ValueError("value"), ZeroDivisionError("zero"),
     KeyboardInterrupt("interrupt")],
    ids=["TypeError-subclass", "ValueError", "ZeroDivisionError", "KeyboardInterrupt"],
)
def test_other_errors_from_protocol_methods_pass_through(parameter, call, original):
    assert raised_by(lambda: call(protocol_object(parameter, original))) is original


class FailingIteration:
    def __init__(self, error):
        self.error = error

    def __len__(self):
        return 2

    def __getitem__(self, index):
        if index == 0:
            return (0, 0)
        raise self.error


@pytest.mark.parametrize(
    "original",
    [TypeError("broken sequence"), RuntimeError("broken sequence")],
    ids=["TypeError", "RuntimeError"],
)
def test_errors_from_iteration(original):
    error = raised_by(lambda: vantor.count_unit_distances(FailingIteration(original)))
    if type(original) is TypeError:
        assert type(error) is TypeError
        assert str(error) == "argument 'points': broken sequence"
    else:
        assert error is original


@pytest.mark.parametrize(
    "call, error_class, message",
    [
        # The first parameter's error is reported, whatever follows.
        (lambda: vantor.count_unit_distances("ab", tolerance=None), TypeError,
         "argument 'points': Can't extract `str` to `Vec`"),
        (lambda: vantor.count_unit_distances([(0, 0, 0)], "x"), ValueError,
         "expected tuple of length 2, but got tuple of length 3"),
        (lambda: vantor.generate_square_grid(-1, 2.0), OverflowError,
         "can't convert negative int to unsigned"),
        (lambda: vantor.generate_multiquadratic(n_target=-1, k=1.5, split_prime=2**63,
                                                generators="x"), TypeError,
         "argument 'generators': Can't extract `str` to `Vec`"),
        (lambda: vantor.generate_multiquadratic_certified([2], 2**63, 1.5, -1), OverflowError,
         "int too big to convert"),
        # Within a list the first bad item decides.
        (lambda: vantor.count_unit_distances([(0, 0), [1, 0], (0, 0, 0)]), TypeError,
         "argument 'points': 'list' object cannot be converted to 'PyTuple'"),
        # Every argument converts before the library sees any of them.
        (lambda: vantor.generate_multiquadratic([4], 5, 1, -1), OverflowError,
         "can't convert negative int to unsigned"),
    ],
)
def test_first_invalid_argument_is_reported(call, error_class, message):
    error = raised_by(call)
    assert type(error) is error_class
    assert str(error) == message


@pytest.mark.parametrize("name", MULTIQUADRATIC)
@pytest.mark.parametrize(
    "args, message",
    [
        (([4], 5, 1, 10), "invalid generator 4: positive generators must be squarefree"),
        (([2, 2], 5, 1, 10), "duplicate generator 2"),
        (([12], 5, 1, 10), "invalid generator 12: positive generators must be squarefree"),
        (([-5], 5, 1, 10),
         "invalid generator -5: expected a positive squarefree integer greater than 1, or -1"),
        (([0], 5, 1, 10),
         "invalid generator 0: expected a positive squarefree integer greater than 1, or -1"),
    ],
)
def test_valid_values_are_checked_by_the_library(name, args, message):
    with pytest.raises(RuntimeError) as raised:
        getattr(vantor, name)(*args)
    assert type(raised.value) is RuntimeError
    assert raised.value.args == (message,)
