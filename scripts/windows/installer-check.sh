#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the per-user installer silently under wine, checks what it put where,
# then uninstalls and checks that the user's settings file stayed.
# Usage: installer-check.sh SETUP.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$1
run() { "$here/wine-run.sh" "$@"; }
local_appdata=$(run cmd /c echo %LOCALAPPDATA% | tr -d '\r')
appdata=$(run cmd /c echo %APPDATA% | tr -d '\r')
unix() { WINEPREFIX=${WINEPREFIX:-${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}/wine-prefix} winepath -u "$1"; }
folder=$(unix "$local_appdata\\Programs\\dtusms")
shortcut=$(unix "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\dtusms.lnk")
rm -rf "$folder"
run "$setup" /S
for f in dtusms.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll uninstall.exe \
         licenses/SOURCES.txt; do
  [ -f "$folder/$f" ] || { echo "installer: $f missing in $folder" >&2; exit 1; }
done
[ -f "$shortcut" ] || { echo "installer: no Start-menu entry $shortcut" >&2; exit 1; }
printf '[Main]\r\nPort=7000\r\n' > "$folder/ZEREVuzi.ini"
run "$folder/uninstall.exe" /S
# The uninstaller runs from a copy of itself and returns at once: wait for it.
for _ in $(seq 1 60); do [ -e "$folder/dtusms.exe" ] || [ -e "$folder/uninstall.exe" ] || break; sleep 1; done
left=$(cd "$folder" && find . -type f | sort | tr '\n' ' ')
if [ "$left" != "./ZEREVuzi.ini " ]; then echo "uninstaller left: $left (only ZEREVuzi.ini should stay)" >&2; exit 1; fi
[ ! -e "$shortcut" ] || { echo "installer: the uninstaller left the Start-menu entry" >&2; exit 1; }
rm -rf "$folder"
echo "installer: installed into $local_appdata\\Programs\\dtusms; the uninstaller kept only ZEREVuzi.ini"
