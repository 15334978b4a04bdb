"""vantor-cli: quick looks at unit-distance sets for people who do not write Python.

    vantor-cli best 100 --out best100.json
    vantor-cli best 50 --format csv > best50.csv
    vantor-cli best 22 --all --out catalogue22/
    vantor-cli count points.csv --tolerance 1e-9
    vantor-cli prove points.csv --field 3,11 --out proof.json
    vantor-cli certify --generators 2,3 --prime 73 --k 1 --n 500 --out r.json
    vantor-cli check r.json
    vantor-cli plot r.json --out r.png

Files are in the export format of vantor_tools.graph; ``count`` and ``plot``
also read point files (CSV, TSV or whitespace-separated text with an
optional header line, a JSON list of [x, y]; see vantor_tools.points). All
are read within the limits of vantor_tools.documents (128 MiB by default;
``check --max-bytes`` and ``--max-work`` to change). ``best --format``
writes the coordinates alone on standard output (floats that read back bit
for bit; ``--format exact`` writes them as exact expressions such as
(5 + sqrt(33))/12), the summary on standard error. ``prove`` reads a point
file whose cells are floats or exact expressions, or an export, and proves
its unit distances exactly (vantor_tools.exact.prove).
Exit status: 0 on success, 1 when ``check`` finds a claim that does not hold
(the first fault on stderr), 2 when an input cannot be read, lies outside the
format or its limits, or a request is refused (one line on stderr).
"""

from __future__ import annotations

import argparse
import itertools
import pathlib
import re
import sys
from collections.abc import Sequence
from typing import Any

import vantor

from vantor_tools import documents, exact, graph, records
from vantor_tools.expressions import element_text
from vantor_tools.points import FORMATS, points_text, read_point_cells, read_points


class InputError(Exception):
    """An input that cannot be read, or a request that is refused: exit status 2."""


def _load(path: str, limits: documents.Limits | None = None) -> Any:
    try:
        return documents.read_document(path, limits)
    except OSError as error:
        raise InputError(f"cannot read {path}: {error.strerror or error}") from None
    except ValueError as error:
        raise InputError(f"{path}: {error}") from None
    except MemoryError:
        raise InputError(f"{path}: not enough memory to read it") from None


def _points(path: str) -> list[tuple[float, float]]:
    try:
        return read_points(path)
    except OSError as error:
        raise InputError(f"cannot read {path}: {error.strerror or error}") from None
    except ValueError as error:
        raise InputError(f"{path}: {error}") from None
    except MemoryError:
        raise InputError(f"{path}: not enough memory to read it") from None


def _write(path: str | None, document: dict[str, Any], report: Any = None) -> None:
    if path is None:
        return
    try:
        graph.write_json(path, document)
    except OSError as error:
        raise InputError(f"cannot write {path}: {error.strerror or error}") from None
    print(f"wrote {path}", file=report)


def _generators(text: str) -> list[int]:
    try:
        return [int(part) for part in text.split(",") if part.strip()]
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected integers separated by commas, not {text!r}")


def best_all(arguments: argparse.Namespace) -> int:
    n = arguments.n
    try:
        entries = records.catalogue(n)
    except (ValueError, OverflowError) as error:
        raise InputError(f"best({n}) --all: {error}") from None
    print(f"{len(entries)} non-isomorphic densest sets of {n} points known to vantor, "
          f"{entries[0]['unit_distances']} unit distances each, verified exactly:")
    folder = pathlib.Path(arguments.out) if arguments.out is not None else None
    if folder is not None:
        try:
            folder.mkdir(parents=True, exist_ok=True)
        except OSError as error:
            raise InputError(f"cannot write {folder}: {error.strerror or error}") from None
    for k, entry in enumerate(entries, 1):
        print(entry["canonical_graph6"])
        if folder is not None:
            document = graph.export_document(
                entry, {"function": "vantor_tools.records.catalogue", "arguments": {"n": n}})
            document["canonical_graph6"] = entry["canonical_graph6"]
            _write(str(folder / f"catalogue_{n}_{k}.json"), document)
    return 0


