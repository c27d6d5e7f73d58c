#!/usr/bin/env bash
# Builds the benchmark (Release) and runs it: our encode, paint and PNG output against libzint at
# the same image sizes, and libpng alone as the floor for PNG output. Prints one table of medians
# and ratios at the end; only ratios from one run compare, medians move between runs.
# Extra arguments go to Google Benchmark (e.g. --benchmark_filter='PDF417').
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
exec build/bench/bench/brevix_bench --benchmark_repetitions=5 --benchmark_min_time=0.1 \
  --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true \
  "$@"
