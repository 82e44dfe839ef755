#!/bin/bash
# Runs the Windows test executables of a build directory under Wine, each in a fresh Wine
# prefix (a copy of one prefix booted for this run), headless:
#   windows-tests.sh WINDOWS_BUILD_DIR
# Tests that Wine cannot serve skip with their reason, which GoogleTest prints; the script lists
# each skipped test with its reason and each failed test. Wine and the X server stop with the
# script, however it ends.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
dir=$(cd "$1" && pwd)
source "$repo/scripts/wine-prefix.sh"
wine_traps
wine_locale "$repo/build-deps/windows"
wine_display_start
work=$dir/wine-tests
[ -d "$work" ] && chmod -R u+w "$work"
rm -rf "$work"
mkdir -p "$work"
wine_boot_template "$work/template"
wine_map_medium "$work/template" "$work/medium"
export ZEFISETUP_TEST_MEDIUM='D:\'
# An ISO image of the example medium for the virtual disk tests.
xorriso -as mkisofs -J -R -V RIDEZEZ01 -o "$work/medium.iso" "$repo/examples/medium" >/dev/null 2>&1
export ZEFISETUP_TEST_ISO
ZEFISETUP_TEST_ISO=$(winepath_of "$work/medium.iso")
status=0
shopt -s nullglob
tests=("$dir"/*_tests.exe)
if ((${#tests[@]} == 0)); then
    echo "windows-tests: no test executables in $dir" >&2
    exit 1
fi
for exe in "${tests[@]}"; do
    name=$(basename "$exe" .exe)
    wine_fresh_prefix "$work/template" "$work/$name"
    start=$SECONDS
    result=0
    # A test executable that hangs is stopped after 15 minutes, its Wine processes with it.
    wine_run -C "$work/$name/drive_c" -t 900 "$work/$name" "$exe" --gtest_color=no \
        >"$work/$name.out" 2>&1 || result=$?
    summary=$(grep -E '^\[  (PASSED|SKIPPED|FAILED) +\] [0-9]+ tests?' "$work/$name.out" |
        sed -E 's/^\[ +([A-Z]+) +\] ([0-9]+ tests?).*/\2 \1/' | tr 'A-Z\n' 'a-z ')
    echo "windows-tests: $name: ${summary:-no summary} ($((SECONDS - start)) s)"
    # Each skipped test with its reason, and each failed test.
    awk -f "$repo/scripts/gtest-skips.awk" "$work/$name.out" | sed 's/^/    skipped /'
    tr -d '\r' <"$work/$name.out" |
        awk '/^\[  FAILED  \] [A-Za-z0-9_\/]+\.[A-Za-z0-9_\/]+$/ { print "    failed " $4 }'
    if [ $result != 0 ]; then
        echo "windows-tests: $name failed (exit $result); output: $work/$name.out"
        tail -n 30 "$work/$name.out"
        status=1
    fi
    rm -rf "${work:?}/$name"
done
exit $status
