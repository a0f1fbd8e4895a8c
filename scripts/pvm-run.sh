#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one command inside a private PVM virtual machine that lives exactly as long as it.
#
# usage: scripts/pvm-run.sh [-e PROGRAM_FOLDER[:FOLDER...]] [-o FILE] [--] COMMAND [ARGS...]
#
# A daemon of its own is started with a fresh PVM_TMP folder (under TMPDIR, /tmp by default),
# so it never meets another daemon on the machine. Spawned tasks are looked up in
# PROGRAM_FOLDER (by default the build's program folder, or where the task programs were
# installed) and start in the folder the command is run from, so they share its files. With
# -o, every line the spawned tasks write (their standard output and error) goes into FILE as
# it comes, whole and with the task's identifier in front ("[t40002] ..."); `tail -f FILE`
# follows them; FILE - (or /dev/stderr) puts them on this script's standard error, /dev/stdout
# and /dev/fd/N on its standard output or descriptor N. The command's own standard input,
# output and error are its own. The daemon runs in a session of its own, so a terminal's
# Ctrl-C reaches the command only. When the command ends, the tasks get 3 s to end by
# themselves; then they are killed, the daemon is halted and its folder removed. INT, TERM
# and HUP are handed on to the command; the command's exit status is passed through, and
# after a signal it is 128 + the signal's number. Lines of the tasks that could not be
# written to FILE make a successful run end with status 1.
set -euo pipefail

usage() {
  echo "usage: $(basename "$0") [-e PROGRAM_FOLDER[:FOLDER...]] [-o FILE] [--] COMMAND [ARGS...]" >&2
  exit 2
}

# Called through a symbolic link, it finds its helpers beside the file the link names.
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
# An installed copy has these two set to the installed folders of its helpers and tasks.
helpers=$here
installed_programs=""
. "$helpers/pvm-folders.sh"
default_programs=${installed_programs:-$(default_program_folder "$here")}
programs=$default_programs
output=""
read_vm_options eo "$@" || usage
shift "$options_taken"
[ $# -ge 1 ] || usage

# Folders named with -e must be there. The default one may not be (a checkout whose programs
# were built elsewhere, a command that spawns nothing); a daemon then finds nothing in it, and
# the programs say so when they try.
workdir=$(pwd)
if ! problem=$(folders_without_blanks "$programs" "$workdir") ||
  { [ "$programs" != "$default_programs" ] && ! problem=$(program_folders_exist "$programs"); }; then
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

vmdir=""
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

# Sets tasks to the process ids of the tasks the daemon started itself, which are its
# children (with -o, the tasker's); none once the daemon is gone. Read without a subshell:
# this is polled.
read_daemon_tasks() {
  tasks=""
  [ -z "$daemon" ] || { read -r tasks < "/proc/$daemon/task/$daemon/children"; } 2>/dev/null ||
    true
}

# Waits up to 3 s for the daemon's tasks to end by themselves.
let_tasks_end() {
  for _ in $(seq 60); do
    read_daemon_tasks
    [ -n "$tasks" ] || return 0
    sleep 0.05
  done
}

# The tasks of a run that ended by itself get a moment to end and write their last lines
# before the daemon goes; after a signal, the daemon goes first and takes its tasks with it.
# A task that ignores the daemon's TERM is killed: nothing of the run may outlive it. Every
# task is in the process group of the daemon, or of the tasker that started it, and stays
# there when the daemon dies first and the task is handed to another parent: whatever is left
# in those groups is killed, however the daemon went.
cleanup() {
  local status=$? tasks tasker_status=0 group
  trap '' INT TERM HUP
  if [ -z "$signal_status" ] && [ -n "$daemon" ]; then
    let_tasks_end
    stop "$tasker_pid"
  fi
  stop "$daemon"
  stop "$tasker_pid"
  for group in $daemon $tasker_pid; do kill -9 -- "-$group" 2>/dev/null || true; done
  [ -z "$tasker_pid" ] || wait "$tasker_pid" 2>/dev/null || tasker_status=$?
  [ -z "$vmdir" ] || rm -rf "$vmdir"
  if [ "$tasker_status" -ne 0 ] && [ "$status" -eq 0 ]; then
    echo "pvm-run: lines of the tasks could not all be written to $output" >&2
    exit 1
  fi
}
trap cleanup EXIT

# A signal for this script goes to the command, whose end is awaited below. One that comes
# while the run's folder is being made is acted on once the folder has a name to remove.
hand_on() {
  signal_status=$2
  if [ -n "$command_pid" ]; then
    kill -s "$1" "$command_pid" 2>/dev/null || true
  elif [ -n "$vmdir" ]; then
    exit "$signal_status"
  fi
}
trap 'hand_on INT 130' INT
trap 'hand_on TERM 143' TERM
trap 'hand_on HUP 129' HUP

# open_output FILE: descriptor 9 for the tasks' lines. The script's own streams are shared,
# not opened anew: opening /dev/stdout again would truncate a file it is redirected to and
# write over the command's lines, or reach a file of the tasker's instead.
open_output() {
  local fd
  case "$1" in
    -|/dev/stderr) fd=2 ;;
    /dev/stdout) fd=1 ;;
    /dev/fd/[0-9]*|/proc/self/fd/[0-9]*) fd=${1##*/} ;;
    *)
      { : > "$1" && exec 9>> "$1"; } 2>/dev/null && return 0
      echo "pvm-run: cannot write the tasks' lines to $1" >&2
      exit 1 ;;
  esac
  [[ $fd =~ ^[0-9]+$ ]] && [ "$fd" -ne 9 ] && (exec 9>&"$fd") 2>/dev/null || {
    echo "pvm-run: $1 is not an open stream of pvm-run" >&2
    exit 1
  }
  exec 9>&"$fd"
}

