"""Exact proofs of point sets from anywhere: the expression reader on good and
hostile text, every way of giving points, recognition that is right or
silent, near misses refuted, and proofs that re-check and refuse tampering."""

import copy
import fractions
import importlib.util
import json
import pathlib
import subprocess
import sys

import pytest

import vantor
from vantor_tools import documents, exact, graph, records
from vantor_tools.expressions import ExpressionError, Radicals, element_text, parse

FIELD = [3, 11, -1]
CHECK_EXACT = pathlib.Path(__file__).resolve().parents[2] / "examples" / "check_exact.py"


@pytest.mark.parametrize("text, terms", [
    ("(5 + sqrt(33))/12", {1: "5/12", 33: "1/12"}),
    ("-sqrt(3)/2", {3: "-1/2"}),
    ("1/2", {1: "1/2"}),
    (" 0.25 ", {1: "1/4"}),
    ("sqrt(-11)", {-11: "1"}),
    ("sqrt(8) * sqrt(6)", {3: "4"}),
    ("sqrt(-3) * sqrt(-3)", {1: "-3"}),
    ("1/(1 + sqrt(2))", {1: "-1", 2: "1"}),
    ("(11 + 5*sqrt(-3))/14", {1: "11/14", -3: "5/14"}),
    ("2^10 - 2**10", {}),
    ("sqrt(2)^-2", {1: "1/2"}),
    ("sqrt(1/12)", {3: "1/6"}),
])
def test_expressions_read_exactly(text, terms):
    assert parse(text).terms == {d: fractions.Fraction(c) for d, c in terms.items()}


@pytest.mark.parametrize("text", [
    "", "   ", "1 +", "sqrt(2", "sqrt 2", "sqrt(sqrt(2))", "1/0", "1/(sqrt(2) - sqrt(2))",
    "__import__('os')", "1e5", "x", "2^100", "2^1.5", "9" * 401, "(" * 100 + "1" + ")" * 100,
    "-" * 100 + "1", "sqrt(10000000000000000000000)", "1 2", "1 + sqrt(2) sqrt(3)",
    "sqrt(2)" + " + sqrt(3)" * 1 + "".join(f" + sqrt({p})" for p in (5, 7, 11, 13, 17, 19, 23)),
])
def test_expressions_refuse_what_they_cannot_read(text):
    if text.startswith("sqrt(2) + sqrt(3) + sqrt(5)"):
        # Nine independent roots: more than MAX_TERMS square roots in products.
        value = parse(text)
        with pytest.raises(ExpressionError):
            value * value * value * value
        return
    with pytest.raises(ExpressionError):
        parse(text)
    with pytest.raises(TypeError):
        parse(b"1")


def test_elements_written_as_text_read_back():
    for text in ["(5 + sqrt(33))/12", "-sqrt(3)/2", "0", "(1 - 3*sqrt(11))/6"]:
        coefficients = parse(text).coefficients(FIELD)
        x, y = element_text(coefficients, FIELD)
        assert parse(x) == parse(text) and y == "0"
    with pytest.raises(ValueError, match="sqrt\\(5\\) is not in the field"):
        parse("sqrt(5)").coefficients(FIELD)


def test_every_way_of_giving_a_set_gives_one_count():
    np = pytest.importorskip("numpy")
    best = records.best(40)
    floats = best["points"]
    count = best["unit_distances"]
    ways = [
        exact.prove(best),
        exact.prove(floats, field=[3, 11]),
        exact.prove([list(p) for p in floats], field=[3, 11]),
        exact.prove([complex(x, y) for x, y in floats], field=[3, 11]),
        exact.prove(np.array(floats), field=[3, 11]),
        exact.prove([(repr(x), repr(y)) for x, y in floats], field=[3, 11]),
    ]
    texts = [element_text(e, ways[1]["generators_completed"]) for e in ways[1]["elements"]]
    ways.append(exact.prove(texts))
    ways.append(exact.prove(ways[1]["elements"], field=[3, 11]))
    for proof in ways:
        assert proof["exact_unit_distances"] == count
        assert proof["unrecognised"] == []
    assert ways[1]["elements"] == ways[-1]["elements"]
    certified = exact.certify([2], 17, 2, 150)
    assert exact.prove(certified)["exact_unit_distances"] == certified["exact_unit_distances"]
    assert exact.prove(certified["points"], field=[2])["exact_unit_distances"] == \
        certified["exact_unit_distances"]


