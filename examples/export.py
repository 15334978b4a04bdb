"""Exports an exact vantor result as JSON, GraphML and graph6.

    python examples/export.py OUTDIR                       # [2], 17, 2, 500
    python examples/export.py OUTDIR --generators 2 3 --prime 73 --k 1 --points 1000

Writes into OUTDIR:
- certified.json: the export of vantor_tools.exact.certify (the format of
  vantor_tools.graph: the call and the vantor version, the points as floats
  that read back bit for bit, their SHA-256 digest to cite, the exact field
  element of every point, the translations, the certified edges, the proven
  unit edges and the near misses), which vantor-cli check and
  examples/check_exact.py re-check;
- certified.graphml: one graph with the points as nodes (x, y attributes)
  and every pair within the audit tolerance as an edge, its kind
  "certified", "proven" or "near miss" (networkx, Gephi, igraph);
- certified.g6 and proven.g6: the certified and the exact unit-distance
  graph in graph6, the format of nauty, Sage and most SAT and graph tools.
It then reads the JSON back and checks it: exactly (vantor_tools.exact.check),
the points against the result, and the exact count against the edges that
count_unit_distances finds at 1e-9.

Needs networkx (pip install 'vantor[examples]').
"""

import argparse
import pathlib

import networkx as nx

import vantor
from vantor_tools import exact, graph


def to_graph(document):
    out = nx.Graph()
    for index, (x, y) in enumerate(document["points"]):
        out.add_node(index, x=x, y=y)
    certified = {(i, j) for i, j, _, _ in document["certified_edges"]}
    for i, j in document["proven_unit_edges"]:
        out.add_edge(i, j, kind="certified" if (i, j) in certified else "proven")
    for i, j in document["near_misses"]:
        out.add_edge(i, j, kind="near miss")
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("outdir", type=pathlib.Path)
    parser.add_argument("--generators", type=int, nargs="+", default=[2])
    parser.add_argument("--prime", type=int, default=17)
    parser.add_argument("--k", type=int, default=2)
    parser.add_argument("--points", type=int, default=500)
    args = parser.parse_args()
    args.outdir.mkdir(parents=True, exist_ok=True)

    parameters = {"generators": args.generators, "split_prime": args.prime, "k": args.k,
                  "n_target": args.points}
    result = exact.certify(**parameters)
    document = graph.export_document(
        result, {"function": "vantor_tools.exact.certify", "arguments": parameters})
    json_path = args.outdir / "certified.json"
    graph.write_json(json_path, document)

    everything = to_graph(document)
    nx.write_graphml(everything, args.outdir / "certified.graphml")
    nodes = range(len(document["points"]))
    for name, edges in (("certified", [edge[:2] for edge in document["certified_edges"]]),
                        ("proven", document["proven_unit_edges"])):
        simple = nx.Graph()
        simple.add_nodes_from(nodes)
        simple.add_edges_from(map(tuple, edges))
        nx.write_graph6(simple, str(args.outdir / f"{name}.g6"), header=False)

    # Read everything back and check it against the result.
    loaded = graph.read_json(json_path)
    loaded_points = [tuple(point) for point in loaded["points"]]
    recount = vantor.count_unit_distances(loaded_points, 1e-9)
    checks = {
        "every claim re-checked exactly": exact.check(loaded) is True,
        "points read back bit for bit": loaded_points == result["points"]
        and graph.points_sha256(loaded_points) == loaded["points_sha256"],
        f"count_unit_distances(points, 1e-9) = {recount} = exact count":
            recount == loaded["exact_unit_distances"],
        "GraphML and graph6 edges": nx.read_graphml(args.outdir / "certified.graphml")
        .number_of_edges() == everything.number_of_edges()
        and nx.read_graph6(str(args.outdir / "proven.g6")).number_of_edges()
        == loaded["exact_unit_distances"],
    }
    print(f"{len(loaded_points)} points, {len(loaded['certified_edges'])} certified edges, "
          f"{loaded['exact_unit_distances']} exact unit distances, "
          f"{len(loaded['near_misses'])} near misses; points sha256 {loaded['points_sha256']}")
    for path in sorted(args.outdir.iterdir()):
        print(f"  wrote {path}")
    for check, passed in checks.items():
        print(f"  {'agrees' if passed else 'DIFFERS'}: {check}")
    if not all(checks.values()):
        raise SystemExit(1)


if __name__ == "__main__":
    main()
