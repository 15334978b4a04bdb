"""The Moser lattice sets of vantor_lattice: best() never below a lattice
family and at the known maxima, atlas sets whose float points count the same
as their exact edges, verify() against edited Moser results, and a search
that gives the same sets for every thread count and through an executor."""

import concurrent.futures
import os
import re
import signal
import threading

import pytest

import vantor
import vantor_lattice as vl

# Known maxima u(n) (OEIS A186705), exact for n <= 21.
KNOWN_MAXIMA = [0, 1, 3, 5, 7, 9, 12, 14, 18, 20, 23, 27, 30, 33, 37, 41, 43, 46, 50, 54, 57]


def counts(found):
    return {n: (r["unit_distances"], r["coordinates"].tobytes()) for n, r in found.items()}


@pytest.mark.parametrize("n", [5, 9, 12, 21, 27, 64, 100, 200])
def test_best_meets_the_known_maxima_and_never_falls_below_a_family(n):
    result = vl.best(n)
    count = result["unit_distances"]
    assert len(result["points"]) == n and result["verified"] is True
    if n <= len(KNOWN_MAXIMA):
        assert count == KNOWN_MAXIMA[n - 1]
    families = [vl.square_lattice(n), vl.eisenstein_lattice(n), vl.moser_atlas(n)]
    assert count >= max(family["unit_distances"] for family in families)
    # The float points count the same as the exact edges.
    assert vantor.count_unit_distances(result["points"], 1e-9) == count
    if result["family"] == "moser":
        assert result["coordinates"].shape == (n, 4)
        assert vl.verify(result) is True


def writable(view):
    rows, columns = view.shape
    return memoryview(bytearray(view.tobytes())).cast("q", [rows, columns])


def move_point(result):
    coordinates = writable(result["coordinates"])
    coordinates[10, 0] += 3
    result["coordinates"] = coordinates


def edge_table(rows):
    return memoryview(bytearray(b"".join(
        i.to_bytes(8, "little", signed=True) + j.to_bytes(8, "little", signed=True)
        for i, j in rows))).cast("q", [len(rows), 2])


def coincide(result):
    """Point 0 copied onto the first point not joined to it, whose edges go."""
    edges = [tuple(e) for e in result["edges"].tolist()]
    j = next(j for j in range(1, 27) if (0, j) not in edges)
    coordinates = writable(result["coordinates"])
    for k in range(4):
        coordinates[j, k] = coordinates[0, k]
    result["coordinates"] = coordinates
    result["points"][j] = result["points"][0]
    result["edges"] = edge_table([e for e in edges if j not in e])
    result["expected"] = f"points 0 and {j} have the same coordinates"


def extra_edge(result):
    edges = [tuple(e) for e in result["edges"].tolist()]
    extra = next((0, j) for j in range(1, 27) if (0, j) not in edges)
    result["edges"] = edge_table(sorted(edges + [extra]))


@pytest.mark.parametrize("edit, message", [
    (move_point, "points[10] is not the plane point of its coordinates"),
    (coincide, None),
    (extra_edge, "edge "),
])
def test_verify_rejects_an_edited_moser_result(edit, message):
    result = vl.best(27)
    assert result["family"] == "moser"
    edit(result)
    message = message or result.pop("expected")
    with pytest.raises(ValueError, match="^" + re.escape(message)):
        vl.verify(result)


def test_search_is_the_same_for_every_thread_count_and_through_an_executor(monkeypatch):
    arguments = dict(n_max=24, width=40, seed=5, sweeps=2, tasks=2)
    monkeypatch.setenv("VANTOR_NUM_THREADS", "1")
    single = counts(vl.beam_search(**arguments))
    monkeypatch.setenv("VANTOR_NUM_THREADS", "2")
    assert counts(vl.beam_search(**arguments)) == single
    with concurrent.futures.ProcessPoolExecutor(2) as pool:
        assert counts(vl.beam_search(**arguments, executor=pool)) == single
    assert [single[n][0] for n in range(1, 22)] == KNOWN_MAXIMA


