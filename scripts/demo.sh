#!/bin/bash
# The main job: an unattended installation of the example medium (examples/medium, attached as
# the DVD in drive D:) into C:\ZEFI of a fresh demo machine (demo/prefix), then the same command
# again, which updates the installation and copies only what changed.
# Usage: scripts/demo.sh [--no-deps]   (the build directory is "build")
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
[ "${1:-}" = "--no-deps" ] || scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zefisetup -j2 >/dev/null
program=$repo/build/zefisetup

# A fresh emulated machine: drive C: in the prefix, the example medium as the DVD in drive D:.
prefix=$repo/demo/prefix
rm -rf "$prefix"
mkdir -p "$prefix/drive_c/Temp"
cat >"$prefix/machine.ini" <<INI
[system]
language = 1029
admin = 1
temp = C:\\Temp\\
[drives]
C = drive_c, fixed
D = $repo/examples/medium, cdrom, RIDEZEZ01
INI
export ZEFISETUP_PREFIX=$prefix
unset ZEFISETUP_ANSWERS

# Started from the DVD, the program copies itself and the install scripts to the temporary
# directory and goes on from there with -i and the DVD; this does the same in one step. The
# logs land in the temporary directory, the current directory of the run.
temp=$prefix/drive_c/Temp
for f in setup.exe ssetup.dll cd.cfg cds.cfg; do cp "examples/medium/$f" "$temp/$f"; done
chmod u+w "$temp"/*

# -Q: unattended, no options dialog. Options: install according to the present settings,
# do not delete parts used from the DVD, only newer files, program group, Slovak texts.
command=(-i 'D:\' -o 'C:\ZEFI' -Q 1,0,1,1,1)
run() {
    echo "== zefisetup ${command[*]}"
    (cd "$temp" && "$program" "${command[@]}" </dev/null)
    echo "   log: $(grep -c '...skipped' "$temp/inszefi.log") files skipped as up to date," \
        "$(( $(grep -c '^srcfile: ' "$temp/inszefi.log") - $(grep -c '...skipped' "$temp/inszefi.log") )) copied;" \
        "last line before Finished: $(grep -v '^Finished: ' "$temp/inszefi.log" | tail -n 1 | tr -d '\r')"
}

echo "Machine prefix: $prefix"
echo
echo "-- first run: installation"
run
echo
echo "-- second run, same command: update"
run

programs='drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows'
echo
echo "Product:   C:\\ZEFI = $prefix/drive_c/ZEFI"
echo "Log:       $temp/inszefi.log"
echo "Shortcut:  $prefix/$programs/Zefi.lnk"
if command -v lnkinfo >/dev/null; then
    lnkinfo "$prefix/$programs/Zefi.lnk" 2>/dev/null | grep -E 'Local path|Working directory|Description' || true
fi
echo "Registry:  $prefix/system.reg"
grep -E '"(InstallDir|Edition)"' "$prefix/system.reg" || true
