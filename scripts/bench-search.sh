#!/usr/bin/env bash
# Benchmark of the substring search: farmer with 2 workers on a private PVM virtual machine,
# against grep -F -o -b and against one in-process pass of read_file and the search.
#
# usage: scripts/bench-search.sh [-s MIB] [BUILD_FOLDER]   (default: 256 MiB, build/)
#
# The text is generated in a temporary folder (removed at the end): ordinary lines of words,
# with a 7-character pattern that cannot overlap itself in some thousands of places. Times are
# the best of five runs; the ratios compare runs of this one benchmark only.
set -euo pipefail

usage() { echo "usage: $(basename "$0") [-s MIB] [BUILD_FOLDER]" >&2; exit 2; }

pattern=kvrzlop

# best_of5 COMMAND...: the best wall time of five runs in seconds; the output goes to out.txt.
best_of5() {
  local best=999999 t0 t1
  for _ in 1 2 3 4 5; do
    t0=$(date +%s.%N)
    "$@" > out.txt
    t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v m="$best" 'BEGIN { t = b - a; print (t < m ? t : m) }')
  done
  echo "$best"
}

farmer_on() { echo "$pattern" | "$bin/farmer" "$1" 2; }
count_farmer() { sed -n 's/^v souboru .* : \([0-9]*\)$/\1/p' out.txt; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Inside the private virtual machine: time the three ways and the doubled text.
measure() {
  local t_farmer t_grep t_pass t_double n_farmer n_grep n_pass n_double
  t_farmer=$(best_of5 farmer_on text.txt); n_farmer=$(count_farmer)
  t_grep=$(best_of5 grep -F -o -b "$pattern" text.txt); n_grep=$(wc -l < out.txt)
  t_pass=$(best_of5 "$bin/hledej_naraz" text.txt "$pattern"); n_pass=$(cat out.txt)
  t_double=$(best_of5 farmer_on double.txt); n_double=$(count_farmer)
  echo "farmer, 2 workers:        ${t_farmer} s, ${n_farmer} positions"
  echo "grep -F -o -b:            ${t_grep} s, ${n_grep} positions"
  echo "read_file + search:       ${t_pass} s, ${n_pass} positions"
  echo "farmer, doubled text:     ${t_double} s, ${n_double} positions"
  echo "ratio farmer / grep:               $(ratio "$t_farmer" "$t_grep")"
  echo "ratio farmer / read_file + search: $(ratio "$t_farmer" "$t_pass")"
  echo "ratio doubled / single text:       $(ratio "$t_double" "$t_farmer") (at most 2 wanted)"
  if [ "$n_farmer" != "$n_grep" ] || [ "$n_farmer" != "$n_pass" ]; then
    echo "bench-search: the counts differ" >&2
    return 1
  fi
}

# The script runs itself inside the private virtual machine to measure (internal use).
if [ "${1:-}" = --inside ]; then
  bin=$2
  measure
  exit
fi

root=$(cd "$(dirname "$0")/.." && pwd)
mib=256
while getopts s: option; do
  case $option in
    s) mib=$OPTARG ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -le 1 ] || usage
bin=$(cd "${1:-$root/build}/bin" && pwd)
for program in farmer worker hledej_naraz; do
  [ -x "$bin/$program" ] || { echo "bench-search: $bin/$program is not built" >&2; exit 1; }
done
"$root/scripts/install-deps.sh" bench

work=$(mktemp -d -t bench-search.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# 8 MiB of random lines of 40 to 100 characters with the pattern in 128 of them, repeated.
python3 - "$mib" "$pattern" > text.txt <<'PY'
import random, sys
mib, pattern = int(sys.argv[1]), sys.argv[2]
random.seed(1)
words = "pole farmar delnik zprava hleda kus text radek soubor prace vysledek cislo znak".split()
lines, size = [], 0
while size < 8 << 20:
    line = " ".join(random.choice(words) for _ in range(random.randint(6, 14)))[:100]
    lines.append(line)
    size += len(line) + 1
for i in random.sample(range(len(lines)), 128):
    lines[i] = lines[i][:20] + pattern + lines[i][20:]
block = "\n".join(lines) + "\n"
for _ in range(max(1, mib // 8)):
    sys.stdout.write(block)
PY
cat text.txt text.txt > double.txt
echo "text: $(( $(stat -c %s text.txt) >> 20 )) MiB, doubled: $(( $(stat -c %s double.txt) >> 20 )) MiB"

"$root/scripts/pvm-run.sh" -e "$bin" -- "$root/scripts/bench-search.sh" --inside "$bin"

# Peak memory: each worker, and farmer, under /usr/bin/time, in a folder of its own.
mkdir tasks
printf '#!/bin/sh\nexec /usr/bin/time -f %%M -a -o %s/mem.log %s/worker "$@"\n' "$work" "$bin" \
  > tasks/worker
chmod +x tasks/worker
echo "$pattern" | "$root/scripts/pvm-run.sh" -e "$work/tasks" -- \
  /usr/bin/time -f %M -o farmer-mem.log "$bin/farmer" text.txt 2 > /dev/null
echo "peak memory, workers:     $(paste -sd ' ' mem.log) KiB (text $(( $(stat -c %s text.txt) >> 10 )) KiB)"
echo "peak memory, farmer:      $(cat farmer-mem.log) KiB"
