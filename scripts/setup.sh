#!/usr/bin/env bash
# Installs everything the builds, tests and demo need on a fresh Debian machine.
# Idempotent: packages already present are skipped by apt.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  googletest
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  libz-mingw-w64-dev zlib1g-dev
  wine wine32:i386 wine64 fonts-wine
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  xvfb xdotool x11-utils imagemagick
  zip unzip p7zip-full python3 openssl
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The Romanian locale the end-to-end tests run wine in (ANSI code page 1250, OEM 852).
if ! locale -a 2>/dev/null | grep -qix 'ro_RO.utf8'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO localedef -i ro_RO -f UTF-8 ro_RO.UTF-8
fi
