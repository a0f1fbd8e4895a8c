#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Remote shell for a PVM virtual machine whose hosts are network namespaces of this machine.
#
# usage: scripts/netns-rsh.sh HOST [-l USER] COMMAND...
#
# The master PVM daemon calls its remote shell (PVM_RSH) this way to start the daemon of a new
# host. Instead of logging in somewhere, this runs COMMAND inside HOST's network namespace
# (${PVM_HOSTS_NETNS_PREFIX}HOST), under HOST as its own host name and with HOST's own PVM_TMP
# folder ($PVM_HOSTS_DIR/HOST). Standard input and output stay connected to the caller, which
# is how the new daemon reports back to the master. scripts/pvm-hosts.sh sets both variables.
set -euo pipefail

usage() { echo "usage: $(basename "$0") HOST [-l USER] COMMAND..." >&2; exit 2; }

[ $# -ge 2 ] || usage
host=$1
shift
# Every host runs as the same user on the same machine, so the login name changes nothing.
if [ "$1" = -l ]; then
  [ $# -ge 3 ] || usage
  shift 2
fi

prefix=${PVM_HOSTS_NETNS_PREFIX:?netns-rsh: PVM_HOSTS_NETNS_PREFIX is not set}
hosts_dir=${PVM_HOSTS_DIR:?netns-rsh: PVM_HOSTS_DIR is not set}
# The host name becomes part of a namespace name and of a path, so only plain names pass.
case "$host" in
  ''|*[!A-Za-z0-9-]*) echo "netns-rsh: not a host name: '$host'" >&2; exit 1 ;;
esac
netns=$prefix$host
if [ ! -e "/run/netns/$netns" ] || [ ! -d "$hosts_dir/$host" ]; then
  echo "netns-rsh: no such host in this virtual machine: $host" >&2
  exit 1
fi

# A real remote shell hands the command line to the user's shell there; so does this.
exec ip netns exec "$netns" unshare --uts sh -c \
  'hostname "$1" && PVM_TMP=$2 && export PVM_TMP && exec sh -c "$3"' \
  netns-rsh "$host" "$hosts_dir/$host" "$*"
