#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Debian's own Qt SerialPort (the version of the host's qt6-serialport-dev) for
# 64-bit Windows against the Qt that build-qt.sh made (its prefix is the argument), once,
# into a cache keyed by its version and that Qt. Prints the install prefix on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
qt=${1:?usage: $0 QT_PREFIX}

version=$(dpkg-query -W -f='${Version}' qt6-serialport-dev 2>/dev/null) || exit 1   # e.g. 6.4.2-2
key=$(printf '%s\n' "$version" "$(basename "$qt")" "$(cat "$root/cmake/mingw-w64-x86_64.cmake")" | sha256sum | cut -c1-12)
prefix="$cache/serialport-$version-mingw64-$key"
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

work="$cache/work/serialport-$key"
rm -rf "$work"
mkdir -p "$work"
upstream=${version%-*}
# Only the orig tarball is needed (the Debian part may be missing from the mirror);
# apt's helper checks it against the hash the signed index gives.
uri=$(apt-get source --print-uris "qt6-serialport=$version" 2>/dev/null | grep "_$upstream.orig.tar" | head -n 1)
read -r url name hash <<<"${uri//\'/}"
/usr/lib/apt/apt-helper download-file "$url" "$work/$name" "$hash" >&2
tar -xf "$work/$name" -C "$work"
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qtserialport*' | head -n 1)
cmake -G Ninja -S "$src" -B "$work/build" -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DDTU_WINDOWS_PREFIXES="$qt" \
  -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF \
  -DCMAKE_INSTALL_PREFIX="$prefix" >&2
nice -n 10 cmake --build "$work/build" --parallel "${DTU_JOBS:-$(nproc)}" >&2
rm -rf "$prefix"
cmake --install "$work/build" >&2
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
