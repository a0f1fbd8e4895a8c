#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the whole test suite.
# usage: scripts/test.sh [--sanitize]   (the second form builds and tests with sanitizers)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  ""|--sanitize) ;;
  *) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh" build test package
"$root/scripts/build.sh" "$@"
build_dir=$root/build
[ "${1:-}" = --sanitize ] && build_dir=$root/build-sanitize
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
