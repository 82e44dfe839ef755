#!/bin/bash
# Builds the libraries the Windows build links, once, into build-deps/windows/ of the work tree
# (shared by every Windows build directory): libcurl from Debian's own curl source package with
# mingw-w64 and Schannel, static; libsodium from Debian's libsodium source package, static; and
# GoogleTest from /usr/src/googletest. Prints the folder.
# The sources come through a private apt sources list under build-deps/windows/apt; the
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

# Unpacks Debian's source package $1 into build-deps/windows/$1-src through a private apt
# sources list and prints the unpacked directory.
fetch_source() {
    local package=$1 apt=$deps/apt src
    rm -rf "$apt" "$deps/$package-src"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$deps/$package-src"
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
    (cd "$deps/$package-src" && apt-get "${aptopts[@]}" source "$package" >&2)
    rm -rf "$apt"
    src=$(find "$deps/$package-src" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -1)
    [ -n "$src" ] || { echo "windows-deps: no $package source unpacked" >&2; exit 1; }
    echo "$src"
}

build_curl() {
    local src
    src=$(fetch_source curl)
    rm -rf "$deps/curl"
    (cd "$src" && ./configure --host=$host --prefix="$deps/curl" \
        CC=$host-gcc-posix AR=$host-ar RANLIB=$host-ranlib \
        --with-schannel --disable-shared --enable-static \
        --without-libpsl --without-zlib --without-brotli --without-zstd --without-libidn2 \
        --without-nghttp2 --without-librtmp --without-libssh2 --disable-ldap --disable-ldaps \
        --disable-manual --disable-docs >&2 &&
        make -C lib -j2 >&2 && make -C lib install >&2 && make -C include install >&2)
    dpkg-parsechangelog -l "$src/debian/changelog" -S Version >"$deps/curl/debian-version"
    rm -rf "$deps/curl-src"
}

# libsodium (Ed25519 signatures and BLAKE2b of the signed package list), static; users define
# SODIUM_STATIC. Its source package carries no configure script: autoreconf makes it, as the
# Debian build does (the upstream autogen.sh would fetch files from the internet). Without the
# stack protector, which would need mingw's libssp at link time.
build_sodium() {
    local src
    src=$(fetch_source libsodium)
    rm -rf "$deps/libsodium"
    (cd "$src" && autoreconf -fi >&2 && ./configure --host=$host --prefix="$deps/libsodium" \
        CC=$host-gcc-posix AR=$host-ar RANLIB=$host-ranlib \
        --disable-shared --enable-static --disable-ssp --disable-pie >&2 &&
        make -j2 >&2 && make install >&2)
    dpkg-parsechangelog -l "$src/debian/changelog" -S Version >"$deps/libsodium/debian-version"
    rm -rf "$deps/libsodium-src"
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
[ -f "$deps/libsodium/lib/libsodium.a" ] || build_sodium
echo "$deps"
