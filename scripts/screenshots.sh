#!/bin/bash
# Pictures of the program's windows as a user sees them, for the README and for checking the
# dialog layouts: docs/screenshots/<cs|sk>-dialog-<id>.png and <cs|sk>-message-<icon>.png.
#   scripts/screenshots.sh [WINDOWS_BUILD_DIR]     (default build-win; needs zefisetup.exe and
#                                                   ui_probe.exe built there)
# For Czech (language 1029, cs_CZ) and Slovak (1051, sk_SK) a fresh Wine prefix runs
# zefisetup.exe with its real dialogs (no answers file) in a Wine virtual desktop on Xvfb, so
# windows get title bars; ui_probe.exe walks it through real runs and ImageMagick's import
# photographs each window:
#   run 1, from a copy of the example medium as the read-only DVD D: (its dictionary holds one
#     large file, so the copy lasts; its zefi6.cfg has a LICENCE key): main menu (1),
#     instructions (8), installation search (3, kept on screen by drives whose root folders
#     hold very many entries), destination (4); a folder on the DVD: "create?" (question),
#     "could not create" (error); C:\ZEFI: copy progress (6), success (information);
#   run 2, the update of that installation while its Zefiwin.exe is held open by another
#     process, with every file to be copied: options (11), confirmation (7), copy error (9),
#     Exit;
#   run 3, the update again, with a Z-disk licence in the installation's zefi6.cfg: DVD 2 is
#     asked for (exclamation), D: becomes DVD 2, success;
#   run 4, started outside any medium with -m and a slow file server on 127.0.0.1: download
#     progress (142), cancelled.
# A developer tool, not run by CI; it installs ImageMagick, Xvfb, xorriso and Wine's fonts when
# missing. Work files stay in WINDOWS_BUILD_DIR/screenshots (SCREENSHOTS_LANGS="cs" makes one
# language only). Wine, the X server and the file server stop with the script, however it ends.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
win_dir=$(cd "${1:-$repo/build-win}" && pwd)
for exe in zefisetup.exe ui_probe.exe; do
    [ -f "$win_dir/$exe" ] || { echo "screenshots: $win_dir/$exe is missing" >&2; exit 1; }
done
command -v import >/dev/null || apt-get install -y imagemagick >&2
command -v Xvfb >/dev/null || apt-get install -y xvfb >&2
command -v xorriso >/dev/null || apt-get install -y xorriso >&2
[ -f /usr/share/wine/fonts/marlett.ttf ] || apt-get install -y fonts-wine >&2
source "$repo/scripts/wine-prefix.sh"
wine=$(wine_program)

out=$repo/docs/screenshots
work=$win_dir/screenshots
unlock_tree() {
    [ -d "$1" ] || return 0
    chattr -R -i "$1" 2>/dev/null || true
    chmod -R u+w "$1" 2>/dev/null || true
}
unlock_tree "$work"
rm -rf "$work"
mkdir -p "$work" "$out"

# The Unix locale of each language, compiled into a private folder; Wine takes the Windows
# locale (language, ANSI code page 1250) from it.
locales=$repo/build-deps/windows/locale
locale_env() {
    local name=$1.UTF-8
    if [ ! -d "$locales/$name" ]; then
        mkdir -p "$locales"
        localedef -i "$1" -f UTF-8 "$locales/$name" >/dev/null 2>&1 || true
        [ -d "$locales/$name" ] || { echo "screenshots: cannot compile $name" >&2; exit 1; }
    fi
    loc_env=(LOCPATH="$locales" LC_ALL="$name" LANG="$name")
}

