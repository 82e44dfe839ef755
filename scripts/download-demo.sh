#!/bin/bash
# The download demo: the example medium published as two ISO images (the first DVD and the
# second one with the Z-disk) by a file server on 127.0.0.1, and zefisetup started outside any
# medium, which therefore downloads the images, verifies and attaches them and installs from the
# first one into C:\ZEFI of a fresh demo machine (demo/download/prefix). The package list is
# signed with a minisign key made for the demo, which the demo machine trusts (PublisherKeys);
# a last run shows a list changed on the server being refused.
# Usage: scripts/download-demo.sh [--no-deps]
# (the build directory is "build", or $ZEFISETUP_BUILD_DIR when set)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
[ "${1:-}" = "--no-deps" ] || scripts/deps.sh
build=${ZEFISETUP_BUILD_DIR:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target zefisetup zefi_http_serve -j2 >/dev/null
build=$(cd "$build" && pwd)
program=$build/zefisetup

demo=$repo/demo/download
rm -rf "$demo"
mkdir -p "$demo/stage" "$demo/srv/zefi"

# The two disks as the publisher burns them: volume labels beginning "RIDEZEZ", and in the root
# a marker file "zeficz*" whose text is the edition marker followed by the disk number.
cp -r examples/medium "$demo/stage/disk1"
rm -rf "$demo/stage/disk1/disk2"
chmod -R u+w "$demo/stage/disk1"
cp -r examples/medium/disk2 "$demo/stage/disk2"
chmod -R u+w "$demo/stage/disk2"
for disk in 1 2; do
    xorriso -as mkisofs -quiet -J -R -V "RIDEZEZ0$disk" -o "$demo/srv/zefi/zefi$disk.iso" \
        "$demo/stage/disk$disk" >/dev/null 2>&1
done

# The server: our own small file server on 127.0.0.1 (byte ranges honoured). It stops when the
# stop file appears (at the end of this script, also when it fails) or after ten minutes.
stop=$demo/server.stop
"$build/zefi_http_serve" "$demo/srv" "$stop" 600 >"$demo/server.out" 2>"$demo/server.log" &
server=$!
finish() {
    touch "$stop"
    wait "$server" 2>/dev/null || true
}
trap finish EXIT
for _ in $(seq 50); do
    [ -s "$demo/server.out" ] && break
    sleep 0.1
done
base=$(head -n 1 "$demo/server.out")
[ -n "$base" ] || { echo "the file server did not start: $(cat "$demo/server.log")" >&2; exit 1; }

# The package list: the MD5 digest and the file name of every image, and for each a sha256 line
# with its size (older programs skip those). The publisher signs it with minisign; the signed
# comment carries the list's serial number and the day after which it is no longer valid.
# The sites list: for the Czech edition ("cz") the address of the package list (no limitation
# file).
(
    cd "$demo/srv/zefi"
    md5sum zefi1.iso zefi2.iso | sed 's/  / /; s/$/\r/'
    for image in zefi1.iso zefi2.iso; do
        printf 'sha256 %s %s %s\r\n' "$(sha256sum "$image" | cut -d' ' -f1)" "$(stat -c %s "$image")" "$image"
    done
) >"$demo/srv/zefi/packages.txt"
mkdir -p "$demo/keys"
minisign -G -f -W -p "$demo/keys/publisher.pub" -s "$demo/keys/publisher.key" >/dev/null
minisign -S -s "$demo/keys/publisher.key" -m "$demo/srv/zefi/packages.txt" \
    -t "serial=1 expires=$(date -u -d '+60 days' +%F)" >/dev/null
publisher_key=$(sed -n 2p "$demo/keys/publisher.pub")
printf 'cz %s/zefi/packages.txt\r\n' "$base" >"$demo/srv/sites.txt"
for _ in $(seq 50); do
    grep -q '^serving /sites.txt' "$demo/server.log" && break
    sleep 0.1
done

# A fresh emulated machine with drive C: only; the program starts in C:\Temp, which is no
# medium, so it is in download mode.
prefix=$demo/prefix
mkdir -p "$prefix/drive_c/Temp"
cat >"$prefix/machine.ini" <<INI
[system]
language = 1029
admin = 1
temp = C:\\Temp\\
[drives]
C = drive_c, fixed
INI
# The machine trusts the demo's publisher key, as an administrator sets it in the registry.
cat >"$prefix/system.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]
"PublisherKeys"="$publisher_key"
REG
export ZEFISETUP_PREFIX=$prefix

# An unattended start (-q/-Q, -o, -i) never enters download mode, so the main menu and the
# dialogs are answered from a file: install, destination C:\ZEFI (created), the options as
# proposed, "Další >>" in the confirmation; afterwards the menu is closed ("Konec").
cat >"$demo/answers.txt" <<'ANSWERS'
dialog 1 1000
dialog 4 ok 1002=C:\ZEFI
message 109 yes
dialog 11 ok
dialog 7 1
ANSWERS
export ZEFISETUP_ANSWERS=$demo/answers.txt

temp=$prefix/drive_c/Temp
echo "Server:    $base (serving $demo/srv)"
echo "Machine:   $prefix"
echo
echo "== zefisetup -m $base/sites.txt    (in C:\\Temp)"
(cd "$temp" && "$program" -m "$base/sites.txt" </dev/null)
cp "$temp/inetzefi.log" "$demo/inetzefi-first.log"

# Started again, the program finds the offered image set in "zefisetup.rep" and asks whether
# to go on; No ends the download, and nothing changes.
cat >"$demo/answers.txt" <<'ANSWERS'
dialog 1 1000
dialog 4 ok
message 162 no
ANSWERS
echo
echo "== the same again: this image set is installed already"
# The declined update ends with its own exit status (10); anything else is a failure.
second=0
(cd "$temp" && "$program" -m "$base/sites.txt" </dev/null) || second=$?
if [ "$second" != 10 ]; then
    echo "download-demo: the second run ended with status $second, expected 10 (declined)" >&2
    exit 1
fi
echo "(exit status 10: the same data is installed already, the update was declined)"

# Someone changes the package list on the server (another image digest) without the publisher's
# key: the signature no longer fits, the list is refused and nothing is fetched.
cp "$demo/srv/zefi/packages.txt" "$demo/packages-signed.txt"
sed -i '1s/^[0-9a-f]\{32\}/00000000000000000000000000000000/' "$demo/srv/zefi/packages.txt"
cat >"$demo/answers.txt" <<'ANSWERS'
dialog 1 1000
dialog 4 ok
ANSWERS
echo
echo "== a package list changed on the server: its signature does not fit"
third=0
(cd "$temp" && "$program" -m "$base/sites.txt" </dev/null) || third=$?
cp "$demo/packages-signed.txt" "$demo/srv/zefi/packages.txt"
if [ "$third" != 9 ]; then
    echo "download-demo: the tampered list ended with status $third, expected 9 (refused)" >&2
    exit 1
fi
echo "(exit status 9: the download ended without a verified set of images)"
cp "$temp/inetzefi.log" "$demo/inetzefi-refused.log"

finish
trap - EXIT
echo
echo "Requests the server answered:"
tail -n +2 "$demo/server.out"

dest=$prefix/drive_c/ZEFI
echo
echo "Product:   C:\\ZEFI = $dest"
echo "Repo info: $dest/zefisetup.rep (one digest per installed image)"
sed 's/\r$//; s/^/             /' "$dest/zefisetup.rep"
echo "Images:    downloaded to C:\\ZEFI, verified and attached (see the download log); after the"
echo "           successful installation they are deleted at program end:"
for image in zefi1.iso zefi2.iso; do
    if [ -e "$dest/$image" ]; then echo "             $dest/$image (still there)"; else echo "             C:\\ZEFI\\$image (deleted)"; fi
done
echo "           the published copies: $demo/srv/zefi"
echo "Logs:      download log of the first run $demo/inetzefi-first.log"
grep -a -E '^(Found |Download image .* from |Download and chceck|Setting iuObj|Done)' "$demo/inetzefi-first.log" | tr -d '\r' | sed 's/^/             /' || true
grep -a -E '^Package list' "$demo/inetzefi-first.log" | tr -d '\r' | sed 's/^/             /' || true
echo "           download log of the refused run $demo/inetzefi-refused.log"
grep -a -E '^(Package list|Done)' "$demo/inetzefi-refused.log" | tr -d '\r' | sed 's/^/             /' || true
echo "           install log  $temp/inszefi.log"
grep -a -E '^Instalation: |^Instalace ' "$temp/inszefi.log" | tr -d '\r' | sed 's/^/             /' || true
echo "Registry:  $prefix/system.reg"
grep -E '"(InstallDir|Edition|PackageListSerial)"' "$prefix/system.reg" || true
echo "Keys:      the demo publisher's key pair in $demo/keys (PublisherKeys holds the .pub line)"
