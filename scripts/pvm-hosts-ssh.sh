# SPDX-License-Identifier: MIT
# Sourced by pvm-hosts.sh: OpenSSH between the hosts, set up the way a cluster user has it.
#
# Every host runs its own sshd on its own address, with a host key of its own. The user's
# ~/.ssh (one key pair, authorized_keys, known_hosts with every host's key, and a config that
# never asks anything) is the same folder on every host, as a home shared over the network
# is. All of it is made fresh in the run's folder, $run/ssh, and goes with it.

# The folder mounted over the user's ~/.ssh on every host.
ssh_home() { echo "$run/ssh/home"; }

# make_ssh_keys COUNT SUBNET: the user's key pair and every host's key, each host known by
# its name and its address.
make_ssh_keys() {
  local count=$1 subnet=$2 home i key
  home=$(ssh_home)
  mkdir -m 700 "$run/ssh" "$home"
  ssh-keygen -q -t ed25519 -N '' -C pvm-hosts -f "$home/id_ed25519"
  cp "$home/id_ed25519.pub" "$home/authorized_keys"
  : > "$home/known_hosts"
  for i in $(seq "$count"); do
    key=$run/ssh/h${i}_host_key
    ssh-keygen -q -t ed25519 -N '' -C "h$i" -f "$key"
    echo "h$i,$subnet.$i $(cut -d ' ' -f 1,2 "$key.pub")" >> "$home/known_hosts"
  done
  # A daemon has no terminal to answer a question on: a host that would ask fails instead.
  printf 'Host *\n  BatchMode yes\n  StrictHostKeyChecking yes\n  LogLevel ERROR\n' \
    > "$home/config"
  chmod 600 "$home"/*
  write_sshd_config
}

# Only keys let anyone in. PVM refuses to run as root unless PVM_ALLOW_ROOT is set, and a
# command run over ssh gets the server's environment, not the caller's.
write_sshd_config() {
  cat > "$run/ssh/sshd_config" << 'EOF'
Port 22
PidFile none
PermitRootLogin prohibit-password
PubkeyAuthentication yes
AuthorizedKeysFile .ssh/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PrintMotd no
SetEnv PVM_ALLOW_ROOT=1
EOF
}

# sshd_command HOST: the command that runs HOST's ssh server in the foreground, logging to
# $run/ssh/HOST.log.
sshd_command() {
  echo /usr/sbin/sshd -D -f "$run/ssh/sshd_config" -h "$run/ssh/${1}_host_key" \
    -E "$run/ssh/$1.log"
}

# What sshd and ssh need on the machine itself: the server's empty privilege-separation
# folder and a mount point for the user's ~/.ssh. Both are where Debian's own ssh puts them,
# so they are left in place.
ssh_mount_points() {
  local home
  home=$(getent passwd "$(id -un)" | cut -d : -f 6)
  [ -n "$home" ] && [ -d "$home" ] || fail "user $(id -un) has no home folder"
  mkdir -p -m 755 /run/sshd
  mkdir -p -m 700 "$home/.ssh"
  echo "$home/.ssh"
}
