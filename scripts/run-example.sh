#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main example: the mass of a 20 x 10 x 1
# cuboid by five PVM workers, inside a private virtual machine started for it.
# usage: scripts/run-example.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/build.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$root/scripts/pvm-run.sh" "$root/build/bin/kubo-main" 20 10 1 0.005 1 5 5
