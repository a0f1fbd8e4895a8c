#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of the substring search: farmer with 1, 2 and 4 workers on a private PVM virtual
# machine, against grep -F -o -b (written to a file) and cat (to /dev/null), on five kinds of
# text at two sizes; also both passes in one process, and peak memory of farmer and workers.
#
# usage: scripts/bench-search.sh [-n RUNS] [-s MIB,MIB...] [BUILD_FOLDER]
#        (defaults: 5 runs, 256,64 MiB, build/)
#        scripts/bench-search.sh -l [BUILD_FOLDER]
#
# -l runs the long runs instead, once each: 560,000,000 'a' bytes searched for "aa" (559,999,999
# positions, a reply of many pieces) with 1 and 2 workers, giving wall time and the peak memory
# of farmer and of the largest worker; and a 9 MiB text with 1, 1000 and 10000 workers, giving
# wall time (the report must equal the one-worker report). About 12 GB of disk in TMPDIR.
#
# The texts are generated in a temporary folder (removed at the end):
#   a  prose: lines of 3-14 words of a 20-word lorem ipsum list, a rare 8-letter word on every
#      100th line, which is the pattern;
#   b  the same prose, a common word as the pattern (millions of occurrences);
#   c  random lowercase letters in lines of 80, a 7-letter pattern planted on every 1000th line;
#   d  the prose of a with CR LF line ends;
#   e  the prose of a as one line with no line end.
# Every time is the median of the runs, taken in rounds (each command once per round) with
# the daemon already running; the machine may be shared, so compare the ratios of one run.
set -euo pipefail

usage() { echo "usage: $(basename "$0") [-n RUNS] [-s MIB,MIB...] [BUILD_FOLDER] | -l [BUILD_FOLDER]" >&2; exit 2; }

# median_ms FILE: the median of the seconds in FILE, one a line, in milliseconds.
median_ms() {
  sort -g "$1" | awk '{ t[NR] = $1 } END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.0f", m * 1000 }'
}

# timed NAME COMMAND...: runs COMMAND once and adds its wall time to times/NAME.
timed() {
  local name=$1 t0 t1
  shift
  t0=$EPOCHREALTIME
  "$@"
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }' >> "times/$name"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

farmer_on() { echo "$2" | "$bin/farmer" "$1" "$3" > out-farmer.txt; }
grep_on() { grep -F -o -b "$2" "$1" > out-grep.txt; }
cat_on() { cat "$1" > /dev/null; }
one_process_on() { "$bin/hledej_naraz" "$1" "$2" > out-one.txt; }

# Inside the private virtual machine: one table row per text.
measure() {
  local row file pattern expected name found
  local -A ms
  printf '%-9s %7s %7s %7s %7s %7s %7s %8s %8s %9s\n' text cat grep farmer1 farmer2 farmer4 \
    1-proc f2/grep f2/cat found
  while read -r row file pattern expected; do
    rm -rf times && mkdir times
    for _ in $(seq "$runs"); do
      timed cat cat_on "$file"
      timed grep grep_on "$file" "$pattern"
      for n in 1 2 4; do timed "farmer$n" farmer_on "$file" "$pattern" "$n"; done
      timed one one_process_on "$file" "$pattern"
    done
    found=$(sed -n 's/^v souboru .* : \([0-9]*\)$/\1/p' out-farmer.txt)
    [ -n "$found" ] || found=0
    if [ "$found" != "$expected" ] || [ "$(cat out-one.txt)" != "$expected" ]; then
      echo "bench-search: $row found $found and $(cat out-one.txt), not $expected" >&2
      return 1
    fi
    for name in cat grep farmer1 farmer2 farmer4 one; do ms[$name]=$(median_ms "times/$name"); done
    printf '%-9s %7s %7s %7s %7s %7s %7s %8s %8s %9s\n' "$row" "${ms[cat]}" "${ms[grep]}" \
      "${ms[farmer1]}" "${ms[farmer2]}" "${ms[farmer4]}" "${ms[one]}" \
      "$(ratio "${ms[farmer2]}" "${ms[grep]}")" "$(ratio "${ms[farmer2]}" "${ms[cat]}")" "$found"
  done < texts.txt
}

# The script runs itself inside the private virtual machine to measure (internal use).
if [ "${1:-}" = --inside ]; then
  bin=$2 runs=$3
  measure
  exit
fi

root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
sizes=256,64
long=
while getopts ln:s: option; do
  case $option in
    l) long=1 ;;
    n) runs=$OPTARG ;;
    s) sizes=$OPTARG ;;
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

