#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Uneven hosts: kubo-main with density 3 on three hosts (scripts/pvm-hosts.sh), h2 slowed to
# 25 % of one core, handing out 5 % slabs as the results come back (the dynamic balance)
# against giving every worker one equal share once (a unit of 100 / workers percent). The two
# runs alternate; it prints each one's median time, the ratio, how many slabs h2 did, and
# whether every run printed the same total (the step is 2^-10, so every slab's sum is exact).
# usage: scripts/bench-hosts.sh [RUNS (default 3)]   (as root: it makes hosts of its own)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: scripts/bench-hosts.sh [RUNS]" >&2; exit 2; }

"$root/scripts/install-deps.sh" build test bench
# Without root no hosts can be made; pvm-hosts.sh would say so on every run.
[ "$(id -u)" -eq 0 ] || { echo "bench-hosts: runs as root only (network namespaces)" >&2; exit 77; }
"$root/scripts/build.sh" > /dev/null
bin=$root/build/bin
work=$(mktemp -d "${TMPDIR:-/tmp}/bench-hosts.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

workers=3
cuboid=(12.5 2 1 0.0009765625 3 "$workers")
slow=25

# One run with work units of $1 percent: prints the unit, the seconds kubo-main took on h1
# (the hosts' start left out), the slabs h2's worker did and the total.
one_run() {
  local times
  times=$("$root/scripts/pvm-hosts.sh" -n 3 -s "h2=$slow%" -e "$bin" -- /bin/sh -c \
    's=$(date +%s.%N); "$@" > kubo.out; echo "$s $(date +%s.%N)"' \
    bench "$bin/kubo-main" "${cuboid[@]}" "$1")
  # A task identifier holds its host's number from bit 18 on; h2 is host 2.
  awk -v unit="$1" -v times="$times" '
    /Parcialni hmotnost z delnika/ { tid = $7 + 0; if (int(tid / 262144) % 4096 == 2) h2++ }
    /^Hmotnost kvadru:/ { total = $3 }
    END { split(times, t, " "); printf "%s %.3f %d %s\n", unit, t[2] - t[1], h2, total }' \
    kubo.out
}

echo "== kubo-main ${cuboid[*]} UNIT on 3 hosts, h2 at $slow % of one core," \
  "$(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d : -f 2)"
for _ in $(seq "$runs"); do
  one_run 5
  one_run $((100 / workers))
done > runs.txt
awk -v runs="$runs" '
  { n[$1]++; t[$1, n[$1]] = $2; h2[$1] += $3; total[$4] = 1 }
  function median(u,   i, j, x, v) {
    for (i = 1; i <= n[u]; i++) v[i] = t[u, i]
    for (i = 2; i <= n[u]; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) {
      x = v[j]; v[j] = v[j - 1]; v[j - 1] = x }
    return v[int((n[u] + 1) / 2)]
  }
  END {
    for (u in n) if (u + 0 == 5) dyn = u; else fix = u
    printf "dynamic, 5 %% units:   %8.3f s median of %d, h2 did %.1f slabs a run\n", median(dyn), runs, h2[dyn] / runs
    printf "fixed, %s %% each once: %7.3f s median of %d, h2 did %.1f slabs a run\n", fix, median(fix), runs, h2[fix] / runs
    printf "ratio dynamic / fixed: %.2f\n", median(dyn) / median(fix)
    k = 0; for (s in total) { k++; one = s }
    printf "totals: %s\n", k == 1 ? "identical in every run, " one : "DIFFERENT"
  }' runs.txt
