#!/usr/bin/env bash
# Sets vantor up (tools/setup.sh) and runs the whole test suite: the C++
# library tests under ctest, plain and under sanitizers, then the Python tests
# of the installed module.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Each stage's end is stamped with the seconds since the start, so that a
# slow run shows where its time went.
stamp() { echo "vantor test: $1 done at ${SECONDS} s" >&2; }
# The module's own build (tools/setup.sh installs it with scikit-build-core,
# in build/<wheel tag>/) builds the C++ suites too, so that the library is
# compiled once for both; the wheel below reuses that build again.
export SKBUILD_CMAKE_DEFINE="VANTOR_BUILD_TESTS=ON"
"$root/tools/setup.sh"
stamp "setup and the module's build"

export PATH="$root/.venv/bin:$PATH"
tag=$(python -c 'import sys, sysconfig
print(f"cp{sys.version_info[0]}{sys.version_info[1]}-cp{sys.version_info[0]}{sys.version_info[1]}-"
      + sysconfig.get_platform().replace("-", "_").replace(".", "_"))')
(cd "$root/build/$tag" && ctest --output-on-failure -j 2)
stamp "C++ suites"

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
stamp "C++ suites under the sanitizers"

cd "$root"
python -m pytest tests/python -q "$@"
stamp "Python tests"

# The binary wheel: built and repaired with GMP bundled, installed in a fresh
# environment, checked to load GMP from inside the wheel, and tested there.
"$root/tools/wheel.sh" --check
stamp "the wheel"
