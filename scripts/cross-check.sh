#!/bin/bash
# Compiles every portable source (all of src/ but the posix backend and the terminal hosts)
# with mingw-w64, so that no POSIX header creeps into the core.
set -euo pipefail
cd "$(dirname "$0")/.."
cxx=x86_64-w64-mingw32-g++-posix
inc=$(mktemp -d)
trap 'rm -rf "$inc"' EXIT
# libcurl's public headers are platform-independent; give the cross compiler only those.
curl_dir=$(dirname "$(find /usr/include -name curl.h -path '*curl/curl.h' | head -1)")
ln -s "$curl_dir" "$inc/curl"
failed=0
count=0
while IFS= read -r f; do
  count=$((count + 1))
  if ! $cxx -std=c++20 -Wall -Wextra -Isrc -isystem "$inc" -c "$f" -o /dev/null; then
    echo "cross-check: $f does not build for Windows" >&2
    failed=1
  fi
done < <(find src -name '*.cpp' -not -path 'src/platform/posix/*' -not -path 'src/ui/hosts/*' | sort)
echo "cross-check: $count portable sources compiled with $cxx"
exit $failed
