"""Requests are sized against the limits the process really has."""

import json
import subprocess
import sys

import pytest

LIMIT = 512 * 2**20

# Runs one call in a fresh interpreter under a resource limit and reports its
# outcome, how far the peak resident size grew during the call, and whether
# the module still works afterwards.
CHILD = """
import json, resource, sys
resource.setrlimit(getattr(resource, sys.argv[1]), (int(sys.argv[2]),) * 2)
import vantor

def peak():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024

before = peak()
try:
    outcome = len(eval(sys.argv[3]))
except MemoryError:
    outcome = "MemoryError"
print(json.dumps({"outcome": outcome, "grown": peak() - before,
                  "spindle": len(vantor.generate_moser_spindle())}))
"""


def run_limited(limit_kind, call):
    done = subprocess.run([sys.executable, "-c", CHILD, limit_kind, str(LIMIT), call],
                          capture_output=True, text=True, timeout=300, check=True)
    return json.loads(done.stdout)


LIMITS = ["RLIMIT_AS", "RLIMIT_DATA"]


@pytest.mark.parametrize("limit_kind", LIMITS)
@pytest.mark.parametrize(
    "call",
    [
        "vantor.generate_triangular_grid(4_000_000)",
        "vantor.generate_square_grid(2_000, 2_000)",
        "vantor.generate_multiquadratic([2, 3], 73, 1, 100_000)",
        "vantor.generate_multiquadratic_certified([2, 3], 73, 1, 100_000)",
    ],
)
def test_requests_beyond_the_limit_fail_before_allocating(limit_kind, call):
    # Each request fits easily in the machine but not under the limit.
    report = run_limited(limit_kind, call)
    assert report["outcome"] == "MemoryError"
    assert report["grown"] < 16 * 2**20
    assert report["spindle"] == 7


@pytest.mark.parametrize("limit_kind", LIMITS)
def test_requests_within_the_limit_succeed(limit_kind):
    # 2.5 million returned points take about 380 MB of the 512 MiB.
    report = run_limited(limit_kind, "vantor.generate_triangular_grid(2_500_000)")
    assert report["outcome"] == 2_500_000
