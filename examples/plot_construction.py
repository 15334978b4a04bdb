"""Draws a vantor point set with its unit-distance edges and writes a PNG.

    python examples/plot_construction.py out.png                  # certified construction
    python examples/plot_construction.py out.png --generators 2 3 --prime 73 --k 1 --points 500
    python examples/plot_construction.py out.png --grid moser     # or square, triangular

For a certified result the edges are drawn in three kinds:
- certified edges: the two points' exact field elements differ by a norm-one
  translation, so their distance is exactly 1;
- audit edges that are not certified but whose computed distance is within
  1e-9 of 1 ("exact-looking");
- audit edges that are near misses: within the audit tolerance 1e-4 of 1,
  but more than 1e-9 away from it.
For a reference construction the edges are the pairs at distance 1 within
1e-9, found here numerically.

Needs matplotlib (pip install 'vantor[examples]').
"""

import argparse
import math

import matplotlib

matplotlib.use("Agg")  # files only, no window

import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.collections import LineCollection  # noqa: E402
from matplotlib.lines import Line2D  # noqa: E402

import vantor  # noqa: E402

# A pair whose computed distance is this close to 1 is drawn as a unit edge.
EXACT_LOOKING = 1e-9


def distance(points, edge):
    (x1, y1), (x2, y2) = points[edge[0]], points[edge[1]]
    return math.hypot(x2 - x1, y2 - y1)


def unit_pairs(points, tolerance):
    """All pairs (i, j), i < j, at distance 1 within `tolerance` (for small sets)."""
    return [
        (i, j)
        for i in range(len(points))
        for j in range(i + 1, len(points))
        if abs(distance(points, (i, j)) - 1.0) <= tolerance
    ]


def classify(points, certified_edges, audit_edges):
    """Splits the edges into certified, exact-looking audit-only and near-miss audit-only."""
    certified = set(certified_edges)
    audit_only = [edge for edge in audit_edges if edge not in certified]
    exact_looking = [e for e in audit_only if abs(distance(points, e) - 1.0) <= EXACT_LOOKING]
    near_misses = [e for e in audit_only if abs(distance(points, e) - 1.0) > EXACT_LOOKING]
    return list(certified_edges), exact_looking, near_misses


# Drawing order is back to front: the many exact edges light and thin, the
# few near misses bold on top of them.
STYLES = [
    ("certified (exact unit distance)", "#3182bd", "-", 0.6, 0.45),
    ("exact-looking (|d - 1| <= 1e-9), audit only", "#31a354", "-", 0.6, 0.6),
    ("near miss (1e-9 < |d - 1| <= 1e-4), audit only", "#d62728", "-", 2.0, 1.0),
]


def draw(points, edge_sets, title, path):
    figure, axes = plt.subplots(figsize=(8, 8.6), dpi=100)
    handles = []
    for (label, colour, style, width, alpha), edges in zip(STYLES, edge_sets):
        if not edges:
            continue
        segments = [(points[i], points[j]) for i, j in edges]
        axes.add_collection(LineCollection(segments, colors=colour, linestyles=style,
                                           linewidths=width, alpha=alpha))
        handles.append(Line2D([], [], color=colour, linestyle=style, linewidth=max(width, 1.5),
                              label=f"{label}: {len(edges)}"))
    xs, ys = zip(*points)
    axes.scatter(xs, ys, s=6, color="black", zorder=3)
    handles.append(Line2D([], [], marker="o", color="black", linestyle="",
                          markersize=3, label=f"points: {len(points)}"))
    axes.set_aspect("equal")
    axes.autoscale_view()
    axes.set_axis_off()
    axes.set_title(title, fontsize=11)
    axes.legend(handles=handles, loc="upper center", bbox_to_anchor=(0.5, 0.0), ncol=2,
                frameon=False, fontsize=9)
    figure.tight_layout()
    figure.savefig(path)
    plt.close(figure)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output", help="PNG file to write")
    parser.add_argument("--grid", choices=["square", "triangular", "moser"],
                        help="draw a reference construction instead")
    parser.add_argument("--generators", type=int, nargs="+", default=[2])
    parser.add_argument("--prime", type=int, default=17)
    parser.add_argument("--k", type=int, default=3)
    parser.add_argument("--points", type=int, default=300)
    args = parser.parse_args()

    if args.grid:
        points = {
            "square": lambda: vantor.generate_square_grid(12, 12),
            "triangular": lambda: vantor.generate_triangular_grid(args.points),
            "moser": vantor.generate_moser_spindle,
        }[args.grid]()
        edges = unit_pairs(points, EXACT_LOOKING)
        draw(points, [edges, [], []], f"{args.grid}: {len(points)} points", args.output)
        print(f"{args.output}: {len(points)} points, {len(edges)} unit edges")
        return

    result = vantor.generate_multiquadratic_certified(args.generators, args.prime, args.k,
                                                      args.points)
    points = result["points"]
    certified, exact_looking, near_misses = classify(points, result["certified_edges"],
                                                     result["audit_edges"])
    title = (f"generate_multiquadratic_certified({args.generators}, {args.prime}, "
             f"{args.k}, {args.points})\naudit edges: distance 1 within 1e-4")
    draw(points, [certified, exact_looking, near_misses], title, args.output)
    print(f"{args.output}: {len(points)} points, {len(certified)} certified edges, "
          f"{len(exact_looking)} exact-looking and {len(near_misses)} near-miss audit-only edges")


if __name__ == "__main__":
    main()
