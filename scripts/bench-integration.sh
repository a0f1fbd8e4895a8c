#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Speed of the integration: the kernel against a chain of dependent additions, and for
# density 3 against the terms alone made and summed in vector lanes of the same width (the
# floor of any kernel that makes every term) and against itself without its memory of rows'
# sums, on every CPU path this machine has; on one slab of the README example, on its whole
# cuboid, on one slab of a 7 x 3 x 1 box with step 0.001 and on one of a box with rows of 4.5
# million cells; then whether the goals hold; then
# the example end to end on a private PVM virtual machine, for densities 1, 2 and 3 (density 3
# on each path), against the same run with density 0, whose work is all but the arithmetic.
# usage: scripts/bench-integration.sh [RUNS (default 3)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
case "$runs" in
  ''|*[!0-9]*|0) echo "usage: scripts/bench-integration.sh [RUNS]" >&2; exit 2 ;;
esac
bin=$root/build/bin

"$root/scripts/install-deps.sh" build test bench
"$root/scripts/build.sh" > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "== kernel: cells per second, medians of $runs runs interleaved; ratios within this run"
echo "   (x floor: the kernel's time over the terms-only floor's of the same vector width)"
"$bin/kubo_perftest" --benchmark_filter='Retez|Novy|BezPameti|JenCleny' \
  --benchmark_repetitions="$runs" --benchmark_enable_random_interleaving=true 2>&1 |
  grep -E '^(slab|cuboid|7x3x1|longrows|vector|funkce)' | tee "$work/kernel.txt"

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//' || true)
echo "== goals on the whole cuboid (CPU: ${cpu:-unknown})"
awk '
  function met(ok) { return ok ? "met" : "NOT MET" }
  $1 == "cuboid" && $3 == 3 {
    chain = $7 + 0; floor = $9 + 0
    need = $4 == "avx512" ? 6 : $4 == "avx2" ? 4 : 0
    line = sprintf("density 3, %-6s: %6.2fx its floor (at most 2x): %s", $4, floor, met(floor <= 2))
    if (need > 0)
      line = line sprintf("; %6.2fx the chain (at least %dx): %s", chain, need, met(chain >= need))
    print line
    printf "density 3, %-6s: the memory of rows pays (%.2fx the chain, %.2fx without): %s\n",
      $4, chain, $13, met(chain > $13 + 0)
  }
  $1 == "cuboid" && ($3 == 1 || $3 == 2) {
    printf "density %d, %-6s: %.0fx the chain (thousands): %s\n", $3, $4, $7, met($7 + 0 >= 1000)
  }' "$work/kernel.txt"

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

# Seconds the kernel takes for the example's whole slab plan in one process.
kernel_time() {
  "$bin/kubo_perftest" --benchmark_filter="CelyPlanVJednomProcesu/$1/" 2>&1 |
    awk '/^CelyPlan/ { t = $2; if ($3 == "ms") t /= 1e3; if ($3 == "us") t /= 1e6; if ($3 == "ns") t /= 1e9; print t }'
}

run=("$root/scripts/pvm-run.sh" "$bin/kubo-main" 20 10 1 0.005)
echo "== end to end: kubo-main 20 10 1 0.005 F 5 5 ($(nproc) cores, median of $runs)"
daemon=$(median_time "$root/scripts/pvm-run.sh" true)
zero=$(median_time "${run[@]}" 0 5 5)
awk -v d="$daemon" -v z="$zero" 'BEGIN {
  printf "virtual machine started and halted alone: %.3f s\n", d
  printf "density 0 (spawning, messages, logging, no arithmetic): %.3f s, %.3f s past the daemon\n", z, z - d
  printf "%-7s %12s %18s %22s\n", "funkce", "PVM run", "past density 0", "kernel, one process" }'
for f in 1 2 3; do
  pvm=$(median_time "${run[@]}" "$f" 5 5)
  one=$(kernel_time "$f")
  awk -v f="$f" -v p="$pvm" -v z="$zero" -v o="$one" 'BEGIN {
    printf "%-7s %10.3f s %16.3f s %20.6f s\n", f, p, p - z, o }'
done
# The workers take the path from the daemon's environment, which pvm-run.sh hands on.
for path in sse2 avx2 avx512; do
  if ! grep -q "^cuboid .* $path " "$work/kernel.txt"; then
    echo "3 $path       this CPU lacks the path"
    continue
  fi
  pvm=$(KVS_CESTA_CPU=$path median_time "${run[@]}" 3 5 5)
  awk -v c="3 $path" -v p="$pvm" -v z="$zero" 'BEGIN {
    printf "%-12s %5.3f s %16.3f s\n", c, p, p - z }'
done
