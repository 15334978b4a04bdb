"""Measures how vantor behaves on hostile inputs: clustered counts, Ctrl-C
latency, how long other threads wait, requests under a memory limit, and
hostile documents handed to the checker (bench_documents.py).

Run with the project's environment: .venv/bin/python bench/bench_hardening.py
(a few minutes; --skip-limits leaves out the memory-limit runs). Each part
runs in a fresh interpreter. Prints Markdown tables. This is a measurement,
not a test: the machine is shared, so read the load average printed at the
end with the numbers.
"""

import argparse
import os
import subprocess
import sys

CLUSTERED = {
    "10^6 copies of (0, 0), tolerance 1": (
        "numpy.zeros((10**6, 2))", "1.0"),
    "5*10^5 copies of (0, 0) and of (1, 0)": (
        "numpy.array([(0.0, 0.0)] * 500000 + [(1.0, 0.0)] * 500000)", "1e-5"),
    "3*10^5 copies of one point, tolerance 0.999": (
        "numpy.zeros((300000, 2))", "0.999"),
}

TIMED_COUNT = r"""
import numpy, time, vantor
points = {points}
started = time.perf_counter()
count = vantor.count_unit_distances(points, {tolerance})
print(count, time.perf_counter() - started)
"""

# Ctrl-C a given time into a call; prints the seconds from the signal to
# KeyboardInterrupt.
SIGINT = r"""
import os, signal, threading, time, numpy, vantor
sent = []
def fire():
    sent.append(time.perf_counter())
    os.kill(os.getpid(), signal.SIGINT)
threading.Timer({delay}, fire).start()
try:
    {call}
    print("not interrupted")
except KeyboardInterrupt:
    print(f"{{time.perf_counter() - sent[0]:.3f}}")
"""

SIGINT_CALLS = {
    "two clusters of 5*10^5 points a unit apart (every pair tested)": (
        "vantor.count_unit_distances(numpy.concatenate([numpy.stack([numpy.zeros(500000), "
        "numpy.linspace(0, 1e-5, 500000)], 1), numpy.stack([numpy.linspace(1 - 2e-5, 1 + 2e-5, "
        "500000), numpy.zeros(500000)], 1)]))", 2.0),
    "generate_triangular_grid(3*10^7), while the list is built": (
        "vantor.generate_triangular_grid(3 * 10**7)", 3.0),
}

STALL = r"""
import threading, time, vantor, vantor_lattice
result = vantor_lattice.best({n})
worst = [0.0]
stop = threading.Event()
def watch():
    last = time.perf_counter()
    while not stop.is_set():
        time.sleep(0.001)
        now = time.perf_counter(); worst[0] = max(worst[0], now - last); last = now
watcher = threading.Thread(target=watch); watcher.start()
started = time.perf_counter(); vantor_lattice.verify(result); took = time.perf_counter() - started
stop.set(); watcher.join()
print(f"{{took:.2f}} {{worst[0]:.3f}}")
"""

LIMITED = r"""
import resource, time, vantor
resource.setrlimit(resource.RLIMIT_AS, (3 * 2**30,) * 2)
started = time.perf_counter()
try:
    vantor.{function}(*{arguments})
    outcome = "completed"
except MemoryError as error:
    outcome = f"MemoryError: {{error}}"
except RuntimeError as error:
    outcome = f"RuntimeError: {{error}}"
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
print(f"{{time.perf_counter() - started:.1f}} s | {{peak:.0f}} MB | {{outcome}}")
"""

LIMITED_CALLS = [
    ("generate_multiquadratic", "([2], 17, 3, 10**6)"),
    ("generate_multiquadratic", "([2], 17, 5, 10**6)"),
    ("generate_multiquadratic", "([-1], 5, 54, 10**6)"),
    ("generate_multiquadratic", "([2, 3], 73, 2, 3 * 10**5)"),
    ("generate_multiquadratic", "([2, 3, 5], 241, 1, 170000)"),
    ("generate_multiquadratic_certified", "([2], 17, 2, 10**6)"),
    ("generate_multiquadratic_certified", "([2, 3], 73, 1, 2 * 10**5)"),
    ("generate_multiquadratic", "([2], 17, 16, 2**64 - 1)"),
    # Requests that fit: the guard must let them through.
    ("generate_multiquadratic", "([2], 17, 2, 2 * 10**5)"),
    ("generate_multiquadratic", "([2], 17, 1, 4 * 10**5)"),
]

# Prime elements in fields of degree 32 and more: found, or refused as out
# of reach, in seconds.
PRIME_ELEMENTS = [
    "([2, 3, 5, 7], 1000000009, 0, 0)",
    "([2, 3, 5, 7, 11], 1000004329, 0, 0)",
    "([2, 3, 5, 7], 1000000000000002481, 0, 0)",
    "([2, 3, 5, 7, 11, 13, 17], 1000000000000009849, 0, 0)",
    "([23, 2, 14, 17], 2129, 0, 0)",
]

TIMED_REQUEST = r"""
import time, vantor
started = time.perf_counter()
try:
    vantor.generate_multiquadratic(*{arguments})
    outcome = "found"
except RuntimeError as error:
    outcome = f"RuntimeError: {{error}}"
print(f"{{time.perf_counter() - started:.2f}} s | {{outcome}}")
"""


def run(code):
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          timeout=900)
    return (done.stdout.strip() or done.stderr.strip().splitlines()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--skip-limits", action="store_true")
    args = parser.parse_args()

    print("| clustered count | count | seconds |")
    print("|---|---|---|")
    for label, (points, tolerance) in CLUSTERED.items():
        count, seconds = run(TIMED_COUNT.format(points=points, tolerance=tolerance)).split()
        print(f"| {label} | {count} | {float(seconds):.3f} |")

    print("\n| Ctrl-C during | seconds to KeyboardInterrupt |")
    print("|---|---|")
    for label, (call, delay) in SIGINT_CALLS.items():
        print(f"| {label} | {run(SIGINT.format(call=call, delay=delay))} |")

    print("\n| verify(best(n)) | seconds | longest wait of another thread |")
    print("|---|---|---|")
    for n in (10**6, 3 * 10**6):
        seconds, worst = run(STALL.format(n=n)).split()
        print(f"| {n} | {seconds} | {worst} s |")

    print("\n| prime element of | time | outcome |")
    print("|---|---|---|")
    for arguments in PRIME_ELEMENTS:
        print(f"| `{arguments}` | {run(TIMED_REQUEST.format(arguments=arguments))} |")

    if not args.skip_limits:
        print("\n| under a 3 GiB address-space limit | time | peak | outcome |")
        print("|---|---|---|---|")
        for function, arguments in LIMITED_CALLS:
            print(f"| `{function}{arguments}` | "
                  f"{run(LIMITED.format(function=function, arguments=arguments))} |")
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import bench_documents
    bench_documents.documents_part()
    print(f"\nload average {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")


if __name__ == "__main__":
    main()
