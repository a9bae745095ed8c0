#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the per-user installer silently under wine and checks what it put where
# (the program and its console companion, the user's README, the Start-menu entry named
# as the window is, the Uninstall entry); seeds the user's settings and send history,
# uninstalls silently and checks that those stayed and everything the installer made went.
# Usage: installer-check.sh SETUP.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$1
fail() { echo "installer: $*" >&2; exit 1; }
run() { timeout 120 "$here/wine-run.sh" "$@" </dev/null; }
local_appdata=$(run cmd /c echo %LOCALAPPDATA% | tr -d '\r')
appdata=$(run cmd /c echo %APPDATA% | tr -d '\r')
unix() { WINEPREFIX=${WINEPREFIX:-${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}/wine-prefix} winepath -u "$1"; }
title=$(sed -n 's/.*kAppTitle\[\] = "\(.*\)";/\1/p' "$here/../../src/core/AppConstants.h")
folder=$(unix "$local_appdata\\Programs\\dtusms")
data=$(unix "$local_appdata\\dtusms")
shortcut=$(unix "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\$title.lnk")
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\dtusms'
rm -rf "$folder" "$data"
run "$setup" /S
for f in dtusms.exe dtusms.com README.txt Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll \
         styles/qwindowsvistastyle.dll uninstall.exe licenses/SOURCES.txt; do
  [ -f "$folder/$f" ] || fail "$f missing in $folder"
done
[ ! -e "$folder/README.md" ] || fail "the developers' README.md was installed"
[ -f "$shortcut" ] || fail "no Start-menu entry $shortcut"
entry=$(run reg query "$uninstall_key" | tr -d '\r')
for value in DisplayName DisplayVersion Publisher EstimatedSize URLInfoAbout QuietUninstallString; do
  grep -q "^ *$value " <<<"$entry" || fail "the Uninstall entry has no $value: $entry"
done
size=$(sed -n 's/^ *EstimatedSize *REG_DWORD *0x\([0-9a-f]*\).*/\1/p' <<<"$entry")
[ $((16#${size:-0})) -gt 1000 ] || fail "EstimatedSize $((16#${size:-0})) KB is not the installation's size"

# The user's things: the fields beside the program, the per-user settings and send history,
# and what an earlier version kept in the registry.
printf '[Main]\r\nPort=7000\r\n' > "$folder/ZEREVuzi.ini"
mkdir -p "$data"
printf '[General]\r\nSimNumbers=KQ-1=+8613800000000\r\n' > "$data/dtusms.ini"
printf 'time,list,line\r\n' > "$data/sent.csv"
run reg add "HKCU\\Software\\dtusms\\$title" /v SimNumbers /d 'KQ-2=+8613900000000' /f >/dev/null
run "$folder/uninstall.exe" /S
# The uninstaller runs from a copy of itself and returns at once: wait for it.
for _ in $(seq 1 60); do [ -e "$folder/dtusms.exe" ] || [ -e "$folder/uninstall.exe" ] || break; sleep 1; done
left=$(cd "$folder" && find . -type f | sort | tr '\n' ' ')
[ "$left" = "./ZEREVuzi.ini " ] || fail "the uninstaller left: $left (only ZEREVuzi.ini should stay)"
[ -f "$data/dtusms.ini" ] && [ -f "$data/sent.csv" ] || fail "the silent uninstall removed the per-user settings or send history"
run reg query "HKCU\\Software\\dtusms\\$title" /v SimNumbers >/dev/null || fail "the silent uninstall removed the earlier settings"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
! run reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller left its Uninstall entry"
! run reg query 'HKCU\Software\dtusms' /v InstallDir >/dev/null 2>&1 || fail "the uninstaller left its InstallDir value"
run reg delete "HKCU\\Software\\dtusms" /f >/dev/null
rm -rf "$folder" "$data"
echo "installer: installed into $local_appdata\\Programs\\dtusms with \"$title\" in the Start menu; a silent uninstall removed what it made and kept ZEREVuzi.ini, $local_appdata\\dtusms and the earlier settings"
