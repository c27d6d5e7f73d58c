#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite: the debug build, the
# ASan+UBSan build, and every extra suite under scripts/test.d/ (Windows build under Wine, fuzz
# smoke runs...).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
for preset in debug asan; do
  echo "=== $preset build and tests"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
shopt -s nullglob
for extra in scripts/test.d/*.sh; do
  echo "=== $extra"
  bash "$extra"
done
