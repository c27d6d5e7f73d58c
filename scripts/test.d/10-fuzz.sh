#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) and runs each one for a short bounded time on
# its committed seed corpus. New inputs go to a scratch folder, never into fuzz/corpus/; a crash
# leaves its input in that folder and fails the run.
# FUZZ_SECONDS (default 25) sets the time per target; FUZZ_SEED (default 1) fixes the mutation
# sequence so that a CI run repeats what was run before it landed (0 asks for a fresh seed).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
seconds="${FUZZ_SECONDS:-25}"
seed="${FUZZ_SEED:-1}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scratch="$(mktemp -d "${TMPDIR:-/tmp}/brevix-fuzz.XXXXXX")"
status=0
for target in build/fuzz/fuzz/fuzz_*; do
  [[ -x "$target" ]] || continue
  name="$(basename "$target")"
  mkdir -p "$scratch/$name"
  seeds=()
  # An absolute path: fuzz_cli works in a scratch directory of its own before it reads seeds.
  [[ -d "fuzz/corpus/$name" ]] && seeds=("$(pwd)/fuzz/corpus/$name")
  echo "--- $name: ${seconds}s"
  if ! ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0" \
      UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
      "$target" -seed="$seed" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 \
      -artifact_prefix="$scratch/$name/" "$scratch/$name" "${seeds[@]}" \
      >"$scratch/$name.log" 2>&1; then
    echo "FAILED: $name (log and crashing input in $scratch)"
    tail -n 40 "$scratch/$name.log"
    status=1
    continue
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' "$scratch/$name.log" || tail -n 3 "$scratch/$name.log"
done
[[ $status -eq 0 ]] && rm -rf "$scratch"
exit "$status"
