#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the built dtusms.exe under wine on a virtual display, in a copy of its
# folder, waits for its window, checks the settings file it writes beside itself,
# and keeps a screenshot. Usage: smoke.sh FOLDER_WITH_DTUSMS_EXE LANG SCREENSHOT.png
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"; fi
here=$(cd "$(dirname "$0")" && pwd)
folder=$1 lang=$2 shot=$3
# The window's title in English and as each catalog translates it.
titles=$( (sed -n 's/.*kAppTitle\[\] = "\(.*\)";/\1/p' "$here/../../src/core/MyDataType.h"
           grep -h -A1 '^msgid "ZU-3RIVE' "$here"/../../po/*.po | sed -n 's/^msgstr "\(.*\)"/\1/p') | sort -u)
patterns=$(while IFS= read -r t; do [ -n "$t" ] && printf '"%s"\n' "$t"; done <<< "$titles")
work=$(mktemp -d)
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
prefix=${WINEPREFIX:-$cache/wine-prefix}
trap cleanup EXIT
cp -r "$folder/." "$work/"
rm -f "$work/ZEREVuzi.ini"

LANG=$lang LC_ALL=$lang WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' \
  wine "$work/dtusms.exe" &
app=$!
seen=""
for _ in $(seq 1 120); do
  if xwininfo -root -tree 2>/dev/null | grep -qF "$patterns"; then seen=yes; break; fi
  if ! kill -0 $app 2>/dev/null; then break; fi
  sleep 1
done
if [ -z "$seen" ]; then echo "smoke ($lang): no window with the program's title within 120 s" >&2; exit 1; fi
sleep 3   # let it paint
mkdir -p "$(dirname "$shot")"
xwd -root -silent | /usr/bin/convert xwd:- "$shot"
if [ ! -f "$work/ZEREVuzi.ini" ]; then echo "smoke ($lang): no ZEREVuzi.ini beside the exe" >&2; exit 1; fi
if ! head -n 1 "$work/ZEREVuzi.ini" | grep -q $'^\\[Main\\]\r$'; then
  echo "smoke ($lang): ZEREVuzi.ini does not start with [Main] and CR LF:" >&2; cat -A "$work/ZEREVuzi.ini" >&2; exit 1
fi
grep -q $'^DTU number=KQ-GP000001\r$' "$work/ZEREVuzi.ini" || { echo "smoke ($lang): no DTU number" >&2; exit 1; }
kill $app 2>/dev/null || true
echo "smoke ($lang): window shown, ZEREVuzi.ini written; screenshot $shot"
