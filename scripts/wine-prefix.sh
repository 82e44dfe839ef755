# Sourced by the Windows test scripts: Wine prefixes for zefisetup.exe and its tests.
# wine_locale DIR: the Czech locale, compiled into DIR/locale when missing.
# wine_boot_template DIR: boots a fresh 64-bit Wine prefix in DIR (about 10 s) with the locale
#   of a Czech Windows (ANSI code page 1250, OEM 852, language 1029), then stops its wineserver.
# wine_fresh_prefix TEMPLATE DIR: DIR becomes a fresh copy of the booted prefix TEMPLATE.
# winepath_of PATH: the Windows name (on Z:) of a host path.
# wine_map_medium PREFIX DIR: the example medium as the CD-ROM drive D: of the prefix.
# wine_traps: stops what the script started under Wine on every way it ends (wine_cleanup).
# wine_display_start: one headless X display (Xvfb) for every Wine program of the script.
# wine_run [-C DIR] [-t SECONDS] PREFIX ARGS...: runs "wine64 ARGS" in PREFIX on that display
#   and waits for the prefix's wineserver, so that the registry is on disk after it.

export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
export PATH=$PATH:/usr/lib/wine
# The Windows locale comes from the Unix one: cs_CZ gives the code pages of a Czech Windows. The
# locale is compiled once into a private folder (LOCPATH), leaving the system's locales alone.
wine_locale() {
    local dir=$1/locale
    if [ ! -d "$dir/cs_CZ.UTF-8" ]; then
        mkdir -p "$dir"
        localedef -i cs_CZ -f UTF-8 "$dir/cs_CZ.UTF-8" >/dev/null 2>&1 || true
        [ -d "$dir/cs_CZ.UTF-8" ] || { echo "cannot compile the cs_CZ.UTF-8 locale" >&2; return 1; }
    fi
    # Given to Wine only; this shell keeps its own locale.
    wine_locale_env=(LOCPATH="$dir" LC_ALL=cs_CZ.UTF-8 LANG=cs_CZ.UTF-8)
}
wine_locale_env=()

wine_program() {
    local p
    for p in wine64 wine /usr/lib/wine/wine64; do
        if command -v "$p" >/dev/null; then command -v "$p"; return; fi
    done
    echo "wine64 is missing (scripts/deps.sh installs it)" >&2
    return 1
}

# The prefixes this script ran Wine programs in, and its X server.
wine_prefixes=()
wine_xvfb_pid=
wine_display=
wine_extra_cleanup=

# wine_display_start: an Xvfb (1024x768, 24 bits, no TCP) on a display it picks itself, for
# every Wine program of the script; wine_cleanup stops it.
wine_display_start() {
    local number
    number=$(mktemp)
    Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$number" 2>/dev/null &
    wine_xvfb_pid=$!
    local _
    for _ in $(seq 100); do
        [ -s "$number" ] && break
        kill -0 "$wine_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    wine_display=:$(tr -dc 0-9 <"$number")
    rm -f "$number"
    if [ "$wine_display" = : ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
}

# wine_cleanup: stops the Wine processes of every prefix the script ran programs in, and the X
# server of wine_display_start. Any number of calls.
wine_cleanup() {
    local p
    for p in "${wine_prefixes[@]}"; do
        if [ -d "$p" ]; then WINEPREFIX=$p wineserver -k 2>/dev/null || true; fi
    done
    if [ -n "$wine_xvfb_pid" ]; then
        kill "$wine_xvfb_pid" 2>/dev/null || true
        wait "$wine_xvfb_pid" 2>/dev/null || true
        wine_xvfb_pid=
    fi
}

# wine_traps [COMMAND]: COMMAND (a clean-up of the script's own), then wine_cleanup, whenever the
# script ends: at its end, on a failure that set -e ends it with, and on TERM (what timeout
# sends), INT and HUP, which end it with the usual status.
wine_traps() {
    wine_extra_cleanup=${1:-}
    trap wine_on_exit EXIT
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

wine_on_exit() {
    local status=$?
    trap - EXIT HUP INT TERM
    if [ -n "$wine_extra_cleanup" ]; then $wine_extra_cleanup || true; fi
    wine_cleanup
    exit $status
}

wine_run() {
    local dir=. limit=0 status=0
    while [ $# -gt 0 ]; do
        case $1 in
            -C) dir=$2; shift 2 ;;
            -t) limit=$2; shift 2 ;;
            *) break ;;
        esac
    done
    local prefix=$1 wine
    shift
    if [ -z "$wine_display" ]; then
        echo "wine_run: no display (call wine_display_start first)" >&2
        return 1
    fi
    wine=$(wine_program) || return 1
    case " ${wine_prefixes[*]} " in *" $prefix "*) ;; *) wine_prefixes+=("$prefix") ;; esac
    local limiter=()
    if [ "$limit" -gt 0 ]; then limiter=(timeout "$limit"); fi
    # In the background, so that a signal to this script runs its traps at once.
    (cd "$dir" && exec env "${wine_locale_env[@]}" WINEPREFIX="$prefix" DISPLAY="$wine_display" \
        "${limiter[@]}" "$wine" "$@") &
    wait $! || status=$?
    # A program stopped by the time limit may leave others of its prefix running.
    if [ $status = 124 ]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; fi
    WINEPREFIX=$prefix wineserver -w || true
    return $status
}

wine_boot_template() {
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$dir"
    wine_run "$dir" wineboot --init >/dev/null 2>&1
    # Wine draws the caption buttons of its windows with Marlett, which the prefix must hold
    # itself: found only in Wine's data folder, the buttons show as the letters "0", "1", "r".
    local marlett
    for marlett in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
        [ -f "$marlett" ] && cp "$marlett" "$dir/drive_c/windows/Fonts/" && break
    done
    local acp
    acp=$(grep -m1 '^"ACP"=' "$dir/system.reg" | tr -d '\r')
    if [ "$acp" != '"ACP"="1250"' ]; then
        echo "wine prefix: ANSI code page is ${acp:-unknown}, not 1250 (is the cs_CZ locale known?)" >&2
        return 1
    fi
}

wine_fresh_prefix() {
    rm -rf "$2"
    # Hard links: a booted prefix is some 700 MB, nearly all of it system files nobody changes.
    # What Wine does change (the registry, saved by rename) and what tests write is their own.
    cp -al "$1" "$2"
    local f
    for f in "$2"/*.reg; do cp --remove-destination "$1/$(basename "$f")" "$f"; done
}

# winepath_of PATH: the Windows name of a host path (drive Z: is the host's root).
winepath_of() {
    local p=$1
    printf 'Z:%s' "${p//\//\\}"
}

# wine_map_medium PREFIX DIR: a read-only copy of the example medium in DIR becomes drive D: of
# the prefix, a CD-ROM labelled "RIDEZEZ01": the dosdevices link, the drive type under
# HKLM\Software\Wine\Drives, the label in the folder's .windows-label.
wine_map_medium() {
    local prefix=$1 medium=$2 repo
    repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    [ -d "$medium" ] && chmod -R u+w "$medium"
    rm -rf "$medium"
    cp -a "$repo/examples/medium" "$medium"
    printf 'RIDEZEZ01\n' >"$medium/.windows-label"
    find "$medium" -type f -exec chmod a-w {} +
    ln -sfn "$medium" "$prefix/dosdevices/d:"
    wine_run "$prefix" reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f >/dev/null 2>&1
}
