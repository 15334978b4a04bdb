"""Unit-distance graphs out: networkx, graph6 and DIMACS agree with the
edges of every kind of result, and edges read from a file are checked."""

import sys

import pytest

import vantor
from vantor_tools import exact, graph, records


def results():
    return {
        "lattice": records.best(40),
        "exact": exact.certify([2], 17, 2, 60),
        "certified": vantor.generate_multiquadratic_certified([2], 17, 2, 60),
        "points": [(0.0, 0.0), (1.0, 0.0), (0.5, 0.75**0.5), (3.0, 3.0)],
    }


def exact_edges(result):
    if isinstance(result, list):
        return [(0, 1), (0, 2), (1, 2)]
    key = next(k for k in ("edges", "proven_unit_edges", "certified_edges") if k in result)
    return sorted(tuple(row[:2]) for row in result[key])


def test_every_format_carries_the_exact_edges():
    networkx = pytest.importorskip("networkx")
    for name, result in results().items():
        expected = exact_edges(result)
        n = len(result) if isinstance(result, list) else len(result["points"])
        g = graph.to_networkx(result)
        assert sorted(g.nodes) == list(range(n)), name
        assert sorted(tuple(sorted(e)) for e in g.edges) == expected, name
        reference = networkx.Graph()
        reference.add_nodes_from(range(n))
        reference.add_edges_from(expected)
        assert graph.to_graph6(result) == \
            networkx.to_graph6_bytes(reference, header=False).decode().strip(), name
        lines = graph.to_dimacs(result).splitlines()
        assert lines[0] == f"p edge {n} {len(expected)}", name
        assert [tuple(int(v) - 1 for v in line.split()[1:]) for line in lines[1:]] == expected
    g = graph.to_networkx(results()["lattice"])
    assert g.nodes[5]["pos"] == results()["lattice"]["points"][5]
    g = graph.to_networkx(iter([0j, 1 + 0j, 5j]))
    assert dict(g.nodes(data="pos")) == {0: (0.0, 0.0), 1: (1.0, 0.0), 2: (0.0, 5.0)}
    assert list(g.edges) == [(0, 1)]


def test_edges_read_from_a_file_are_checked(tmp_path):
    document = graph.export_document(records.best(12), {
        "function": "vantor_tools.records.best", "arguments": {"n": 12}})
    for bad in ([0, 12], [3, 3], [-1, 2], [True, 2], [0.0, 1], [1]):
        edited = dict(document, edges=document["edges"][:-1] + [bad])
        with pytest.raises(ValueError, match=rf"edges\[{len(document['edges']) - 1}\] is not a "
                                             "pair of distinct point indices below 12"):
            graph.to_dimacs(edited)
    path = tmp_path / "g.g6"
    graph.write_graph(path, document, "graph6")
    assert path.read_text() == graph.to_graph6(document) + "\n"
    graph.write_graph(path, document, "dimacs")
    assert path.read_text() == graph.to_dimacs(document)
    with pytest.raises(ValueError, match="'graph6' or 'dimacs'"):
        graph.write_graph(path, document, "gml")


def test_without_networkx_the_message_says_what_to_install(monkeypatch):
    monkeypatch.setitem(sys.modules, "networkx", None)
    with pytest.raises(ImportError, match=r"to_networkx needs networkx \(pip install networkx\)"):
        graph.to_networkx([(0.0, 0.0)])
