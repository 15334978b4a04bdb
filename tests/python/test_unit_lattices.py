"""Unit lattices: complete unit-vector lists against an independent
enumeration, the published counts of known rings, symmetries against field
arithmetic done here, and sets of a user-defined ring verified exactly and
refused once edited."""

import itertools
import math
from fractions import Fraction as F

import pytest

from vantor_tools.lattice import UnitLattice, patch, verify


def product(x, y, generators):
    """x * y in the multiquadratic field: e_r e_s = (prod of g_k, k in r & s) e_(r ^ s)."""
    out = [F(0)] * len(x)
    for r, s in itertools.product(range(len(x)), repeat=2):
        if x[r] and y[s]:
            scale = math.prod(g for k, g in enumerate(generators) if (r & s) >> k & 1)
            out[r ^ s] += scale * x[r] * y[s]
    return out


def conjugate(x, generators):
    bit = generators.index(-1)
    return [-v if m >> bit & 1 else v for m, v in enumerate(x)]


def element(degree, **terms):
    e = [F(0)] * degree
    for key, value in terms.items():
        e[int(key[1:])] = F(value)
    return e


# Q(sqrt3, sqrt11, i): bits 1, 2, 4 are sqrt3, sqrt11, i.
MOSER_GENERATORS = [3, 11, -1]
W1 = element(8, m0="1/2", m5="1/2")
W3 = element(8, m0="5/6", m6="1/6")
MOSER = [element(8, m0=1), W1, W3, product(W1, W3, MOSER_GENERATORS)]
# Q(sqrt3, i): bits 1, 2 are sqrt3, i; w = -1/2 + (sqrt3/2) i.
ZETA12 = [element(4, m0=1), element(4, m2=1), element(4, m0="-1/2", m3="1/2"),
          element(4, m2="-1/2", m1="-1/2")]


def solve(rows, target):
    """The rational c with c . rows = target (rows independent), or None."""
    n, degree = len(rows), len(target)
    # Gaussian elimination on the transposed system.
    matrix = [[rows[j][m] for j in range(n)] + [target[m]] for m in range(degree)]
    pivots, r = [], 0
    for col in range(n):
        pivot = next((i for i in range(r, degree) if matrix[i][col]), None)
        if pivot is None:
            continue
        matrix[r], matrix[pivot] = matrix[pivot], matrix[r]
        matrix[r] = [v / matrix[r][col] for v in matrix[r]]
        for i in range(degree):
            if i != r and matrix[i][col]:
                matrix[i] = [a - matrix[i][col] * b for a, b in zip(matrix[i], matrix[r])]
        pivots.append(col)
        r += 1
    if any(row[-1] for row in matrix[r:]):
        return None
    return [matrix[pivots.index(j)][-1] for j in range(n)]