def test_rounded_points_come_back_right_or_are_reported():
    best = records.best(120)
    truth = exact.prove(best, field=[3, 11])
    for digits in (4, 6, 9):
        rounded = [(float(f"{x:.{digits}g}"), float(f"{y:.{digits}g}"))
                   for x, y in best["points"]]
        proof = exact.prove(rounded, field=[3, 11], digits=digits)
        assert all(b is None or a == b for a, b in zip(truth["elements"], proof["elements"]))
        assert proof["unrecognised"] == [k for k, e in enumerate(proof["elements"]) if e is None]
        assert proof["exact_unit_distances"] <= best["unit_distances"]
    # Counting in floats fails on such input; the proof does not.
    six = [(round(x, 6), round(y, 6)) for x, y in records.best(50)["points"]]
    assert vantor.count_unit_distances(six, 1e-9) < 183
    assert exact.prove(six, field=[3, 11], decimals=6)["exact_unit_distances"] == 183


def test_near_misses_are_refuted():
    proof = exact.prove([("0", "0"), ("1000001/1000000", "0"), ("1/2", "sqrt(3)/2"),
                         (0.5, -0.8660254037844386), (0.1234567891, 7.0)], field=[3])
    assert proof["proven_unit_edges"].tolist() == [[0, 2], [0, 3]]
    assert proof["near_misses"].tolist() == [[0, 1], [1, 2], [1, 3]]
    assert proof["unrecognised"] == [4]
    assert proof["elements"][4] is None


@pytest.mark.parametrize("points, field, error", [
    ([(0, 0), ("sqrt(5)", 0)], [3], ValueError),
    ([(0, 0), ("1 +", 0)], None, ValueError),
    ([(0, 0), ("i", 0)], None, ValueError),
    ([(0, 0), (True, 0)], None, TypeError),
    ([(0, 0, 0)], None, ValueError),
    ("0,0", None, TypeError),
    ([(0, 0)], "3", TypeError),
    ([(0, 0), ("1/2", "sqrt(3)/2")], [3, 4], ValueError),
])
def test_bad_requests_are_refused(points, field, error):
    with pytest.raises(error):
        exact.prove(points, field=field)


def test_bad_tolerance_and_digits_are_refused():
    with pytest.raises(ValueError):
        exact.prove([(0, 0)], tolerance=1.5)
    with pytest.raises(ValueError):
        exact.prove([(0.5, 0)], field=[3], digits=30)


def test_a_proof_export_rechecks_and_refuses_tampering(tmp_path):
    rounded = [(float(f"{x:.9g}"), float(f"{y:.9g}")) for x, y in records.best(60)["points"]]
    rounded.append((0.123456789, 5.0))
    proof = exact.prove(rounded, field=[3, 11], digits=9)
    call = {"function": "vantor_tools.exact.prove",
            "arguments": {"field": [3, 11], "tolerance": 1e-4, "digits": 9, "decimals": None}}
    document = graph.export_document(proof, call)
    assert exact.check(copy.deepcopy(document)) is True
    assert exact.check(proof) is True
    assert proof["unrecognised"] == [60]

    def tampered(edit):
        copied = copy.deepcopy(document)
        edit(copied)
        return copied

    def lower(d):
        d["proven_unit_edges"].pop()
        d["exact_unit_distances"] -= 1

    def swap_element(d):
        d["elements"][0], d["elements"][1] = d["elements"][1], d["elements"][0]

    def forget(d):
        d["elements"][3] = None
        d["unrecognised"] = [3, 60]

    def claim(d):
        d["elements"][60] = d["elements"][0]
        d["unrecognised"] = []

    def move(d):
        d["points"][5][0] += 1e-6
        d["points_sha256"] = documents.points_sha256(d["points"])

    def near_as_unit(d):
        d["near_misses"].append(d["proven_unit_edges"].pop(0))

    edits = (lower, swap_element, forget, claim, move, near_as_unit)
    for edit in edits:
        with pytest.raises(ValueError):
            exact.check(tampered(edit))
    with pytest.raises(ValueError, match="digits"):
        exact.check(tampered(lambda d: d.update(digits=12)))

    # The re-check that needs nothing of vantor accepts the proof and rejects
    # every edit vantor-cli check rejects.
    if importlib.util.find_spec("sympy") is None:
        pytest.skip("the outside re-check needs sympy")

    def outside(document, name):
        path = tmp_path / name
        path.write_text(json.dumps(document))
        return subprocess.run([sys.executable, str(CHECK_EXACT), str(path)],
                              capture_output=True, text=True, timeout=300).returncode

    assert outside(document, "genuine.json") == 0
    for edit in edits:
        assert outside(tampered(edit), f"{edit.__name__}.json") == 1, edit.__name__


