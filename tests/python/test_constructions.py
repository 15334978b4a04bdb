"""Values of the constructions and of the unit-distance count, bit for bit."""

import math
from collections import namedtuple

import pytest

import vantor

H = 0.8660254037844386  # sqrt(3)/2 as stored


def hexes(points):
    return [(x.hex(), y.hex()) for x, y in points]


def test_square_grid_is_row_major_with_the_column_as_x():
    assert vantor.generate_square_grid(2, 3) == [
        (0.0, 0.0), (1.0, 0.0), (2.0, 0.0), (0.0, 1.0), (1.0, 1.0), (2.0, 1.0)]
    assert vantor.generate_square_grid(rows=3, cols=1) == [(0.0, 0.0), (0.0, 1.0), (0.0, 2.0)]
    assert vantor.generate_square_grid(0, 4) == []
    assert vantor.generate_square_grid(4, 0) == []
    assert vantor.generate_square_grid(True, True) == [(0.0, 0.0)]


def test_triangular_grid_rings_and_signed_zeros():
    points = vantor.generate_triangular_grid(19)
    expected = [(0.0, 0.0), (-1.0, 0.0), (-0.5, H), (-0.5, -H), (0.5, H), (0.5, -H), (1.0, 0.0),
                (-2.0, 0.0), (-1.5, H), (-1.0, 2 * H), (-1.5, -H), (0.0, 2 * H), (-1.0, -2 * H),
                (1.0, 2 * H), (0.0, -2 * H), (1.5, H), (1.0, -2 * H), (1.5, -H), (2.0, 0.0)]
    assert hexes(points) == hexes(expected)
    assert H.hex() == "0x1.bb67ae8584caap-1"
    assert vantor.generate_triangular_grid(0) == []
    assert vantor.generate_triangular_grid(1) == [(0.0, 0.0)]
    assert hexes(vantor.generate_triangular_grid(10)) == hexes(expected[:10])
    # y is +0.0 on the axis, never -0.0
    assert all(math.copysign(1.0, y) == 1.0 for x, y in points if y == 0)


def test_moser_spindle_bit_patterns():
    points = vantor.generate_moser_spindle()
    bits = [("0x0.0p+0", "0x0.0p+0"),
            ("0x1.f26dc65617bfbp-1", "0x1.d467c59078280p-3"),
            ("0x1.5ea08c299626ep-1", "-0x1.7519f1641e09fp-1"),
            ("0x1.a887293fd6f34p+0", "-0x1.ffffffffffffdp-2"),
            ("0x1.f26dc65617bfbp-1", "-0x1.d467c59078280p-3"),
            ("0x1.5ea08c299626ep-1", "0x1.7519f1641e09fp-1"),
            ("0x1.a887293fd6f34p+0", "0x1.ffffffffffffdp-2")]
    assert hexes(points) == bits
    assert points[3][1] == -0.49999999999999983


@pytest.mark.parametrize(
    "points, tolerance, count",
    [
        ([], 1e-5, 0),
        ([(1.0, 2.0)], 1e-5, 0),
        ([(0, 0), (1, 0)], 1e-5, 1),
        ([(0, 0), (0, 1)], 1e-5, 1),
        ([(0, 0), (0, 1.00001)], 1e-5, 1),
        ([(0, 0), (0, 0.99999)], 1e-5, 1),
        ([(0, 0), (0, 1.0000100001)], 1e-5, 0),
        ([(0, 0), (0, 0.9999899999)], 1e-5, 0),
        ([(0.5, 0.5), (0.5, 0.5)], 1e-5, 0),
        ([(0.5, 0.5), (0.5, 0.5)], 1.0, 1),
        ([(0, 0), (1, 0)], 0.0, 1),
        ([(0, 0), (1, 0)], -0.1, 0),
        ([(0, 0), (2.5, 0)], 2.0, 1),
        ([(0, 0), (math.inf, 0)], 1e-5, 0),
        ([(0, 0), (math.nan, 1)], 1e-5, 0),
        ([(0, 0), (1, 0)], math.nan, 0),
    ],
)
def test_count_unit_distances_window(points, tolerance, count):
    assert vantor.count_unit_distances(points, tolerance) == count


def test_known_counts_and_accepted_point_forms():
    Pair = namedtuple("Pair", "x y")
    assert vantor.count_unit_distances(vantor.generate_moser_spindle()) == 11
    assert vantor.count_unit_distances(vantor.generate_moser_spindle(), 1e-15) == 11
    assert vantor.count_unit_distances(vantor.generate_square_grid(2, 3)) == 7
    assert vantor.count_unit_distances(vantor.generate_square_grid(30, 20)) == 30 * 19 + 20 * 29
    assert vantor.count_unit_distances(vantor.generate_triangular_grid(7)) == 12
    assert vantor.count_unit_distances(vantor.generate_triangular_grid(19)) == 42
    assert vantor.count_unit_distances(vantor.generate_triangular_grid(10)) == 18
    assert vantor.count_unit_distances(((0, 0), (1, 0))) == 1
    assert vantor.count_unit_distances([Pair(0.0, 0.0), Pair(0.0, 1.0)]) == 1