server=
prefix=
cleanup() {
    [ -z "$server" ] || touch "$work/server.stop"
    local p
    for p in "$work"/*/prefix; do
        [ ! -d "$p" ] || WINEPREFIX=$p wineserver -k 2>/dev/null || true
    done
    unlock_tree "$work"
}
# However the script ends, also on TERM (what timeout sends) or INT: the file server, Wine and
# the X server stop.
wine_traps cleanup
# One X display for the whole script; everything started on it ends with it.
wine_display_start
display=$wine_display

w() { env "${loc_env[@]}" WINEPREFIX="$prefix" DISPLAY="$display" "$wine" "$@"; }
probe() { w "$win_dir/ui_probe.exe" "$@"; }
# Failures are counted in a file: the runs go in subshells, which end at their first failure.
fail() {
    echo "screenshots: FAILED: $*" >&2
    if [ -d "$prefix" ]; then
        echo "screenshots: windows on the screen:" >&2
        probe windows >&2 || true
    fi
    echo "$*" >>"$work/failures"
    DISPLAY=$display import -window root "$work/failed-$lang-$(wc -l <"$work/failures").png" || true
    return 1
}

# await CAPTION [--with ID]... SECONDS: the window must come; act COMMAND ...: ui_probe must
# succeed.
await() { probe wait "$@" >/dev/null || fail "no window $*"; }
act() { probe "$@" || fail "ui_probe $* failed"; }

# A prefix whose windows live in one virtual desktop of the screen's size, at the screen's
# origin, so window coordinates are screen coordinates.
new_prefix() {
    prefix=$work/$lang/prefix
    mkdir -p "$prefix"
    env "${loc_env[@]}" WINEPREFIX="$prefix" DISPLAY="$display" "$wine" wineboot --init >/dev/null 2>&1
    w reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    w reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    # Wine's Marlett draws the caption buttons; in the Windows fonts folder, as on Windows, the
    # prefix surely takes it up. Wine's Tahoma stays out: its bitmaps for small sizes lack
    # letters such as "ů" (a box instead), and its outlines come out wider than Windows' Tahoma;
    # the dialogs' "MS Shell Dlg" falls back to a system font with every letter, and the
    # dialogs' sizes follow that font.
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
    local acp
    acp=$(grep -m1 '^"ACP"=' "$prefix/system.reg" | tr -d '\r')
    [ "$acp" = '"ACP"="1250"' ] || { echo "screenshots: $lang prefix has code page $acp" >&2; exit 1; }
    mkdir -p "$prefix/drive_c/Temp"
}

# A folder as a CD-ROM drive of the prefix with a volume label; read-only like a DVD.
map_cdrom() {
    local letter=$1 dir=$2 label=$3
    [ -f "$dir/.windows-label" ] || { chattr -i "$dir"; printf '%s\n' "$label" >"$dir/.windows-label"; }
    chattr -R +i "$dir"
    ln -sfn "$dir" "$prefix/dosdevices/$letter:"
    w reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d cdrom /f >/dev/null 2>&1
}

# shot NAME CAPTION [--with ID]...: waits for the window, lets it finish painting, makes it
# the active window and saves the part of the screen it covers; no other Wine process may
# start in between (a starting one takes the activation away).
shot() {
    local name=$1 rect x y wd ht
    shift
    rect=$(probe wait "$@" 60 | tr -d '\r') || { fail "no window for $name ($*)"; return 1; }
    sleep 1
    for _ in 1 2 3 4 5; do
        probe activate "$@" >/dev/null && break
        sleep 0.3
    done
    sleep 0.3
    read -r x y wd ht <<<"$rect"
    DISPLAY=$display import -window root -crop "${wd}x${ht}+${x}+${y}" +repage \
        "$out/$lang-$name.png"
    [ "$(probe wait "$@" 0 | tr -d '\r')" = "$rect" ] ||
        { fail "$name moved or went away while it was taken"; return 1; }
    echo "screenshots: $lang-$name.png ($rect)"
}

box=$(printf 'Setup syst\xc3\xa9mu ZEFI')
# box_text WANTED: waits for a message box whose text contains WANTED (the one before may
# still be closing).
box_text() {
    local text=
    for _ in $(seq 60); do
        text=$(probe text "$box" 65535 2>/dev/null | tr -d '\r') || true
        case "$text" in *"$1"*) echo "screenshots:   box: $text"; return 0 ;; esac
        sleep 0.5
    done
    fail "message box says \"$text\", expected \"$1\""
}

# The example medium as two DVDs: the first without the second's folder, with the Z-disk
# licence in the configuration it installs and a large dictionary file; the second alone.
make_dvds() {
    local dir=$work/$lang
    cp -a "$repo/examples/medium" "$dir/dvd1"
    rm -rf "$dir/dvd1/disk2"
    chmod -R u+w "$dir/dvd1"
    printf 'LICENCE= 4\r\n' >>"$dir/dvd1/PROGRAM/zefi6.cfg"
    truncate -s "${SCREENSHOTS_BIG_MB:-1500}M" "$dir/dvd1/ZEFI/DICT/SLOVNIK.DAT"
    cp -a "$repo/examples/medium/disk2" "$dir/dvd2"
    chmod -R u+w "$dir/dvd2"
}

# Drives E: to Y: whose root folders each hold 100000 entries of long names: a lookup of
# "ZEFI" there reads the whole folder (Wine matches names without regard to case), so the
# search takes seconds, as on a machine with slow network drives. The folder is made once.
slow_drives() {
    local big=$win_dir/screenshots-bigroot
    if [ ! -f "$big.done" ]; then
        rm -rf "$big"
        mkdir -p "$big"
        python3 -c '
import os, sys
os.chdir(sys.argv[1])
pad = "x" * 200
for i in range(100000):
    os.close(os.open("%06d%s" % (i, pad), os.O_CREAT | os.O_WRONLY, 0o644))
' "$big"
        touch "$big.done"
    fi
    local letter
    for letter in e f g h i j k l m n o p q r s t u v w x y; do
        ln -sfn "$big" "$prefix/dosdevices/$letter:"
    done
}

start_program() {  # start_program DIR ARGS... : zefisetup.exe in Windows folder DIR
    local dir=$1
    shift
    (cd "$dir" && w "$win_dir/zefisetup.exe" "$@" </dev/null >"$work/$lang/program.out" 2>&1) &
    program=$!
}

finish_program() {
    local i
    for i in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$program" 2>/dev/null; then
        fail "zefisetup.exe did not end"
        WINEPREFIX=$prefix wineserver -k || true
    fi
    wait "$program" || true
    WINEPREFIX=$prefix wineserver -w || true
}

run_medium() {
    local T=$1 copy=$2 dvd1=$work/$lang/dvd1
    new_prefix
    make_dvds
    map_cdrom d "$dvd1" RIDEZEZ01
    slow_drives
    local temp=$prefix/drive_c/Temp f
    for f in setup.exe ssetup.dll cd.cfg cds.cfg; do cp "$dvd1/$f" "$temp/$f"; done
    WINEPREFIX=$prefix wineserver -w

    start_program "$temp" -i 'D:\'
    shot dialog-1 "$T" --with 1000 --with 1002
    act press "$T" --with 1000 1002
    shot dialog-8 "$T" --with 1032
    act press "$T" --with 1032 1
    act gone "$T" --with 1032 10
    act press "$T" --with 1000 1000
    shot dialog-3 "" --with 2
    shot dialog-4 "$T" --with 1003
    # A folder on the DVD cannot be made.
    act settext "$T" --with 1003 1002 'D:\PROGRAMY\ZEFI'
    act press "$T" --with 1003 1
    box_text 'PROGRAMY'
    shot message-question "$box" --with 6 --with 7
    act press "$box" 6
    box_text 'PROGRAMY'
    shot message-error "$box" --with 1
    act press "$box" 1
    act settext "$T" --with 1003 1002 'C:\ZEFI'
    act press "$T" --with 1003 1
    box_text 'ZEFI'
    act press "$box" 6
    await "$T" --with 1011 60
    act press "$T" --with 1011 1
    await "$T" --with 1031 60
    act press "$T" --with 1031 1
    # Copying: the large file is on its way once the source line names it.
    await "$copy" --with 1021 60
    for _ in $(seq 300); do
        case "$(probe text "$copy" --with 1021 1009 | tr -d '\r')" in *SLOVNIK*) break ;; esac
        sleep 0.2
    done
    sleep 1
    shot dialog-6 "$copy" --with 1021
    act gone "$copy" --with 1021 120
    box_text "$4"
    shot message-information "$box" --with 1
    act press "$box" 1

    # The update while the product's program is in use: every file is copied anew.
    map_cdrom d "$dvd1" RIDEZEZ01
    local lockfile=$prefix/drive_c/ZEFI/Zefiwin.exe
    probe lock 'C:\ZEFI\Zefiwin.exe' 600 >"$work/$lang/lock.out" 2>&1 &
    for _ in $(seq 100); do grep -q locked "$work/$lang/lock.out" && break; sleep 0.1; done
    act press "$T" --with 1000 1000
    await "$T" --with 1003 60
    act press "$T" --with 1003 1
    await "$T" --with 1011 60
    act check "$T" --with 1011 1019 0
    shot dialog-11 "$T" --with 1011
    act press "$T" --with 1011 1
    shot dialog-7 "$T" --with 1031
    act press "$T" --with 1031 1
    shot dialog-9 "$T" --with 1037
    act press "$T" --with 1037 1
    act gone "$copy" --with 1021 60
    box_text "$3"
    act press "$box" 1
    touch "$lockfile.unlock"

    # The update once more, for an installation licensed for the Z-disk (bit 4 of LICENCE in
    # its zefi6.cfg, which an update keeps; a new installation writes the script's "&4"),
    # which is on DVD 2: asked for, put in, confirmed.
    sed -i 's/^LICENCE=.*/LICENCE= 4\r/' "$prefix/drive_c/ZEFI/zefi6.cfg"
    act press "$T" --with 1000 1000
    await "$T" --with 1003 60
    act press "$T" --with 1003 1
    await "$T" --with 1011 60
    act press "$T" --with 1011 1
    await "$T" --with 1031 60
    act press "$T" --with 1031 1
    await "$box" --with 1 --with 2 120
    box_text 'DVD 2'
    shot message-exclamation "$box" --with 1 --with 2
    map_cdrom d "$work/$lang/dvd2" RIDEZEZ02
    act press "$box" 1
    act gone "$copy" --with 1021 120
    box_text "$4"
    act press "$box" 1
    act press "$T" --with 1000 2
    finish_program
}

