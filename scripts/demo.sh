#!/bin/bash
# Installs what is missing, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir=$(scripts/build.sh release)
export ZEFISETUP_PREFIX=${ZEFISETUP_PREFIX:-$PWD/demo/prefix}
echo "Machine prefix: $ZEFISETUP_PREFIX"
"$dir/zefisetup" "$@"
