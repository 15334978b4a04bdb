"""The vantor_tools package: unit_edges against count_unit_distances, exact
results and exports that re-check (and fail once edited), the command line's
exit statuses, and the package layout."""

import copy
import json
import math
import subprocess
import sys

import numpy
import pytest

import vantor
import vantor_lattice
import vantor_tools
from vantor_tools import documents, exact, graph, lattice, records

ADVERSARIAL = [
    [],
    [(0.0, 0.0)],
    [(0.0, 0.0)] * 50 + [(1.0, 0.0)] * 30,
    [(math.nan, 0.0), (1.0, 0.0), (0.0, 0.0), (math.inf, 0.0), (-math.inf, 1.0),
     (0.0, math.nan), (2.0, 0.0)],
    [(1e308, 0.0), (-1e308, 0.0), (0.0, 1e308), (5e-324, 0.0), (1.0, 5e-324)],
]
TOLERANCES = [1e-5, 0.0, 1e-12, 0.5, 1.0, 2.0, 1e5, math.inf, -1.0, math.nan]


@pytest.mark.parametrize("threads", ["1", "2"])
def test_unit_edges_agree_with_the_count_on_random_and_hostile_sets(monkeypatch, threads):
    monkeypatch.setenv("VANTOR_NUM_THREADS", threads)
    rng = numpy.random.default_rng(11)
    sets = [*ADVERSARIAL, rng.uniform(-3, 3, (400, 2)), numpy.round(rng.uniform(-4, 4, (300, 2)))]
    for points in sets:
        for tolerance in TOLERANCES:
            edges = numpy.asarray(vantor_tools.unit_edges(points, tolerance))
            assert edges.shape == (vantor.count_unit_distances(points, tolerance), 2)
            listed = [tuple(edge) for edge in edges.tolist()]
            assert listed == sorted(set(listed)) and all(i < j for i, j in listed)


def test_unit_edges_match_every_pair_and_share_their_memory():
    points = numpy.random.default_rng(2).uniform(0, 5, (300, 2))
    d2 = ((points[:, None, :] - points[None, :, :]) ** 2).sum(axis=2)
    expected = [(i, j) for i in range(300) for j in range(i + 1, 300)
                if (1 - 1e-2) ** 2 <= d2[i, j] <= (1 + 1e-2) ** 2]
    table = vantor_tools.unit_edges(points, tolerance=1e-2)
    assert table.format == "q" and table.readonly and table.tolist() == [list(e) for e in expected]
    array = numpy.asarray(table)
    assert array.dtype == numpy.int64 and numpy.shares_memory(array, numpy.asarray(table))
    assert vantor_tools.unit_edges([(0.0, 0.0), (1.0, 0.0)]).tolist() == [[0, 1]]
    # Billions of pairs settled in bulk are refused before they are written.
    for crowd, tolerance in ((numpy.zeros((10**5, 2)), 1.0),
                             (numpy.repeat([[0.0, 0.0], [1.0, 0.0]], 50000, axis=0), 1e-5)):
        with pytest.raises(MemoryError, match="request needs more than"):
            vantor_tools.unit_edges(crowd, tolerance)
    with pytest.raises(TypeError, match="points"):
        vantor_tools.unit_edges([[0.0, 1.0, 2.0]])


@pytest.fixture(scope="module")
def certified():
    return exact.certify([2, 3], 73, 1, 900)


def test_exact_results_keep_the_certified_points_and_prove_a_superset(certified):
    plain = vantor.generate_multiquadratic_certified([2, 3], 73, 1, 900)
    assert certified["points"] == plain["points"]
    assert [tuple(e[:2]) for e in certified["certified_edges"].tolist()] == plain["certified_edges"]
    proven = {tuple(e) for e in certified["proven_unit_edges"].tolist()}
    near = {tuple(e) for e in certified["near_misses"].tolist()}
    assert set(plain["certified_edges"]) <= proven and not proven & near
    assert proven | near == set(plain["audit_edges"])
    assert certified["exact_unit_distances"] == len(proven) == vantor.count_unit_distances(
        certified["points"], 1e-9)
    assert certified["generators_completed"] == [2, 3, -1]
    with pytest.raises(RuntimeError, match="split prime 15 is not an odd prime"):
        exact.certify([2], 15, 1, 10)


def test_certify_reports_progress_in_order_when_asked():
    reports = []
    exact.certify([2], 17, 2, 20000, progress=lambda done, total: reports.append((done, total)))
    assert reports[-1] == (3000, 3000) and {total for _, total in reports} == {3000}
    assert [done for done, _ in reports] == sorted({done for done, _ in reports})
    with pytest.raises(TypeError):
        exact.certify([2], 17, 2, 20, progress=3)


def edited(document, edit):
    copied = copy.deepcopy(document)
    edit(copied)
    return copied