# Peak memory (/usr/bin/time -v): farmer, and each worker through a stand-in of that name in a
# folder of its own.
mkdir tasks
printf '#!/bin/sh\nexec /usr/bin/time -v -a -o %s/worker-mem.log %s/worker "$@"\n' "$work" "$bin" \
  > tasks/worker
chmod +x tasks/worker
peak() { sed -n 's/^\tMaximum resident set size (kbytes): //p' "$1" | sort -n | tail -n 1; }

# wall PATTERN FILE WORKERS TASKS: farmer's run in a private virtual machine, its report in
# out.txt, its wall time in seconds printed.
wall() {
  local t0 t1
  t0=$EPOCHREALTIME
  echo "$1" | ( ulimit -n 1024; "$root/scripts/pvm-run.sh" -e "$4" -- \
    /usr/bin/time -v -o farmer-mem.log "$bin/farmer" "$2" "$3" > out.txt )
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", b - a }'
}

if [ -n "$long" ]; then
  head -c 560000000 /dev/zero | tr '\0' a > a560m
  echo "560,000,000 x a, pattern aa: workers, seconds, farmer KiB, largest worker KiB"
  for n in 1 2; do
    rm -f worker-mem.log
    t=$(wall aa a560m "$n" "$work/tasks")
    grep -qx 'v souboru "a560m" : 559999999' out.txt ||
      { echo "bench-search: wrong count with $n workers" >&2; exit 1; }
    echo "$n $t $(peak farmer-mem.log) $(peak worker-mem.log)"
    rm -f out.txt find_output.txt
  done
  rm -f a560m
  python3 - > t9m.txt <<'PY'
import random
random.seed(1)
words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do farmar".split()
size = 0
while size < 9 << 20:
    line = " ".join(random.choice(words) for _ in range(random.randint(3, 14)))
    print(line)
    size += len(line) + 1
PY
  echo "9 MiB text, pattern farmar: workers, seconds"
  for n in 1 1000 10000; do
    t=$(wall farmar t9m.txt "$n" "$bin")
    if [ "$n" = 1 ]; then mv out.txt out-1.txt
    else cmp -s out.txt out-1.txt || { echo "bench-search: $n workers differ" >&2; exit 1; }; fi
    echo "$n $t"
  done
  exit
fi

# Each kind of text is an 8 MiB block repeated; texts.txt lists each text with its pattern and
# the number of occurrences in its joined text (none of the patterns overlaps itself).
python3 - "$sizes" > texts.txt <<'PY'
import random, sys
sizes = [int(s) for s in sys.argv[1].split(",")]
random.seed(1)
words = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua enim").split()
rare, common, letters7 = "kvrzlopa", "dolor", "qzxjkvw"
lines, size = [], 0
while size < 8 << 20:
    line = [random.choice(words) for _ in range(random.randint(3, 14))]
    if len(lines) % 100 == 99:
        line[random.randrange(len(line))] = rare
    lines.append(" ".join(line))
    size += len(lines[-1]) + 1
prose = "\n".join(lines) + "\n"
rows, size = [], 0
while size < 8 << 20:
    row = "".join(random.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(80))
    if len(rows) % 1000 == 999:
        row = row[:30] + letters7 + row[37:]
    rows.append(row)
    size += 81
blocks = {
    "a": (prose, rare), "b": (prose, common), "c": ("\n".join(rows) + "\n", letters7),
    "d": (prose.replace("\n", "\r\n"), rare), "e": (prose.replace("\n", " "), rare),
}
for mib in sizes:
    for kind, (block, pattern) in blocks.items():
        name = "%s-%d.txt" % ("a" if kind == "b" else kind, mib)
        data = block.encode() * max(1, mib // 8)
        if kind != "b":
            with open(name, "wb") as f:
                f.write(data)
        joined = data.replace(b"\r\n", b"").replace(b"\n", b"")
        print("%s-%d %s %s %d" % (kind, mib, name, pattern, joined.count(pattern.encode())))
PY
echo "texts (median of $runs runs, milliseconds):"
( ulimit -n 1024  # a daemon with a low descriptor limit spawns its tasks faster
  "$root/scripts/pvm-run.sh" -e "$bin" -- "$root/scripts/bench-search.sh" --inside "$bin" "$runs" )

# Peak memory with 2 workers on every text.
echo
echo "peak memory with 2 workers (KiB): text, farmer, largest worker"
while read -r row file pattern _; do
  rm -f worker-mem.log
  echo "$pattern" | ( ulimit -n 1024; "$root/scripts/pvm-run.sh" -e "$work/tasks" -- \
    /usr/bin/time -v -o farmer-mem.log "$bin/farmer" "$file" 2 > /dev/null )
  echo "$row $(( $(stat -c %s "$file") >> 10 )) $(peak farmer-mem.log) $(peak worker-mem.log)"
done < texts.txt
