"""The dictionary returned by generate_multiquadratic_certified."""

import math

import pytest

import vantor

KEYS = [
    "points",
    "certified_edges",
    "audit_edges",
    "verified",
    "point_count",
    "certified_edge_count",
    "audit_edge_count",
    "construction",
]

REQUESTS = [
    ([2], 17, 1, 20),
    ([2], 17, 1, 40),
    ([2], 17, 2, 30),
    ([5], 29, 1, 25),
    ([2, 3], 73, 1, 30),
    ([2], 17, 1, 1),
    ([], 5, 2, 25),
    # -1 named before a positive generator: the evidence's keys are in the
    # basis of this order, and must certify.
    ([-1, 2], 17, 1, 20),
    ([2, -1, 3], 73, 1, 20),
]

AUDIT_TOLERANCE = 1e-4


def unit_pairs(points, tolerance):
    """Every pair i < j at distance 1 within the tolerance, by the plain scan."""
    lo = (1 - tolerance) * (1 - tolerance)
    hi = (tolerance + 1) * (tolerance + 1)
    pairs = []
    for i, (xi, yi) in enumerate(points):
        for j in range(i + 1, len(points)):
            dx = points[j][0] - xi
            dy = points[j][1] - yi
            if lo <= dy * dy + dx * dx <= hi:
                pairs.append((i, j))
    return pairs


@pytest.fixture(scope="module", params=REQUESTS, ids=[str(r) for r in REQUESTS])
def certified(request):
    return request.param, vantor.generate_multiquadratic_certified(*request.param)


def test_keys_in_order(certified):
    _, result = certified
    assert type(result) is dict
    assert list(result) == KEYS


def test_report_fields(certified):
    (_, _, _, n_target), result = certified
    assert result["verified"] is True
    assert result["construction"] == "multiquadratic-section2"
    assert result["point_count"] == len(result["points"]) == n_target
    assert result["certified_edge_count"] == len(result["certified_edges"])
    assert result["audit_edge_count"] == len(result["audit_edges"])
    for key in ("point_count", "certified_edge_count", "audit_edge_count"):
        assert type(result[key]) is int


def test_points_match_the_uncertified_construction(certified):
    args, result = certified
    points = result["points"]
    assert points == vantor.generate_multiquadratic(*args)
    for point in points:
        assert type(point) is tuple and len(point) == 2
        assert all(type(value) is float for value in point)


def test_certified_edges_join_points_at_unit_distance(certified):
    _, result = certified
    points = result["points"]
    for edge in result["certified_edges"]:
        assert type(edge) is tuple and len(edge) == 2
        i, j = edge
        assert type(i) is int and type(j) is int
        assert 0 <= i < j < len(points)
        (xi, yi), (xj, yj) = points[i], points[j]
        assert math.isclose(math.hypot(xj - xi, yj - yi), 1.0, abs_tol=1e-9)


def test_audit_edges_are_exactly_the_unit_pairs(certified):
    _, result = certified
    audit = result["audit_edges"]
    for edge in audit:
        assert type(edge) is tuple and len(edge) == 2
        assert edge[0] < edge[1]
    assert len(set(audit)) == len(audit)
    assert sorted(audit) == unit_pairs(result["points"], AUDIT_TOLERANCE)
    assert set(result["certified_edges"]) <= set(audit)


def test_each_call_builds_new_objects():
    first = vantor.generate_multiquadratic_certified([2], 17, 1, 20)
    second = vantor.generate_multiquadratic_certified([2], 17, 1, 20)
    assert first == second
    assert first is not second
    assert first["points"] is not second["points"]
    assert first["audit_edges"] is not second["audit_edges"]


@pytest.mark.parametrize(
    "args",
    [
        ([4], 5, 1, 10),
        ([2, 2], 5, 1, 10),
        ([-5], 5, 1, 10),
        ([2], 4, 1, 10),
        ([2], -17, 1, 10),
        ([2], 5, 1, 10),
        ([4], 5, 1, 2**64 - 1),
        ([], 5, 1, 10),
        ([], 5, 0, 5000),
        ([2], 17, 2**64 - 1, 10),
    ],
)
def test_rejected_requests_raise_the_same_error_as_the_uncertified_function(args):
    with pytest.raises(RuntimeError) as plain:
        vantor.generate_multiquadratic(*args)
    with pytest.raises(RuntimeError) as certified:
        vantor.generate_multiquadratic_certified(*args)
    assert type(certified.value) is RuntimeError
    assert certified.value.args == plain.value.args
    assert len(certified.value.args) == 1 and isinstance(certified.value.args[0], str)
