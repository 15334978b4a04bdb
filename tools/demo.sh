#!/usr/bin/env bash
# Sets vantor up (tools/setup.sh) and runs the demo: it builds the reference
# constructions and a certified multiquadratic point set and prints what it
# found.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/setup.sh"
exec "$root/.venv/bin/python" "$root/examples/demo.py" "$@"
