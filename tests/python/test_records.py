"""The records of vantor_tools.records: best(n) never below a simple
construction, the stored table and catalogue checked exactly when read and
refused when tampered with, canonical forms that tell graphs apart, and the
search through a dask cluster giving the in-process result."""

import concurrent.futures
import json
import math
import random

import pytest

import vantor
from vantor_tools import _lattice, _native, point_text, records
from vantor_tools import record_table as rt

# Densest unit-distance graphs up to isomorphism (OEIS A385657; Alexeev, Mixon
# and Parshall, arXiv:2412.11914), less the one of 17 points outside the Moser
# lattice.
MOSER_DENSEST_GRAPHS = [1, 1, 1, 1, 1, 4, 1, 3, 1, 1, 2, 1, 1, 2, 1, 1, 6, 16, 3, 1, 5]
# Numbers of non-isomorphic densest graphs found by Engel, Hammond-Lee, Su,
# Varga and Zsamboki (arXiv:2406.15317, Table 2) at sizes the catalogue meets.
TABLE_2_GRAPHS = {22: 35, 23: 10}


def claimed():
    table = rt.stored_table()
    return [0] + [table.best[n].unit_distances for n in range(1, table.n_max + 1)]


def test_the_table_never_loses_to_an_added_point_or_two_sets_side_by_side():
    count = claimed()
    n_max = len(count) - 1
    assert n_max >= 2000
    for n in range(3, n_max + 1):
        assert count[n] >= count[n - 1] + 2, n
        assert count[n] >= max(count[a] + count[n - a] for a in range(1, n // 2 + 1)), n


@pytest.mark.parametrize("n", [1, 2, 9, 96, 201, 250, 347, 455, 600, 601, 999, 1500, 2000])
def test_best_builds_the_claimed_set_and_beats_every_family(n):
    result = records.best(n)
    assert len(result["points"]) == n and result["verified"] is True
    assert result["unit_distances"] == claimed()[n] == len(result["edges"])
    assert _lattice.verify(result) is True
    assert vantor.count_unit_distances(result["points"], 1e-9) == result["unit_distances"]
    for family in (_lattice.square_lattice(n), _lattice.eisenstein_lattice(n)):
        assert result["unit_distances"] >= family["unit_distances"]
    try:
        assert result["unit_distances"] >= records.moser_atlas(n)["unit_distances"]
    except ValueError:
        pass


def one_more(line):
    n, frame, count, *recipe = line.split()
    return " ".join([n, frame, str(int(count) + 1), *recipe])


def tampered(lines, edit):
    text = "\n".join(edit(list(lines))) + "\n"
    return rt.parse(text)


@pytest.mark.parametrize("edit, error, message", [
    (lambda lines: [one_more(l) if l.startswith("200 ") else l for l in lines],
     RuntimeError, r"claims \d+ unit distances for moser 200, but its set has"),
    (lambda lines: [l for l in lines if not l.startswith("7 ")], ValueError, "no set of 7 points"),
    (lambda lines: lines + ["12 moser 5 atlas"], ValueError, "listed twice"),
    (lambda lines: lines + ["3 moser 3 patch disk 9"], ValueError, "unknown recipe"),
    (lambda lines: lines + ["150 eisenstein/13 9 union 40 grow 1"], ValueError, "needs"),
    (lambda lines: lines + ["5 hexagonal/7 7 family"], ValueError, "malformed"),
])
def test_a_tampered_table_is_refused(edit, error, message):
    lines = [rt.format_entry(e) for e in sorted(rt.stored_table().entries.values(),
                                                key=lambda e: (e.n, e.frame))
             if e.n <= 200]
    with pytest.raises(error, match=message):
        table = tampered(lines, edit)
        rt.build(table, [table.best[200]], records.moser_atlas, None)


def test_catalogue_entries_are_exact_densest_and_pairwise_non_isomorphic():
    for n in range(1, 22):
        assert len(records.catalogue(n)) == MOSER_DENSEST_GRAPHS[n - 1], n
    for n, found in TABLE_2_GRAPHS.items():
        entries = records.catalogue(n)
        assert len(entries) >= found
        forms = {entry["canonical_graph6"] for entry in entries}
        assert len(forms) == len(entries)
        for entry in entries[:5]:
            assert _lattice.verify(entry) is True
            assert entry["unit_distances"] == records.best(n)["unit_distances"]
    with pytest.raises(ValueError, match="^n must be between 1 and 100, got 101$"):
        records.catalogue(101)


def edit_catalogue(monkeypatch, n, edit):
    lines = records._stored_catalogue()
    edited = dict(lines)
    edited[n] = edit(list(lines[n]))
    monkeypatch.setattr(records, "_stored_catalogue", lambda: edited)


@pytest.mark.parametrize("edit, message", [
    # A point moved far away: the set loses unit distances.
    (lambda sets: [(sets[0][0], sets[0][1], "ZZZZ" + sets[0][2][4:])] + sets[1:],
     "unit distances"),
    # A form that is not the set's.
    (lambda sets: [(sets[0][0], sets[1][1], sets[0][2])] + sets[1:], "canonical graph6|repeat"),
    # One set twice.
    (lambda sets: sets + sets[:1], "repeat the graph"),
    # A count that is not the densest.
    (lambda sets: [(sets[0][0] + 1, sets[0][1], sets[0][2])], "claims"),
])
def test_a_tampered_catalogue_entry_is_rejected(monkeypatch, edit, message):
    edit_catalogue(monkeypatch, 22, edit)
    with pytest.raises(RuntimeError, match=message):
        records.catalogue(22)


def test_canonical_forms_follow_isomorphism_not_labels():
    first, second = records.catalogue(18)[:2]
    rows = first["coordinates"].tolist()
    generator = random.Random(5)
    for _ in range(3):
        generator.shuffle(rows)
        relabelled = _lattice.lattice_set("moser", 1, rt.with_rows(rows, 4), "catalogue")
        assert _native.canonical_graph6(18, relabelled["edges"]) == first["canonical_graph6"]
    assert first["canonical_graph6"] != second["canonical_graph6"]
    with pytest.raises(ValueError, match="is not a pair of distinct vertices"):
        _native.canonical_graph6(3, rt.with_rows([[0, 3]], 2))


def test_peeling_and_growing_refuse_repeated_points():
    with pytest.raises(ValueError, match="points 0 and 2"):
        _lattice.peel_order("eisenstein", 7, rt.with_rows([[0, 0], [1, 0], [0, 0]], 2))
    with pytest.raises(ValueError, match="not a norm"):
        _lattice.grow("moser", 7, rt.with_rows([[0, 0, 0, 0]], 4), 3)
    added, edges = _lattice.grow("eisenstein", 1, rt.with_rows([[0, 0], [1, 0]], 2), 2)
    # A triangle, then a rhombus: each point is the apex of a unit pair, the
    # smallest coordinates first among the two apexes.
    assert edges == [1, 3, 5] and added.tolist() == [[0, 1], [-1, 1]]


def test_a_search_through_a_dask_cluster_gives_the_in_process_result():
    distributed = pytest.importorskip("distributed")
    arguments = dict(n_max=20, width=30, seed=3, sweeps=2, tasks=3)
    here = records.beam_search(**arguments)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            seen = []
            there = records.beam_search(**arguments, executor=client.get_executor(),
                                        progress=lambda done, total: seen.append((done, total)))
    assert seen == [(1, 3), (2, 3), (3, 3)]
    assert {n: (r["unit_distances"], r["coordinates"].tobytes()) for n, r in here.items()} == \
        {n: (r["unit_distances"], r["coordinates"].tobytes()) for n, r in there.items()}


@pytest.mark.parametrize("text, points, message", [
    ("vvvv", 2, "expected 8 coordinate characters"),
    ("vv!v", 1, "expected 4 coordinate characters"),
    ("1,2,3;4,5,6,7", 2, "malformed decimal point"),
    ("1,2,3,4;" + "9" * 30 + ",0,0,0", 2, "malformed decimal point"),
    ("1,2,3,4", 2, "expected 2 points, found 1"),
])
def test_stored_point_text_is_read_strictly(text, points, message):
    with pytest.raises(ValueError, match=message):
        point_text.decode(text, points, 4)
    rows = [[-31, 0, 30, 5], [100, -100, 0, 0]]
    assert point_text.decode(point_text.encode(rows), 2, 4) == rows
    assert point_text.decode(point_text.encode(rows[:1]), 1, 4) == rows[:1]


@pytest.mark.parametrize("family, m, rows, message", [
    ("moser", 1, [[0, 0, 0, 0], [0, 0, 0, 0]], "points 0 and 1"),
    ("eisenstein", 7, [[0, 0], [2, 1], [0, 0]], "points"),
    ("eisenstein", 7, [[0, 0], [2**60, 0]], "exceed"),
    ("square", 3, [[0, 0]], None),
])
def test_sets_from_coordinates_are_checked(family, m, rows, message):
    table = rt.with_rows(rows, len(rows[0]))
    if message is None:
        # Any norm is accepted; 3 joins no two points of the square lattice.
        assert _lattice.lattice_set(family, m, table, "disk")["unit_distances"] == 0
        return
    with pytest.raises(ValueError, match=message):
        _lattice.lattice_set(family, m, table, "atlas" if family == "moser" else "disk")


def test_best_beyond_the_table_and_at_its_edges():
    assert records.best(0)["points"] == []
    with pytest.raises(OverflowError):
        records.best(-1)
    with pytest.raises(TypeError):
        records.best(2.0)
    beyond = records.best(2001)
    assert beyond["unit_distances"] >= records.best(2000)["unit_distances"] + 2


def test_cli_writes_every_catalogue_entry_as_a_checkable_export(tmp_path):
    from vantor_tools import cli
    assert cli.main(["best", "6", "--all", "--out", str(tmp_path)]) == 0
    files = sorted(tmp_path.glob("catalogue_6_*.json"))
    assert len(files) == 4
    for path in files:
        assert cli.main(["check", str(path)]) == 0
    document = json.loads(files[0].read_text())
    forms = {json.loads(p.read_text())["canonical_graph6"] for p in files}
    other = next(form for form in forms if form != document["canonical_graph6"])
    files[0].write_text(json.dumps(dict(document, canonical_graph6=other)))
    assert cli.main(["check", str(files[0])]) == 1
    files[0].write_text(json.dumps(dict(document, shape="atlas")))
    assert cli.main(["check", str(files[0])]) == 1


@pytest.mark.parametrize("frame, recipe_small, recipe_large", [
    ("moser", "atlas", "atlas"),
    ("eisenstein/7", "patch hexagon 12", "patch disk 40"),
])
def test_two_sets_side_by_side_keep_their_counts_and_nothing_between(frame, recipe_small,
                                                                     recipe_large):
    def counted(n, recipe):
        entry = rt.Entry(n, frame, 0, tuple(recipe.split()))
        rows, _ = rt.Builder(rt.RecordTable({}, {}, 0), records.moser_atlas, None) \
            ._base_rows(entry)
        return _lattice.lattice_set(entry.family, entry.m, rt.with_rows(rows, len(rows[0])),
                                    "atlas" if entry.family == "moser" else "disk")

    small, large = counted(9, recipe_small), counted(30, recipe_large)
    total = small["unit_distances"] + large["unit_distances"]

    def table(claim):
        entries = [rt.Entry(9, frame, small["unit_distances"], tuple(recipe_small.split())),
                   rt.Entry(30, frame, large["unit_distances"], tuple(recipe_large.split())),
                   rt.Entry(39, frame, claim, ("union", "9"))]
        return rt.RecordTable({(e.frame, e.n): e for e in entries}, {}, 0)

    made = table(total)
    union = rt.Builder(made, records.moser_atlas, None).build(made.entries[(frame, 39)])
    assert union["unit_distances"] == total and union["shape"] == "union"
    points = union["points"]
    # The smaller set comes first; no point of it is within 1.5 of the other.
    assert min(math.dist(p, q) for p in points[:9] for q in points[9:]) > 1.5
    wrong = table(total + 1)
    with pytest.raises(RuntimeError, match="claims"):
        rt.Builder(wrong, records.moser_atlas, None).build(wrong.entries[(frame, 39)])


@pytest.mark.parametrize("line, message", [
    ("9 moser 18 atlas grow 9", "size out of range"),
    ("9 eisenstein/7 10 patch disk 8", "unknown recipe"),
    ("9 eisenstein/7 10 patch disk 9999", "unknown recipe"),
    ("9 eisenstein/07 10 family", "malformed"),
    ("9 moser 18 union 9", "unknown recipe"),
    ("9 moser x atlas", "malformed"),
])
def test_malformed_table_lines_are_named(line, message):
    with pytest.raises(ValueError, match="line 2: " + message):
        rt.parse("1 moser 0 atlas\n" + line + "\n")


def test_standard_position_is_the_same_for_congruent_sets():
    rows = records.moser_atlas(27)["coordinates"].tolist()
    # Turned by w1 (a + b w1 + c w3 + d w1 w3 times w1) and moved.
    turned = [[-b + 3, a + b + 1, -d, c + d + 2] for a, b, c, d in rows]
    placed = _lattice.standard_position(rt.with_rows(rows, 4)).tolist()
    assert _lattice.standard_position(rt.with_rows(turned, 4)).tolist() == placed
    assert _lattice.lattice_set("moser", 1, rt.with_rows(placed, 4), "atlas")[
        "unit_distances"] == 81
    with pytest.raises(ValueError, match="distinct"):
        _lattice.standard_position(rt.with_rows(rows[:3] + rows[:1], 4))


class Failing(concurrent.futures.Executor):
    """Runs the first task, fails the second and leaves the rest pending."""

    def __init__(self):
        self.futures = []

    def submit(self, fn, /, *args, **kwargs):
        future = concurrent.futures.Future()
        if len(self.futures) == 0:
            future.set_result(fn(*args, **kwargs))
        elif len(self.futures) == 1:
            future.set_exception(ConnectionError("worker lost"))
        self.futures.append(future)
        return future


def test_a_failed_task_cancels_the_others_and_bad_requests_submit_nothing(capfd):
    executor = Failing()
    with pytest.raises(ConnectionError, match="worker lost"):
        records.beam_search(10, width=5, tasks=4, executor=executor, progress=True)
    assert [f.cancelled() for f in executor.futures] == [False, False, True, True]
    assert "beam search tasks" in capfd.readouterr().err
    idle = Failing()
    with pytest.raises(ValueError, match="tasks must be between 1 and 65536, got 0"):
        records.beam_search(10, tasks=0, executor=idle)
    assert idle.futures == []
    with pytest.raises(ValueError, match="n_max must be between 1 and 5000"):
        _lattice.merge_search_tasks(0, [])
    with pytest.raises(ValueError, match="empty"):
        _lattice.merge_search_tasks(3, [])
