#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that building and running need ("run"), or
# those and what the tests, benchmarks, fuzzing and package checks need
# ("test", the default), or what the Windows cross-build needs ("windows": it
# also enables Debian's source packages, from which Qt for Windows is built).
set -euo pipefail

RUN_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-serialport-dev
  libcurl4-openssl-dev gettext librsvg2-bin libqrencode-dev libsqlite3-dev qt6-translations-l10n
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation2 fonts-wqy-microhei
)
TEST_PACKAGES=(
  googletest libgtest-dev libgmock-dev libbenchmark-dev libzbar-dev poppler-utils python3 clang-format
  clang libclang-rt-14-dev
  xvfb xauth dbus-daemon at-spi2-core
  desktop-file-utils appstream dpkg-dev lintian
  g++-mingw-w64-x86-64-posix
)
# Cross-building for Windows, packing it and running it under wine.
WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 nsis zip icoutils
  xvfb xauth x11-apps x11-utils xdotool xclip imagemagick poppler-utils fonts-wqy-microhei fonts-wine dpkg-dev googletest python3 tcl
)

case "${1:-test}" in
  run) PACKAGES=("${RUN_PACKAGES[@]}") ;;
  test) PACKAGES=("${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  windows) PACKAGES=("${RUN_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}") ;;
  *) echo "usage: $0 [run|test|windows]" >&2; exit 2 ;;
esac

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# One query for all: this runs before every launch.
declare -A installed=()
while IFS='|' read -r status name; do
  if [[ $status == ii* ]]; then installed[$name]=1; fi
done < <(dpkg-query -W -f='${db:Status-Abbrev}|${Package}\n' "${PACKAGES[@]}" 2>/dev/null || true)
missing=()
for p in "${PACKAGES[@]}"; do
  if [ -z "${installed[$p]:-}" ]; then missing+=("$p"); fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ "${1:-test}" = windows ] && ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "Enabling Debian source packages"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    $SUDO sed -i '0,/^Types: deb$/s//Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $SUDO tee /etc/apt/sources.list.d/dtusms-src.list >/dev/null
  fi
  $SUDO apt-get update -qq
fi
