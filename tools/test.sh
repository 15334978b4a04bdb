#!/usr/bin/env bash
# Sets vantor up (tools/setup.sh) and runs the whole test suite: the C++
# library tests under ctest, then the Python tests of the installed module.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/setup.sh"

export PATH="$root/.venv/bin:$PATH"
build="$root/build/cpp-tests"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVANTOR_BUILD_MODULE=OFF -DVANTOR_BUILD_TESTS=ON >/dev/null
cmake --build "$build"
(cd "$build" && ctest --output-on-failure -j 2)

cd "$root"
python -m pytest tests/python -q "$@"
