#!/usr/bin/env bash
# Sets vantor up (tools/setup.sh) and runs the whole test suite: the C++
# library tests under ctest and the sanitizers, then the Python tests of the
# installed module, then those of the wheel.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Each stage's end is stamped with the seconds since the start, so that a
# slow run shows where its time went.
stamp() { echo "vantor test: $1 done at ${SECONDS} s" >&2; }
"$root/tools/setup.sh"
stamp "setup and the module's build"

export PATH="$root/.venv/bin:$PATH"

# The C++ suites, under AddressSanitizer and UndefinedBehaviorSanitizer in
# their own build, so that a wrong result, a memory error, a leak or
# undefined behaviour fails the run. Optimised lightly with line tables
# only: that halves the compile time of -O2 -g and keeps reports readable
# (at -O0 the build is a third shorter but the suites run four times as
# long). The optimised library itself is what the Python tests run.
sanitize="$root/build/cpp-sanitize"
cmake -S "$root" -B "$sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DVANTOR_SANITIZE=address,undefined \
    -DVANTOR_BUILD_MODULE=OFF -DVANTOR_BUILD_TESTS=ON >/dev/null
cmake --build "$sanitize"
(cd "$sanitize" && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j 2)
stamp "C++ suites"

cd "$root"
python -m pytest tests/python -q "$@"
stamp "Python tests"

# The binary wheel: built and repaired with GMP bundled, installed in a fresh
# environment, checked to load GMP from inside the wheel, and tested there.
"$root/tools/wheel.sh" --check
stamp "the wheel"
