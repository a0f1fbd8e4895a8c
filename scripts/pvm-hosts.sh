#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one command inside a private PVM virtual machine of several hosts, all on this machine.
#
# usage: scripts/pvm-hosts.sh [-n HOSTS] [-e PROGRAM_FOLDER[:FOLDER...]] [-s HOST=PERCENT]...
#                             [-r REMOTE_SHELL] [--] COMMAND [ARGS...]
#
# Each host (h1 .. hHOSTS, 3 by default) is a network namespace of its own with its own
# address, and its own host name, /etc/hosts and /tmp (UTS and mount namespaces), so PVM's
# defaults (/tmp/pvmd.<uid>, /tmp/pvml.<uid>) apply on each host as on a real one; the
# namespaces meet on a bridge inside one more namespace, so nothing of it is visible outside.
# Every host runs its own OpenSSH server, and the master daemon on h1 adds the others the way
# PVM adds any host: through its remote shell, /usr/bin/ssh with keys (REMOTE_SHELL instead
# when given). The keys and known hosts are made for the run (scripts/pvm-hosts-ssh.sh). The
# working folder, the program folders, the run's folder and this source tree (the tests'
# helper scripts) are seen at the same paths on every host, as a cluster shares them over the
# network. Spawned tasks on every host are looked up in PROGRAM_FOLDER (as in
# scripts/pvm-run.sh) and start in the folder the command is run from.
# -s (--slow) HOST=PERCENT caps a host at that percent of one core (scripts/pvm-hosts-slow.sh).
# COMMAND runs on h1 and gets, besides PVM_ALLOW_ROOT and PVM_RSH:
#   PVM_HOSTS               the host names, "h1 h2 h3"
#   PVM_HOSTS_DIR           a folder with hN.pid (the process id of host hN's daemon), hN.sshd
#                           (of its ssh server), hN/ (that host's /tmp, with its daemon log
#                           pvml.<uid>) and ssh/hN.log (its ssh server's log)
#   PVM_HOSTS_NETNS_PREFIX  host hN is the network namespace ${PVM_HOSTS_NETNS_PREFIX}hN
# so that it can find what runs on a host (pgrep --ns "$(cat "$PVM_HOSTS_DIR/h2.pid")"
# --nslist net -x kubo-worker.exe) and kill it, halt a host (`kill "$(cat
# "$PVM_HOSTS_DIR/h2.pid")"` stops that daemon and its tasks, and PVM tells at once; kill -9 is
# a crash, which PVM notices only minutes after it next sends there), or cut a host's link
# (ip -n "${PVM_HOSTS_NETNS_PREFIX}h2" link set eth0 down). The command's exit status is
# passed through. Everything made here is removed when the command ends, fails or is
# interrupted. Where network namespaces cannot be made (not root, or forbidden), it says why
# and ends with status 77 without running the command.
set -euo pipefail

