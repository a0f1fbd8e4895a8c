#!/usr/bin/env bash
# Speed of the integration: the kernel against its bounds, then the README example end to
# end on a private PVM virtual machine against the same slab plan computed in one process.
# usage: scripts/bench-integration.sh [RUNS (default 3)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
bin=$root/build/bin

"$root/scripts/install-deps.sh" build test bench
"$root/scripts/build.sh" > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "== kernel (cells per second; ratios within this run)"
"$bin/kubo_perftest" --benchmark_filter='Retez|Rychly|Primy' 2>&1 | grep -E '^funkce'

# Median wall time of a command over the runs, in seconds.
median_time() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s.%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

echo "== end to end: kubo-main 20 10 1 0.005 1 5 5 ($(nproc) cores, median of $runs)"
one=$(median_time "$bin/kubo_perftest" --benchmark_filter=CelyPlan)
pvm=$(median_time "$root/scripts/pvm-run.sh" "$bin/kubo-main" 20 10 1 0.005 1 5 5)
awk -v one="$one" -v pvm="$pvm" 'BEGIN {
  printf "one process: %.2f s   PVM, 5 workers (daemon start included): %.2f s   speedup %.2f\n",
         one, pvm, one / pvm }'