def test_progress_reaches_the_total_and_bad_arguments_raise():
    seen = []
    vl.beam_search(12, width=10, progress=lambda done, total: seen.append((done, total)))
    assert seen and seen[-1][0] == seen[-1][1]
    assert [done for done, _ in seen] == sorted({done for done, _ in seen})
    with pytest.raises(ValueError, match=r"^width must be between 1 and 1000000, got 0$"):
        vl.beam_search(10, width=0)
    with pytest.raises(ValueError, match=r"^n must be between 1 and 600, got 0$"):
        vl.moser_atlas(0)
    with pytest.raises(TypeError, match="progress"):
        vl.beam_search(10, progress=5)

    class Broken(concurrent.futures.Executor):
        def submit(self, fn, /, *args, **kwargs):
            future = concurrent.futures.Future()
            future.set_result("not a search result")
            return future

    with pytest.raises(ValueError, match="task 0 returned"):
        vl.beam_search(10, executor=Broken())
    # Pools that cannot fit in memory fail at once, saying so.
    with pytest.raises(MemoryError, match=r"^request needs about [\d.]+ [KMGTPE]iB; "):
        vl.beam_search(5000, width=10**6)


def test_progress_true_shows_a_bar_or_a_line(capfd):
    vl.beam_search(10, width=5, progress=True)
    assert "beam search" in capfd.readouterr().err


@pytest.mark.skipif(threading.current_thread() is not threading.main_thread(),
                    reason="signals are delivered to the main thread")
def test_sigint_stops_a_search():
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            vl.beam_search(200, width=1000)  # a minute when left to run
    finally:
        timer.cancel()
    assert vl.beam_search(8, width=5)[8]["unit_distances"] == 14


class Replaying(concurrent.futures.Executor):
    """Runs each task here and hands back what `edit` makes of its result:
    a stand-in for a remote worker whose answer cannot be trusted."""

    def __init__(self, edit):
        self.edit = edit

    def submit(self, fn, /, *args, **kwargs):
        future = concurrent.futures.Future()
        future.set_result(self.edit(fn(*args, **kwargs)))
        return future


def claim_one_more(result):
    entries = list(result)
    count, coordinates = entries[-1]
    entries[-1] = (count + 1, coordinates)
    return tuple(entries)


def repeat_a_point(result):
    entries = list(result)
    count, coordinates = entries[-1]
    entries[-1] = (count, coordinates[:32] + coordinates[:-32])
    return tuple(entries)


@pytest.mark.parametrize("edit, message", [
    (claim_one_more, r"^the search's set of 12 points claims \d+ unit distances but has \d+$"),
    (repeat_a_point, r"^the search's set of 12 points fails its exact check: points 0 and \d+ "),
])
def test_task_results_from_an_executor_are_checked_exactly(edit, message):
    seen = []
    honest = vl.beam_search(12, width=8, tasks=2, executor=Replaying(lambda r: r),
                            progress=lambda done, total: seen.append((done, total)))
    assert seen == [(1, 2), (2, 2)]
    assert counts(honest) == counts(vl.beam_search(12, width=8, tasks=2))
    with pytest.raises(RuntimeError, match=message):
        vl.beam_search(12, width=8, executor=Replaying(edit))


def test_verify_reads_moser_tables_from_numpy():
    numpy = pytest.importorskip("numpy")
    result = vl.moser_atlas(40)
    as_arrays = dict(result, coordinates=numpy.asarray(result["coordinates"]),
                     edges=numpy.array(result["edges"]), points=numpy.asarray(result["points"]))
    assert vl.verify(as_arrays) is True
    with pytest.raises(TypeError, match=r"^result\['coordinates'\] must have shape \(rows, 4\)"):
        vl.verify(dict(as_arrays, coordinates=as_arrays["coordinates"][:, :2].copy()))


def test_the_atlas_ends_at_600_and_moser_results_need_no_norm():
    assert vl.best(200)["family"] == "moser"
    assert vl.best(600)["family"] == "eisenstein"
    with pytest.raises(ValueError, match=r"^n must be between 1 and 600, got 601$"):
        vl.moser_atlas(601)
    # 'm' is not read for a Moser lattice result, 'family' is.
    result = vl.moser_atlas(30)
    del result["m"]
    assert vl.verify(result) is True
    with pytest.raises(ValueError, match="^result\\['family'\\] must be 'square', 'eisenstein' or 'moser'"):
        vl.verify(dict(result, family="spindle"))
