"""The installed type stubs (the vantor-stubs package) against the module."""

import subprocess
import sys
import textwrap

import pytest

pytest.importorskip("mypy", reason="mypy is not installed (pip install 'vantor[test]')")

CORRECT_USE = """
    from typing import TYPE_CHECKING

    import vantor

    if TYPE_CHECKING:
        from vantor import CertifiedResult

    grid: list[tuple[float, float]] = vantor.generate_square_grid(2, cols=3)
    vantor.generate_triangular_grid(n_target=19)
    vantor.generate_moser_spindle()
    points = vantor.generate_multiquadratic([2], 17, 1, 20)
    result: "CertifiedResult" = vantor.generate_multiquadratic_certified((2,), 17, 1, 20)
    edges: list[tuple[int, int]] = result["certified_edges"]
    total: int = vantor.count_unit_distances(points) + result["audit_edge_count"]
    vantor.count_unit_distances(memoryview(b"").cast("d", (0, 2)), tolerance=0)
"""

# Each line is one error that mypy must report.
WRONG_USE = [
    'vantor.generate_square_grid("a", 2)',
    "vantor.generate_triangular_grid(19.0)",
    "vantor.count_unit_distances([[0.0, 1.0]])",
    'vantor.generate_multiquadratic_certified([2], 17, 1, 20)["point"]',
    "vantor.generate_moser_spindle(7)",
]


def run(*arguments, cwd):
    return subprocess.run([sys.executable, "-m", *arguments], cwd=cwd, capture_output=True,
                          text=True, timeout=300)


@pytest.mark.parametrize("module", ["vantor", "vantor_lattice", "vantor_tools"])
def test_stubs_match_the_module(tmp_path, module):
    outcome = run("mypy.stubtest", module, cwd=tmp_path)
    assert outcome.returncode == 0, outcome.stdout + outcome.stderr


def test_strict_checking_accepts_correct_use_and_rejects_each_mistake(tmp_path):
    (tmp_path / "correct.py").write_text(textwrap.dedent(CORRECT_USE))
    (tmp_path / "wrong.py").write_text(
        "import vantor\n" + "".join(f"{line}\n" for line in WRONG_USE))
    outcome = run("mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), "correct.py",
                  "wrong.py", cwd=tmp_path)
    errors = [line for line in outcome.stdout.splitlines() if ": error:" in line]
    assert not [line for line in errors if line.startswith("correct.py")], outcome.stdout
    flagged = {int(line.split(":")[1]) for line in errors if line.startswith("wrong.py")}
    assert flagged == set(range(2, 2 + len(WRONG_USE))), outcome.stdout


COMPANION_USE = """
    import numpy
    import vantor_lattice
    import vantor_tools
    from vantor_tools import exact, records
    from vantor_tools.tables import Int64Table

    size = numpy.int64(30)
    result = records.best(size)
    vantor_lattice.square_lattice(size, m=numpy.int64(5))
    table: Int64Table = vantor_tools.unit_edges(numpy.zeros((3, 2)), tolerance=1e-9)
    first: tuple[int, ...] = table[0]
    proven = exact.certify([2], 17, 2, size)
    count: int = proven["exact_unit_distances"] + result["unit_distances"]
    exact.check(proven)
"""


def test_strict_checking_accepts_the_companion_packages(tmp_path):
    (tmp_path / "companion.py").write_text(textwrap.dedent(COMPANION_USE))
    outcome = run("mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), "companion.py",
                  cwd=tmp_path)
    assert outcome.returncode == 0, outcome.stdout
