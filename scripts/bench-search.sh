#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of the substring search: farmer with 1, 2 and 4 workers on a private PVM virtual
# machine, against grep -F -o -b and ripgrep (rg -F -o -b --no-line-number, one thread), both
# written to a file, and cat (to /dev/null), on six kinds of text at two sizes; also both
# passes in one process (hledej_naraz), farmer with 2 workers and the one process on every
# instruction set path this CPU has, and peak memory of farmer and workers.
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
#   e  the prose of a as one line with no line end;
#   f  English-like prose: sentences of words made of English syllables, a few thousand of them
#      with the common ones far more frequent, and a rare 9-letter word on every 100th line.
# Every time is the median of the runs, taken in rounds (each command once per round) with
# the daemon already running; the machine may be shared, so compare the ratios of one run.
# The first table is the path the programs choose themselves (the widest this CPU has); the
# second gives farmer with 2 workers (f2) and the one process (1p) on each path, forced with
# KVS_CESTA_CPU, against cat, grep and ripgrep of the same rounds. Every path's report must
# equal the first table's.
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
rg_on() { rg -F -o -b --no-line-number -j 1 "$2" "$1" > out-rg.txt || [ $? = 1 ]; }
cat_on() { cat "$1" > /dev/null; }
one_process_on() { "$bin/hledej_naraz" "$1" "$2" > out-one.txt; }
# On a path forced for farmer and, through PVM_EXPORT, for the workers it spawns.
farmer_path_on() {
  echo "$2" | KVS_CESTA_CPU=$3 PVM_EXPORT=${PVM_EXPORT:+$PVM_EXPORT:}KVS_CESTA_CPU \
    "$bin/farmer" "$1" 2 > "out-farmer-$3.txt"
}
one_process_path_on() { KVS_CESTA_CPU=$3 "$bin/hledej_naraz" "$1" "$2" > "out-one-$3.txt"; }

# check ROW EXPECTED: the last runs found what they should, on every path alike.
check() {
  local found path
  found=$(sed -n 's/^v souboru .* : \([0-9]*\)$/\1/p' out-farmer.txt)
  [ -n "$found" ] || found=0
  if [ "$found" != "$2" ] || [ "$(cat out-one.txt)" != "$2" ]; then
    echo "bench-search: $1 found $found and $(cat out-one.txt), not $2" >&2
    return 1
  fi
  for path in $paths; do
    if ! cmp -s "out-farmer-$path.txt" out-farmer.txt || ! cmp -s "out-one-$path.txt" out-one.txt
    then
      echo "bench-search: $1 on $path differs from the path of choice" >&2
      return 1
    fi
  done
}

