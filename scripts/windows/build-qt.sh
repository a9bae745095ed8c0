#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Debian's own Qt 6 base (the version of the host's qt6-base-dev, whose moc/rcc/uic
# it uses) for 64-bit Windows with mingw-w64, once, into a cache keyed by version and flags.
# Prints the install prefix on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
jobs=${DTU_JOBS:-$(nproc)}

version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) || exit 1   # e.g. 6.4.2+dfsg-10
flags=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_opengl=ON -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_freetype=ON -DFEATURE_fontconfig=OFF -DFEATURE_icu=OFF
)
key=$(printf '%s\n' "$version" "${flags[@]}" "$(cat "$root/cmake/mingw-w64-x86_64.cmake")" | sha256sum | cut -c1-12)
prefix="$cache/qt-$version-mingw64-$key"
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

work="$cache/work/qt-$key"
mkdir -p "$work"
upstream=${version%-*}         # 6.4.2+dfsg
src="$work/qt6-base-$upstream"
if [ ! -f "$src/CMakeLists.txt" ]; then
  (cd "$work" && apt-get source --download-only "qt6-base=$version" >&2 \
     && dpkg-source --no-check -x qt6-base_"$version".dsc "$src" >&2)
fi
bld="$work/build"
if [ ! -f "$bld/build.ninja" ]; then
  rm -rf "$bld"
  cmake -G Ninja -S "$src" -B "$bld" -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${flags[@]}" >&2
fi
nice -n 10 cmake --build "$bld" --parallel "$jobs" >&2
rm -rf "$prefix"
cmake --install "$bld" >&2
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
