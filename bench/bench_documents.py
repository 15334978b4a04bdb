"""Measures how ``vantor-cli check`` answers hostile documents: the files an
adversarial probe found (under a 3 GB address-space limit), Ctrl-C during a
long genuine check, and a seeded tampering campaign over genuine exports
(exit statuses, wrong accepts, exceptions that escape the command line).

Run with the project's environment: .venv/bin/python bench/bench_documents.py
(about a minute; --count sets the campaign's size). bench_hardening.py runs
it too. Prints Markdown. This is a measurement, not a test.
"""

import argparse
import copy
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

TWELVE_PRIMES = [2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37]
EMPTY_SHA256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"


def certify_call(generators, split_prime, k, n_target):
    return {"function": "vantor_tools.exact.certify",
            "arguments": {"generators": generators, "split_prime": split_prime, "k": k,
                          "n_target": n_target}}


def genuine_exports():
    """One genuine export per kind and family, as a file holds it."""
    from vantor_tools import exact, graph, lattice, records

    def exported(result, call):
        return json.loads(json.dumps(graph.export_document(result, call)))

    def lattice_call(function, n):
        return {"function": f"vantor_tools.{function}", "arguments": {"n": n}}

    return {
        "certify([2], 17, 2, 500)": exported(exact.certify([2], 17, 2, 500),
                                              certify_call([2], 17, 2, 500)),
        "certify([2, 3], 73, 1, 300)": exported(exact.certify([2, 3], 73, 1, 300),
                                                 certify_call([2, 3], 73, 1, 300)),
        "square_lattice(60)": exported(lattice.square_lattice(60),
                                       lattice_call("lattice.square_lattice", 60)),
        "eisenstein_lattice(60)": exported(lattice.eisenstein_lattice(60),
                                           lattice_call("lattice.eisenstein_lattice", 60)),
        "moser_atlas(80)": exported(records.moser_atlas(80),
                                    lattice_call("records.moser_atlas", 80)),
    }


def edited(document, edit):
    document = copy.deepcopy(document)
    edit(document)
    return document


def reproducer_files(folder):
    """The documents the adversarial probe found, as files: name -> path."""
    exports = genuine_exports()
    mq, moser = exports["certify([2], 17, 2, 500)"], exports["moser_atlas(80)"]
    files = {}

    def write(name, document=None, text=None):
        path = os.path.join(folder, f"{len(files)}.json")
        with open(path, "w", encoding="utf-8", errors="surrogatepass") as out:
            out.write(text if text is not None else json.dumps(document))
        files[name] = path

    k, m = next((k, m) for k, element in enumerate(mq["elements"])
                for m, text in enumerate(element) if text == "0")
    write("a coefficient '1/1' + 4*10^6 zeros",
          edited(mq, lambda d: d["elements"][k].__setitem__(m, "1/1" + "0" * 4_000_000)))
    write("13 generators, no points, one translation", edited(mq, lambda d: d.update(
        generators_completed=TWELVE_PRIMES + [-1], points=[], elements=[], certified_edges=[],
        proven_unit_edges=[], near_misses=[], exact_unit_distances=0, points_sha256=EMPTY_SHA256,
        translations=[["1"] + ["0"] * 8191],
        call=certify_call(TWELVE_PRIMES, 17, 2, 500))))
    write("points_sha256 = 64 zeros", edited(mq, lambda d: d.update(points_sha256="0" * 64)))
    write("a duplicate points_sha256",
          text=json.dumps(mq)[:-1] + ', "points_sha256": "' + mq["points_sha256"] + '"}')
    for norm in (None, 0, 7, 10**30, "1"):
        write(f"Moser norm = {norm!r}", edited(moser, lambda d: d.update(norm=norm)))
    write("an edge index 2^64",
          edited(mq, lambda d: d["proven_unit_edges"][0].__setitem__(1, 2**64)))
    write("exact_unit_distances = -1", edited(mq, lambda d: d.update(exact_unit_distances=-1)))
    write("a coordinate 2^63", edited(mq, lambda d: d["points"][0].__setitem__(0, 2**63)))
    write("nesting 100,000 deep", text="[" * 100_000 + "]" * 100_000)
    write("a NUL in an element", edited(mq, lambda d: d["elements"][0].__setitem__(0, "1\0")))
    write("a lone surrogate", edited(mq, lambda d: d["elements"][0].__setitem__(0, "\ud800")))
    write("true in a row", edited(mq, lambda d: d["proven_unit_edges"][0].__setitem__(0, True)))
    write("true as a coordinate", edited(mq, lambda d: d["points"][0].__setitem__(0, True)))
    path = os.path.join(folder, "sparse.json")
    with open(path, "wb") as out:
        out.truncate(2**30)
    files["a 1 GB file (sparse)"] = path
    fifo = os.path.join(folder, "fifo")
    os.mkfifo(fifo)
    files["a FIFO with no writer"] = fifo
    return files


