#!/usr/bin/env bash
# The Python package: installed from the repository into a fresh virtual environment that sees
# Debian's packages (pybind11, NumPy, pandas, Dask, pytest), offline, then its pytest suite run
# against it. The tool of the debug build, when there is one, is the peer the bytes are
# compared with.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root="$(pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/brevix-python.XXXXXX")"
trap 'rm -rf "$work"' EXIT
# Debian's python3, not another one earlier on PATH: the packages above are installed for it.
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
BREVIX_BUILD_JOBS="${BREVIX_BUILD_JOBS:-2}" "$work/venv/bin/pip" install --quiet --no-index \
  --no-build-isolation --no-cache-dir "$root"
[[ -x build/debug/brevix ]] && export BREVIX_CLI="$root/build/debug/brevix"
cd "$work"
"$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$root/python/tests"