def brute_force_units(generators, units):
    """Every element of modulus 1 of the span, found by a box search over
    the numerators: sum |g_m| x_m^2 = 1 bounds every coefficient."""
    degree = len(units[0])
    d = math.lcm(*(v.denominator for u in units for v in u))
    support = [m for m in range(degree) if any(u[m] for u in units)]
    weight = [abs(math.prod(g for k, g in enumerate(generators) if m >> k & 1))
              for m in range(degree)]
    ranges = [range(-math.isqrt(d * d // weight[m]), math.isqrt(d * d // weight[m]) + 1)
              for m in support]
    found = set()
    for ks in itertools.product(*ranges):
        if sum(weight[m] * k * k for m, k in zip(support, ks)) != d * d:
            continue
        x = [F(0)] * degree
        for m, k in zip(support, ks):
            x[m] = F(k, d)
        c = solve(units, x)
        if c is None or any(v.denominator != 1 for v in c):
            continue
        if product(x, conjugate(x, generators), generators) == element(degree, m0=1):
            found.add(tuple(x))
    return found


@pytest.mark.parametrize("generators, units, count, symmetries", [
    (MOSER_GENERATORS, MOSER, 18, 12),
    ([3, -1], ZETA12, 12, 24),
])
def test_unit_lists_are_complete_against_a_box_search(generators, units, count, symmetries):
    lattice = UnitLattice(generators, units)
    assert lattice.rank == 4
    found = {tuple(F(v) for v in u) for u in lattice.units}
    assert len(lattice.units) == count
    assert found == brute_force_units(generators, units)
    # Every symmetry sends every unit where its permutation says.
    assert len(lattice.symmetries) == symmetries
    for reflection, factor, permutation in lattice.symmetries:
        a = [F(v) for v in factor]
        assert sorted(permutation) == list(range(count))
        for k, unit in enumerate(lattice.units):
            v = [F(x) for x in unit]
            image = product(a, conjugate(v, generators) if reflection else v, generators)
            assert tuple(image) == tuple(F(x) for x in lattice.units[permutation[k]])


def test_moser_lattice_plus_rho7_times_itself_has_36_unit_vectors():
    rho7 = element(8, m0="11/14", m5="5/14")
    units = MOSER + [product(rho7, g, MOSER_GENERATORS) for g in MOSER]
    lattice = UnitLattice([3, 11], units)
    assert (lattice.rank, len(lattice.units)) == (4, 36)


def test_units_read_as_text_are_the_same_elements():
    texts = ["1", "(1 + sqrt(-3))/2", "5/6 + sqrt(-11)/6",
             "(5 - sqrt(33) + 5*sqrt(-3) + sqrt(-11))/12"]
    assert UnitLattice([3, 11], texts).units == UnitLattice([3, 11], MOSER).units
    # sqrt(-3) sqrt(-3) / 3 = -1 and -2 i sqrt(3) sqrt(3) / 6 = -i: Z[i], rank 2, 4 units.
    gaussian = UnitLattice([3, 11], ["i", "sqrt(-3)*sqrt(-3)/3", "-2*i*sqrt(3)*sqrt(3)/6"])
    assert (gaussian.rank, len(gaussian.units)) == (2, 4)
    for text, fault in [("(5 + sqrt(-11)/6", "expected"), ("sqrt(-7)", "not in the field"),
                        ("5 6", "unexpected '6'"), ("sqrt(3", "expected"), ("2 *", "expected more")]:
        with pytest.raises(ValueError, match=fault):
            UnitLattice([3, 11], [text])


def test_the_description_is_refused_where_it_is_wrong():
    with pytest.raises(ValueError, match=r"units\[1\]: the element does not have modulus 1"):
        UnitLattice([3, 11], [MOSER[0], element(8, m0="1/2")])
    with pytest.raises(ValueError, match=r"units\[0\]: expected 8 coefficients"):
        UnitLattice([3, 11], [element(4, m0=1)])
    with pytest.raises(ValueError, match=r"units\[0\]\[1\]"):
        UnitLattice([3, 11], [["1", "x", 0, 0, 0, 0, 0, 0]])
    with pytest.raises(TypeError, match=r"units\[0\]\[0\]"):
        UnitLattice([3, 11], [[1.0, 0, 0, 0, 0, 0, 0, 0]])
    with pytest.raises(ValueError, match="generators"):
        UnitLattice([4], [element(4, m0=1)])


def test_a_given_basis_keeps_its_coordinates_and_must_be_independent():
    from vantor_tools import _lattice
    from vantor_tools.lattice import moser_lattice

    moser = moser_lattice()
    reduced = UnitLattice([3, 11], MOSER)
    assert not moser.reduced and reduced.reduced
    assert moser.basis == moser.generating_units == tuple(
        tuple(format(F(v)) for v in unit) for unit in MOSER)
    # The same 18 units as the reduced copy, in the Moser sets' coordinates
    # (a, b, c, d): those the kernels step by.
    assert set(moser.units) == set(reduced.units)
    assert sorted(moser.unit_coordinates.tolist()) == sorted(
        _lattice.unit_steps("moser", 1).tolist())
    for unit, row in zip(moser.units, moser.unit_coordinates.tolist()):
        combined = [sum(c * F(b[m]) for c, b in zip(row, MOSER)) for m in range(8)]
        assert tuple(combined) == tuple(F(v) for v in unit)
    # Its sets are the Moser sets, point for point and bit for bit.
    atlas = _lattice.moser_atlas(40)
    built = moser.point_set(atlas["coordinates"].tolist())
    assert built["points"] == atlas["points"]
    assert built["edges"].tobytes() == atlas["edges"].tobytes()
    with pytest.raises(ValueError, match="must be linearly independent"):
        UnitLattice([3, 11], MOSER + [MOSER[1]], reduce=False)
    with pytest.raises(TypeError, match="reduce"):
        UnitLattice([3, 11], MOSER, reduce=1)


def test_the_kernels_fields_and_shapes_are_the_exports():
    # The export's field of each family, as files written before say it.
    from vantor_tools import documents, record_table

    assert documents.LATTICE_FIELDS["square"] == ([-1], [["1", "0"], ["0", "1"]])
    assert documents.LATTICE_FIELDS["eisenstein"] == (
        [3, -1], [["1", "0", "0", "0"], ["1/2", "0", "0", "1/2"]])
    assert documents.LATTICE_FIELDS["moser"] == (
        [3, 11, -1], [[format(F(v)) for v in unit] for unit in MOSER])
    assert record_table.RANK2_SHAPES == {"square": ("disk", "square", "diamond"),
                                         "eisenstein": ("disk", "hexagon", "turned_hexagon")}


def test_a_set_of_a_user_defined_ring_is_verified_and_edits_are_refused():
    # Z[zeta12] together with its rotation by w3: a ring of one's own.
    generators = [3, 11, -1]
    units = [element(8, m0=1), element(8, m4=1), W1, W3]
    lattice = UnitLattice(generators, units)
    result = patch(60, lattice)
    assert result["verified"] and len(result["points"]) == 60
    assert verify(result) is True
    # The plain-list form of an export is read as well.
    as_lists = dict(result, coordinates=[list(r) for r in result["coordinates"].tolist()],
                    edges=[list(e) for e in result["edges"].tolist()],
                    points=[list(p) for p in result["points"]])
    assert verify(as_lists) is True

    edges = [tuple(e) for e in result["edges"].tolist()]
    missing = set(itertools.combinations(range(60), 2)) - set(edges)
    extra = sorted(edges + [min(missing)])
    edits = {
        "moved point": dict(as_lists, points=[[x, y + 2.0 ** -40] if k == 5 else [x, y]
                                              for k, (x, y) in enumerate(result["points"])]),
        "dropped edge": dict(as_lists, edges=[list(e) for e in edges[1:]],
                             unit_distances=len(edges) - 1),
        "added pair": dict(as_lists, edges=[list(e) for e in extra],
                           unit_distances=len(edges) + 1),
        "count": dict(as_lists, unit_distances=len(edges) + 1),
        "another ring": dict(as_lists, generating_units=[[str(v) for v in u]
                                                         for u in units[:3]]),
    }
    messages = {}
    for name, edited in edits.items():
        with pytest.raises((ValueError, TypeError)) as raised:
            verify(edited)
        messages[name] = str(raised.value)
    assert "is not the plane point" in messages["moved point"]
    assert "unit pairs, the set has" in messages["dropped edge"]
    assert "distance exactly 1" in messages["added pair"]
    assert "unit_distances" in messages["count"]


def test_an_export_of_a_unit_lattice_set_is_rechecked_inside_and_outside(tmp_path):
    import json
    import pathlib
    import subprocess
    import sys

    from vantor_tools import documents, exact, graph

    lattice = UnitLattice([3, 11], [MOSER[0], element(8, m4=1), W1, W3])
    document = graph.export_document(patch(40, lattice), {
        "function": "vantor_tools.lattice.patch", "arguments": {"n": 40}})
    assert document["kind"] == "unit_lattice"
    assert document["basis"] == [list(b) for b in lattice.basis]
    graph.write_json(tmp_path / "set.json", document)
    assert exact.check(graph.read_json(tmp_path / "set.json")) is True

    edges = document["edges"]
    absent = next([0, j] for j in range(1, 40) if [0, j] not in edges)
    edited = {
        "added pair": dict(document, edges=sorted(edges + [absent]),
                           unit_distances=len(edges) + 1),
        "basis": dict(document, basis=[document["basis"][1], document["basis"][0],
                                       *document["basis"][2:]]),
        "call": dict(document, call={"function": "vantor_tools.lattice.patch",
                                     "arguments": {"n": 41}}),
    }
    for name, bad in edited.items():
        with pytest.raises(ValueError):
            exact.check(json.loads(json.dumps(bad)))
    with pytest.raises(documents.DocumentError, match="generating_units"):
        exact.check(dict(document, generating_units=[["1", "x"]]))

    pytest.importorskip("sympy")
    script = pathlib.Path(__file__).resolve().parents[2] / "examples" / "check_exact.py"

    def outside(doc):
        path = tmp_path / "outside.json"
        path.write_text(json.dumps(doc))
        return subprocess.run([sys.executable, str(script), str(path)], capture_output=True,
                              text=True, timeout=300)

    accepted = outside(document)
    assert accepted.returncode == 0, accepted.stderr
    assert "40 points" in accepted.stdout
    refused = outside(edited["added pair"])
    assert refused.returncode == 1 and "is not 1" in refused.stderr
    # A basis element outside the lattice the generating units span.
    halved = [[str(F(x) / 2) for x in document["basis"][0]], *document["basis"][1:]]
    refused = outside(dict(document, basis=halved))
    assert refused.returncode == 1 and "integer span" in refused.stderr

    # A lattice with its units as the basis: the result says so, and the
    # export states that basis; both checks take it.
    given = UnitLattice([3, 11], [MOSER[0], element(8, m4=1), W1, W3], reduce=False)
    result = patch(30, given)
    assert result["reduced"] is False and verify(result) is True
    with pytest.raises(ValueError):  # the same rows read in the reduced basis
        verify(dict(result, reduced=True))
    document = graph.export_document(result, {
        "function": "vantor_tools.lattice.patch", "arguments": {"n": 30}})
    assert document["basis"] == [list(unit) for unit in given.generating_units]
    assert exact.check(json.loads(json.dumps(document))) is True
    assert outside(document).returncode == 0


def test_the_search_through_the_general_engine_in_the_moser_lattice_is_todays():
    from vantor_tools import _lattice, records
    from vantor_tools.lattice import moser_lattice

    def digest(found):
        return {n: (r["family"], r["shape"], r["points"], r["coordinates"].tobytes(),
                    r["edges"].tobytes()) for n, r in found.items()}

    arguments = dict(n_max=30, width=20, seed=2, sweeps=2)
    today = digest(_lattice.beam_search(**arguments))
    assert digest(records.beam_search(**arguments)) == today
    assert digest(records.beam_search(**arguments, lattice=moser_lattice())) == today
    # The same lattice written with other generating units is searched as a
    # lattice of its own, in its reduced basis.
    other = UnitLattice([3, 11], [MOSER[1], MOSER[0], MOSER[2], MOSER[3]])
    found = records.beam_search(12, width=10, lattice=other)
    assert found[12]["family"] == "unit" and verify(found[12]) is True


def test_the_search_in_the_triangular_lattice_reaches_its_known_maxima():
    # n points of the triangular lattice have at most floor(3n - sqrt(12n - 3))
    # unit distances, and hexagonal spirals reach it.
    from concurrent.futures import Future

    from vantor_tools import records

    class Here:
        def submit(self, fn, *args):
            future = Future()
            future.set_result(fn(*args))
            return future

    triangular = UnitLattice([3], ["1", "(1 + sqrt(-3))/2"])
    found = records.beam_search(30, width=30, lattice=triangular)
    assert [found[n]["unit_distances"] for n in range(1, 31)] == [
        math.floor(3 * n - math.sqrt(12 * n - 3)) for n in range(1, 31)]
    assert all(r["verified"] and verify(r) for r in found.values())
    split = records.beam_search(15, width=10, tasks=2, lattice=triangular)
    there = records.beam_search(15, width=10, tasks=2, lattice=triangular, executor=Here())
    assert {n: r["coordinates"].tobytes() for n, r in split.items()} == \
        {n: r["coordinates"].tobytes() for n, r in there.items()}
    with pytest.raises(ValueError, match="rank at most 4"):
        rank_eight = UnitLattice([3, 11], MOSER + [product(element(8, m4=1), u, MOSER_GENERATORS)
                                                  for u in MOSER])
        records.beam_search(5, lattice=rank_eight)


@pytest.mark.parametrize("family, norms", [("square", [1, 2, 5, 25, 50, 65, 325]),
                                           ("eisenstein", [1, 3, 7, 12, 49, 91, 147])])
def test_the_square_and_eisenstein_lattices_of_norm_m_as_unit_lattices(family, norms):
    # Their unit vectors are the family's vectors of norm m over sqrt(m),
    # which the patch kernels find by their own search.
    from vantor_tools import _lattice
    from vantor_tools.lattice import eisenstein_unit_lattice, square_unit_lattice

    make = square_unit_lattice if family == "square" else eisenstein_unit_lattice
    for m in norms:
        lattice = make(m)
        assert lattice.rank == 2
        assert len(lattice.units) == len(_lattice.unit_steps(family, m))
        assert len(lattice.symmetries) == (8 if family == "square" else 12)
    with pytest.raises(ValueError, match="not a norm"):
        make(3 if family == "square" else 2)
