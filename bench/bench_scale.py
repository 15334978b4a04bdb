"""Large requests side by side: this build of vantor against a baseline build.

Each case runs in a fresh interpreter per build, so peak memory (the
process's maximum resident size) belongs to that case alone. Times are the
median of --repeats runs of the timed call only (inputs are built before the
clock starts); the digest of every result must agree between the builds,
otherwise the case is reported as DIFFERENT.

    .venv/bin/python bench/bench_scale.py                       # this build only
    .venv/bin/python bench/bench_scale.py --baseline DIR        # DIR holds a baseline vantor*.so
    .venv/bin/python bench/bench_scale.py --cases mq-2-17-2-100k count-uniform-1e6

A baseline build of an older commit: `git worktree add ../baseline <commit>`,
then `cmake -S ../baseline -B ../baseline/build -DPython_EXECUTABLE=$PWD/.venv/bin/python`
and `cmake --build ../baseline/build`. scipy, when installed, is timed on the
uniform clouds too (cKDTree.count_neighbors, band count); it is a bench-only
dependency. The machine is shared: compare medians and ratios, not single times.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys

# name: (setup, timed call, digest of its result, run on the baseline too)
CASES = {
    "mq-2-17-2-100k": ("", "vantor.generate_multiquadratic([2], 17, 2, 100000)", "points", True),
    "mq-2-17-2-200k": ("", "vantor.generate_multiquadratic([2], 17, 2, 200000)", "points", True),
    "mq-23-73-1-30k": ("", "vantor.generate_multiquadratic([2, 3], 73, 1, 30000)", "points", True),
    "mq-2-17-1-400k": ("", "vantor.generate_multiquadratic([2], 17, 1, 400000)", "points", True),
    "certified-23-73-1-10k": ("", "vantor.generate_multiquadratic_certified([2, 3], 73, 1, 10000)",
                              "dict", True),
    "count-2-17-2-100k": ("pts = vantor.generate_multiquadratic([2], 17, 2, 100000)",
                          "vantor.count_unit_distances(pts, 1e-4)", "value", True),
    "count-uniform-1e6": ("pts = cloud(10**6, 3.0)", "vantor.count_unit_distances(pts)", "value", True),
    "count-uniform-2e6-density-1": ("pts = cloud(2 * 10**6, 1.0)", "vantor.count_unit_distances(pts)",
                                    "value", False),
    "count-uniform-2e6-density-0.01": ("pts = cloud(2 * 10**6, 0.01)",
                                       "vantor.count_unit_distances(pts)", "value", False),
    "count-uniform-2e6-nan": ("pts = cloud(2 * 10**6, 1.0)",
                              "vantor.count_unit_distances(pts, float('nan'))", "value", False),
    "mq-2-17-2-1e6": ("", "vantor.generate_multiquadratic([2], 17, 2, 10**6)", "points", False),
}
DEFAULT_CASES = [name for name in CASES if name != "mq-2-17-2-1e6"]

CHILD = r"""
import hashlib, json, random, resource, struct, sys, time
import vantor

def cloud(n, density):
    # Uniform points in a square holding `density` points per unit area.
    side = (n / density) ** 0.5
    rng = random.Random(20261208)
    return [(rng.uniform(0, side), rng.uniform(0, side)) for _ in range(n)]

def digest(value, kind):
    if kind == "points":
        data = b"".join(struct.pack("<dd", x, y) for x, y in value)
    elif kind == "dict":
        data = repr(sorted((k, v) for k, v in value.items() if k != "points")).encode()
        data += b"".join(struct.pack("<dd", x, y) for x, y in value["points"])
    else:
        data = repr(value).encode()
    return hashlib.sha256(data).hexdigest()[:16]

setup, call, kind, repeats = json.loads(sys.argv[1])
exec(setup)
seconds = []
for _ in range(repeats):
    started = time.perf_counter()
    result = eval(call)
    seconds.append(time.perf_counter() - started)
out = {"seconds": seconds, "digest": digest(result, kind), "value": result if kind == "value" else None,
       "peak_mb": resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024}
if "uniform" in sys.argv[2] and "nan" not in sys.argv[2]:
    try:
        from scipy.spatial import cKDTree
    except ImportError:
        pass
    else:
        tree = cKDTree(pts)
        started = time.perf_counter()
        counts = tree.count_neighbors(tree, [1 - 1e-5, 1 + 1e-5], cumulative=True)
        out["scipy_seconds"] = time.perf_counter() - started
        out["scipy_count"] = int(counts[1] - counts[0]) // 2
print(json.dumps(out))
"""


def run_case(name, module_dir, repeats):
    setup, call, kind, _ = CASES[name]
    env = dict(os.environ)
    if module_dir:
        env["PYTHONPATH"] = module_dir + os.pathsep + env.get("PYTHONPATH", "")
    done = subprocess.run([sys.executable, "-c", CHILD, json.dumps([setup, call, kind, repeats]), name],
                          env=env, capture_output=True, text=True)
    if done.returncode != 0:
        return {"error": done.stderr.strip().splitlines()[-1] if done.stderr.strip() else "failed"}
    return json.loads(done.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--baseline", help="directory holding a baseline build of vantor")
    parser.add_argument("--module", help="directory holding the build to measure (default: the installed one)")
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--cases", nargs="*", default=DEFAULT_CASES, choices=list(CASES))
    args = parser.parse_args()

    print(f"{'case':<32} {'now s':>8} {'peak MB':>8} {'base s':>8} {'peak MB':>8} {'speedup':>8}  result")
    medians = {}
    for name in args.cases:
        now = run_case(name, args.module, args.repeats)
        base = run_case(name, args.baseline, args.repeats) if args.baseline and CASES[name][3] else None
        if "error" in now:
            print(f"{name:<32} error: {now['error']}")
            continue
        now_s = statistics.median(now["seconds"])
        medians[name] = now_s
        line = f"{name:<32} {now_s:8.3f} {now['peak_mb']:8.0f}"
        if base and "error" not in base:
            base_s = statistics.median(base["seconds"])
            same = "same" if base["digest"] == now["digest"] else "DIFFERENT"
            line += f" {base_s:8.3f} {base['peak_mb']:8.0f} {base_s / now_s:7.1f}x  {same}"
        else:
            line += f" {'':>8} {'':>8} {'':>8}  {now['digest']}"
        if "scipy_seconds" in now:
            agree = "same count" if now["scipy_count"] == now.get("value") else f"count {now['scipy_count']}"
            line += f"  (scipy {now['scipy_seconds']:.3f} s, {now['scipy_seconds'] / now_s:.1f}x slower, {agree})"
        print(line, flush=True)
    if "mq-2-17-2-100k" in medians and "mq-2-17-2-200k" in medians:
        print(f"growth ([2], 17, 2): time(200k) / time(100k) = "
              f"{medians['mq-2-17-2-200k'] / medians['mq-2-17-2-100k']:.2f}")


if __name__ == "__main__":
    main()