def limit_memory():
    resource.setrlimit(resource.RLIMIT_AS, (3_000_000 * 1024,) * 2)


def run_check(path, timeout):
    started = time.perf_counter()
    done = subprocess.run([sys.executable, "-m", "vantor_tools", "check", path],
                          capture_output=True, text=True, timeout=timeout,
                          preexec_fn=limit_memory)
    return time.perf_counter() - started, done.returncode, done.stderr.strip()


# Ctrl-C a given time into the check of a large genuine export (reading
# and validation in the interpreter, then the compiled exact check) and into
# the compiled check alone; prints the time of each check and the seconds
# from the signal to KeyboardInterrupt.
SIGINT = r"""
import json, os, signal, threading, time
from vantor_tools import exact, graph
result = exact.certify([2], 17, 4, 100000)
call = {call!r}
document = json.loads(json.dumps(graph.export_document(result, call)))

def interrupted(check, delay):
    started = time.perf_counter()
    check()
    took = time.perf_counter() - started
    sent = []
    def fire():
        sent.append(time.perf_counter())
        os.kill(os.getpid(), signal.SIGINT)
    threading.Timer(delay, fire).start()
    try:
        check()
        return f"{{took:.2f}} s, not interrupted"
    except KeyboardInterrupt:
        return f"{{took:.2f}} s; Ctrl-C {{delay}} s in answered after {{time.perf_counter() - sent[0]:.3f}} s"

print("the export:", interrupted(lambda: exact.check(document), 1.5))
print("the result (compiled check only):", interrupted(lambda: exact.check(result), 0.3))
"""

