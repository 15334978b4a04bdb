"""Draws a vantor point set with its unit-distance edges and writes a PNG.

    python examples/plot_construction.py out.png                  # certified construction
    python examples/plot_construction.py out.png --generators 2 3 --prime 73 --k 1 --points 500
    python examples/plot_construction.py out.png --grid moser     # or square, triangular

For a multiquadratic result (vantor_tools.exact.certify) every pair within
the audit tolerance 1e-4 of distance 1 has an exact verdict, and the edges
are drawn in three kinds:
- certified edges: the two points' exact field elements differ by a
  norm-one translation;
- proven edges: not certified, but the difference of the two elements has
  modulus exactly 1 (proven in exact arithmetic);
- near misses: within 1e-4 of distance 1, but not exactly 1.
For a reference construction the edges are the pairs at distance 1 within
1e-9 (vantor_tools.unit_edges).

Needs matplotlib (pip install 'vantor[examples]').
"""

import argparse

import matplotlib

matplotlib.use("Agg")  # files only, no window

import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.collections import LineCollection  # noqa: E402
from matplotlib.lines import Line2D  # noqa: E402

import vantor  # noqa: E402
import vantor_tools  # noqa: E402
from vantor_tools import exact  # noqa: E402

# The tolerance of the edges of a reference construction.
EXACT_LOOKING = 1e-9


# Drawing order is back to front: the many exact edges light and thin, the
# few near misses bold on top of them.
STYLES = [
    ("certified (exact unit distance)", "#3182bd", "-", 0.6, 0.45),
    ("proven exactly, not certified", "#31a354", "-", 0.6, 0.6),
    ("near miss (within 1e-4, not exactly 1)", "#d62728", "-", 2.0, 1.0),
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
        edges = vantor_tools.unit_edges(points, EXACT_LOOKING).tolist()
        draw(points, [edges, [], []], f"{args.grid}: {len(points)} points", args.output)
        print(f"{args.output}: {len(points)} points, {len(edges)} unit edges")
        return

    result = exact.certify(args.generators, args.prime, args.k, args.points)
    points = result["points"]
    certified = [tuple(edge[:2]) for edge in result["certified_edges"].tolist()]
    certified_set = set(certified)
    proven = [tuple(e) for e in result["proven_unit_edges"].tolist()
              if tuple(e) not in certified_set]
    near_misses = result["near_misses"].tolist()
    title = (f"certify({args.generators}, {args.prime}, {args.k}, {args.points}): "
             f"{result['exact_unit_distances']} exact unit distances")
    draw(points, [certified, proven, near_misses], title, args.output)
    print(f"{args.output}: {len(points)} points, {len(certified)} certified edges, "
          f"{len(proven)} more proven exactly, {len(near_misses)} near misses")


if __name__ == "__main__":
    main()