def test_the_command_line_proves_a_rounded_csv_and_reads_exact_text(tmp_path, capsys):
    from vantor_tools import cli

    rows = "".join(f"{x:.6f},{y:.6f}\n" for x, y in records.best(50)["points"])
    (tmp_path / "six.csv").write_text("x,y\n" + rows)
    assert cli.main(["prove", str(tmp_path / "six.csv"), "--field", "3,11",
                     "--out", str(tmp_path / "proof.json")]) == 0
    assert "decimal places: 183 exact unit distances" in capsys.readouterr().out
    assert cli.main(["check", str(tmp_path / "proof.json")]) == 0
    assert "every claim holds" in capsys.readouterr().out

    assert cli.main(["best", "12", "--format", "exact"]) == 0
    (tmp_path / "exact.csv").write_text(capsys.readouterr().out)
    assert cli.main(["prove", str(tmp_path / "exact.csv")]) == 0
    assert f"{records.best(12)['unit_distances']} exact unit distances" in \
        capsys.readouterr().out

    for name, text in [("bad.csv", "x,y\n1,sqrt(2\n"), ("nan.csv", "nan,0\n0,1\n"),
                       ("field.csv", "sqrt(5),0\n0,0\n")]:
        (tmp_path / name).write_text(text)
        assert cli.main(["prove", str(tmp_path / name), "--field", "3"]) == 2
        error = capsys.readouterr().err
        assert len(error.splitlines()) == 1 and "Traceback" not in error


@pytest.mark.parametrize("generators, elements, error", [
    ([3], [("0", "0", "0", "0")], "must contain -1"),
    ([3, 3, -1], [("0",) * 8], ValueError),
    ([4, -1], [("0",) * 4], ValueError),
    ([3, -1], [("0", "0", "0")], "elements\\[0\\] must be None or 4 rationals"),
    ([3, -1], [("0", "0", "0", "1/0")], "elements\\[0\\]"),
    ([3, -1], [("0", "0", "0", "x")], "elements\\[0\\]"),
    ([3, -1], [("0", "0", "0", "1" * 700)], "at most"),
    ([3, -1], [("0", "0", "0", 1)], "elements\\[0\\]"),
    ([3, -1], [("0",) * 4, ("0",) * 4], "2 given for 1 points"),
    ([3, -1], "0000", ValueError),
])
def test_the_proof_kernels_refuse_bad_elements(generators, elements, error):
    from vantor_tools import _native

    match = error if isinstance(error, str) else None
    expected = ValueError if match is not None else error
    with pytest.raises((expected, TypeError), match=match):
        _native.prove_pairs(generators, elements, [(0.0, 0.0)], 1e-4)
    with pytest.raises((expected, TypeError), match=match):
        _native.elements_match(generators, elements, [(0.0, 0.0)], None, None)


def test_the_recognition_kernel_refuses_bad_roundings():
    from vantor_tools import _native

    for digits, decimals in [(0, None), (18, None), (None, 31), (-1, None), (True, None)]:
        with pytest.raises((ValueError, TypeError, OverflowError)):
            _native.recognise_points([3, -1], [(0.5, 0.5)], digits, decimals)
    assert _native.recognise_points([3, -1], [(0.5, float("nan"))], 6, 3) == [None]
