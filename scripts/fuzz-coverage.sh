#!/usr/bin/env bash
# Line and region coverage of the library and the tool reached by the fuzz targets' corpora.
# Builds the targets with clang's source-based coverage (`cmake --preset fuzz-coverage`, no
# sanitizers), replays each target's corpus once in a scratch working directory and prints
# `llvm-cov report` per source file, for all the replayed targets together.
#
#   scripts/fuzz-coverage.sh [CORPORA] [TARGET...]
#
# CORPORA is a folder holding one corpus folder per target (default: fuzz/corpus); the targets
# default to every target that has a corpus there. LLVM_COV and LLVM_PROFDATA name the tools
# (default: the clang 14 ones).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$(pwd)"
corpora="$(realpath "${1:-fuzz/corpus}")"
shift || true
llvm_cov="${LLVM_COV:-llvm-cov-14}"
llvm_profdata="${LLVM_PROFDATA:-llvm-profdata-14}"

cmake --preset fuzz-coverage >/dev/null
cmake --build --preset fuzz-coverage >/dev/null

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for dir in "$corpora"/fuzz_*; do
    [[ -x "build/fuzz-coverage/fuzz/$(basename "$dir")" ]] && targets+=("$(basename "$dir")")
  done
fi
[[ ${#targets[@]} -gt 0 ]] || { echo "no corpus of a fuzz target in $corpora" >&2; exit 2; }

scratch="$(mktemp -d "${TMPDIR:-/tmp}/brevix-fuzz-coverage.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
objects=()
for target in "${targets[@]}"; do
  binary="$root/build/fuzz-coverage/fuzz/$target"
  mkdir -p "$scratch/$target"
  echo "--- $target: $(find "$corpora/$target" -type f | wc -l) inputs" >&2
  # -runs=0: each input of the corpus once, then stop. The targets write only into scratch
  # directories of their own; the working directory is one more, in case.
  (cd "$scratch/$target" &&
    LLVM_PROFILE_FILE="$scratch/$target.profraw" \
      "$binary" -runs=0 -rss_limit_mb=2048 -malloc_limit_mb=1024 "$corpora/$target" \
      >"$scratch/$target.log" 2>&1) || { tail -n 20 "$scratch/$target.log" >&2; exit 1; }
  [[ ${#objects[@]} -eq 0 ]] && objects+=("$binary") || objects+=("-object=$binary")
done
"$llvm_profdata" merge -sparse "$scratch"/*.profraw -o "$scratch/all.profdata"
"$llvm_cov" report "${objects[@]}" -instr-profile="$scratch/all.profdata" \
  -ignore-filename-regex='^/usr/|/build/|/fuzz/|/tests/' | sed "s|$root/||"
