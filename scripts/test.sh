#!/bin/bash
# Installs what is missing, builds, and runs every test: the normal build, the sanitizer build,
# the mingw-w64 compile check of the portable layers, a short run of every fuzz target
# (ZEFISETUP_FUZZ_SECONDS per target, default 20), and the Windows build (zefisetup.exe and
# the Windows test executables) with its tests and an end-to-end installation under Wine.
# Prints the time each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
failed=()
stage_start=$SECONDS
stage_done() {
    echo "== stage $1: $((SECONDS - stage_start)) s"
    stage_start=$SECONDS
}
scripts/deps.sh
stage_done deps
dir=$(scripts/build.sh release)
(cd "$dir" && ctest --output-on-failure -j2 --timeout 600) || { status=1; failed+=(release); }
stage_done release
dir=$(scripts/build.sh sanitize)
(cd "$dir" && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j2 --timeout 900) || { status=1; failed+=(sanitize); }
stage_done sanitize
scripts/cross-check.sh || { status=1; failed+=(cross-check); }
stage_done cross-check
scripts/fuzz.sh "${ZEFISETUP_FUZZ_SECONDS:-20}" || { status=1; failed+=(fuzz); }
stage_done fuzz
if windir=$(scripts/build.sh windows); then
    stage_done windows-build
    echo "Windows executables: $windir"
    scripts/windows-dlls.sh "$windir"/*.exe || { status=1; failed+=(windows-dlls); }
    scripts/windows-tests.sh "$windir" || { status=1; failed+=(windows-tests); }
    stage_done windows-tests
    scripts/windows-e2e.sh "$windir" build || { status=1; failed+=(windows-e2e); }
    stage_done windows-e2e
else
    echo "the Windows build failed"
    status=1
    failed+=(windows-build)
    stage_done windows-build
fi
if [ $status = 0 ]; then echo "ALL TESTS PASSED"; else echo "SOME TESTS FAILED in: ${failed[*]}"; fi
exit $status