# A tampering campaign in one interpreter, every document through the
# command line's check.
CAMPAIGN = r"""
import contextlib, copy, io, json, os, random, sys, tempfile
sys.path.insert(0, {bench!r})
from bench_documents import genuine_exports
from vantor_tools import cli
rng = random.Random(20261208)
exports = genuine_exports()
# Keys whose every change makes a claim false or the document unreadable.
MEANINGFUL = {{"points", "points_sha256", "elements", "translations", "certified_edges",
              "proven_unit_edges", "near_misses", "exact_unit_distances", "coordinates",
              "edges", "unit_distances", "norm", "family", "basis", "generators_completed",
              "format", "kind"}}
VALUES = [None, True, False, 0, -1, 1, 2**31, 2**63, 2**64, -2**63 - 1, 0.5, 1e308, "", "0",
          "1/0", "1/" + "7" * 400, "x", "\ud800", "\x00", [], [[]], {{}}, [0, 1], [[0, 1]],
          [[0.0, 0.0]], ["0"] * 4]

def leaves(value, path=()):
    if isinstance(value, list):
        for k, item in enumerate(value):
            yield from leaves(item, (*path, k))
    elif isinstance(value, dict):
        for key, item in value.items():
            yield from leaves(item, (*path, key))
    else:
        yield path, value

def mutate(document):
    document = copy.deepcopy(document)
    key = rng.choice(sorted(document))
    how = rng.randrange(8)
    if how == 0:
        del document[key]
        return document, key
    spots = list(leaves(document[key], (key,)))
    if how == 1 or not spots:
        document[key] = rng.choice(VALUES)
        return document, key
    path, old = rng.choice(spots)
    if isinstance(old, str) and old and how < 5:
        at = rng.randrange(len(old))
        new = old[:at] + rng.choice("0123456789/-a") + old[at + 1:]
    elif isinstance(old, bool) or not isinstance(old, (int, float)) or how == 7:
        new = rng.choice(VALUES)
    elif how == 5:
        new = old + rng.choice([1, -1, 2**31])
    else:
        new = float(old) if isinstance(old, int) else old * (1 + 2**-52)
    target = document
    for step in path[:-1]:
        target = target[step]
    target[path[-1]] = new
    return document, key

statuses, wrong, escaped, examples = {{}}, [], [], {{}}
folder = tempfile.mkdtemp()
names = sorted(exports)
for trial in range({count}):
    name = names[trial % len(names)]
    document, key = mutate(exports[name])
    path = os.path.join(folder, "d.json")
    with open(path, "w", encoding="utf-8", errors="surrogatepass") as out:
        out.write(json.dumps(document))
    err = io.StringIO()
    try:
        with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
            status = cli.main(["check", path])
    except BaseException as error:
        escaped.append(f"{{name}} {{key}}: {{type(error).__name__}}: {{error}}"[:200])
        continue
    statuses[status] = statuses.get(status, 0) + 1
    examples.setdefault(status, err.getvalue().strip().replace(path, "FILE")[:150])
    if len(err.getvalue().strip().splitlines()) != (0 if status == 0 else 1):
        escaped.append(f"{{name}} {{key}}: {{len(err.getvalue().splitlines())}} lines on stderr")
    changed = json.dumps(document, sort_keys=True) != json.dumps(exports[name], sort_keys=True)
    if status == 0 and key in MEANINGFUL and changed:
        wrong.append(f"{{name}} {{key}}")
print(json.dumps({{"statuses": statuses, "wrong_accepts": wrong, "escaped": escaped,
                  "examples": examples}}))
"""


def documents_part(count=1500):
    print("\n| `vantor-cli check` on (3 GB address space) | seconds | exit | stderr |")
    print("|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        for name, path in reproducer_files(folder).items():
            try:
                seconds, status, error = run_check(path, timeout=30)
                lines = error.splitlines()
                shown = (lines[-1] if lines else "").replace(folder + "/", "")[:100]
                print(f"| {name} | {seconds:.2f} | {status} | {len(lines)}: {shown} |")
            except subprocess.TimeoutExpired:
                print(f"| {name} | > 30 | timeout | |")

    code = SIGINT.format(call=certify_call([2], 17, 4, 100000))
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          timeout=900)
    print("\nexact.check, certify([2], 17, 4, 100000):")
    for line in (done.stdout or done.stderr).strip().splitlines()[-2:]:
        print(f"  {line}")

    bench = os.path.dirname(os.path.abspath(__file__))
    started = time.perf_counter()
    done = subprocess.run([sys.executable, "-c", CAMPAIGN.format(bench=bench, count=count)],
                          capture_output=True, text=True, timeout=3600)
    if done.returncode != 0:
        print(f"\ncampaign: the interpreter ended with status {done.returncode}: "
              f"{done.stderr.strip()[-300:]}")
        return
    report = json.loads(done.stdout)
    print(f"\ntampering campaign: {count} documents in {time.perf_counter() - started:.0f} s; "
          f"exit statuses {report['statuses']}; wrong accepts {len(report['wrong_accepts'])}; "
          f"exceptions or extra stderr lines {len(report['escaped'])}")
    for line in report["wrong_accepts"] + report["escaped"][:10]:
        print(f"  {line}")
    for status, line in sorted(report["examples"].items()):
        print(f"  status {status}, e.g. {line!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=1500, help="documents in the campaign")
    documents_part(parser.parse_args().count)


if __name__ == "__main__":
    main()
