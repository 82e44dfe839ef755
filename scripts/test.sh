#!/bin/bash
# Installs what is missing, builds, and runs every test: the normal build, the sanitizer build,
# the mingw-w64 compile check of the portable layers, and a short run of every fuzz target
# (ZEFISETUP_FUZZ_SECONDS per target, default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
status=0
dir=$(scripts/build.sh release)
(cd "$dir" && ctest --output-on-failure -j2 --timeout 600) || status=1
dir=$(scripts/build.sh sanitize)
(cd "$dir" && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j2 --timeout 900) || status=1
scripts/cross-check.sh || status=1
scripts/fuzz.sh "${ZEFISETUP_FUZZ_SECONDS:-20}" || status=1
if [ $status = 0 ]; then echo "ALL TESTS PASSED"; else echo "SOME TESTS FAILED"; fi
exit $status
