"""What the tools that rebuild the stored data share: the command line
(--n-max, --workers, --out, --check), the digest of the text, the
comparison with the stored file and the deterministic write (gzip without a
name or time stamp for .gz files, so that a rebuild reproduces the file byte
for byte with the same zlib, and its text always)."""

from __future__ import annotations

import argparse
import gzip
import hashlib
import pathlib
import sys
import time
from collections.abc import Callable

Log = Callable[[str], None]


def log(text: str) -> None:
    print(text, file=sys.stderr, flush=True)


def read_text(path: pathlib.Path) -> str:
    data = path.read_bytes()
    return (gzip.decompress(data) if path.suffix == ".gz" else data).decode()


def main(description: str, stored: pathlib.Path, n_max: int,
         build: Callable[[int, int, Log], str]) -> int:
    """Runs build(n_max, workers, log) and writes or checks its text."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--n-max", type=int, default=n_max)
    parser.add_argument("--workers", type=int, default=1,
                        help="worker processes for the search tasks (default: run them here)")
    parser.add_argument("--out", type=pathlib.Path, default=stored)
    parser.add_argument("--check", action="store_true",
                        help=f"compare with {stored.name} instead of writing")
    args = parser.parse_args()

    started = time.perf_counter()
    text = build(args.n_max, args.workers, log)
    digest = hashlib.sha256(text.encode()).hexdigest()
    log(f"n <= {args.n_max} in {time.perf_counter() - started:.1f} s; text sha256 {digest}")
    if args.check:
        if read_text(stored) != text:
            log(f"{stored} differs from what the tool gives now")
            return 1
        log(f"{stored} is reproduced exactly")
        return 0
    data = text.encode()
    if args.out.suffix == ".gz":
        data = gzip.compress(data, compresslevel=9, mtime=0)
    args.out.write_bytes(data)
    log(f"wrote {args.out} ({len(data)} bytes; {len(text)} bytes of text)")
    return 0
