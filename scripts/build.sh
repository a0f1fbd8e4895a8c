#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the project; installs nothing (scripts/install-deps.sh does).
# usage: scripts/build.sh [--sanitize | --programs]
#   (no option)   programs and tests in build/
#   --sanitize    programs and tests with the sanitizers in build-sanitize/
#   --programs    in build/; a fresh build/ gets the programs only, without the tests, and so
#                 needs only the build group of scripts/install-deps.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build_dir=$root/build
options=(-DBUILD_TESTING=ON)
case "${1:-}" in
  "") ;;
  --sanitize) build_dir=$root/build-sanitize; options+=(-DKVS_SANITIZE=ON) ;;
  --programs)
    options=()
    [ -e "$build_dir/CMakeCache.txt" ] || options=(-DBUILD_TESTING=OFF) ;;
  *) echo "usage: scripts/build.sh [--sanitize | --programs]" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "usage: scripts/build.sh [--sanitize | --programs]" >&2; exit 2; }

if ! log=$(cmake -S "$root" -B "$build_dir" "${options[@]}" 2>&1); then
  echo "$log" >&2
  echo "build: configuring failed; scripts/install-deps.sh build test installs what it needs" >&2
  exit 1
fi
cmake --build "$build_dir" -j "$(nproc)"
