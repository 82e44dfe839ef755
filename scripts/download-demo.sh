#!/bin/bash
# The download demo: the example medium published as two ISO images (the first DVD and the
# second one with the Z-disk) by a file server on 127.0.0.1, and zefisetup started outside any
# medium, which therefore downloads the images, verifies and attaches them and installs from the
# first one into C:\ZEFI of a fresh demo machine (demo/download/prefix). The set is made by
# scripts/publish.sh and signed with a minisign key made for the demo, which the demo machine
# trusts (PublisherKeys); a further run shows a list changed on the server being refused, and
# zefisetup-verify checks the set as served at the end.
# Usage: scripts/download-demo.sh [--no-deps]
# (the build directory is "build", or $ZEFISETUP_BUILD_DIR when set)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
[ "${1:-}" = "--no-deps" ] || scripts/deps.sh
build=${ZEFISETUP_BUILD_DIR:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target zefisetup zefisetup-check zefisetup-verify zefi_http_serve -j2 >/dev/null
build=$(cd "$build" && pwd)
program=$build/zefisetup

demo=$repo/demo/download
rm -rf "$demo"
mkdir -p "$demo/stage" "$demo/srv"

# The two disks as the publisher has them: in the root a marker file "zeficz*" whose text is the
# edition marker followed by the disk number (publish.sh gives the volumes their labels).
cp -a examples/medium "$demo/stage/disk1"
rm -rf "$demo/stage/disk1/disk2"
chmod -R u+w "$demo/stage/disk1"
cp -a examples/medium/disk2 "$demo/stage/disk2"
chmod -R u+w "$demo/stage/disk2"

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

# The publisher's key pair (made without a password for the demo), and the set published with
# it under the server's address: the images "zefi1.iso" and "zefi2.iso" (labels "RIDEZEZ01",
# "RIDEZEZ02"), the package list with its MD5 and sha256 lines, its signature (serial 1, valid
# for 60 days), the zsync control files and the sites list (for the Czech edition, "cz").
mkdir -p "$demo/keys"
minisign -G -f -W -p "$demo/keys/publisher.pub" -s "$demo/keys/publisher.key" >/dev/null
publisher_key=$(sed -n 2p "$demo/keys/publisher.pub")
echo "== scripts/publish.sh --out $demo/srv/zefi --base-url $base/zefi --key ... disk1 disk2"
ZEFISETUP_BUILD_DIR=$build scripts/publish.sh --out "$demo/srv/zefi" --base-url "$base/zefi" \
    --key "$demo/keys/publisher.key" "$demo/stage/disk1" "$demo/stage/disk2" 2>/dev/null
sites=$base/zefi/sites.txt
for _ in $(seq 50); do
    grep -q '^serving /zefi/sites.txt' "$demo/server.log" && break
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
echo "== zefisetup -m $sites    (in C:\\Temp)"
(cd "$temp" && "$program" -m "$sites" </dev/null)
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
(cd "$temp" && "$program" -m "$sites" </dev/null) || second=$?
if [ "$second" != 10 ]; then
    echo "download-demo: the second run ended with status $second, expected 10 (declined)" >&2
    exit 1
fi
echo "(exit status 10: the same data is installed already, the update was declined)"

# Someone changes the package list on the server (another image digest) without the publisher's
# key: the signature no longer fits, the list is refused and nothing is fetched.
# The server takes up a changed file within a tenth of a second and says so in its log.
served() { grep -c '^serving /zefi/packages.txt ' "$demo/server.log" || true; }
wait_served() {
    for _ in $(seq 50); do
        (($(served) > $1)) && return
        sleep 0.1
    done
}
cp "$demo/srv/zefi/packages.txt" "$demo/packages-signed.txt"
before=$(served)
sed -i '1s/^[0-9a-f]\{32\}/00000000000000000000000000000000/' "$demo/srv/zefi/packages.txt"
wait_served "$before"
cat >"$demo/answers.txt" <<'ANSWERS'
dialog 1 1000
dialog 4 ok
ANSWERS
echo
echo "== a package list changed on the server: its signature does not fit"
third=0
(cd "$temp" && "$program" -m "$sites" </dev/null) || third=$?
before=$(served)
# Put back in one rename, so that the server never reads a half-written list.
cp "$demo/packages-signed.txt" "$demo/packages.tmp"
mv "$demo/packages.tmp" "$demo/srv/zefi/packages.txt"
wait_served "$before"
if [ "$third" != 9 ]; then
    echo "download-demo: the tampered list ended with status $third, expected 9 (refused)" >&2
    exit 1
fi
echo "(exit status 9: the download ended without a verified set of images)"
cp "$temp/inetzefi.log" "$demo/inetzefi-refused.log"

# The set as the server offers it again, checked from outside as a client sees it: the
# signature, every image's size and digests, every zsync control file.
echo
echo "== zefisetup-verify --key <the publisher's key> $sites"
verified=0
"$build/zefisetup-verify" --key "$publisher_key" "$sites" || verified=$?
if [ "$verified" != 0 ]; then
    echo "download-demo: zefisetup-verify ended with status $verified, expected 0 (no findings)" >&2
    exit 1
fi

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
