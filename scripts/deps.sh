#!/bin/bash
# Installs the Debian packages that building, running and testing zefisetup need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  libcurl4-openssl-dev libssl-dev libiso9660-dev libcdio-dev libsodium-dev
  xorriso dnsmasq-base liblnk-utils tinyproxy minisign zsync
  openssl ca-certificates
  mingw-w64 g++-mingw-w64-x86-64-posix
  wine64 xvfb xauth locales dpkg-dev autoconf automake libtool
  tmux
  clang-14 libclang-rt-14-dev clang-format-14
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
