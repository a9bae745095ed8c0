#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds dtusms for 64-bit Windows (10 or later) with mingw-w64:
#   build/windows/dtusms.exe with Qt's DLLs beside it and its console companion dtusms.com,
#   build/windows/dtusms-<version>-windows-x64.zip and dtusms-<version>-windows-x64-setup.exe.
# Qt and the static libraries are built once into ${XDG_CACHE_HOME:-$HOME/.cache}/dtusms/
# (Qt takes about 45 minutes on two cores; later runs reuse it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh windows
qt=$(scripts/windows/build-qt.sh | tail -n 1)
libs=$(scripts/windows/build-libs.sh | tail -n 1)
export DTU_WINDOWS_PREFIXES="$qt;$libs"

# The catalog appender runs here, on the build machine.
out=$root/build/windows
mkdir -p "$out/host"
if [ ! -x "$out/host/append_catalogs" ] || [ tools/append_catalogs.cpp -nt "$out/host/append_catalogs" ] \
   || [ src/core/i18n/AppendedTable.h -nt "$out/host/append_catalogs" ]; then
  c++ -std=c++20 -O2 -Isrc tools/append_catalogs.cpp -o "$out/host/append_catalogs"
fi
export DTU_HOST_APPEND_CATALOGS=$out/host/append_catalogs

cmake --preset windows >/dev/null
cmake --build --preset windows

# The program and what it loads, as Windows looks for them: DLLs beside the exe,
# plugins in their folders below it, Qt's own translations in translations/.
version=$(sed -n 's/^project(dtusms VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$out/dtusms-$version-windows-x64
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/licenses"
cp "$out/cmake/src/dtusms.exe" "$out/cmake/src/dtusms.com" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp /usr/share/qt6/translations/qtbase_zh_CN.qm /usr/share/qt6/translations/qtbase_zh_TW.qm "$stage/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' > "$stage/qt.conf"
# Every DLL those need that is not Windows' own: Qt's, and the mingw runtime's.
search=("$qt/bin" /usr/x86_64-w64-mingw32/lib /usr/lib/gcc/x86_64-w64-mingw32/*-posix)
pending=("$stage/dtusms.exe" "$stage/platforms/qwindows.dll" "$stage/styles/qwindowsvistastyle.dll")
while [ ${#pending[@]} -gt 0 ]; do
  image=${pending[0]}; pending=("${pending[@]:1}")
  for dll in $(x86_64-w64-mingw32-objdump -p "$image" | sed -n 's/^\s*DLL Name: //p'); do
    [ -e "$stage/$dll" ] && continue
    for dir in "${search[@]}"; do
      if [ -f "$dir/$dll" ]; then cp "$dir/$dll" "$stage/"; pending+=("$stage/$dll"); break; fi
    done
  done
done
# Debug symbols stay behind: they would double the download.
find "$stage" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
# The user's README, not the developers': what it does, where it keeps things, the command line.
sed 's/$/\r/' data/windows/README.txt > "$stage/README.txt"
cp LICENSE "$stage/LICENSE.txt"
cp /usr/share/common-licenses/LGPL-3 "$stage/licenses/Qt-LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
cp /usr/share/common-licenses/LGPL-2.1 "$stage/licenses/libqrencode-LGPL-2.1.txt"
cp /usr/share/doc/libqt6core6/copyright "$stage/licenses/Qt-copyright.txt"
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
cat > "$stage/licenses/SOURCES.txt" <<NOTE
dtusms $version is MIT-licensed (LICENSE.txt); its source is the project's repository.

Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the plugins in platforms\\ and styles\\ are Qt $qt_version,
used under the GNU LGPL version 3 (Qt-LGPL-3.txt, which builds on GPL-3.txt). They were built unchanged
from Debian's source package qt6-base $qt_version (https://sources.debian.org/src/qt6-base/$qt_version/,
also "apt-get source qt6-base=$qt_version") with the flags in the project's scripts/windows/build-qt.sh.
You may replace these DLLs with your own build of Qt $qt_version. The licences of Qt's bundled
third-party parts (zlib, libpng, FreeType, HarfBuzz, PCRE2, double-conversion) are in Qt-copyright.txt.

libqrencode (linked into dtusms.exe) is used under the GNU LGPL version 2.1 (libqrencode-LGPL-2.1.txt),
from Debian's source package qrencode. libwinpthread-1.dll, where present, is the mingw-w64 runtime
(MIT and BSD licences).
NOTE
cp -r "$stage/." "$out/"   # build/windows/dtusms.exe and its DLLs, ready to run

zip=$out/dtusms-$version-windows-x64.zip
rm -f "$zip"
(cd "$out" && zip -qr9X "$zip" "$(basename "$stage")")
# The uninstaller removes exactly the files it installed (deepest folders last).
list=$out/host/uninstall-list.nsh
{
  (cd "$stage" && find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|')
  (cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|')
} > "$list"
# The welcome and finish pages' picture: the program's icon on a plain ground.
finish=$out/host/finish.bmp
rsvg-convert -w 128 -h 128 data/io.github.dtusms.DtuSms.svg -o "$out/host/icon-128.png"
convert -size 164x314 gradient:'#f4f7fb-#d6e2ef' "$out/host/icon-128.png" -gravity center -geometry +0-40 \
  -composite -type TrueColor BMP3:"$finish"
# The Start-menu entry is named as the window is, in each installer language.
title() { sed -n '/^msgid "'"$english"'"$/{n;s/^msgstr "\(.*\)"$/\1/p}' "po/$1.po"; }
english=$(sed -n 's/.*kAppTitle\[\] = "\(.*\)";/\1/p' src/core/AppConstants.h)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DICON="$out/cmake/data/dtusms.ico" \
  -DFINISH_BITMAP="$finish" -DTITLE_ENGLISH="$english" -DTITLE_SIMPCHINESE="$(title zh_cn)" \
  -DTITLE_TRADCHINESE="$(title zh_tw)" \
  -DUNINSTALL_LIST="$list" -DOUTFILE="$out/dtusms-$version-windows-x64-setup.exe" data/windows/installer.nsi
ls -l "$out/dtusms.exe" "$zip" "$out/dtusms-$version-windows-x64-setup.exe"
