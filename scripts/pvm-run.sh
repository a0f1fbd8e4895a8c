#!/usr/bin/env bash
# Runs one command inside a private PVM virtual machine that lives exactly as long as it.
#
# usage: scripts/pvm-run.sh [-e PROGRAM_FOLDER[:FOLDER...]] [--] COMMAND [ARGS...]
#
# A daemon of its own is started with a fresh PVM_TMP folder, so it never meets another
# daemon on the machine. Spawned tasks are looked up in PROGRAM_FOLDER (by default the build's
# program folder, or the folder this script is installed in) and start in the folder the
# command is run from, so they share its files. The daemon is halted and its folder removed
# when the command ends, fails or is interrupted; the command's exit status is passed through.
set -euo pipefail

usage() { echo "usage: $(basename "$0") [-e PROGRAM_FOLDER[:FOLDER...]] [--] COMMAND [ARGS...]" >&2; exit 2; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/pvm-folders.sh"
programs=$(default_program_folder "$here")
while [ $# -gt 0 ]; do
  case "$1" in
    -e) [ $# -ge 2 ] || usage; programs=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || usage

workdir=$(pwd)
if ! problem=$(folders_without_blanks "$programs" "$workdir"); then
  echo "pvm-run: $problem" >&2
  exit 2
fi

vmdir=$(mktemp -d /tmp/pvm-run.XXXXXX)
daemon=""
halt_daemon() {
  if [ -n "$daemon" ] && kill -0 "$daemon" 2>/dev/null; then
    kill "$daemon" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$daemon" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$daemon" 2>/dev/null || true
  fi
  rm -rf "$vmdir"
}
trap halt_daemon EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

export PVM_TMP=$vmdir
if [ "$(id -u)" -eq 0 ]; then
  export PVM_ALLOW_ROOT=1
fi
echo "* ep=$programs wd=$workdir" > "$vmdir/hostfile"
pvmd "$vmdir/hostfile" > "$vmdir/pvmd.out" 2>&1 < /dev/null &
daemon=$!

# The daemon answers once its address file exists.
for _ in $(seq 200); do
  [ -e "$vmdir/pvmd.$(id -u)" ] && break
  if ! kill -0 "$daemon" 2>/dev/null; then
    echo "pvm-run: the PVM daemon did not start:" >&2
    cat "$vmdir/pvmd.out" "$vmdir"/pvml.* >&2 2>/dev/null || true
    exit 1
  fi
  sleep 0.05
done
if [ ! -e "$vmdir/pvmd.$(id -u)" ]; then
  echo "pvm-run: the PVM daemon did not answer within 10 s" >&2
  exit 1
fi

status=0
"$@" || status=$?
exit "$status"
