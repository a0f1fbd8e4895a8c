#!/usr/bin/env bash
# Test helper: runs a command and, once its output shows a given line, kills one process of
# that run with SIGKILL, as a crash would; then prints the command's standard output and
# passes its exit status through.
#
# usage: zabij_za_behu.sh LINE_REGEX VICTIM -- COMMAND [ARGS...]
#   VICTIM  the program name of a task to kill (one whose working folder is the current
#           folder, so tasks of other runs are never touched), or pidfile:PATH for the
#           process whose id the file holds (a host's PVM daemon, for instance)
set -euo pipefail
[ $# -ge 4 ] && [ "$3" = -- ] || { echo "usage: $0 LINE_REGEX VICTIM -- COMMAND [ARGS...]" >&2; exit 2; }
line=$1 victim=$2
shift 3

out=$(mktemp)
command_pid=""
finish() {
  [ -n "$command_pid" ] && kill "$command_pid" 2>/dev/null
  rm -f "$out"
}
trap finish EXIT

# The command must print its lines as they happen (line-buffered) for the trigger to work.
"$@" > "$out" &
command_pid=$!

until grep -qE "$line" "$out"; do
  if ! kill -0 "$command_pid" 2>/dev/null; then
    echo "zabij_za_behu: the command ended before printing '$line'" >&2
    break
  fi
  sleep 0.01
done

task_of_this_run() {
  local p
  for p in /proc/[0-9]*; do
    if [ "$(cat "$p/comm" 2>/dev/null)" = "$1" ] && [ "$(readlink "$p/cwd" 2>/dev/null)" = "$PWD" ]; then
      echo "${p#/proc/}"
      return
    fi
  done
}

case "$victim" in
  pidfile:*) target=$(cat "${victim#pidfile:}") ;;
  *) target=$(task_of_this_run "$victim") ;;
esac
if [ -n "$target" ] && kill -9 "$target" 2>/dev/null; then
  echo "zabij_za_behu: killed $victim ($target)" >&2
else
  echo "zabij_za_behu: found no $victim to kill" >&2
fi

status=0
wait "$command_pid" || status=$?
command_pid=""
cat "$out"
exit "$status"
