#!/bin/bash
# The end-to-end installation under Wine, checked against the emulated machine:
#   windows-e2e.sh WINDOWS_BUILD_DIR POSIX_BUILD_DIR
# A fresh Wine prefix of a Czech Windows (ANSI code page 1250) whose drive D: is the example
# medium as a CD-ROM labelled "RIDEZEZ01" runs "zefisetup.exe -i D:\ -o C:\ZEFI -Q 1,0,1,1,1"
# twice (installation, then update), answered through ZEFISETUP_ANSWERS. The emulated machine
# runs the same two commands. Checked: both runs succeed; the installed files are the same;
# InstallDir is in the 32-bit view of Wine's registry; Zefi.lnk reads back (lnkinfo) as on the
# emulated machine; "inszefi.log" of each run equals the emulated machine's line for line, apart
# from time stamps and free-space figures. Then, without answers, the real windows: the main
# menu opens, a second start is refused while it is open, and its close box ends the program.
# Work files stay in WINDOWS_BUILD_DIR/e2e. Wine and the X server stop with the script, however
# it ends.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
win_dir=$(cd "$1" && pwd)
posix_dir=$(cd "$2" && pwd)
source "$repo/scripts/wine-prefix.sh"
wine_traps
wine_locale "$repo/build-deps/windows"
wine_display_start

work=$win_dir/e2e
[ -d "$work" ] && chmod -R u+w "$work"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "e2e: FAILED: $*"; failures=$((failures + 1)); }

# Every dialog and message box takes its default answer, as in an unattended run on the
# emulated machine; the file must exist, since on Windows only an answers file selects the
# scripted host.
answers=$work/answers.txt
printf '# unattended run: default answers\n' >"$answers"

# The Windows machine.
prefix=$work/wine
wine_boot_template "$prefix"
wine_map_medium "$prefix" "$work/medium"
mkdir -p "$prefix/drive_c/Temp"

# The emulated machine, as in scripts/demo.sh.
emu=$work/emulated
mkdir -p "$emu/drive_c/Temp"
cat >"$emu/machine.ini" <<INI
[system]
language = 1029
admin = 1
temp = C:\\Temp\\
[drives]
C = drive_c, fixed
D = $repo/examples/medium, cdrom, RIDEZEZ01
INI

# Started from the DVD, the program goes on from a copy in the temporary directory: the setup
# files and scripts are put there, the current directory of the run.
for temp in "$prefix/drive_c/Temp" "$emu/drive_c/Temp"; do
    for f in setup.exe ssetup.dll cd.cfg cds.cfg; do cp "$repo/examples/medium/$f" "$temp/$f"; done
    chmod u+w "$temp"/*
done

command=(-i 'D:\' -o 'C:\ZEFI' -Q 1,0,1,1,1)

# Time stamps and free-space figures differ between two machines; everything else must not.
normalize() {
    tr -d '\r' <"$1" | sed -E \
        -e 's/^(Started|Finished): .*/\1: <time>/' \
        -e '/[Ff]ree|[Ss]pace|[Mm]isto/ s/[0-9]+(\.[0-9]+)?/<n>/g'
}

for run in 1 2; do
    echo "e2e: run $run: zefisetup.exe ${command[*]}"
    status=0
    ZEFISETUP_ANSWERS=$(winepath_of "$answers") wine_run -C "$prefix/drive_c/Temp" "$prefix" \
        "$win_dir/zefisetup.exe" "${command[@]}" </dev/null >"$work/wine-run$run.out" 2>&1 ||
        status=$?
    [ $status = 0 ] || fail "zefisetup.exe run $run exited with $status (output: $work/wine-run$run.out)"
    status=0
    (cd "$emu/drive_c/Temp" &&
        ZEFISETUP_PREFIX=$emu ZEFISETUP_ANSWERS=$answers "$posix_dir/zefisetup" "${command[@]}" \
            </dev/null >"$work/emulated-run$run.out" 2>&1) || status=$?
    [ $status = 0 ] || fail "emulated run $run exited with $status (output: $work/emulated-run$run.out)"
    cp "$prefix/drive_c/Temp/inszefi.log" "$work/wine-run$run.log" 2>/dev/null ||
        fail "run $run wrote no inszefi.log under Wine"
    cp "$emu/drive_c/Temp/inszefi.log" "$work/emulated-run$run.log" 2>/dev/null ||
        fail "run $run wrote no inszefi.log on the emulated machine"
    if [ -f "$work/wine-run$run.log" ] && [ -f "$work/emulated-run$run.log" ]; then
        if diff <(normalize "$work/emulated-run$run.log") <(normalize "$work/wine-run$run.log") \
            >"$work/log-run$run.diff"; then
            echo "e2e: run $run: inszefi.log equal ($(wc -l <"$work/wine-run$run.log") lines)"
        else
            fail "run $run: inszefi.log differs (< emulated, > Wine):"
            head -n 40 "$work/log-run$run.diff"
        fi
    fi