def best(arguments: argparse.Namespace) -> int:
    if arguments.all:
        if arguments.format is not None:
            raise InputError("--format writes one set: use it without --all")
        return best_all(arguments)
    n = arguments.n
    try:
        result = records.best(n)
    except (ValueError, OverflowError, MemoryError) as error:
        raise InputError(f"best({n}): {error}") from None
    # With --format the coordinates are the output; the rest is a report.
    report = sys.stderr if arguments.format is not None else None
    print(f"best({n}): {result['unit_distances']} unit distances, {result['family']} "
          f"{result['shape']}, norm {result['m']}, verified exactly", file=report)
    _write(arguments.out, graph.export_document(
        result, {"function": "vantor_tools.records.best", "arguments": {"n": n}}), report)
    if arguments.format == "exact":
        proof = exact.prove(result)
        generators = proof["generators_completed"]
        rows = [element_text(e, generators) for e in proof["elements"] if e is not None]
        sys.stdout.write("x,y\n" + "".join(f"{x},{y}\n" for x, y in rows))
    elif arguments.format is not None:
        sys.stdout.write(points_text(result["points"], arguments.format))
    return 0


# A cell written as a plain decimal: its count of decimal places.
_DECIMAL = re.compile(r"[+-]?[0-9]*\.([0-9]+)")


def _written_decimals(cells: list[tuple[str, str]]) -> int | None:
    """The decimal places every non-integer number of a file is written
    with, when they all share one count (as printf's %.6f writes them)."""
    places = {len(match.group(1)) for cell in itertools.chain.from_iterable(cells)
              if (match := _DECIMAL.fullmatch(cell))}
    return places.pop() if len(places) == 1 else None


def prove(arguments: argparse.Namespace) -> int:
    limits = documents.Limits(max_bytes=arguments.max_bytes)
    path = arguments.file
    decimals = arguments.decimals
    try:
        data = documents.read_document(path, limits) if _is_export(path) else None
        if data is not None:
            source: Any = exact_source(documents.validate(data, limits))
        else:
            source = read_point_cells(path, limits)
            if decimals is None and arguments.digits is None:
                decimals = _written_decimals(source)
        result = exact.prove(source, field=arguments.field, tolerance=arguments.tolerance,
                             digits=arguments.digits, decimals=decimals)
    except OSError as error:
        raise InputError(f"cannot read {path}: {error.strerror or error}") from None
    except (ValueError, TypeError) as error:
        raise InputError(f"{path}: {error}") from None
    except MemoryError:
        raise InputError(f"{path}: not enough memory to prove it") from None
    unrecognised = result["unrecognised"]
    rounding = (f", read as rounded to {decimals} decimal places" if decimals is not None
                else f", read as rounded to {arguments.digits} digits"
                if arguments.digits is not None else "")
    print(f"{len(result['points'])} points in the field with generators "
          f"{result['generators_completed']}{rounding}: {result['exact_unit_distances']} exact "
          f"unit distances, {len(result['near_misses'])} near misses within "
          f"{result['tolerance']:g}; {len(unrecognised)} points not recognised"
          + (f" (the first: {', '.join(map(str, unrecognised[:5]))})" if unrecognised else ""))
    call = {"function": "vantor_tools.exact.prove",
            "arguments": {"field": arguments.field, "tolerance": result["tolerance"],
                          "digits": arguments.digits, "decimals": decimals}}
    _write(arguments.out, graph.export_document(result, call))
    return 0


def _is_export(path: str) -> bool:
    """True when the file opens a JSON object (an export), not a point file."""
    try:
        with open(path, "rb") as file:
            return file.read(4096).lstrip()[:1] == b"{"
    except OSError:
        return False


def exact_source(document: dict[str, Any]) -> Any:
    """What prove takes from an export: its exact data (elements or lattice
    coordinates), the points otherwise."""
    if document.get("kind") == "lattice":
        return {**document, "m": document["norm"]}
    return document


def count(arguments: argparse.Namespace) -> int:
    points = _points(arguments.file)
    print(vantor.count_unit_distances(points, arguments.tolerance))
    return 0