# Inside the private virtual machine: the rounds of every text, then both tables.
measure() {
  local row file pattern expected name path
  local -A ms
  : > rows-paths.txt
  printf '%-8s %6s %6s %6s %7s %7s %7s %6s %6s %7s %6s %6s %9s\n' text cat grep rg farmer1 \
    farmer2 farmer4 1-proc f2/rg f2/grep f2/cat 1p/cat found
  while read -r row file pattern expected; do
    rm -rf times && mkdir times
    for _ in $(seq "$runs"); do
      timed cat cat_on "$file"
      timed grep grep_on "$file" "$pattern"
      timed rg rg_on "$file" "$pattern"
      for n in 1 2 4; do timed "farmer$n" farmer_on "$file" "$pattern" "$n"; done
      timed one one_process_on "$file" "$pattern"
      for path in $paths; do
        timed "f2-$path" farmer_path_on "$file" "$pattern" "$path"
        timed "1p-$path" one_process_path_on "$file" "$pattern" "$path"
      done
    done
    check "$row" "$expected"
    for name in times/*; do ms[${name#times/}]=$(median_ms "$name"); done
    printf '%-8s %6s %6s %6s %7s %7s %7s %6s %6s %7s %6s %6s %9s\n' "$row" "${ms[cat]}" \
      "${ms[grep]}" "${ms[rg]}" "${ms[farmer1]}" "${ms[farmer2]}" "${ms[farmer4]}" "${ms[one]}" \
      "$(ratio "${ms[farmer2]}" "${ms[rg]}")" "$(ratio "${ms[farmer2]}" "${ms[grep]}")" \
      "$(ratio "${ms[farmer2]}" "${ms[cat]}")" "$(ratio "${ms[one]}" "${ms[cat]}")" "$expected"
    for path in $paths; do
      printf '%-8s %-7s %7s %7s %6s %7s %6s %6s\n' "$row" "$path" "${ms[f2-$path]}" \
        "${ms[1p-$path]}" "$(ratio "${ms[f2-$path]}" "${ms[rg]}")" \
        "$(ratio "${ms[f2-$path]}" "${ms[grep]}")" "$(ratio "${ms[f2-$path]}" "${ms[cat]}")" \
        "$(ratio "${ms[1p-$path]}" "${ms[cat]}")" >> rows-paths.txt
    done
  done < texts.txt
  echo
  echo "every path (f2: farmer with 2 workers, 1p: one process; milliseconds and ratios):"
  printf '%-8s %-7s %7s %7s %6s %7s %6s %6s\n' text path f2 1p f2/rg f2/grep f2/cat 1p/cat
  cat rows-paths.txt
}

# The script runs itself inside the private virtual machine to measure (internal use).
if [ "${1:-}" = --inside ]; then
  bin=$2 runs=$3 paths=$4
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
grep -m1 "model name" /proc/cpuinfo || true

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
# English-like words from syllables, the common ones far more frequent (Zipf), in sentences.
onsets = ("b c d f g h j l m n p r s t v w y br ch cl cr dr fl gr pl pr sh st th tr wh "
          "sp sw").split() + [""]
nuclei = "a e i o u ea ee ai ou oo ie ay".split()
codas = ["", "", "n", "r", "s", "t", "l", "d", "m", "nd", "st", "ng", "ck", "th", "rt", "ll"]
vocabulary = set()
while len(vocabulary) < 4000:
    vocabulary.add("".join(random.choice(onsets) + random.choice(nuclei) + random.choice(codas)
                           for _ in range(random.choice((1, 1, 2, 2, 2, 3, 3, 4)))))
vocabulary = sorted(vocabulary)
random.shuffle(vocabulary)
weights = [1 / (rank + 1) for rank in range(len(vocabulary))]
english_rare = "zephyrkin"
lines, size = [], 0
while size < 8 << 20:
    line = random.choices(vocabulary, weights, k=random.randint(4, 16))
    if len(lines) % 100 == 99:
        line[random.randrange(len(line))] = english_rare
    line[0] = line[0].capitalize()
    if random.random() < 0.3:
        line[random.randrange(len(line))] += ","
    lines.append(" ".join(line) + random.choice((".", ".", ".", "?", "!")))
    size += len(lines[-1]) + 1
english = "\n".join(lines) + "\n"
blocks = {
    "a": (prose, rare), "b": (prose, common), "c": ("\n".join(rows) + "\n", letters7),
    "d": (prose.replace("\n", "\r\n"), rare), "e": (prose.replace("\n", " "), rare),
    "f": (english, english_rare),
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
# The paths this CPU runs, as hledej_naraz --cesty names them (it also checks they agree).
printf 'ab\nab\n' > paths.txt
paths=$("$bin/hledej_naraz" --cesty paths.txt ab | cut -d ' ' -f 1 | tr '\n' ' ')
echo "instruction set paths of this CPU: $paths"
echo "texts (median of $runs runs, milliseconds; the path of choice):"
( ulimit -n 1024  # a daemon with a low descriptor limit spawns its tasks faster
  "$root/scripts/pvm-run.sh" -e "$bin" -- "$root/scripts/bench-search.sh" --inside "$bin" "$runs" \
    "$paths" )

# Peak memory with 2 workers on every text.
echo
echo "peak memory with 2 workers (KiB): text, farmer, largest worker"
while read -r row file pattern _; do
  rm -f worker-mem.log
  echo "$pattern" | ( ulimit -n 1024; "$root/scripts/pvm-run.sh" -e "$work/tasks" -- \
    /usr/bin/time -v -o farmer-mem.log "$bin/farmer" "$file" 2 > /dev/null )
  echo "$row $(( $(stat -c %s "$file") >> 10 )) $(peak farmer-mem.log) $(peak worker-mem.log)"
done < texts.txt
