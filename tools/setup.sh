#!/usr/bin/env bash
# Prepares a fresh Debian machine for vantor: the system packages the build
# needs, a Python 3.12 virtual environment in .venv with the build and test
# tools, and the vantor module itself installed into that environment.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
venv="$root/.venv"

# System packages: a C++ compiler, GMP, nauty (canonical graph forms), zlib
# (the stored atlas) and GoogleTest.
missing=()
for pkg in g++ libgmp-dev libnauty2-dev zlib1g-dev libgtest-dev; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
if ((${#missing[@]})); then
    echo "vantor setup: installing ${missing[*]}" >&2
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

is_python312() {
    "$1" -c 'import sys; sys.exit(0 if sys.version_info[:2] == (3, 12) else 1)' >/dev/null 2>&1
}

find_python312() {
    local candidates=()
    [ -n "${VANTOR_PYTHON:-}" ] && candidates+=("$VANTOR_PYTHON")
    candidates+=("$(command -v python3.12 || true)")
    if command -v pyenv >/dev/null 2>&1; then
        local version
        for version in $(pyenv versions --bare 2>/dev/null | grep -E '^3\.12(\.[0-9]+)?$' | sort -t. -k3 -n -r); do
            candidates+=("$(pyenv prefix "$version" 2>/dev/null)/bin/python3.12")
        done
    fi
    candidates+=(/usr/local/bin/python3.12 /usr/bin/python3.12)
    local candidate
    for candidate in "${candidates[@]}"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ] && is_python312 "$candidate"; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

if ! is_python312 "$venv/bin/python" 2>/dev/null; then
    if ! python=$(find_python312); then
        echo "vantor setup: no Python 3.12 interpreter found." >&2
        echo "Install Python 3.12 (for example with pyenv) or point VANTOR_PYTHON at one." >&2
        exit 1
    fi
    rm -rf "$venv"
    "$python" -m venv "$venv"
fi

"$venv/bin/python" -m pip install -q --disable-pip-version-check \
    "scikit-build-core>=0.10" "cmake>=3.26" ninja "pytest>=8" "hypothesis>=6.100"
# Built without isolation so that rebuilds reuse the build tree in build/.
# The test extra brings numpy and mypy, the examples extra what the examples
# draw and export with, so that their tests run rather than skip.
"$venv/bin/python" -m pip install -q --disable-pip-version-check --no-build-isolation \
    "$root[test,examples,check]"