def certify(arguments: argparse.Namespace) -> int:
    call = {"generators": arguments.generators, "split_prime": arguments.prime,
            "k": arguments.k, "n_target": arguments.n}
    try:
        result = exact.certify(arguments.generators, arguments.prime, arguments.k, arguments.n,
                               progress=True if arguments.progress else None)
    except (RuntimeError, ValueError, OverflowError, MemoryError) as error:
        raise InputError(str(error)) from None
    certified = len(result["certified_edges"])
    proven = result["exact_unit_distances"]
    print(f"{len(result['points'])} points in the field with generators "
          f"{result['generators_completed']}: {proven} exact unit distances "
          f"({certified} certified by a translation, {proven - certified} more proven "
          f"exactly), {len(result['near_misses'])} near misses within "
          f"{result['audit_tolerance']:g}")
    _write(arguments.out, graph.export_document(
        result, {"function": "vantor_tools.exact.certify", "arguments": call}))
    return 0


def check(arguments: argparse.Namespace) -> int:
    limits = documents.Limits(max_bytes=arguments.max_bytes, max_work=arguments.max_work)
    document = _load(arguments.file, limits)
    if not isinstance(document, dict) or "format" not in document:
        raise InputError(f"{arguments.file} is not a vantor export: expected a JSON object "
                         f"with \"format\": \"{documents.FORMAT}\"")
    try:
        exact.check(document, limits)
    except documents.DocumentError as error:
        raise InputError(f"{arguments.file}: {error}") from None
    except MemoryError as error:
        raise InputError(f"{arguments.file}: not enough memory to check it"
                         + (f" ({error})" if str(error) else "")) from None
    except ValueError as error:
        print(f"{arguments.file}: {error}", file=sys.stderr)
        return 1
    edges = document["proven_unit_edges"] if "elements" in document else document["edges"]
    print(f"{arguments.file}: every claim holds exactly ({len(document['points'])} points, "
          f"{len(edges)} unit distances)")
    return 0


def plot(arguments: argparse.Namespace) -> int:
    points = _points(arguments.file)
    # An export brings its exact edges; any other point file is drawn with
    # the pairs within 1e-9 of distance 1.
    try:
        data = documents.read_document(arguments.file)
    except (OSError, ValueError):
        data = None
    edges: list[list[int]]
    if isinstance(data, dict) and ("proven_unit_edges" in data or "edges" in data):
        edges = data["proven_unit_edges"] if "proven_unit_edges" in data else data["edges"]
        # Drawn, not checked: each edge need only join two of the points.
        if not isinstance(edges, list) or not all(
                isinstance(e, list) and len(e) == 2 and all(
                    type(i) is int and 0 <= i < len(points) for i in e) for e in edges):
            raise InputError(f"{arguments.file}: the edges are not pairs of point indices")
    else:
        edges = graph.unit_edges(points, 1e-9).tolist()
    try:
        # matplotlib is an optional extra: type checkers may not find it.
        import matplotlib  # type: ignore[import-not-found,unused-ignore]
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt  # type: ignore[import-not-found,unused-ignore]
        from matplotlib.collections import (  # type: ignore[import-not-found,unused-ignore]
            LineCollection,
        )
    except ImportError:
        raise InputError("plot needs matplotlib (pip install 'vantor[examples]')") from None
    figure, axes = plt.subplots(figsize=(7, 7))
    segments = [(points[i], points[j]) for i, j in edges]
    axes.add_collection(LineCollection(segments, linewidths=0.4, colors="#4a6fa5", alpha=0.6))
    axes.scatter([x for x, _ in points], [y for _, y in points], s=6, color="#1b1b1b", zorder=2)
    axes.set_aspect("equal")
    axes.set_title(f"{len(points)} points, {len(edges)} unit distances")
    axes.autoscale()
    try:
        figure.savefig(arguments.out, dpi=150, bbox_inches="tight")
    except OSError as error:
        raise InputError(f"cannot write {arguments.out}: {error.strerror or error}") from None
    print(f"wrote {arguments.out}")
    return 0


