#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and makes the Debian package of the programs in build/
# (cpack -G DEB); prints the package's path.
# usage: scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh" build package
"$root/scripts/build.sh" --programs > /dev/null
cd "$root/build"
cpack -G DEB > /dev/null
ls "$root/build/"kvs-pvm_*.deb
