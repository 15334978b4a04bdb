"""Exports a certified vantor result as JSON, GraphML and graph6.

    python examples/export.py OUTDIR                       # [2], 17, 2, 500
    python examples/export.py OUTDIR --generators 2 3 --prime 73 --k 1 --points 1000

Writes into OUTDIR:
- certified.json: the parameters, the points (floats written so that they
  read back bit for bit), the certified edges, the audit edges, the counts
  and a SHA-256 digest of the points to cite;
- certified.graphml: one graph with the points as nodes (x, y attributes)
  and every audit edge, marked certified or not (networkx, Gephi, igraph);
- certified.g6 and audit.g6: the certified and the audit graph in graph6,
  the format of nauty, Sage and most SAT and graph tools.
It then reads the JSON back, re-counts the unit distances of its points with
count_unit_distances and checks that the counts agree with the result.

Needs networkx (pip install 'vantor[examples]').
"""

import argparse
import hashlib
import json
import pathlib
import struct

import networkx as nx

import vantor

# The tolerance of the audit edges: every pair at distance 1 within it.
AUDIT_TOLERANCE = 1e-4


def points_digest(points):
    """SHA-256 of the coordinates as little-endian float64, x then y, point by point."""
    digest = hashlib.sha256()
    for x, y in points:
        digest.update(struct.pack("<dd", x, y))
    return digest.hexdigest()


def to_json(result, parameters):
    return {
        "format": "vantor certified point set",
        "vantor_call": "generate_multiquadratic_certified",
        "parameters": parameters,
        "construction": result["construction"],
        "verified": result["verified"],
        "audit_tolerance": AUDIT_TOLERANCE,
        "point_count": result["point_count"],
        "certified_edge_count": result["certified_edge_count"],
        "audit_edge_count": result["audit_edge_count"],
        "points_sha256": points_digest(result["points"]),
        "points": [list(point) for point in result["points"]],
        "certified_edges": [list(edge) for edge in result["certified_edges"]],
        "audit_edges": [list(edge) for edge in result["audit_edges"]],
    }


def to_graph(document):
    graph = nx.Graph()
    for index, (x, y) in enumerate(document["points"]):
        graph.add_node(index, x=x, y=y)
    certified = {tuple(edge) for edge in document["certified_edges"]}
    for i, j in document["audit_edges"]:
        graph.add_edge(i, j, certified=(i, j) in certified)
    # A certified edge is at distance 1 up to rounding, so it is an audit
    # edge too; add any that is not, so the graph holds every edge.
    for i, j in certified - set(graph.edges):
        graph.add_edge(i, j, certified=True)
    return graph


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
    result = vantor.generate_multiquadratic_certified(**parameters)
    document = to_json(result, parameters)
    json_path = args.outdir / "certified.json"
    # One key per line, each value on one line. json writes floats by repr,
    # the shortest text that reads back exactly.
    fields = (f" {json.dumps(key)}: {json.dumps(value)}" for key, value in document.items())
    json_path.write_text("{\n" + ",\n".join(fields) + "\n}\n")

    graph = to_graph(document)
    nx.write_graphml(graph, args.outdir / "certified.graphml")
    points = range(len(document["points"]))
    for name, edges in (("certified", document["certified_edges"]),
                        ("audit", document["audit_edges"])):
        simple = nx.Graph()
        simple.add_nodes_from(points)
        simple.add_edges_from(map(tuple, edges))
        nx.write_graph6(simple, str(args.outdir / f"{name}.g6"), header=False)

    # Read everything back and check it against the result.
    loaded = json.loads(json_path.read_text())
    loaded_points = [tuple(point) for point in loaded["points"]]
    recount = vantor.count_unit_distances(loaded_points, AUDIT_TOLERANCE)
    checks = {
        "points read back bit for bit": loaded_points == result["points"]
        and points_digest(loaded_points) == loaded["points_sha256"],
        f"count_unit_distances(points, {AUDIT_TOLERANCE}) = {recount} audit edges":
            recount == loaded["audit_edge_count"] == len(loaded["audit_edges"]),
        "GraphML edges": nx.read_graphml(args.outdir / "certified.graphml").number_of_edges()
        == graph.number_of_edges(),
        "graph6 certified edges": nx.read_graph6(str(args.outdir / "certified.g6"))
        .number_of_edges() == loaded["certified_edge_count"],
    }
    print(f"{result['point_count']} points, {result['certified_edge_count']} certified edges, "
          f"{result['audit_edge_count']} audit edges; points sha256 {document['points_sha256']}")
    for path in sorted(args.outdir.iterdir()):
        print(f"  wrote {path}")
    for check, passed in checks.items():
        print(f"  {'agrees' if passed else 'DIFFERS'}: {check}")
    if not all(checks.values()):
        raise SystemExit(1)


if __name__ == "__main__":
    main()
