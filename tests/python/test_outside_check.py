"""The outside re-check (examples/check_exact.py, sympy and the standard
library) against vantor-cli check: on a corpus of exports of every kind,
each edited in one way, the two accept and reject the same files."""

import copy
import importlib.util
import json
import math
import pathlib

import pytest

from vantor_tools import cli, documents, exact, graph, lattice, records

pytest.importorskip("sympy", reason="the outside re-check needs sympy")

CHECK_EXACT = pathlib.Path(__file__).resolve().parents[2] / "examples" / "check_exact.py"


@pytest.fixture(scope="module")
def outside():
    module_spec = importlib.util.spec_from_file_location("check_exact", CHECK_EXACT)
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    return module


def exports():
    made = {
        "square": (lattice.square_lattice(40), "vantor_tools.lattice.square_lattice", {"n": 40}),
        "eisenstein": (lattice.eisenstein_lattice(60, m=7),
                       "vantor_tools.lattice.eisenstein_lattice", {"n": 60, "m": 7}),
        "moser": (records.best(30), "vantor_tools.records.best", {"n": 30}),
        "catalogue": (records.catalogue(12)[0], "vantor_tools.records.catalogue", {"n": 12}),
        "multiquadratic": (exact.certify([2], 17, 3, 200), "vantor_tools.exact.certify",
                           {"generators": [2], "split_prime": 17, "k": 3, "n_target": 200}),
    }
    return {name: json.loads(json.dumps(graph.export_document(
        result, {"function": function, "arguments": arguments})))
        for name, (result, function, arguments) in made.items()}


def redigest(document):
    document["points_sha256"] = documents.points_sha256(document["points"])


def next_float(x):
    return math.nextafter(x, math.inf)


def drop_edge(key, recount):
    def edit(d):
        d[key].pop(len(d[key]) // 2)
        if recount:
            d[recount] -= 1
    return edit


def add_edge(d):
    n, listed = len(d["points"]), {tuple(e) for e in d["edges"]}
    extra = next((i, j) for i in range(n) for j in range(i + 1, n) if (i, j) not in listed)
    d["edges"] = sorted(d["edges"] + [list(extra)])
    d["unit_distances"] += 1


def nudge_point(d):
    d["points"][3][0] = next_float(d["points"][3][0])
    redigest(d)


def move_lattice_point(outside):
    def edit(d):
        # Point 0 becomes the lattice point one step further, its float with it.
        d["coordinates"][0][0] += 1
        d["points"][0] = list(outside.lattice_point(d["family"], d["coordinates"][0], d["norm"]))
        redigest(d)
    return edit


def duplicate_point(d):
    d["coordinates"][1] = list(d["coordinates"][0])
    d["points"][1] = list(d["points"][0])
    redigest(d)


def swap_edges(key):
    def edit(d):
        d[key][0], d[key][1] = d[key][1], d[key][0]
    return edit


def flip_graph6_bit(d):
    text = d["canonical_graph6"]
    d["canonical_graph6"] = text[:-1] + chr(((ord(text[-1]) - 63) ^ 1) + 63)


def moved_to_near_misses(d):
    edge = d["proven_unit_edges"].pop()
    d["near_misses"] = sorted(d["near_misses"] + [edge])
    d["certified_edges"] = [e for e in d["certified_edges"] if e[:2] != edge]
    d["exact_unit_distances"] -= 1


def changed_coefficient(d):
    element = d["elements"][5]
    element[0] = str(int(element[0].split("/")[0]) + 1) + (
        "/" + element[0].split("/")[1] if "/" in element[0] else "")


def setter(key, value):
    def edit(d):
        if callable(value):
            d[key] = value(d)
        else:
            d[key] = value
    return edit


def lattice_edits(outside):
    return {
        "one edge removed, count lowered": drop_edge("edges", "unit_distances"),
        "one edge removed": drop_edge("edges", None),
        "a pair not at the norm added": add_edge,
        "count raised": setter("unit_distances", lambda d: d["unit_distances"] + 1),
        "norm changed": setter("norm", lambda d: d["norm"] + 1),
        "point moved by one ulp, digest updated": nudge_point,
        "point moved to another lattice point, digest updated": move_lattice_point(outside),
        "point repeated, digest updated": duplicate_point,
        "digest changed": setter("points_sha256", "0" * 64),
        "edges out of order": swap_edges("edges"),
        "call asks for another n": lambda d: d["call"]["arguments"].update(n=7),
        "unknown key": setter("comment", "x"),
        "family changed": setter("family", lambda d: "square" if d["family"] != "square"
                                 else "eisenstein"),
        "generators reordered or added": setter(
            "generators_completed", lambda d: list(reversed(d["generators_completed"]))
            if len(d["generators_completed"]) > 1 else [3, -1]),
        "shape unknown": setter("shape", "blob"),
        "another version": setter("vantor_version", "9.9.9"),
    }


CATALOGUE_EDITS = {
    "canonical graph6 with an edge more or less": flip_graph6_bit,
    "canonical graph6 removed": lambda d: d.pop("canonical_graph6"),
}
MULTIQUADRATIC_EDITS = {
    "one proven edge removed, count lowered": drop_edge("proven_unit_edges",
                                                        "exact_unit_distances"),
    "one near miss removed": drop_edge("near_misses", None),
    "a proven edge called a near miss": moved_to_near_misses,
    "near misses out of order": swap_edges("near_misses"),
    "count raised": setter("exact_unit_distances", lambda d: d["exact_unit_distances"] + 1),
    "an element changed": changed_coefficient,
    "point moved by one ulp, digest updated": nudge_point,
    "digest changed": setter("points_sha256", "f" * 64),
    "a translation changed": lambda d: d["translations"][0].__setitem__(1, "1/3"),
    "a certified edge's sign flipped": lambda d: d["certified_edges"][0].__setitem__(
        3, -d["certified_edges"][0][3]),
    "audit tolerance widened": setter("audit_tolerance", 0.01),
    "audit tolerance zero": setter("audit_tolerance", 0.0),
    "call with other generators": lambda d: d["call"]["arguments"].update(generators=[3]),
    "call with a smaller n_target": lambda d: d["call"]["arguments"].update(n_target=10),
    "unknown key": setter("comment", "x"),
    "another version": setter("vantor_version", "9.9.9"),
}

def test_the_outside_check_rejects_exactly_what_vantor_cli_check_rejects(outside, tmp_path):
    corpus = []
    for name, document in exports().items():
        edits = dict(MULTIQUADRATIC_EDITS if name == "multiquadratic" else lattice_edits(outside))
        if name == "catalogue":
            edits.update(CATALOGUE_EDITS)
        corpus.append((name, "as exported", document))
        for what, edit in edits.items():
            edited = copy.deepcopy(document)
            edit(edited)
            corpus.append((name, what, edited))
    verdicts = {}
    for k, (name, what, document) in enumerate(corpus):
        path = tmp_path / f"{k}.json"
        path.write_text(json.dumps(document))
        try:
            outside.check(str(path))
            accepted_outside = True
        except (outside.FormatError, outside.ClaimFailed):
            accepted_outside = False
        accepted_inside = cli.main(["check", str(path)]) == 0
        verdicts[name, what] = (accepted_inside, accepted_outside)
    disagreements = {key: v for key, v in verdicts.items() if v[0] != v[1]}
    assert not disagreements
    accepted = sorted(key for key, (inside, _) in verdicts.items() if inside)
    assert accepted == sorted((name, what) for name in exports()
                              for what in ("as exported", "another version"))