done

# The installed files.
if diff -r "$emu/drive_c/ZEFI" "$prefix/drive_c/ZEFI" >"$work/files.diff"; then
    echo "e2e: installed files equal ($(find "$prefix/drive_c/ZEFI" -type f | wc -l) files in C:\\ZEFI)"
else
    fail "installed files differ:"
    head -n 20 "$work/files.diff"
fi

# InstallDir in the 32-bit registry view (Wow6432Node of the 64-bit registry), not the 64-bit one.
reg_section() {
    tr -d '\r' <"$prefix/system.reg" |
        awk -v want="[$1]" 'index(tolower($0), tolower(want)) == 1 { on = 1; next } /^\[/ { on = 0 } on'
}
installdir=$(reg_section 'Software\\\\Wow6432Node\\\\Zefi Publishing\\\\ZEFI' | grep -i '^"InstallDir"=' || true)
if [ "$installdir" = '"InstallDir"="C:\\ZEFI"' ]; then
    echo "e2e: registry: $installdir in the 32-bit view"
else
    fail "registry: InstallDir in the 32-bit view is '${installdir:-missing}'"
fi
if reg_section 'Software\\\\Zefi Publishing\\\\ZEFI' | grep -qi '^"InstallDir"='; then
    fail "registry: InstallDir was also written to the 64-bit view"
fi

# The program group's shortcut, read back with lnkinfo.
group='drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows/Zefi.lnk'
link_fields() {
    lnkinfo "$1" 2>/dev/null | grep -E 'Local path|Working directory|Description' | sed -E 's/^[[:space:]]+//'
}
if [ ! -f "$prefix/$group" ]; then
    fail "no shortcut C:\\${group#drive_c/}"
elif [ -z "$(link_fields "$prefix/$group")" ]; then
    fail "lnkinfo cannot read the shortcut made under Wine"
elif [ "$(link_fields "$prefix/$group")" != "$(link_fields "$emu/$group")" ]; then
    fail "shortcut differs: Wine: $(link_fields "$prefix/$group" | tr '\n' ';') emulated: $(link_fields "$emu/$group" | tr '\n' ';')"
else
    echo "e2e: shortcut: $(link_fields "$prefix/$group" | tr '\n' ';')"
fi

# Without answers the program shows its real windows: the main menu opens; a second start while
# it is open ends at once with status 11 and shows nothing; the menu's close box ends the first
# with status 0. ui_probe finds the windows and closes the menu as a person would.
wine=$(wine_program)
menu="Instalace ZEFI pro Windows"
no_answers() {
    cd "$prefix/drive_c/Temp"
    local wine_env=(env -u ZEFISETUP_ANSWERS "${wine_locale_env[@]}" WINEPREFIX="$prefix"
        DISPLAY="$wine_display" "$wine")
    local exe=$win_dir/zefisetup.exe probe=$win_dir/ui_probe.exe program
    timeout 180 "${wine_env[@]}" "$exe" -i 'D:\' -o 'C:\ZEFI' </dev/null >/dev/null 2>&1 &
    program=$!
    if ! "${wine_env[@]}" "$probe" wait "$menu" --with 1000 --with 1002 --with 2 90 >/dev/null; then
        echo "no main menu"
        kill $program
        return 1
    fi
    echo "main menu open"
    local second=0
    timeout 90 "${wine_env[@]}" "$exe" -i 'D:\' -o 'C:\ZEFI' </dev/null >/dev/null 2>&1 ||
        second=$?
    echo "second start: exit $second"
    "${wine_env[@]}" "$probe" windows | grep -c "#32770" | sed "s/^/dialog windows: /"
    "${wine_env[@]}" "$probe" close "$menu" --with 1000 >/dev/null
    local first=0
    wait $program || first=$?
    echo "first start: exit $first"
}
status=0
# In the background, so that a signal to this script runs its traps at once.
(set +e; no_answers) >"$work/no-answers.out" 2>&1 &
wait $! || status=$?
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
summary=$(tr '\n' ';' <"$work/no-answers.out")
if [ $status != 0 ]; then
    fail "without ZEFISETUP_ANSWERS: $summary"
elif ! grep -qx 'second start: exit 11' "$work/no-answers.out" ||
    ! grep -qx 'dialog windows: 1' "$work/no-answers.out" ||
    ! grep -qx 'first start: exit 0' "$work/no-answers.out"; then
    fail "without ZEFISETUP_ANSWERS: $summary"
else
    echo "e2e: without answers: $summary"
fi

if [ $failures = 0 ]; then echo "e2e: PASSED"; else echo "e2e: $failures check(s) failed"; fi
[ $failures = 0 ]
