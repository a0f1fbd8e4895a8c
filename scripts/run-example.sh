#!/usr/bin/env bash
# Installs what is missing, builds, and runs matrix-power on the bundled example matrix.
# usage: scripts/run-example.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/build.sh"
cd "$root/examples"
"$root/build/bin/matrix-power"
