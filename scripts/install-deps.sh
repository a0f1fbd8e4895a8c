#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages of the given groups that are missing; returns at once when
# every one is there.
#
# usage: scripts/install-deps.sh [GROUP...]   (as root, or as a user who may use sudo)
#   build   compiler, CMake, the PVM 3 daemon, console and library: building and running
#           the programs (the default)
#   test    GoogleTest, Google Benchmark, the tools of the PVM tests (ps, ip netns,
#           unshare, hostname, and the OpenSSH server and client for several hosts on one
#           machine), and lintian and man for the package's test
#   package dpkg-shlibdeps (the package's versioned dependencies), strip and objcopy
#   fuzz    clang and its fuzzer and sanitizer runtime (scripts/fuzz.sh)
#   bench   python3, /usr/bin/time and ripgrep (scripts/bench-*.sh)
set -euo pipefail

usage() { echo "usage: $(basename "$0") [build|test|package|fuzz|bench]..." >&2; exit 2; }

packages=()
[ $# -gt 0 ] || set -- build
for group in "$@"; do
  case "$group" in
    build) packages+=(g++ make cmake pvm pvm-dev) ;;
    test) packages+=(googletest libgtest-dev libgmock-dev libbenchmark-dev procps
                     iproute2 util-linux hostname openssh-server openssh-client
                     lintian man-db) ;;
    package) packages+=(dpkg-dev binutils) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    bench) packages+=(python3 time ripgrep) ;;
    *) usage ;;
  esac
done

# One query for all of them; a package dpkg has never heard of is missing too.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
  sed -n 's/^\([^ ]*\) install ok installed$/\1/p' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qx -- "$p" <<< "$installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo > /dev/null || {
    echo "install-deps: missing ${missing[*]}; install them as root (apt-get install)" >&2
    exit 1
  }
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