# A file server on 127.0.0.1 that answers byte ranges and sends the images slowly (8 KiB per
# 50 ms); it stops when the stop file appears or after ten minutes.
start_server() {
    rm -f "$work/server.stop"
    python3 - "$work/srv" "$work/server.stop" >"$work/server.out" 2>"$work/server.log" <<'PY' &
import http.server, os, sys, threading, time
root, stop = sys.argv[1], sys.argv[2]
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def send_file(self, body):
        path = os.path.join(root, self.path.lstrip("/").split("?")[0])
        if not os.path.isfile(path):
            self.send_response(404); self.send_header("Content-Length", "0"); self.end_headers(); return
        data = open(path, "rb").read()
        start, end, status = 0, len(data) - 1, 200
        rng = self.headers.get("Range", "")
        if rng.startswith("bytes="):
            a, _, b = rng[6:].partition("-")
            start = int(a or 0); end = min(int(b), end) if b else end; status = 206
        self.send_response(status)
        self.send_header("Content-Length", str(end - start + 1))
        if status == 206: self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, len(data)))
        self.end_headers()
        if not body: return
        part, slow = data[start:end + 1], path.endswith(".iso")
        for i in range(0, len(part), 8192):
            if os.path.exists(stop): return
            self.wfile.write(part[i:i + 8192])
            if slow: time.sleep(0.05)
    def do_GET(self): self.send_file(True)
    def do_HEAD(self): self.send_file(False)
    def log_message(self, fmt, *args): sys.stderr.write((fmt % args) + "\n")
httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
httpd.daemon_threads = True
print("http://127.0.0.1:%d" % httpd.server_address[1], flush=True)
threading.Thread(target=httpd.serve_forever, daemon=True).start()
end = time.time() + 600
while not os.path.exists(stop) and time.time() < end: time.sleep(0.1)
PY
    server=$!
    for _ in $(seq 50); do [ -s "$work/server.out" ] && break; sleep 0.1; done
    base=$(head -n 1 "$work/server.out")
    [ -n "$base" ] || { echo "screenshots: the file server did not start" >&2; exit 1; }
}

run_download() {
    local T=$1
    new_prefix
    local temp=$prefix/drive_c/Temp
    start_program "$temp" -m "$base/sites.txt"
    await "$T" --with 1000 60
    act press "$T" --with 1000 1000
    await "$T" --with 1003 60
    act settext "$T" --with 1003 1002 'C:\ZEFI'
    act press "$T" --with 1003 1
    await "$box" --with 6 30
    act press "$box" 6
    local down=$2
    await "$down" --with 1055 60
    # The image is coming in once the task line carries the estimate.
    for _ in $(seq 300); do
        case "$(probe text "$down" --with 1055 1055 | tr -d '\r')" in *:*:*) break ;; esac
        sleep 0.2
    done
    sleep 1
    shot dialog-142 "$down" --with 1055
    act press "$down" --with 1055 2
    await "$box" --with 6 30
    act press "$box" 6
    act gone "$down" --with 1055 60
    act press "$T" --with 1000 2
    finish_program
}

