#!/bin/bash
# Builds the libraries the Windows build links, once, into build-deps/windows/ of the work tree
# (shared by every Windows build directory): libcurl from Debian's own curl source package with
# mingw-w64 and Schannel, static, and GoogleTest from /usr/src/googletest. Prints the folder.
# The curl source comes through a private apt sources list under build-deps/windows/apt; the
# system's apt configuration is never touched.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
deps=$repo/build-deps/windows
toolchain=$repo/cmake/mingw-w64-x86_64.cmake
host=x86_64-w64-mingw32
mkdir -p "$deps"
# Two builds started together wait for each other instead of building the same thing twice.
exec 9>"$deps/.lock"
flock 9

build_curl() {
    local apt=$deps/apt src
    rm -rf "$apt" "$deps/curl-src"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$deps/curl-src"
    # The same archive and keyring as the system's own sources, for source packages only.
    cat >"$apt/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
LIST
    local aptopts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=1"
        -o "APT::Sandbox::User=root")
    apt-get "${aptopts[@]}" update >&2
    (cd "$deps/curl-src" && apt-get "${aptopts[@]}" source curl >&2)
    src=$(find "$deps/curl-src" -maxdepth 1 -mindepth 1 -type d -name 'curl-*' | head -1)
    [ -n "$src" ] || { echo "windows-deps: no curl source unpacked" >&2; exit 1; }
    rm -rf "$deps/curl"
    (cd "$src" && ./configure --host=$host --prefix="$deps/curl" \
        CC=$host-gcc-posix AR=$host-ar RANLIB=$host-ranlib \
        --with-schannel --disable-shared --enable-static \
        --without-libpsl --without-zlib --without-brotli --without-zstd --without-libidn2 \
        --without-nghttp2 --without-librtmp --without-libssh2 --disable-ldap --disable-ldaps \
        --disable-manual --disable-docs >&2 &&
        make -C lib -j2 >&2 && make -C lib install >&2 && make -C include install >&2)
    dpkg-parsechangelog -l "$src/debian/changelog" -S Version >"$deps/curl/debian-version"
    rm -rf "$deps/curl-src" "$apt"
}

build_gtest() {
    rm -rf "$deps/googletest" "$deps/googletest-build"
    cmake -S /usr/src/googletest -B "$deps/googletest-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$deps/googletest" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON >&2
    cmake --build "$deps/googletest-build" -j2 >&2
    cmake --install "$deps/googletest-build" >&2
    rm -rf "$deps/googletest-build"
}

[ -f "$deps/curl/lib/libcurl.a" ] || build_curl
[ -f "$deps/googletest/lib/libgtest.a" ] || build_gtest
echo "$deps"
