#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures every caption of the window under wine with wine's own Tahoma (fonts-wine),
# through Qt's windows platform plugin and its native style, at 96 dpi and at 144
# (a wine prefix of its own whose screen is set to 144 dpi), in English, Simplified
# and Traditional Chinese. Wine keeps QT_* variables from Windows programs, so the
# platform is named on the command line.
# Usage: caption-check.sh TEST_CAPTIONS.exe
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"; fi
here=$(cd "$(dirname "$0")" && pwd)
test=$1
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
base=${WINEPREFIX:-$cache/wine-prefix}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for dpi in 96 144; do
  prefix=$base
  [ "$dpi" = 96 ] || prefix=$base-${dpi}dpi
  export WINEPREFIX=$prefix
  if [ ! -f "$prefix/system.reg" ] || ! grep -q "\"LogPixels\"=dword:$(printf '%08x' "$dpi")" "$prefix/user.reg" 2>/dev/null; then
    timeout 300 "$here/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      </dev/null >/dev/null 2>&1
  fi
  "$here/wine-fonts.sh"
  # A wine session started without this display would keep the window off it: a new one.
  wineserver -k 2>/dev/null || true
  wineserver -w
  ratio=$(awk "BEGIN { print $dpi / 96 }")
  status=0
  DTU_CAPTION_FONT=Tahoma DTU_CAPTION_RATIO=$ratio timeout 120 "$here/wine-run.sh" "$test" -platform windows \
    </dev/null >"$log" 2>&1 || status=$?
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  if [ "$status" -ne 0 ]; then
    cat "$log" >&2
    echo "caption check: failed at $dpi dpi (exit status $status; 124: still running after 120 s)" >&2
    exit 1
  fi
  echo "caption check: every caption whole in Tahoma at $dpi dpi, in English, Simplified and Traditional Chinese"
done
