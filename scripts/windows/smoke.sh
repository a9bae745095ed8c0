#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the built dtusms.exe under wine on a virtual display, in a copy of its
# folder, waits for its window, checks the settings file it writes beside itself,
# and keeps a screenshot. With "drive", it also clicks through the window: the
# port test against a loopback listener, "Generation SMS" with "Copy" (read back
# from the clipboard) and the language menu (its choice saved in the file).
# Usage: smoke.sh FOLDER_WITH_DTUSMS_EXE LANG SCREENSHOT.png [drive]
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"; fi
here=$(cd "$(dirname "$0")" && pwd)
folder=$1 lang=$2 shot=$3 drive=${4:-}
# The window's title in English and as each catalog translates it.
english=$(sed -n 's/.*kAppTitle\[\] = "\(.*\)";/\1/p' "$here/../../src/core/AppConstants.h")
titles=$( (echo "$english"
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
# A wine session that other programs started (without this display) would keep
# the window off it: this run starts its own.
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
WINEPREFIX=$prefix wineserver -w
cp -r "$folder/." "$work/"
rm -f "$work/ZEREVuzi.ini"
if [ "$drive" = drive ]; then
  # The port test goes to a listener of ours on loopback, whatever this machine's own address is.
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  printf '[Main]\r\nStatic IP=127.0.0.1\r\nPort=%s\r\n' "$port" > "$work/ZEREVuzi.ini"
fi

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
if [ "$drive" = drive ]; then
  fail() { echo "smoke ($lang, driven): $*" >&2; exit 1; }
  wid=$(xdotool search --name "$english" 2>/dev/null | head -n 1 || true)
  [ -n "$wid" ] || fail "window not found by its English title"
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  # Points inside the buttons, from the window's top left corner.
  click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 1; }
  address=127.0.0.1
  timeout 60 python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(4)
c, _ = s.accept(); open(sys.argv[2], "w").write("connected")' "$port" "$work/listener" &
  sleep 1
  click 415 88     # Test server port
  for _ in $(seq 1 20); do [ -f "$work/listener" ] && break; sleep 0.5; done
  [ -f "$work/listener" ] || fail "the port test did not reach the listener on 127.0.0.1:$port"
  # The box that tells the outcome ("Prompt"): OK when it is there.
  for _ in $(seq 1 20); do box=$(xdotool search --name '^Prompt$' 2>/dev/null | head -n 1 || true); [ -n "$box" ] && break; sleep 0.5; done
  [ -n "$box" ] || fail "no box after the port test"
  sleep 1
  xdotool key Return
  for _ in $(seq 1 20); do xdotool search --name '^Prompt$' >/dev/null 2>&1 || break; sleep 0.5; done
  click 331 267    # Generation SMS
  click 315 196    # Copy
  xwd -root -silent | /usr/bin/convert xwd:- "${shot%.png}-driven.png"
  expected="(A55A#1*$address*$port#3*CMNET#4*KQ-GP000001)"
  for _ in $(seq 1 10); do sms=$(xclip -o -selection clipboard 2>/dev/null || true); [ "$sms" = "$expected" ] && break; sleep 0.5; done
  [ "$sms" = "$expected" ] || fail "the clipboard holds \"$sms\", not $expected"
  click 64 267     # Language: Automatic, English, Simplified Chinese, ...
  xdotool key Down Down Down Return
  for _ in $(seq 1 10); do grep -q $'^nLanguageID=2\r$' "$work/ZEREVuzi.ini" && break; sleep 0.5; done
  grep -q $'^nLanguageID=2\r$' "$work/ZEREVuzi.ini" || fail "the language menu did not save Simplified Chinese"
  sleep 1
  xwd -root -silent | /usr/bin/convert xwd:- "${shot%.png}-switched.png"
  echo "smoke ($lang, driven): port test reached the listener, SMS $sms copied, language switched and saved"
fi
kill $app 2>/dev/null || true
echo "smoke ($lang): window shown, ZEREVuzi.ini written; screenshot $shot"
