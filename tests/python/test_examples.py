"""The scripts in examples/ run to completion on small requests."""

import importlib.util
import json
import pathlib
import subprocess
import sys

import pytest

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"


def needs(*modules):
    missing = [name for name in modules if importlib.util.find_spec(name) is None]
    return pytest.mark.skipif(
        bool(missing), reason=f"needs {', '.join(missing)} (pip install 'vantor[examples,check]')")


def run(script, *arguments, cwd):
    outcome = subprocess.run([sys.executable, str(EXAMPLES / script), *map(str, arguments)],
                             cwd=cwd, capture_output=True, text=True, timeout=600)
    assert outcome.returncode == 0, outcome.stdout + outcome.stderr
    return outcome.stdout


@needs("matplotlib")
@pytest.mark.parametrize("arguments", [["--points", "60", "--k", "2"], ["--grid", "moser"]])
def test_plot_writes_a_png(tmp_path, arguments):
    import matplotlib.image

    run("plot_construction.py", tmp_path / "plot.png", *arguments, cwd=tmp_path)
    height, width, _ = matplotlib.image.imread(tmp_path / "plot.png").shape
    assert width > 400 and height > 400


@needs("networkx")
def test_export_round_trips(tmp_path):
    out = run("export.py", tmp_path, "--points", "120", "--k", "1", cwd=tmp_path)
    assert "DIFFERS" not in out and out.count("agrees") == 4
    document = json.loads((tmp_path / "certified.json").read_text())
    assert list(document["call"]["arguments"].values()) == [[2], 17, 1, 120]
    assert len(document["points"]) == len(document["elements"]) == 120
    assert {path.name for path in tmp_path.iterdir()} >= {
        "certified.json", "certified.graphml", "certified.g6", "proven.g6"}


@needs("sympy")
def test_the_independent_check_accepts_an_export_and_rejects_an_edit(tmp_path):
    run("export.py", tmp_path, "--points", "150", "--k", "2", cwd=tmp_path)
    out = run("check_exact.py", tmp_path / "certified.json", cwd=tmp_path)
    assert "150" in out
    document = json.loads((tmp_path / "certified.json").read_text())
    document["elements"][4][0] = "3/7"
    (tmp_path / "edited.json").write_text(json.dumps(document))
    outcome = subprocess.run([sys.executable, str(EXAMPLES / "check_exact.py"),
                              tmp_path / "edited.json"], capture_output=True, text=True,
                             timeout=300)
    assert outcome.returncode == 1 and len(outcome.stderr.splitlines()) == 1


def test_honest_counts_settle_as_the_tolerance_tightens(tmp_path):
    out = run("honest_counts.py", "--points", "1500", cwd=tmp_path)
    counts = [int(line.split()[1]) for line in out.splitlines()
              if line.strip()[:1].isdigit() and "e-" in line.split()[0]]
    assert len(counts) == 9
    assert counts == sorted(counts, reverse=True)
    assert "triangular grid" in out


@needs("matplotlib")
def test_records_tables_and_pictures(tmp_path):
    out = run("records.py", "--quick", "--plot", tmp_path, cwd=tmp_path)
    # n, known value, best(n), family: the Moser atlas reaches u(27) = 81.
    assert "| 27 | 81* | 81 | moser |" in out
    assert {path.name for path in tmp_path.iterdir()} >= {"records.png", "atlas_gallery.png"}
