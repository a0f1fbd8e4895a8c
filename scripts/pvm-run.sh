#!/usr/bin/env bash
# Runs one command inside a private PVM virtual machine that lives exactly as long as it.
#
# usage: scripts/pvm-run.sh [-e PROGRAM_FOLDER[:FOLDER...]] [-o FILE] [--] COMMAND [ARGS...]
#
# A daemon of its own is started with a fresh PVM_TMP folder, so it never meets another
# daemon on the machine. Spawned tasks are looked up in PROGRAM_FOLDER (by default the build's
# program folder, or where the task programs were installed) and start in the folder the
# command is run from, so they share its files. With -o, every line the spawned tasks write
# (their standard output and error) goes into FILE as it comes, whole and with the task's
# identifier in front ("[t40002] ..."); `tail -f FILE` follows them, and FILE - puts them on
# standard error. The command's own
# standard input, output and error are its own. The daemon is halted and its folder removed
# when the command ends, fails or is interrupted (INT, TERM and HUP are handed on to the
# command first); the command's exit status is passed through, and after a signal it is
# 128 + the signal's number.
set -euo pipefail

usage() {
  echo "usage: $(basename "$0") [-e PROGRAM_FOLDER[:FOLDER...]] [-o FILE] [--] COMMAND [ARGS...]" >&2
  exit 2
}

here=$(cd "$(dirname "$0")" && pwd)
# An installed copy has these two set to the installed folders of its helpers and tasks.
helpers=$here
installed_programs=""
. "$helpers/pvm-folders.sh"
programs=${installed_programs:-$(default_program_folder "$here")}
output=""
read_vm_options eo "$@" || usage
shift "$options_taken"
[ $# -ge 1 ] || usage

workdir=$(pwd)
if ! problem=$(folders_without_blanks "$programs" "$workdir"); then
  echo "pvm-run: $problem" >&2
  exit 2
fi
tasker=""
if [ -n "$output" ]; then
  if ! tasker=$(find_tasker "$helpers:$programs"); then
    echo "pvm-run: -o needs pvm-run-tasker, found neither in $helpers nor in $programs" >&2
    exit 2
  fi
fi

vmdir=$(mktemp -d /tmp/pvm-run.XXXXXX)
daemon=""
tasker_pid=""
command_pid=""
signal_status=""

# stop PID: ends a process of ours with TERM, and with KILL if it is still there after 5 s.
stop() {
  [ -n "$1" ] && kill -0 "$1" 2>/dev/null || return 0
  kill "$1" 2>/dev/null || true
  # Most end within milliseconds; a run should not wait longer than they take.
  for _ in $(seq 500); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.01; done
  kill -9 "$1" 2>/dev/null || true
}

# The tasks of a run that ended by itself get a moment to write their last lines before the
# daemon goes; after a signal, the daemon goes first and takes its tasks with it.
cleanup() {
  trap '' INT TERM HUP
  if [ -z "$signal_status" ]; then stop "$tasker_pid"; fi
  stop "$daemon"
  stop "$tasker_pid"
  [ -z "$tasker_pid" ] || wait "$tasker_pid" 2>/dev/null || true
  rm -rf "$vmdir"
}
trap cleanup EXIT

# A signal for this script goes to the command, whose end is awaited below.
hand_on() {
  signal_status=$2
  if [ -n "$command_pid" ]; then
    kill -s "$1" "$command_pid" 2>/dev/null || true
  else
    exit "$signal_status"
  fi
}
trap 'hand_on INT 130' INT
trap 'hand_on TERM 143' TERM
trap 'hand_on HUP 129' HUP

export PVM_TMP=$vmdir
if [ "$(id -u)" -eq 0 ]; then
  export PVM_ALLOW_ROOT=1
fi
echo "* ep=$programs wd=$workdir" > "$vmdir/hostfile"
(
  few_descriptors
  exec pvmd "$vmdir/hostfile"
) > "$vmdir/pvmd.out" 2>&1 < /dev/null &
daemon=$!

# answered FILE PID NAME: waits up to 10 s for FILE to be written by the process PID, which is
# how the daemon and the tasker say they are ready; ends the run if it is not.
answered() {
  for _ in $(seq 1000); do
    [ -s "$1" ] && return 0
    if ! kill -0 "$2" 2>/dev/null; then
      echo "pvm-run: $3 did not start:" >&2
      cat "$vmdir/pvmd.out" "$vmdir"/pvml.* >&2 2>/dev/null || true
      exit 1
    fi
    sleep 0.01
  done
  echo "pvm-run: $3 did not answer within 10 s" >&2
  exit 1
}

# The daemon answers once its address file exists.
answered "$vmdir/pvmd.$(id -u)" "$daemon" "the PVM daemon"

if [ -n "$tasker" ]; then
  (
    few_descriptors
    exec "$tasker" "$output"
  ) > "$vmdir/tasker.out" < /dev/null &
  tasker_pid=$!
  answered "$vmdir/tasker.out" "$tasker_pid" pvm-run-tasker
fi

# In the background, so that a signal for this script is handled at once rather than when the
# command ends. A background command would get /dev/null as its input and ignore INT and QUIT,
# as bash arranges for it; here it gets this script's input and the usual signal handling.
(
  trap - INT QUIT
  exec "$@"
) <&0 &
command_pid=$!
status=0
# wait returns early when a signal arrives; the command's own end is what counts.
while :; do
  status=0
  wait "$command_pid" || status=$?
  kill -0 "$command_pid" 2>/dev/null || break
done
exit "${signal_status:-$status}"