usage() {
  echo "usage: $(basename "$0") [-n HOSTS] [-e PROGRAM_FOLDER[:FOLDER...]] [-s HOST=PERCENT]..." \
    "[-r REMOTE_SHELL] [--] COMMAND [ARGS...]" >&2
  exit 2
}
fail() { echo "pvm-hosts: $*" >&2; exit 1; }
# Tests report this status as a skip, with the reason printed here.
skip() { echo "pvm-hosts: cannot make hosts on this machine: $*" >&2; exit 77; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/pvm-folders.sh"
. "$here/pvm-hosts-ssh.sh"
. "$here/pvm-hosts-slow.sh"
. "$here/pvm-hosts-enter.sh"
programs=$(default_program_folder "$here")
count=3
remote_shell=/usr/bin/ssh
slow_hosts=()
slow_groups=()
while [ $# -gt 0 ]; do
  case "$1" in
    -e|-n) [ $# -ge 2 ] && read_vm_options en "$1" "$2" || usage; shift 2 ;;
    -s|--slow) [ $# -ge 2 ] && read_slow "$2" || usage; shift 2 ;;
    -r|--rsh) [ $# -ge 2 ] && [ -n "$2" ] || usage; remote_shell=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || usage
# Host addresses end in the host's number, so there is room for up to 250 of them.
case "$count" in
  ''|*[!0-9]*) usage ;;
esac
[ "$count" -ge 1 ] && [ "$count" -le 250 ] || usage

workdir=$(pwd -P)
problem=$(folders_without_blanks "$programs" "$workdir") || fail "$problem"
for tool in ip ss unshare nsenter hostname mount ps pvmd pvm ssh ssh-keygen /usr/sbin/sshd; do
  command -v "$tool" > /dev/null || fail "$tool is missing; scripts/install-deps.sh test installs it"
done
[ "$(id -u)" -eq 0 ] || skip "network namespaces need root, and this runs as user $(id -un)"
[ "$workdir" != /tmp ] || fail "the working folder cannot be /tmp itself: every host has its own"

# The process id keeps the names of parallel runs apart; the subnet only has to be private,
# since the hosts' links never leave this run's namespaces.
prefix=pvmh-$$-
switch=${prefix}sw
subnet=10.$(( ($$ >> 8) & 255 )).$(( $$ & 255 ))
hosts=()
for i in $(seq "$count"); do hosts+=("h$i"); done

run=""
made=()

# Every process inside these namespaces is ours: the ssh servers, the daemons, their tasks and
# the command.
processes_inside() {
  local ns
  for ns in "${made[@]}"; do ip netns pids "$ns" 2> /dev/null || true; done
}

# Killed outright: whatever runs there is ours and has no state worth saving, and a caller that
# gives up on this script may kill it soon after asking it to stop.
stop_processes() {
  local pids
  for _ in $(seq 50); do
    pids=$(processes_inside)
    [ -n "$pids" ] || return 0
    kill -9 $pids 2> /dev/null || true
    sleep 0.05
  done
}

# The hosts' mounts live only in their own mount namespaces (private ones, which end with
# their last process), so removing the run's folder never reaches into the folders mounted
# there.
cleanup() {
  local ns
  trap '' INT TERM HUP
  stop_processes
  for ns in "${made[@]}"; do ip netns delete "$ns" 2> /dev/null || true; done
  remove_slow_groups
  [ -z "$run" ] || rm -rf "$run"
}
trap cleanup EXIT
# A signal that comes while the run's folder is being made is acted on once the folder has a
# name to remove.
signal_status=""
on_signal() {
  signal_status=$1
  [ -z "$run" ] || exit "$signal_status"
}
trap 'on_signal 130' INT
trap 'on_signal 143' TERM HUP
made_run=$(mktemp -d "${TMPDIR:-/tmp}/pvm-hosts.XXXXXX")
run=$(cd "$made_run" && pwd -P)
[ -z "$signal_status" ] || exit "$signal_status"

make_namespace() {
  local ns=$1 err
  # A leftover of a run that was killed outright would otherwise be taken for ours.
  [ ! -e "/run/netns/$ns" ] || fail "network namespace $ns already exists; remove it with: ip netns delete $ns"
  err=$(ip netns add "$ns" 2>&1) || skip "ip netns add failed: $err"
  made+=("$ns")
  ip -n "$ns" link set lo up
}

# Host i gets address $subnet.i on its eth0, joined to the bridge of the switch namespace.
make_link() {
  local i=$1 ns=${prefix}h$1 err
  make_namespace "$ns"
  err=$(ip -n "$switch" link add "h$i" type veth peer name eth0 netns "$ns" 2>&1) ||
    skip "virtual network links are not allowed: $err"
  ip -n "$switch" link set "h$i" master br0 up
  ip -n "$ns" addr add "$subnet.$i/24" dev eth0
  ip -n "$ns" link set eth0 up
  mkdir -m 1777 "$run/h$i"
}

make_network() {
  local err i
  make_namespace "$switch"
  err=$(ip -n "$switch" link add br0 type bridge 2>&1) || skip "bridges are not allowed: $err"
  ip -n "$switch" link set br0 up
  for i in $(seq "$count"); do make_link "$i"; done
  # The daemons must not find their own name on a loopback address, or the master refuses to
  # add hosts.
  {
    echo "127.0.0.1 localhost"
    for i in $(seq "$count"); do echo "$subnet.$i h$i"; done
  } > "$run/hosts"
}

show_logs() {
  local f
  for f in "$run"/*.out "$run"/ssh/*.out "$run"/ssh/*.log "$run"/h*/pvml.*; do
    [ -e "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  return 0
}

start_master() {
  local master socket
  echo "* ep=$programs wd=$workdir" > "$run/hostfile"
  # The other hosts' daemons are started by this one and keep its limit.
  (
    few_descriptors
    on_host h1 pvmd "$run/hostfile"
  ) > "$run/master.out" 2>&1 < /dev/null &
  master=$!
  # The daemon answers once its address file exists.
  socket=$run/h1/pvmd.$(id -u)
  for _ in $(seq 200); do
    [ -e "$socket" ] && return 0
    kill -0 "$master" 2> /dev/null || { show_logs; fail "the master PVM daemon did not start"; }
    sleep 0.05
  done
  show_logs
  fail "the master PVM daemon did not answer within 10 s"
}

# The console adds the hosts and then lists the virtual machine; both wait for the daemons.
add_hosts() {
  local listed
  printf 'add %s\nconf\n' "${hosts[*]:1}" | on_host h1 pvm > "$run/console.out" 2>&1 || true
  listed=$(sed -n 's/^.*\b\([0-9][0-9]*\) hosts\?, .*$/\1/p' "$run/console.out" | tail -n 1)
  if [ "$listed" != "$count" ]; then
    show_logs
    fail "the virtual machine has ${listed:-no} hosts instead of $count"
  fi
}

# The daemon of a host is the pvmd there whose parent is not a pvmd: a daemon forks helpers,
# and a new host's daemon detaches from the process that started it.
daemon_of() {
  local pid parent
  for pid in $(processes_named "$1" pvmd); do
    parent=$(ps -o ppid= -p "$pid" | tr -d ' ') || continue
    [ "$(cat "/proc/$parent/comm" 2> /dev/null)" = pvmd ] && continue
    echo "$pid"
    return 0
  done
  return 1
}

# The daemon of a host once it stays: the process that started it may not have gone yet.
steady_daemon() {
  local pid
  pid=$(daemon_of "$1") && sleep 0.05 && kill -0 "$pid" 2> /dev/null &&
    [ "$(daemon_of "$1")" = "$pid" ] && echo "$pid"
}

# pids_of_hosts SUFFIX WHAT FINDER: for every host, waits up to 10 s until FINDER HOST prints
# a process id, and writes it to $run/HOST.SUFFIX; fails naming WHAT otherwise.
pids_of_hosts() {
  local suffix=$1 what=$2 finder=$3 host pid
  for host in "${hosts[@]}"; do
    for _ in $(seq 100); do
      if pid=$("$finder" "$host"); then
        echo "$pid" > "$run/$host.$suffix"
        break
      fi
      sleep 0.1
    done
    [ -e "$run/$host.$suffix" ] || { show_logs; fail "$what of host $host did not start"; }
  done
}

make_network
dot_ssh=$(ssh_mount_points)
make_ssh_keys "$count" "$subnet"
make_slow_groups
for host in "${hosts[@]}"; do start_host "$host"; done
pids_of_hosts sshd "the ssh server" listening_sshd
export PVM_ALLOW_ROOT=1 PVM_RSH=$remote_shell
export PVM_HOSTS="${hosts[*]}" PVM_HOSTS_DIR=$run PVM_HOSTS_NETNS_PREFIX=$prefix
unset PVM_TMP
start_master
[ "$count" -eq 1 ] || add_hosts
pids_of_hosts pid "the PVM daemon" steady_daemon

# In the background, so that a signal to this script is handled at once; the command still
# reads this script's standard input.
status=0
on_host h1 "$@" 0<&0 &
wait $! || status=$?
exit "$status"