def test_exports_check_and_every_edit_fails(certified, tmp_path):
    call = {"function": "vantor_tools.exact.certify",
            "arguments": {"generators": [2, 3], "split_prime": 73, "k": 1, "n_target": 900}}
    path = tmp_path / "r.json"
    graph.write_json(path, graph.export_document(certified, call))
    document = graph.read_json(path)
    assert document["vantor_version"] == vantor_tools.__version__ and document["call"] == call
    assert [tuple(p) for p in document["points"]] == certified["points"]
    assert exact.check(document) is True
    last = document["points"][7][0]
    edits = {
        "points[3]": lambda d: d["elements"][3].__setitem__(0, "5/7"),
        "points[7]": lambda d: (d["points"][7].__setitem__(0, math.nextafter(last, 9.0)),
                                d.__setitem__("points_sha256", graph.points_sha256(d["points"]))),
        "points_sha256": lambda d: d.__setitem__("points_sha256", "0" * 64),
        "proven_unit_edges[": lambda d: d["proven_unit_edges"].append(d["near_misses"][-1]),
        "exact_unit_distances": lambda d: d.__setitem__("exact_unit_distances", 1),
        "certified_edges[0]": lambda d: d["certified_edges"][0].__setitem__(3, -1),
    }
    for fault, edit in edits.items():
        with pytest.raises(ValueError, match=fault.replace("[", r"\[")):
            exact.check(edited(document, edit))
    with pytest.raises(documents.DocumentError, match="missing key 'translations'"):
        exact.check(edited(document, lambda d: d.pop("translations")))


def test_lattice_exports_check_and_edits_fail(tmp_path):
    for function, n in (("records.best", 100), ("lattice.eisenstein_lattice", 60),
                        ("lattice.square_lattice", 40)):
        result = getattr(vantor_tools, function.split(".")[0]).__dict__[function.split(".")[1]](n)
        document = graph.export_document(result, {"function": f"vantor_tools.{function}",
                                                  "arguments": {"n": n}})
        document = json.loads(json.dumps(document))
        assert exact.check(document) is True
        with pytest.raises(ValueError):
            exact.check(edited(document, lambda d: d["edges"].append([0, len(d["points"]) - 1])))
        with pytest.raises(ValueError, match="basis"):
            exact.check(edited(document, lambda d: d["basis"].reverse()))


def cli(*arguments, cwd):
    return subprocess.run([sys.executable, "-m", "vantor_tools", *arguments], cwd=cwd,
                          capture_output=True, text=True, timeout=300)


def test_command_line_exit_statuses_and_one_line_errors(tmp_path):
    made = cli("certify", "--generators", "2", "--prime", "17", "--k", "2", "--n", "200",
               "--out", "r.json", cwd=tmp_path)
    assert made.returncode == 0, made.stderr
    assert cli("check", "r.json", cwd=tmp_path).returncode == 0
    document = json.loads((tmp_path / "r.json").read_text())
    document["proven_unit_edges"].append([0, 199])
    (tmp_path / "bad.json").write_text(json.dumps(document))
    failed = cli("check", "bad.json", cwd=tmp_path)
    assert failed.returncode == 1 and len(failed.stderr.splitlines()) == 1
    (tmp_path / "points.json").write_text("[[0.0, 0.0], [1.0, 0.0], [0.5, 0.8660254037844386]]")
    counted = cli("count", "points.json", "--tolerance", "1e-9", cwd=tmp_path)
    assert counted.returncode == 0 and counted.stdout.strip() == "3"
    (tmp_path / "broken.json").write_text("{\"points\": [[0.0,")
    for command in (["check", "broken.json"], ["count", "missing.json"],
                    ["count", "r.json", "--tolerance", "x"]):
        outcome = cli(*command, cwd=tmp_path)
        assert outcome.returncode == 2 and len(outcome.stderr.strip().splitlines()) >= 1
    for command in (["check", "broken.json"], ["count", "missing.json"]):
        assert len(cli(*command, cwd=tmp_path).stderr.splitlines()) == 1
    best = cli("best", "30", "--out", "b.json", cwd=tmp_path)
    assert best.returncode == 0 and cli("check", "b.json", cwd=tmp_path).returncode == 0
    refused = cli("certify", "--generators", "2", "--prime", "15", "--k", "1", "--n", "5",
                  cwd=tmp_path)
    assert refused.returncode == 2 and "not an odd prime" in refused.stderr


def test_the_package_names_the_companion_functions():
    assert records.best is vantor_lattice.best and lattice.verify is vantor_lattice.verify
    assert vantor_tools.unit_edges is graph.unit_edges
    assert set(vantor_tools.__all__) >= {"unit_edges", "lattice", "records", "graph", "exact"}


