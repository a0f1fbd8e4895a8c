# SPDX-License-Identifier: MIT
# Sourced by pvm-hosts.sh: hosts slowed to a share of one core, through the cgroup cpu
# controller (version 1's cpu.cfs_quota_us where it is mounted, else version 2's cpu.max).

# The cgroup folder under which a run's groups are made, or nothing without a cpu controller.
cpu_controller() {
  local mount
  mount=$(awk '$3 == "cgroup" && $4 ~ /(^|,)cpu(,|$)/ { print $2; exit }' /proc/mounts)
  if [ -n "$mount" ]; then echo "$mount"; return 0; fi
  mount=$(awk '$3 == "cgroup2" { print $2; exit }' /proc/mounts)
  [ -n "$mount" ] && grep -qw cpu "$mount/cgroup.controllers" 2> /dev/null || return 0
  # Version 2 hands the controller to child groups only when asked to.
  grep -qw cpu "$mount/cgroup.subtree_control" || echo +cpu > "$mount/cgroup.subtree_control" ||
    return 0
  echo "$mount"
}

# read_slow HOST=PERCENT: checks one --slow value and adds it to slow_hosts ("hN PERCENT").
read_slow() {
  local host=${1%%=*} percent=${1#*=}
  percent=${percent%\%}
  case "${host#h}" in ''|0*|*[!0-9]*) return 1 ;; esac
  [ "${host:0:1}" = h ] || return 1
  case "$percent" in ''|*[!0-9]*) return 1 ;; esac
  [ "$1" != "$host" ] && [ "$percent" -ge 1 ] && [ "$percent" -le 100 ] || return 1
  slow_hosts+=("$host $percent")
}

# One group per slowed host, named by the run's prefix and the host, capped at its percent of
# one core and weighted the same against the others.
make_slow_groups() {
  local entry host percent controller group
  [ ${#slow_hosts[@]} -gt 0 ] || return 0
  controller=$(cpu_controller)
  [ -n "$controller" ] || skip "slowing a host needs the cgroup cpu controller, and none is mounted"
  for entry in "${slow_hosts[@]}"; do
    read -r host percent <<< "$entry"
    [ "${host#h}" -le "$count" ] || fail "--slow names $host, but there are $count hosts"
    group=$controller/$prefix$host
    mkdir "$group" || skip "cannot make a cgroup in $controller"
    slow_groups+=("$group")
    if [ -e "$group/cpu.cfs_quota_us" ]; then
      echo 100000 > "$group/cpu.cfs_period_us"
      echo $((percent * 1000)) > "$group/cpu.cfs_quota_us"
      echo $((percent * 1024 / 100 + 2)) > "$group/cpu.shares"
    else
      echo "$((percent * 1000)) 100000" > "$group/cpu.max"
      echo $((percent + 1)) > "$group/cpu.weight"
    fi
  done
}

# join_slow_group HOST: puts this (sub)shell in HOST's group, if HOST is slowed, before it
# enters the host's namespaces (whose /sys shows no cgroups); what it starts stays there.
join_slow_group() {
  local group
  for group in "${slow_groups[@]}"; do
    [ "${group##*/}" = "$prefix$1" ] && echo "$BASHPID" > "$group/cgroup.procs"
  done
  return 0
}

# A group goes once the last of its processes has: they were all killed just before.
remove_slow_groups() {
  local group
  for group in "${slow_groups[@]}"; do
    for _ in $(seq 50); do
      rmdir "$group" 2> /dev/null && break
      sleep 0.05
    done
  done
}
