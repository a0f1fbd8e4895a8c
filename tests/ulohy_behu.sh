# SPDX-License-Identifier: MIT
# Sourced by test helpers: the tasks of the run in the current folder.
# A task of this run is one whose working folder is the current folder, so tasks of other
# runs are never touched; its host is its network namespace.

# Process id of a running task NAME[@hN] of this run, or nothing. On a host, only the few
# processes of its network namespace are looked at, so that short tasks are caught.
task_of_this_run() {
  local name=${1%@*} candidates p comm
  if [ "$1" != "$name" ]; then
    candidates=$(ip netns pids "${PVM_HOSTS_NETNS_PREFIX:?}${1#*@}" 2>/dev/null || true)
  else
    candidates=$(cd /proc && echo [0-9]*)
  fi
  # The name is read without starting a process, so that a scan stays quick.
  for p in $candidates; do
    { read -r comm < "/proc/$p/comm"; } 2>/dev/null || continue
    [ "$comm" = "$name" ] || continue
    [ "$(readlink "/proc/$p/cwd" 2>/dev/null)" = "$PWD" ] || continue
    echo "$p"
    return
  done
}
