#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs the main job.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -x scripts/gallery.sh ]; then
  scripts/gallery.sh build/release/brevix gallery
else
  build/release/brevix csCodeEAN13 977121010700
fi
