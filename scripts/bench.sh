#!/usr/bin/env bash
# Builds the benchmark (Release) and runs it in two parts, after naming the CPU:
# - the tool as a process against zint's command-line tool, side by side in the same run
#   (hyperfine): one call writing a captioned EAN-13 PNG, one without caption, the symbology
#   list, a batch of 10,000
#   EAN-13 PNGs, and, when the tool has --jobs, one worker against two;
# - in process: our encode, paint and PNG output against libzint at the same image sizes, and
#   libpng alone as the floor for PNG output, with a table of paired ratios at the end.
# Only ratios from one run compare; times move between runs and machines.
# --process=only runs just the process rows, --process=no skips them; other arguments go to
# Google Benchmark (e.g. --benchmark_filter='PDF417', or --paired=only for the paired table).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

process=yes
args=()
for arg in "$@"; do
  case "$arg" in
    --process=yes | --process=no | --process=only) process="${arg#--process=}" ;;
    --process=*)
      echo "--process takes yes, no or only" >&2
      exit 2
      ;;
    *) args+=("$arg") ;;
  esac
done

cpu="$(lscpu | sed -n 's/^Model name: *//p' | head -1)"
vendor="$(lscpu | sed -n 's/^Vendor ID: *//p' | head -1)"
echo "CPU: ${cpu:-unknown} (${vendor:-unknown vendor}), $(nproc) cores online; $(date -u '+%Y-%m-%d %H:%M UTC')"

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
tool="$PWD/build/bench/brevix"

# Runs two commands side by side with hyperfine in a few rounds, alternating which goes first,
# and prints the median time of each and the ratio ours/peer (below 1: ours is faster), the
# median over the rounds of each round's ratio of medians, with the lowest and highest.
# Usage: pair LABEL OURS PEER [hyperfine options...]
pair() {
  local label="$1" ours="$2" peer="$3" round
  shift 3
  for round in 1 2 3; do
    local first="$ours" second="$peer"
    if ((round % 2 == 0)); then
      first="$peer"
      second="$ours"
    fi
    # hyperfine's warnings about outliers (a shared machine has them) are shown only on failure.
    if ! hyperfine -N --style none "$@" --export-json "$scratch/round$round.json" "$first" \
      "$second" >/dev/null 2>"$scratch/hyperfine.err"; then
      cat "$scratch/hyperfine.err" >&2
      return 1
    fi
  done
  python3 - "$label" "$ours" "$scratch"/round{1,2,3}.json <<'EOF'
import json, statistics, sys
label, ours = sys.argv[1], sys.argv[2]
ratios, mine, theirs = [], [], []
for path in sys.argv[3:]:
    results = json.load(open(path))["results"]
    a = next(r["median"] for r in results if r["command"] == ours)
    b = next(r["median"] for r in results if r["command"] != ours)
    mine.append(a)
    theirs.append(b)
    ratios.append(a / b)
print(f"| {label} | {statistics.median(mine) * 1e3:.2f} | {statistics.median(theirs) * 1e3:.2f} "
      f"| {statistics.median(ratios):.2f} ({min(ratios):.2f}-{max(ratios):.2f}) |")
EOF
}

process_rows() {
  if ! command -v hyperfine >/dev/null || ! command -v zint >/dev/null ||
    ! command -v python3 >/dev/null; then
    echo "process rows skipped: hyperfine, zint and python3 are needed (scripts/packages.txt)"
    return
  fi
  local base=/tmp
  [ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
  scratch="$(mktemp -d "$base/brevix-bench.XXXXXX")"
  trap 'rm -rf "$scratch"' EXIT
  mkdir "$scratch/ours" "$scratch/peer"
  # 10,000 EAN-13 texts, 12 digits each (both tools add the check digit); our batch names each
  # record's file, zint numbers its files from the line number.
  seq 100000000000 1 100000009999 >"$scratch/texts.txt"
  awk -v d="$scratch/ours" '{ printf "%s/%05d.png,csCodeEAN13,%s\n", d, NR, $1 }' \
    "$scratch/texts.txt" >"$scratch/jobs.csv"

  echo
  echo "The tool as a process against zint's tool ($(zint --version 2>&1 | head -1)), medians in ms;"
  echo "ours/peer below 1 means ours is faster (median of 3 rounds, lowest-highest):"
  echo
  echo "| process row | ours ms | peer ms | ours/peer |"
  echo "|---|---|---|---|"
  pair "one call: captioned EAN-13 PNG" \
    "$tool csCodeEAN13 977121010700 $scratch/one.png" \
    "zint -b 13 -d 977121010700 -o $scratch/one-zint.png" --warmup 20 --min-runs 100
  pair "one call: EAN-13 PNG without caption (-d none, --notext)" \
    "$tool -d none csCodeEAN13 977121010700 $scratch/bare.png" \
    "zint -b 13 --notext -d 977121010700 -o $scratch/bare-zint.png" --warmup 20 --min-runs 100
  pair "one call: list of symbologies (--list, zint -t)" "$tool --list" "zint -t" \
    --warmup 20 --min-runs 100
  pair "batch of 10,000 EAN-13 PNGs" "$tool --batch $scratch/jobs.csv" \
    "zint --batch -b 13 -i $scratch/texts.txt -o $scratch/peer/~~~~~.png" --warmup 1 --runs 3
  # The help is read whole: grep -q would stop reading at the match, and the tool's write into the
  # closed pipe would fail the test now and then (pipefail).
  if grep -q -- '--jobs' <<<"$("$tool" --help 2>&1)"; then
    # Here "peer" is our own tool on one worker: the ratio is two workers' share of its time.
    pair "batch of 10,000, --jobs 2 against --jobs 1" "$tool --batch $scratch/jobs.csv --jobs 2" \
      "$tool --batch $scratch/jobs.csv --jobs 1" --warmup 1 --runs 3
  else
    echo "(no --jobs rows: this build of the tool has no --jobs)"
  fi
  echo
  rm -rf "$scratch"
  trap - EXIT
}

if [ "$process" != no ]; then process_rows; fi
if [ "$process" = only ]; then exit 0; fi
exec build/bench/bench/brevix_bench --benchmark_repetitions=5 --benchmark_min_time=0.1 \
  --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true \
  ${args[@]+"${args[@]}"}