# The cause in a failed tool's or the shell's own message: "...: No space left on device".
cause_in() { echo "${1##*: }"; }

# Prints why the run's folder cannot take 64 KiB (a full disk, say); fails when it can. The
# daemon keeps its files there and each task that joins it one more, a few KiB in all, and
# neither tells when they cannot be had: the daemon stops, a task cannot join.
folder_unwritable() {
  local problem
  problem=$({ head -c 65536 /dev/zero > "$vmdir/probe"; } 2>&1) && rm -f "$vmdir/probe" &&
    return 1
  rm -f "$vmdir/probe"
  cause_in "$problem"
}

# unwritable_folder CAUSE [WHAT FAILED...]: ends the run, saying that the run's folder cannot
# be written and why.
unwritable_folder() {
  local cause=$1
  shift
  echo "pvm-run: ${*:+$* }the virtual machine's folder $vmdir cannot be written: $cause" >&2
  exit 1
}

[ -z "$tasker" ] || open_output "$output"
made=$(mktemp -d "${TMPDIR:-/tmp}/pvm-run.XXXXXX" 2>&1) || {
  echo "pvm-run: cannot make a folder for the virtual machine in ${TMPDIR:-/tmp}:" \
    "$(cause_in "$made")" >&2
  exit 1
}
vmdir=$made
[ -z "$signal_status" ] || exit "$signal_status"

export PVM_TMP=$vmdir
if [ "$(id -u)" -eq 0 ]; then
  export PVM_ALLOW_ROOT=1
fi
# PVM's own name for the folders a daemon looks for programs in, as the hostfile's ep= names
# them: a command that cannot spawn one of its tasks may look there to say why.
export PVM_PATH=$programs
if cause=$(folder_unwritable); then
  unwritable_folder "$cause"
fi
problem=$({ echo "* ep=$programs wd=$workdir" > "$vmdir/hostfile"; } 2>&1) ||
  unwritable_folder "$(cause_in "$problem")"
# In a session of its own, the daemon and its tasks get none of a terminal's signals: a Ctrl-C
# meant for the command would otherwise end the daemon before the command could react.
(
  few_descriptors
  exec setsid pvmd "$vmdir/hostfile"
) > "$vmdir/pvmd.out" 2>&1 < /dev/null 9>&- &
daemon=$!
# Its end, a kill from outside included, is no news for the shell to report: the command tells
# what the loss meant.
disown "$daemon"

# answered FILE PID NAME: waits up to 10 s for FILE to be written by the process PID, which is
# how the daemon and the tasker say they are ready; ends the run if it is not. The daemon
# cannot tell when the run's folder takes nothing more: its own output and log go there too.
answered() {
  local cause
  for _ in $(seq 1000); do
    [ -s "$1" ] && return 0
    kill -0 "$2" 2>/dev/null || break
    sleep 0.01
  done
  if cause=$(folder_unwritable); then
    unwritable_folder "$cause" "$3 did not start:"
  elif kill -0 "$2" 2>/dev/null; then
    echo "pvm-run: $3 did not answer within 10 s" >&2
  else
    echo "pvm-run: $3 did not start:" >&2
    cat "$vmdir/pvmd.out" "$vmdir"/pvml.* >&2 2>/dev/null || true
  fi
  exit 1
}

# The daemon answers once its address file exists.
answered "$vmdir/pvmd.$(id -u)" "$daemon" "the PVM daemon"

if [ -n "$tasker" ]; then
  (
    few_descriptors
    exec setsid "$tasker"
  ) 3>&9 > "$vmdir/tasker.out" < /dev/null 9>&- &
  tasker_pid=$!
  answered "$vmdir/tasker.out" "$tasker_pid" pvm-run-tasker
  exec 9>&-
fi

# In the background, so that a signal for this script is handled at once rather than when the
# command ends. A background command would get /dev/null as its input and ignore INT and QUIT,
# as bash arranges for it; here it gets this script's input and the usual signal handling.
(
  trap - INT QUIT
  exec -- "$@"
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
