#!/bin/bash
# Configures and builds one flavour: build.sh [release|sanitize|windows] ; prints the build
# directory. windows: zefisetup.exe and the Windows test executables, cross-compiled with
# mingw-w64 (libcurl and GoogleTest for Windows come from scripts/windows-deps.sh, built once),
# in $ZEFISETUP_BUILD_DIR (default build-windows).
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
case "$flavour" in
  release)  dir=build;          opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) dir=build-sanitize; opts=(-DCMAKE_BUILD_TYPE=Debug -DZEFISETUP_SANITIZE=ON -DZEFISETUP_BENCH=OFF) ;;
  windows)
    dir=${ZEFISETUP_BUILD_DIR:-build-windows}
    deps=$(scripts/windows-deps.sh)
    opts=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
          -DZEFISETUP_WINDOWS_DEPS="$deps" -DZEFISETUP_BENCH=OFF) ;;
  *) echo "usage: build.sh [release|sanitize|windows]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${opts[@]}" >&2
cmake --build "$dir" -j"$(nproc)" >&2
echo "$dir"