def parser() -> argparse.ArgumentParser:
    top = argparse.ArgumentParser(prog="vantor-cli", description=__doc__,
                                  formatter_class=argparse.RawDescriptionHelpFormatter)
    top.add_argument("--version", action="version", version=f"%(prog)s {graph.version()}")
    commands = top.add_subparsers(dest="command", required=True, metavar="command")

    p = commands.add_parser("best", help="the densest set known to vantor of n points")
    p.add_argument("n", type=int, help="number of points")
    p.add_argument("--out", help="write the result as an export file (with --all: a folder "
                   "to write one export file per set into)")
    p.add_argument("--all", action="store_true",
                   help="every non-isomorphic densest set of the catalogue (n <= 100), "
                        "with its canonical graph6")
    p.add_argument("--format", choices=(*FORMATS, "exact"),
                   help="write the coordinates on standard output as CSV (with an x,y "
                        "header), plain text, JSON, or CSV of exact expressions")
    p.set_defaults(run=best)

    p = commands.add_parser("count", help="count the unit distances of a point file")
    p.add_argument("file", help="a point file (CSV, TSV, text, a JSON list of [x, y]) or an "
                   "export file")
    p.add_argument("--tolerance", type=float, default=1e-5,
                   help="pairs at distance 1 within this (default 1e-5)")
    p.set_defaults(run=count)

    p = commands.add_parser("prove", help="the exact unit distances of a point file")
    p.add_argument("file", help="a point file whose cells are floats or exact expressions "
                   "such as (5 + sqrt(33))/12, or an export file")
    p.add_argument("--field", type=_generators,
                   help="square-free generators of the field, e.g. 3,11 (default: the field "
                        "of the exact cells)")
    p.add_argument("--tolerance", type=float, default=1e-4,
                   help="judge the pairs at distance 1 within this (default 1e-4)")
    p.add_argument("--digits", type=int,
                   help="the floats were rounded to this many significant digits")
    p.add_argument("--decimals", type=int,
                   help="the floats were rounded to this many decimal places (default: the "
                        "places every number of the file is written with, when they agree)")
    p.add_argument("--out", help="write the proof as an export file")
    p.add_argument("--max-bytes", type=int, default=documents.Limits().max_bytes,
                   help="refuse larger files (default %(default)s)")
    p.set_defaults(run=prove)

    p = commands.add_parser("certify", help="the multiquadratic construction, proven exactly")
    p.add_argument("--generators", type=_generators, required=True,
                   help="square-free generators separated by commas, e.g. 2,3")
    p.add_argument("--prime", type=int, required=True, help="a prime that splits completely")
    p.add_argument("--k", type=int, required=True, help="the translation exponent")
    p.add_argument("--n", type=int, required=True, help="number of points")
    p.add_argument("--out", help="write the result as an export file")
    p.add_argument("--progress", action="store_true", help="report progress on stderr")
    p.set_defaults(run=certify)

    p = commands.add_parser("check", help="re-check every claim of an export file exactly")
    p.add_argument("file", help="an export file")
    p.add_argument("--max-bytes", type=int, default=documents.Limits().max_bytes,
                   help="refuse larger files (default %(default)s)")
    p.add_argument("--max-work", type=int, default=documents.Limits().max_work,
                   help="refuse documents whose exact check needs more word products, "
                        "about 10^8 a second (default %(default)s)")
    p.set_defaults(run=check)

    p = commands.add_parser("plot", help="draw the points and unit distances of a file")
    p.add_argument("file", help="a point file (CSV, TSV, text, a JSON list of [x, y]) or an "
                   "export file")
    p.add_argument("--out", required=True, help="the image to write (.png, .svg, .pdf)")
    p.set_defaults(run=plot)
    return top


def main(argv: Sequence[str] | None = None) -> int:
    arguments = parser().parse_args(argv)
    try:
        status: int = arguments.run(arguments)
    except InputError as error:
        print(f"vantor-cli {arguments.command}: {error}", file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        print(f"vantor-cli {arguments.command}: interrupted", file=sys.stderr)
        return 130
    return status


if __name__ == "__main__":
    sys.exit(main())
