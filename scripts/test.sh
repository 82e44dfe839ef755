#!/bin/bash
# Installs what is missing, checks the layout of the sources (clang-format), builds, and runs
# every test: the normal build, the sanitizer build,
# the mingw-w64 compile check of the portable layers, a short run of every fuzz target
# (ZEFISETUP_FUZZ_SECONDS per target, default 20), and the Windows build (zefisetup.exe and
# the Windows test executables) with its tests and an end-to-end installation under Wine.
# Ends with a summary, whatever stage fails and also when the script is stopped (TERM, INT):
# every stage run with its time and result, the stages that failed, and every skipped test
# with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/zefisetup-test.XXXXXX")

results=()  # one line per stage run: name, seconds, result
failed=()   # the stages that failed
skipped=()  # "stage: Suite.Test: reason"
current=    # the stage running now
started=0

begin_stage() {
    current=$1
    started=$SECONDS
    echo "== stage $current"
}

end_stage() {  # end_stage RESULT
    local seconds=$((SECONDS - started))
    results+=("$(printf '%-14s %6d s  %s' "$current" "$seconds" "$1")")
    [ "$1" = passed ] || failed+=("$current")
    echo "== stage $current: $1 ($seconds s)"
    current=
}

# run_stage NAME COMMAND...: a stage that passes when COMMAND succeeds. COMMAND runs without
# set -e (as any command tested by "if"), so the stage functions below check each step.
run_stage() {
    local name=$1
    shift
    begin_stage "$name"
    if "$@"; then end_stage passed; else end_stage failed; fi
}

# collect_skips STAGE FILE...: the skipped tests that GoogleTest reported in FILE.
collect_skips() {
    local stage=$1 line
    shift
    while IFS= read -r line; do
        skipped+=("$stage: $line")
    done < <(awk -f scripts/gtest-skips.awk "$@" 2>/dev/null || true)
}

summary() {
    local status=$?
    trap - EXIT HUP INT TERM
    set +e
    local ended=
    if [ -n "$current" ]; then
        end_stage "stopped (exit status $status)"
    elif [ "$status" != 0 ]; then
        ended="the script itself ended early (exit status $status)"
    fi
    echo
    echo "== summary"
    local line
    for line in "${results[@]}"; do echo "  $line"; done
    if ((${#skipped[@]} == 0)); then
        echo "skipped tests: none"
    else
        echo "skipped tests (${#skipped[@]}):"
        for line in "${skipped[@]}"; do echo "  $line"; done
    fi
    rm -rf "$work"
    [ -z "$ended" ] || echo "$ended"
    if ((${#failed[@]} == 0)) && [ "$status" = 0 ]; then
        echo "ALL TESTS PASSED"
        exit 0
    fi
    echo "SOME TESTS FAILED in: ${failed[*]:-the script}"
    exit 1
}
trap summary EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# ctest_stage FLAVOUR TIMEOUT [ENV...]: builds a flavour and runs its tests through ctest; the
# JUnit file keeps each test's output, where the skipped tests give their reasons.
ctest_stage() {
    local flavour=$1 timeout=$2 dir status=0
    shift 2
    dir=$(scripts/build.sh "$flavour") || return 1
    (cd "$dir" && env "$@" ctest --output-on-failure -j2 --timeout "$timeout" \
        --output-junit "$work/$flavour.xml") || status=$?
    collect_skips "$flavour" "$work/$flavour.xml"
    return $status
}

# The Windows test executables under Wine; each one's output stays in wine-tests/ of the build.
windows_tests() {
    local status=0
    scripts/windows-tests.sh "$windir" || status=$?
    collect_skips windows-tests "$windir"/wine-tests/*.out
    return $status
}

# The sources as clang-format lays them out (.clang-format).
format_check() {
    git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' \
        'fuzz/*.cpp' 'fuzz/*.h' | xargs clang-format-14 --dry-run -Werror
}

run_stage deps scripts/deps.sh
if ((${#failed[@]} != 0)); then exit 1; fi
run_stage format format_check
run_stage release ctest_stage release 600
run_stage sanitize ctest_stage sanitize 900 ASAN_OPTIONS=detect_leaks=0
run_stage cross-check scripts/cross-check.sh
run_stage fuzz scripts/fuzz.sh "${ZEFISETUP_FUZZ_SECONDS:-20}"
begin_stage windows-build
if windir=$(scripts/build.sh windows); then
    end_stage passed
    echo "Windows executables: $windir"
    run_stage windows-dlls scripts/windows-dlls.sh "$windir"/*.exe
    run_stage windows-tests windows_tests
    run_stage windows-e2e scripts/windows-e2e.sh "$windir" build
else
    end_stage failed
fi
