"""The document reader: genuine exports pass, hostile ones are refused before
any arithmetic (DocumentError, exit status 2) or found false (ValueError,
exit status 1), and nothing else escapes: no crash, no other exception, no
wrong accept. Writes leave an existing file intact when they fail."""

import copy
import json
import math
import os
import subprocess
import sys
from fractions import Fraction

import pytest
from hypothesis import given, settings, strategies as st

from vantor_tools import _native, cli, documents, exact, graph, lattice, records
from vantor_tools.documents import DocumentError

TWELVE_PRIMES = [2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37]
CERTIFY = {"function": "vantor_tools.exact.certify",
           "arguments": {"generators": [2], "split_prime": 17, "k": 2, "n_target": 120}}


def exported(result, call):
    return json.loads(json.dumps(graph.export_document(result, call)))


@pytest.fixture(scope="module")
def genuine():
    """One export of each kind, as a file holds it."""
    return {
        "multiquadratic": exported(exact.certify([2], 17, 2, 120), CERTIFY),
        "square": exported(lattice.square_lattice(30),
                           {"function": "vantor_tools.lattice.square_lattice",
                            "arguments": {"n": 30}}),
        "moser": exported(records.moser_atlas(40), {"function": "vantor_tools.records.moser_atlas",
                                                    "arguments": {"n": 40}}),
    }


def edited(document, edit):
    document = copy.deepcopy(document)
    edit(document)
    return document


def verdict(document):
    """'ok', 'refused' (DocumentError) or 'false' (another ValueError)."""
    try:
        exact.check(document)
    except DocumentError:
        return "refused"
    except ValueError:
        return "false"
    return "ok"


def test_genuine_exports_pass_and_each_stated_claim_is_checked(genuine):
    mq, square, moser = genuine["multiquadratic"], genuine["square"], genuine["moser"]
    for document in genuine.values():
        assert exact.check(document) is True
    false_claims = [
        (mq, lambda d: d.__setitem__("points_sha256", "0" * 64)),
        (mq, lambda d: d["call"]["arguments"].__setitem__("n_target", 100)),
        (mq, lambda d: d["call"]["arguments"].__setitem__("generators", [3])),
        (square, lambda d: d["call"]["arguments"].__setitem__("n", 31)),
        (square, lambda d: d["call"]["arguments"].__setitem__("m", d["norm"] + 1)),
        (moser, lambda d: d.__setitem__("norm", 7)),
        (moser, lambda d: d.__setitem__("family", "square")),
        (moser, lambda d: d["points"].reverse()),
    ]
    for document, edit in false_claims:
        assert verdict(edited(document, edit)) in ("false", "refused")
    with pytest.raises(ValueError, match="points_sha256"):
        exact.check(edited(mq, lambda d: d.__setitem__("points_sha256", "0" * 64)))
    with pytest.raises(ValueError, match="norm"):
        exact.check(edited(moser, lambda d: d.__setitem__("norm", 10**30 % 2**62)))
    unknown = [
        (moser, lambda d: d.__setitem__("norm", None)),
        (moser, lambda d: d.__setitem__("norm", "1")),
        (moser, lambda d: d.__setitem__("norm", True)),
        (moser, lambda d: d.__setitem__("norm", 0)),
        (moser, lambda d: d.__setitem__("shape", "disk")),
        (mq, lambda d: d.__setitem__("kind", "lattice")),
        (mq, lambda d: d.__setitem__("format", "another format")),
        (mq, lambda d: d.__setitem__("comment", "an unknown key")),
        (mq, lambda d: d.pop("translations")),
        (mq, lambda d: d.__setitem__("call", {"function": "os.system", "arguments": {}})),
    ]
    for document, edit in unknown:
        with pytest.raises(DocumentError):
            exact.check(edited(document, edit))


