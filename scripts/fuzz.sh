#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang and the address and undefined-behaviour sanitizers,
# runs each for the given time from the committed seed corpora, and prints the executions
# done and the findings per target. Findings are kept in build-fuzz/findings/<target>/.
# usage: scripts/fuzz.sh [SECONDS_PER_TARGET (default 60)] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
case "$seconds" in
  ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]" >&2; exit 2 ;;
esac

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(find "$root"/{integration,search,matrix,charge} -name '*_fuzz.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
fi

"$root/scripts/install-deps.sh" build test fuzz
build=$root/build-fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKVS_FUZZ=ON -DKVS_SANITIZE=ON \
  -DKVS_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" > /dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
printf '%-20s %12s %9s\n' target executions findings
for t in "${targets[@]}"; do
  mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
  seeds=$root/tests/fuzz-corpus/$t
  [ -d "$seeds" ] || seeds=""
  # New inputs go to the scratch corpus; the committed seeds stay as they are.
  "$build/bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/$t/artifacts/" \
    "$work/$t/corpus" ${seeds:+"$seeds"} > "$work/$t/log" 2>&1 || true
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t/log" | tail -n1)
  findings=$(find "$work/$t/artifacts" -type f | wc -l)
  printf '%-20s %12s %9s\n' "$t" "${executions:-?}" "$findings"
  if [ "$findings" -gt 0 ] || [ -z "$executions" ]; then
    failed=1
    mkdir -p "$build/findings/$t"
    cp "$work/$t/artifacts/"* "$work/$t/log" "$build/findings/$t/" 2>/dev/null || true
    tail -n 30 "$work/$t/log" >&2
  fi
done
exit "$failed"
