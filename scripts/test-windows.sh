#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds dtusms for Windows (scripts/build-windows.sh) and tests it under wine:
# the logic's and the Windows facilities' test programs, then the window itself
# in English, Simplified and Traditional Chinese (screenshots in build/windows/screenshots/),
# "--batch" with a QR sheet and through the console companion, every caption in wine's Tahoma
# at 96 and 144 dpi, and the installer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh
qt=$(scripts/windows/build-qt.sh | tail -n 1)
libs=$(scripts/windows/build-libs.sh | tail -n 1)
export DTU_WINDOWS_PREFIXES="$qt;$libs"
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
export WINEPREFIX=${WINEPREFIX:-$cache/wine-prefix}
export WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# The prefix is made here, outside the tests' time limits. No persistent wine
# server: wine's services would keep a test's output pipe open, and CTest waits for it.
scripts/windows/wine-run.sh cmd /c exit </dev/null >/dev/null 2>&1
scripts/windows/wine-fonts.sh
trap 'wineserver -k 2>/dev/null || true' EXIT
ctest --preset windows
scripts/windows/caption-check.sh build/windows/cmake/tests/test_captions.exe
out=build/windows
version=$(sed -n 's/^project(dtusms VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
scripts/windows/smoke.sh "$out/dtusms-$version-windows-x64" en_US.UTF-8 "$out/screenshots/en_US.png" drive
for lang in zh_CN.UTF-8 zh_TW.UTF-8; do
  scripts/windows/smoke.sh "$out/dtusms-$version-windows-x64" "$lang" "$out/screenshots/${lang%%.*}.png"
done
scripts/windows/batch-smoke.sh "$out/dtusms-$version-windows-x64"
scripts/windows/installer-check.sh "$out/dtusms-$version-windows-x64-setup.exe"