def reproducers(mq):
    """The hostile documents found by probing the checker, each a JSON text."""
    text = json.dumps(mq)
    huge = edited(mq, lambda d: d["elements"][5].__setitem__(1, "1/1" + "0" * 4_000_000))
    wide = edited(mq, lambda d: d.update(generators_completed=TWELVE_PRIMES + [-1],
                                         points=[], elements=[], certified_edges=[],
                                         proven_unit_edges=[], near_misses=[],
                                         translations=[["0"] * 8192]))
    yield "a coefficient of 4 million digits", json.dumps(huge)
    yield "13 generators", json.dumps(wide)
    for key, value in (("proven_unit_edges", [[0, 2**64]]), ("exact_unit_distances", -1),
                       ("points", [[2**63, 0.0]]), ("near_misses", [[True, 1]]),
                       ("elements", [["1\x00", "0", "0", "0"]]), ("elements", [["\ud800", "0", "0", "0"]]),
                       ("audit_tolerance", "1e-4")):
        yield f"{key} = {value!r:.30}", json.dumps(edited(mq, lambda d: d.update({key: value})))
    yield "NaN", text.replace('"audit_tolerance": 0.0001', '"audit_tolerance": NaN')
    yield "1e999", text.replace('"audit_tolerance": 0.0001', '"audit_tolerance": 1e999')
    yield "a duplicate key", text[:-1] + ', "points_sha256": "' + "0" * 64 + '"}'
    yield "100000 brackets", "[" * 100_000 + "]" * 100_000
    yield "truncated", text[: len(text) // 2]
    yield "not UTF-8", b"\xff\xfe" + text.encode()


def test_hostile_documents_are_refused_before_any_arithmetic(genuine):
    mq = genuine["multiquadratic"]
    for name, text in reproducers(mq):
        with pytest.raises(DocumentError):
            documents.validate(documents.parse_document(text))
    # The kernel bounds its own work too, for results handed to it directly.
    huge = edited(mq, lambda d: d["elements"][5].__setitem__(1, "1/1" + "0" * 4_000_000))
    with pytest.raises(ValueError, match=r"elements\[5\]\[1\]: more digits"):
        _native.check_multiquadratic({**huge, "points": [tuple(p) for p in huge["points"]]})
    wide = {**mq, "generators_completed": TWELVE_PRIMES + [-1], "points": [],
            "elements": [], "translations": [["0"] * 8192], "certified_edges": [],
            "proven_unit_edges": [], "near_misses": [], "exact_unit_distances": 0}
    with pytest.raises(ValueError, match="degree 8192"):
        _native.check_multiquadratic(wide)
    with pytest.raises(TypeError, match="near_misses"):
        _native.check_multiquadratic({**mq, "points": [tuple(p) for p in mq["points"]],
                                      "near_misses": [[True, 2]]})
    coprime = edited(mq, lambda d: [element.__setitem__(0, f"1/{p}") for element, p in
                                    zip(d["elements"], (2**521 - 1, 2**607 - 1, 2**127 - 1,
                                                        2**107 - 1, 2**89 - 1))])
    with pytest.raises(DocumentError, match="common denominator"):
        exact.check(coprime, documents.Limits())
    with pytest.raises(DocumentError, match="word products"):
        exact.check(mq, documents.Limits(max_work=1000))


# Many elements of degree 64 (every coefficient 1/3, so that GMP allocates
# for each) under an address-space limit: the kernel must refuse them with
# MemoryError before GMP allocates (an allocation failure inside GMP ends
# the process).
LIMITED_CHECK = """
import resource, sys
resource.setrlimit(resource.RLIMIT_AS, (512 * 2**20,) * 2)
from vantor_tools import _native
n = 100_000
claims = {"generators_completed": [2, 3, 5, 7, 11, -1], "points": [(0.0, 0.0)] * n,
          "elements": [["1/3"] * 64] * n, "translations": [], "certified_edges": [],
          "proven_unit_edges": [], "near_misses": [], "exact_unit_distances": 0,
          "audit_tolerance": 1e-4}
try:
    _native.check_multiquadratic(claims)
    print("accepted")
except MemoryError:
    print("MemoryError")
"""


def test_exact_numbers_that_cannot_fit_are_a_memory_error_not_an_abort():
    done = subprocess.run([sys.executable, "-c", LIMITED_CHECK], capture_output=True,
                          text=True, timeout=120)
    assert (done.returncode, done.stdout.strip()) == (0, "MemoryError"), done.stderr[-300:]


def test_the_reader_refuses_pipes_devices_directories_and_large_files(tmp_path):
    pipe = tmp_path / "pipe"
    os.mkfifo(pipe)
    large = tmp_path / "large.json"
    with open(large, "wb") as out:
        out.truncate(2**30)  # sparse: no gigabyte is written
    for path in (pipe, "/dev/zero", tmp_path, large):
        with pytest.raises(DocumentError):
            documents.read_document(path)
    small = tmp_path / "small.json"
    small.write_text("[1, 2, 3]")
    assert documents.read_document(small) == [1, 2, 3]
    with pytest.raises(DocumentError, match="limit of 8"):
        documents.read_document(small, documents.Limits(max_bytes=8))


def test_a_failed_write_leaves_the_file_and_folder_as_they_were(genuine, tmp_path):
    path = tmp_path / "r.json"
    graph.write_json(path, genuine["multiquadratic"])
    before = path.read_bytes()
    for bad in (edited(genuine["multiquadratic"], lambda d: d["points"][0].__setitem__(0, math.nan)),
                {"points": [object()]}):
        with pytest.raises((ValueError, TypeError)):
            graph.write_json(path, bad)
        assert path.read_bytes() == before and os.listdir(tmp_path) == ["r.json"]
    graph.write_json(path, genuine["square"])
    assert graph.read_json(path) == genuine["square"] and os.listdir(tmp_path) == ["r.json"]


def test_the_command_line_answers_every_input_with_one_line_and_its_status(
        genuine, tmp_path, capsys):
    def run(text):
        path = tmp_path / "input.json"
        path.write_bytes(text if isinstance(text, bytes) else text.encode("utf-8", "surrogatepass"))
        status = cli.main(["check", str(path)])
        return status, capsys.readouterr().err

    assert run(json.dumps(genuine["multiquadratic"]))[0] == 0
    for name, text in reproducers(genuine["multiquadratic"]):
        status, error = run(text)
        assert (status, len(error.splitlines())) == (2, 1), name
    wrong = edited(genuine["moser"], lambda d: d.__setitem__("norm", 7))
    assert run(json.dumps(wrong)) == (1, f"{tmp_path / 'input.json'}: norm: 7 stated, the unit "
                                         "distances of a Moser set have norm 1\n")
    for other in ("[]", '{"format": "vantor exact result"}', "1"):
        assert run(other)[0] == 2
    os.mkfifo(tmp_path / "pipe")
    for command in ("check", "count", "plot"):
        assert cli.main([command, str(tmp_path / "pipe"), "--out", "x.png"][:2 + 2 * (
            command == "plot")]) == 2
    far = edited(genuine["square"], lambda d: d["edges"].append([0, 10**6]))
    (tmp_path / "far.json").write_text(json.dumps(far))
    assert cli.main(["plot", str(tmp_path / "far.json"), "--out", str(tmp_path / "p.png")]) == 2
    assert not (tmp_path / "p.png").exists()


# ---- properties ------------------------------------------------------------------------

# Keys whose every change makes a claim false or the document unreadable.
MEANINGFUL = {
    "multiquadratic": ["points", "points_sha256", "elements", "translations", "certified_edges",
                       "proven_unit_edges", "near_misses", "exact_unit_distances",
                       "generators_completed", "format", "kind"],
    "square": ["points", "points_sha256", "coordinates", "edges", "unit_distances", "norm",
               "family", "basis", "generators_completed", "format", "kind"],
    "moser": ["points", "points_sha256", "coordinates", "edges", "unit_distances", "norm",
              "family", "basis", "generators_completed", "format", "kind"],
}

json_values = st.recursive(
    st.none() | st.booleans() | st.integers(-2**70, 2**70)
    | st.floats(allow_nan=False, allow_infinity=False) | st.text(max_size=8),
    lambda inner: st.lists(inner, max_size=4) | st.dictionaries(st.text(max_size=4), inner,
                                                                max_size=4),
    max_leaves=12)


def leaves(value, path=()):
    """Every (path, leaf) of a JSON value, lists and objects walked."""
    if isinstance(value, list):
        for k, item in enumerate(value):
            yield from leaves(item, (*path, k))
    elif isinstance(value, dict):
        for key, item in value.items():
            yield from leaves(item, (*path, key))
    else:
        yield path, value


def replaced(document, path, value):
    document = copy.deepcopy(document)
    target = document
    for step in path[:-1]:
        target = target[step]
    target[path[-1]] = value
    return document


@settings(max_examples=120, deadline=5000, derandomize=True)
@given(data=st.data(), kind=st.sampled_from(sorted(MEANINGFUL)))
def test_mutated_exports_are_never_wrongly_accepted(genuine, data, kind):
    document = genuine[kind]
    key = data.draw(st.sampled_from(MEANINGFUL[kind]))
    spots = list(leaves(document[key], (key,))) or [((key,), document[key])]
    path, old = data.draw(st.sampled_from(spots[:64] + spots[-64:]))
    if isinstance(old, str) and data.draw(st.booleans()):
        # A rational, a digest or a name changed by one character.
        at = data.draw(st.integers(0, max(0, len(old) - 1)))
        new = old[:at] + data.draw(st.sampled_from("0123456789/-a")) + old[at + 1:]
    elif isinstance(old, (int, float)) and not isinstance(old, bool) and data.draw(st.booleans()):
        new = old + data.draw(st.sampled_from([1, -1, 2**31, 0.5]))
    else:
        new = data.draw(json_values)
    mutated = json.loads(json.dumps(replaced(document, path, new)))
    same = json.dumps(mutated) == json.dumps(document) or (
        isinstance(old, str) and isinstance(new, str) and _same_rational(old, new))
    assert verdict(mutated) == "ok" if same else verdict(mutated) in ("refused", "false")


def _same_rational(a, b):
    """Two texts of one rational ("1/2", "01/2"): the same element."""
    try:
        return "/" in a + b and Fraction(a) == Fraction(b)
    except (ValueError, ZeroDivisionError):
        return False


@settings(max_examples=150, deadline=5000, derandomize=True)
@given(value=json_values, key=st.sampled_from(["", "points", "elements", "call", "edges",
                                                "generators_completed", "norm", "shape"]))
def test_random_json_is_refused_with_a_value_error_only(genuine, value, key):
    with pytest.raises(DocumentError):
        documents.validate(json.loads(json.dumps(value)))
    for base in (genuine["multiquadratic"], genuine["moser"]):
        if key in base and json.dumps(base[key]) == json.dumps(value):
            continue
        assert verdict(json.loads(json.dumps({**base, key: value}))) in ("refused", "false")
