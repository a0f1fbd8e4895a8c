#!/usr/bin/env bash
# Installs what is missing and builds the project.
# usage: scripts/build.sh [--sanitize]   (build in build/, or with sanitizers in build-sanitize/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build_dir=$root/build
options=()
case "${1:-}" in
  "") ;;
  --sanitize) build_dir=$root/build-sanitize; options=(-DKVS_SANITIZE=ON) ;;
  *) echo "usage: scripts/build.sh [--sanitize]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build_dir" "${options[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
