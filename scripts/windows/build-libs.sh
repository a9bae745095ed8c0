#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the static libraries the Windows build links besides Qt: libqrencode and
# SQLite from Debian's sources (their orig tarballs, checked against the .dsc) and GoogleTest from
# /usr/src/googletest, once, into a cache keyed by their versions and the toolchain.
# Prints the install prefix on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
toolchain="$root/cmake/mingw-w64-x86_64.cmake"

qr_version=$(apt-cache showsrc qrencode | sed -n 's/^Version: //p' | head -n 1)   # 4.1.1-1
sqlite_version=$(apt-cache showsrc sqlite3 | sed -n 's/^Version: //p' | head -n 1)   # 3.40.1-2+deb12u2
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
key=$(printf '%s\n' "$qr_version" "$sqlite_version" "$gtest_version" "$(cat "$toolchain")" | sha256sum | cut -c1-12)
prefix="$cache/libs-mingw64-$key"
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

work="$cache/work/libs-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work"
cd "$work"
# Only the orig tarball is needed; the Debian part may be missing from the archive.
apt-get source --download-only "qrencode=$qr_version" >&2 || true
upstream=${qr_version%-*}
tarball="qrencode_$upstream.orig.tar.bz2"
expected=$(awk '/^Checksums-Sha256:/{on=1;next} /^[^ ]/{on=0} on && $3=="'"$tarball"'"{print $1}' qrencode_"$qr_version".dsc)
[ -n "$expected" ] && echo "$expected  $tarball" | sha256sum -c --quiet >&2
tar xjf "$tarball"
cmake -G Ninja -S "qrencode-$upstream" -B qr-build -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DWITH_TOOLS=OFF -DWITH_TESTS=OFF -DWITHOUT_PNG=ON >&2
cmake --build qr-build >&2
cmake --install qr-build >&2

# SQLite: the amalgamation made from the source tree (needs tclsh), compiled as one object.
apt-get source --download-only "sqlite3=$sqlite_version" >&2 || true
upstream=${sqlite_version%-*}
tarball="sqlite3_$upstream.orig.tar.xz"
expected=$(awk '/^Checksums-Sha256:/{on=1;next} /^[^ ]/{on=0} on && $3=="'"$tarball"'"{print $1}' sqlite3_"$sqlite_version".dsc)
[ -n "$expected" ] && echo "$expected  $tarball" | sha256sum -c --quiet >&2
tar xJf "$tarball"
mkdir -p sqlite-build
(cd sqlite-build && "../sqlite3-$upstream/configure" --disable-tcl >&2 && make sqlite3.c >&2)
mkdir -p "$prefix/include" "$prefix/lib"
x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_DEFAULT_FOREIGN_KEYS=1 \
  -c sqlite-build/sqlite3.c -o sqlite-build/sqlite3.o >&2
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" sqlite-build/sqlite3.o
cp sqlite-build/sqlite3.h "$prefix/include/"

cmake -G Ninja -S /usr/src/googletest -B gtest-build -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >&2
cmake --build gtest-build >&2
cmake --install gtest-build >&2

touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
