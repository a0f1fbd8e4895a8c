# SPDX-License-Identifier: MIT
# Sourced by pvm-hosts.sh: a host's own namespaces (host name, /etc/hosts, /tmp, ~/.ssh) around
# its ssh server, and commands run on a host.

# The folders every host sees at the same path: the working folder, the run's, the program
# folders and the source tree these scripts belong to, whose helpers a command may call
# wherever the tree lies. Those under /tmp are mounted again inside a host's own /tmp.
shared_folders() {
  local folder folders
  IFS=: read -r -a folders <<< "$programs"
  for folder in "$workdir" "$run" "$here/.." "${folders[@]}"; do
    folder=$(cd "$folder" 2> /dev/null && pwd -P) || continue
    case "$folder" in /tmp/*) echo "$folder" ;; esac
  done
}

# Run in a host's new UTS and mount namespaces: HOST ~/.ssh RUN SHARED... -- COMMAND...
# The old /tmp stays reachable as the working folder while the host's own is mounted over it.
readonly ENTER_HOST='
  set -e
  name=$1 dot_ssh=$2 run=$3
  shift 3
  hostname "$name"
  mount --bind "$run/hosts" /etc/hosts
  mount --bind "$run/ssh/home" "$dot_ssh"
  cd /tmp
  mount --bind "$run/$name" /tmp
  while [ "$1" != -- ]; do
    mkdir -p "$1" && mount --no-canonicalize --bind "./${1#/tmp/}" "$1"
    shift
  done
  shift
  cd /
  exec "$@"'

# Starts host hN's ssh server, in the namespaces that make the host; everything later run
# on the host runs in the same ones. The daemons it starts keep its descriptor limit.
start_host() {
  local host=$1 shared
  shared=$(shared_folders)
  (
    few_descriptors
    join_slow_group "$host"
    # shellcheck disable=SC2086  # folder names hold no blanks
    exec ip netns exec "$prefix$host" unshare --uts --mount --propagation private \
      sh -c "$ENTER_HOST" pvm-host "$host" "$dot_ssh" "$run" $shared -- $(sshd_command "$host")
  ) > "$run/ssh/$host.out" 2>&1 < /dev/null &
  # Killed at the end with everything else on the host, which is no news worth a line.
  disown $!
}

# processes_named HOST NAME: the process ids of the processes called NAME on HOST.
processes_named() {
  local pid
  for pid in $(ip netns pids "$prefix$1"); do
    [ "$(cat "/proc/$pid/comm" 2> /dev/null)" = "$2" ] && echo "$pid"
  done
  return 0
}

# The ssh server of a host: its namespaces are the host's.
sshd_of() {
  local pid
  pid=$(processes_named "$1" sshd | head -n 1)
  [ -n "$pid" ] && echo "$pid"
}

# The ssh server of a host once it listens.
listening_sshd() {
  local pid
  pid=$(sshd_of "$1") && ip netns exec "$prefix$1" ss -Hltn 'sport = :22' | grep -q . &&
    echo "$pid"
}

# on_host HOST COMMAND...: runs COMMAND on HOST, in the working folder.
on_host() {
  local host=$1
  shift
  (
    join_slow_group "$host"
    exec nsenter -t "$(cat "$run/$host.sshd")" -n -u -m sh -c 'cd "$1" && shift && exec "$@"' \
      pvm-host "$workdir" "$@"
  )
}