def test_command_line_reads_every_point_format_and_writes_coordinates(tmp_path, capsys):
    from vantor_tools import cli as command_line

    def run(*arguments):
        status = command_line.main(list(arguments))
        out, err = capsys.readouterr()
        return status, out, err

    status, out, err = run("best", "50", "--format", "csv")
    assert status == 0 and out.startswith("x,y\n") and "best(50): " in err
    written = [tuple(float(c) for c in line.split(",")) for line in out.splitlines()[1:]]
    assert written == records.best(50)["points"]
    for fmt in ("csv", "txt", "json"):
        status, out, _ = run("best", "50", "--format", fmt)
        (tmp_path / f"b.{fmt}").write_text(out)
        assert run("count", str(tmp_path / f"b.{fmt}"), "--tolerance", "1e-9")[1] == "183\n"
    assert run("best", "50")[1].startswith("best(50): 183 unit distances")
    hostile = {"ragged.csv": "x,y\n0,0\n1,0,0\n", "nan.tsv": "0\t0\n1\tnan\n",
               "header.csv": "x,y\n", "bytes.csv": b"0,0\n\xfe,1\n"}
    for name, text in hostile.items():
        (tmp_path / name).write_bytes(text.encode() if isinstance(text, str) else text)
    assert run("count", str(tmp_path / "header.csv"))[:2] == (0, "0\n")
    for name, place in (("ragged.csv", "line 3: 3 cells"), ("nan.tsv", "line 2, column 2"),
                        ("bytes.csv", "not UTF-8")):
        status, out, err = run("count", str(tmp_path / name))
        assert status == 2 and out == "" and len(err.splitlines()) == 1 and place in err
    assert run("best", "22", "--all", "--format", "csv")[0] == 2
    outcome = cli("--version", cwd=tmp_path)
    assert outcome.returncode == 0 and outcome.stdout.strip() == f"vantor-cli {graph.version()}"


def test_every_kind_of_result_exports_and_checks_or_is_refused_by_name(tmp_path):
    certified_call = {"function": "vantor.generate_multiquadratic_certified",
                      "arguments": {"generators": (2,), "split_prime": 17, "k": 2,
                                    "n_target": 80}}
    certified = vantor.generate_multiquadratic_certified((2,), 17, 2, 80)
    exported = {
        "exact": (exact.certify([2], 17, 2, 80), {
            "function": "vantor_tools.exact.certify",
            "arguments": {"generators": [2], "split_prime": 17, "k": 2, "n_target": 80}}),
        "certified": (certified, certified_call),
        "best": (records.best(300), {"function": "vantor_tools.records.best",
                                     "arguments": {"n": 300}}),
        "catalogue": (records.catalogue(12)[0], {"function": "vantor_tools.records.catalogue",
                                                 "arguments": {"n": 12}}),
        "atlas": (records.moser_atlas(20), {"function": "vantor_tools.records.moser_atlas",
                                            "arguments": {"n": 20}}),
        "square": (lattice.square_lattice(40), {"function": "vantor_tools.lattice.square_lattice",
                                                "arguments": {"n": 40}}),
    }
    for name, (result, call) in exported.items():
        document = graph.export_document(result, call)
        graph.write_json(tmp_path / f"{name}.json", document)
        assert cli("check", f"{name}.json", cwd=tmp_path).returncode == 0, name
    document = graph.export_document(certified, certified_call)
    assert document["call"]["function"] == "vantor_tools.exact.certify"
    assert [tuple(p) for p in document["points"]] == certified["points"]
    assert "canonical_graph6" in graph.export_document(*exported["catalogue"])
    call = {"function": "f", "arguments": {}}
    refused = [
        (certified, call, ValueError, "carries no field elements"),
        (certified, dict(certified_call, arguments=dict(certified_call["arguments"], k=1)),
         ValueError, "points: not the points of vantor.generate_multiquadratic_certified"),
        (vantor.generate_square_grid(3, 3), call, TypeError, "not a list of 9 items.*write_points"),
        (records.catalogue(12), call, TypeError, "export each result"),
        ({30: records.best(30)}, call, ValueError, "results by size.*export each value"),
        (records.best(30)["edges"], call, TypeError, r"not a table of shape \(93, 2\)"),
        ({}, call, ValueError, "not a result vantor exports: an empty dict"),
        ({"points": []}, call, ValueError, "a dict with keys points"),
        (document, call, ValueError, "already an export"),
        (dict(records.best(30), family="hexagonal"), call, ValueError, "not a lattice family"),
        ({k: v for k, v in records.best(30).items() if k != "edges"}, call, ValueError,
         "lacks 'edges'"),
        (records.best(30), {"function": "f"}, TypeError, "call must be"),
        (records.best(30), call, ValueError, "unknown function 'f'"),
    ]
    for result, call, error, message in refused:
        with pytest.raises(error, match=message):
            graph.export_document(result, call)
