#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the main example: the mass of a 20 x 10 x 1
# cuboid by five PVM workers, inside a private virtual machine started for it. The workers'
# progress lines are kept in tasks.txt of a temporary folder and shown at the end.
# usage: scripts/run-example.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh" build
"$root/scripts/build.sh" --programs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$root/scripts/pvm-run.sh" -o tasks.txt "$root/build/bin/kubo-main" 20 10 1 0.005 1 5 5
echo
echo "The workers' own lines (pvm-run.sh -o tasks.txt), first and last:"
head -n 3 tasks.txt
echo "..."
tail -n 3 tasks.txt
