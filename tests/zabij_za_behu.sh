#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Test helper: runs a command and, at a given moment of its run, kills one process of it, as
# a crash or a lost host would; then prints the command's standard output and passes its exit
# status through.
#
# usage: zabij_za_behu.sh WHEN VICTIM [SIGNAL] -- COMMAND [ARGS...]
#   WHEN    line:REGEX      once the command's output shows such a line (the command must
#                           print its lines as they happen)
#           task:NAME[@hN]  once a task NAME of this run is running (on host hN)
#   VICTIM  task:NAME[@hN]  a task NAME of this run (on host hN) gets SIGKILL, as in a crash
#           daemon@hN       host hN's PVM daemon gets SIGTERM: the host halts, and its tasks
#                           with it (needs scripts/pvm-hosts.sh around the command)
#   SIGNAL  sent instead of the victim's default one (as a user's INT or TERM would be)
# A task of this run is one whose working folder is the current folder, so tasks of other
# runs are never touched; its host is its network namespace.
set -euo pipefail
usage() { echo "usage: $0 WHEN VICTIM [SIGNAL] -- COMMAND [ARGS...]" >&2; exit 2; }
[ $# -ge 4 ] || usage
when=$1 victim=$2 chosen_signal=""
shift 2
if [ "$1" != -- ]; then
  chosen_signal=$1
  shift
fi
[ $# -ge 2 ] && [ "$1" = -- ] || usage
shift

daemon_of() { cat "${PVM_HOSTS_DIR:?runs only inside scripts/pvm-hosts.sh}/$1.pid"; }

. "$(dirname "$0")/ulohy_behu.sh"

out=$(mktemp)
command_pid=""
finish() {
  [ -n "$command_pid" ] && kill "$command_pid" 2>/dev/null
  rm -f "$out"
}
trap finish EXIT

# Standard input is handed on: a background command would otherwise read /dev/null.
"$@" <&0 > "$out" &
command_pid=$!

moment_has_come() {
  case "$when" in
    line:*) grep -qE "${when#line:}" "$out" ;;
    task:*) [ -n "$(task_of_this_run "${when#task:}")" ] ;;
    *) echo "zabij_za_behu: unknown moment '$when'" >&2; exit 2 ;;
  esac
}
until moment_has_come; do
  if ! kill -0 "$command_pid" 2>/dev/null; then
    echo "zabij_za_behu: the command ended before '$when'" >&2
    break
  fi
  sleep 0.005
done

case "$victim" in
  task:*) target=$(task_of_this_run "${victim#task:}") signal=KILL ;;
  daemon@*) target=$(daemon_of "${victim#daemon@}") signal=TERM ;;
  *) echo "zabij_za_behu: unknown victim '$victim'" >&2; exit 2 ;;
esac
signal=${chosen_signal:-$signal}
if [ -n "$target" ] && kill -s "$signal" "$target" 2>/dev/null; then
  echo "zabij_za_behu: killed $victim ($target)" >&2
else
  echo "zabij_za_behu: found no $victim to kill" >&2
fi

status=0
wait "$command_pid" || status=$?
command_pid=""
cat "$out"
exit "$status"
