#!/usr/bin/env bash
# Sets vantor up (tools/setup.sh) and runs the whole test suite: the C++
# library tests under ctest, plain and under sanitizers, then the Python tests
# of the installed module.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/setup.sh"

export PATH="$root/.venv/bin:$PATH"
build="$root/build/cpp-tests"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVANTOR_BUILD_MODULE=OFF -DVANTOR_BUILD_TESTS=ON >/dev/null
cmake --build "$build"
(cd "$build" && ctest --output-on-failure -j 2)

# The C++ suites once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, in their own build, so that a memory error, a
# leak or undefined behaviour fails the run. Optimised lightly with line
# tables only: that halves the compile time of -O2 -g and keeps reports
# readable.
sanitize="$root/build/cpp-sanitize"
cmake -S "$root" -B "$sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DVANTOR_SANITIZE=address,undefined \
    -DVANTOR_BUILD_MODULE=OFF -DVANTOR_BUILD_TESTS=ON >/dev/null
cmake --build "$sanitize"
(cd "$sanitize" && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j 2)

cd "$root"
python -m pytest tests/python -q "$@"

# The binary wheel: built and repaired with GMP bundled, installed in a fresh
# environment, checked to load GMP from inside the wheel, and tested there.
"$root/tools/wheel.sh" --check