# The images of the download run: the example medium as one ISO, made large enough by a
# filler file that its slow transfer keeps the dialog up.
mkdir -p "$work/srv/zefi" "$work/stage"
cp -a "$repo/examples/medium" "$work/stage/disk1"
rm -rf "$work/stage/disk1/disk2"
head -c $((8 * 1024 * 1024)) /dev/urandom >"$work/stage/disk1/ZEFI/DICT/SLOVNIK.DAT"
xorriso -as mkisofs -quiet -J -R -V RIDEZEZ01 -o "$work/srv/zefi/zefi1.iso" "$work/stage/disk1" \
    >/dev/null 2>&1
(cd "$work/srv/zefi" && md5sum zefi1.iso | sed 's/  / /; s/$/\r/') >"$work/srv/zefi/packages.txt"
start_server
printf 'cz %s/zefi/packages.txt\r\n' "$base" >"$work/srv/sites.txt"

for lang in ${SCREENSHOTS_LANGS:-cs sk}; do
    mkdir -p "$work/$lang"
    if [ $lang = cs ]; then
        locale_env cs_CZ
        title='Instalace ZEFI pro Windows' copy='Kopírování dat systému ZEFI'
        down='Stažení instalačních souborů' interrupted='přerušena' done='úspěšně'
    else
        locale_env sk_SK
        title='Inštalácia ZEFI pre Windows' copy='Kopírovanie dát systému ZEFI'
        down='Stiahnutie inštalačných súborov' interrupted='prerušen' done='úspešne'
    fi
    echo "screenshots: $lang: from the DVD"
    set +e
    (set -e; run_medium "$title" "$copy" "$interrupted" "$done")
    status=$?
    set -e
    [ $status = 0 ] || fail "$lang: the run from the DVD stopped early (status $status)" || true
    WINEPREFIX=$work/$lang/prefix wineserver -k 2>/dev/null || true
    # The large file and its copy are not kept.
    unlock_tree "$work/$lang/dvd1"
    rm -f "$work/$lang/dvd1/ZEFI/DICT/SLOVNIK.DAT" "$work/$lang/prefix/drive_c/ZEFI/DATA/DICT/SLOVNIK.DAT"
    mv "$work/$lang/prefix" "$work/$lang/prefix-dvd"
    echo "screenshots: $lang: download"
    set +e
    (set -e; run_download "$title" "$down")
    status=$?
    set -e
    [ $status = 0 ] || fail "$lang: the download run stopped early (status $status)" || true
    WINEPREFIX=$work/$lang/prefix wineserver -k 2>/dev/null || true
done

echo "screenshots: $(ls "$out" | wc -l) pictures in $out"
[ ! -s "$work/failures" ]
