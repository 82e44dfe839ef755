#!/bin/bash
# Configures and builds one flavour: build.sh [release|sanitize] ; prints the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
case "$flavour" in
  release)  dir=build;          opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) dir=build-sanitize; opts=(-DCMAKE_BUILD_TYPE=Debug -DZEFISETUP_SANITIZE=ON -DZEFISETUP_BENCH=OFF) ;;
  *) echo "usage: build.sh [release|sanitize]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${opts[@]}" >&2
cmake --build "$dir" -j"$(nproc)" >&2
echo "$dir"
