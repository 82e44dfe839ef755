#!/bin/bash
# Compiles every portable source (all of src/ but the posix backend and the terminal hosts)
# with mingw-w64, so that no POSIX header creeps into the core. Fails, naming what is missing,
# when the cross compiler, libcurl's or libsodium's headers or any header a source includes
# cannot be found,
# when there is nothing to compile, and when a source of the portable core includes a POSIX
# or Windows header, which mingw-w64 would compile all the same.
set -euo pipefail
cd "$(dirname "$0")/.."
cxx=x86_64-w64-mingw32-g++-posix
if ! command -v "$cxx" >/dev/null; then
    echo "cross-check: $cxx is missing (scripts/deps.sh installs mingw-w64)" >&2
    exit 1
fi
inc=$(mktemp -d)
trap 'rm -rf "$inc"' EXIT
# libcurl's public headers are platform-independent; give the cross compiler only those.
curl_header=$(find /usr/include -path '*curl/curl.h' -print -quit)
if [ -z "$curl_header" ]; then
    echo "cross-check: libcurl's headers (curl/curl.h) are missing under /usr/include" >&2
    exit 1
fi
ln -s "$(dirname "$curl_header")" "$inc/curl"
# libsodium's headers likewise (the Windows build links the same version, cross-built).
if [ ! -f /usr/include/sodium.h ] || [ ! -d /usr/include/sodium ]; then
    echo "cross-check: libsodium's headers (sodium.h) are missing under /usr/include" >&2
    exit 1
fi
ln -s /usr/include/sodium.h "$inc/sodium.h"
ln -s /usr/include/sodium "$inc/sodium"

# The portable core: everything but the two backends and the hosts.
core_header_rule='#include <(unistd|fcntl|dirent|pthread|termios|poll|spawn|netdb|resolv|execinfo|dlfcn|pwd|grp|libgen|glob|semaphore|syslog|windows|winsock2|shlobj|objbase|ole2|commctrl|dbghelp|windns|virtdisk|io|conio|share)\.h>|#include <(sys|arpa|netinet)/'
failed=0
while IFS= read -r f; do
    if grep -nE "$core_header_rule" "$f" >"$inc/found"; then
        sed "s|^|cross-check: $f:|; s|\$| (a system header in the portable core)|" "$inc/found" >&2
        failed=1
    fi
done < <(find src \( -name '*.cpp' -o -name '*.h' \) -not -path 'src/platform/posix/*' \
    -not -path 'src/platform/win32/*' -not -path 'src/ui/hosts/*' | sort)

mapfile -t sources < <(find src -name '*.cpp' -not -path 'src/platform/posix/*' -not -path 'src/ui/hosts/*' | sort)
if ((${#sources[@]} == 0)); then
    echo "cross-check: no sources found under $PWD/src" >&2
    exit 1
fi
compiled=0
for f in "${sources[@]}"; do
    if $cxx -std=c++20 -Wall -Wextra -Isrc -isystem "$inc" -c "$f" -o /dev/null 2>"$inc/errors"; then
        compiled=$((compiled + 1))
        cat "$inc/errors" >&2
        continue
    fi
    cat "$inc/errors" >&2
    missing=$(sed -nE 's/.*fatal error: ([^:]+): No such file or directory.*/\1/p' "$inc/errors" | head -n 1)
    if [ -n "$missing" ]; then
        echo "cross-check: $f does not build for Windows: header $missing is missing" >&2
    else
        echo "cross-check: $f does not build for Windows" >&2
    fi
    failed=1
done
echo "cross-check: $compiled of ${#sources[@]} portable sources compiled with $cxx"
exit $failed