def test_large_counts_agree_with_the_lattice_formula():
    # Enough points for the cell search; every nearest-neighbour pair counts.
    points = vantor.generate_square_grid(300, 200)
    assert vantor.count_unit_distances(points) == 300 * 199 + 200 * 299
    shuffled = points[::7] + points[1::7] + points[2::7] + points[3::7] + points[4::7] \
        + points[5::7] + points[6::7]
    assert vantor.count_unit_distances(shuffled) == 300 * 199 + 200 * 299


REQUESTS = [([2], 17, 1, 20), ([2], 17, 1, 500), ([2, 3], 73, 1, 300), ([], 5, 2, 200),
            ([-1, 2], 17, 2, 100), ([5], 29, 2, 150)]


@pytest.mark.parametrize("args", REQUESTS, ids=str)
def test_multiquadratic_returns_exactly_n_target_distinct_points(args):
    points = vantor.generate_multiquadratic(*args)
    n_target = args[3]
    assert type(points) is list and len(points) == n_target
    assert all(type(p) is tuple and len(p) == 2 and all(type(v) is float for v in p)
               for p in points)
    assert len(set(hexes(points))) == n_target
    assert all(math.isfinite(v) for p in points for v in p)
    assert vantor.generate_multiquadratic(*args) == points
    # Many unit distances: each point has on average at least one neighbour.
    assert vantor.count_unit_distances(points) >= n_target // 2


def test_multiquadratic_origin_comes_first_when_it_survives():
    survived = 0
    for args in REQUESTS + [([2, 3], 73, 1, 20)]:
        points = vantor.generate_multiquadratic(*args)
        if (0.0, 0.0) in points:
            survived += 1
            assert points.index((0.0, 0.0)) == 0
    assert survived >= 1


def test_multiquadratic_known_points():
    # theta = -4 - i for p = 17: the translations are (15 -+ 8i)/17 and 1, so
    # every coordinate is a multiple of 1/17.
    points = vantor.generate_multiquadratic([2], 17, 1, 20)
    for x, y in points:
        assert abs(x * 17 - round(x * 17)) < 1e-12
        assert abs(y * 17 - round(y * 17)) < 1e-12
    assert vantor.generate_multiquadratic([2], 17, 1, 0) == []
    assert len(vantor.generate_multiquadratic([2], 17, 1, 1)) == 1


@pytest.mark.parametrize(
    "args, message",
    [
        (([4], 5, 1, 10), "invalid generator 4: positive generators must be squarefree"),
        (([12], 5, 1, 10), "invalid generator 12: positive generators must be squarefree"),
        (([2, 2], 5, 1, 10), "duplicate generator 2"),
        (([-1, -1], 5, 1, 10), "duplicate generator -1"),
        (([-5], 5, 1, 10),
         "invalid generator -5: expected a positive squarefree integer greater than 1, or -1"),
        (([0], 5, 1, 10),
         "invalid generator 0: expected a positive squarefree integer greater than 1, or -1"),
        (([2, 0, 12], 5, 1, 10),
         "invalid generator 0: expected a positive squarefree integer greater than 1, or -1"),
        (([4], 2, 1, 10), "invalid generator 4: positive generators must be squarefree"),
        (([2], 2, 1, 10), "split prime 2 is not an odd prime"),
        (([2], 9, 1, 10), "split prime 9 is not an odd prime"),
        (([2], -5, 1, 10), "split prime -5 is not an odd prime"),
        (([], 3, 1, 10), "prime 3 is not split by generator -1"),
        (([2], 13, 1, 10), "prime 13 is not split by generator 2"),
        (([5], 5, 1, 10), "prime 5 is not split by generator 5"),
        (([2, 3, 5, 6, 7, 10, 11, 13, 14, 15, 17, 19, 21, 22, 23, 26, 29, 30], 5, 1, 10),
         "invalid search parameter field_scale_matrix: basis scale factor overflowed i64"),
        (([2**53 + 1], 5, 1, 10),
         "invalid search parameter field_generator: integer is too large to represent exactly"
         " as f64"),
        (([], 5, 1, 10),
         "invalid search parameter unit_scale_exponent: expected even scaling exponent"),
        (([], 5, 0, 5000), "could not generate enough points: requested 5000, found 0"),
        (([2], 17, 2**64 - 1, 10),
         "invalid search parameter unit_denominator: unit denominator overflowed i64"),
        (([2], 17, 2**32, 10),
         "invalid search parameter unit_modulus_combination_count: integer exponentiation"
         " overflowed"),
        (([], 5, 2**40, 10),
         "invalid search parameter unit_scale_denominator: integer exponentiation overflowed"),
    ],
)
def test_multiquadratic_rejections(args, message):
    with pytest.raises(RuntimeError) as raised:
        vantor.generate_multiquadratic(*args)
    assert type(raised.value) is RuntimeError
    assert raised.value.args == (message,)
