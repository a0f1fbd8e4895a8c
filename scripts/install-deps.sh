#!/usr/bin/env bash
# Installs every Debian package the project needs; does nothing when all are present.
# usage: scripts/install-deps.sh   (as root, or as a user who may use sudo)
set -euo pipefail

packages=(
  g++ make cmake                          # compiler and build
  googletest libgtest-dev libgmock-dev    # unit and program tests
  libbenchmark-dev                        # benchmarks
  pvm pvm-dev                             # the PVM 3 daemon, console and library
  procps                                  # pgrep/ps, used by the PVM test scripts
  iproute2 util-linux hostname            # ip netns, unshare, setpriv: several hosts on one machine
  clang libclang-rt-14-dev                # libFuzzer targets (scripts/fuzz.sh)
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
