#!/bin/sh
# SPDX-License-Identifier: MIT
# Takes the screenshots the metainfo names, so that they show the window as it is: the window in each of
# its languages with a composed command, at twice its size, on an X server of its own.
# Usage: data/screenshots/take.sh PROGRAM   (a built dtusms with its catalogs, e.g. build/default/src/dtusms)
# Needs xvfb-run, xdotool, xwd and ImageMagick.
set -eu

if [ "${1:-}" = --inside-xvfb ]; then
  # Waits for the window, presses "Generation SMS" and writes the window's picture to $3.
  "$2" &
  pid=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
  sleep 1
  # The button's centre in the window's own coordinates, at the scale factor.
  xdotool mousemove --window "$window" 664 536 click 1
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xwd -root -silent | /usr/bin/convert xwd:- -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$3"
  kill "$pid"
  wait "$pid" || true
  exit 0
fi

program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for lang in en_US zh_CN zh_TW; do
  # A folder of its own for each: the program keeps its settings beside itself.
  mkdir "$work/$lang"
  cp "$program" "$work/$lang/dtusms"
  printf '[Main]\r\nServer address mode=1\r\nDomain address=dtu.example.com\r\nPort=6000\r\nDTU number=KQ-GP000001\r\n' \
    > "$work/$lang/ZEREVuzi.ini"
  name=main-window-$(echo "$lang" | tr 'A-Z_' 'a-z-').png
  env LANG="$lang.UTF-8" LC_ALL= LANGUAGE= QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 \
    xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inside-xvfb "$work/$lang/dtusms" "$here/$name"
  echo "$here/$name"
done
