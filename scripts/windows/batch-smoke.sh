#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs "dtusms.exe --batch" and its console companion dtusms.com under wine, as a technician would from a console,
# with a QR sheet: the GUI library must start without a window and with the
# system's fonts, so the sheet holds real text and 1-bit codes, and nothing
# waits for a click.
# Usage: batch-smoke.sh FOLDER_WITH_DTUSMS_EXE
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"; fi
folder=$1
work=$(mktemp -d)
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
prefix=${WINEPREFIX:-$cache/wine-prefix}
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "batch smoke: $*" >&2; exit 1; }
cp -r "$folder/." "$work/"
rm -f "$work/ZEREVuzi.ini"
printf 'DTU number;SIM number\r\nKQ-GP000001;+86 138 0013 8000\r\nKQ-GP000002;\r\n' > "$work/list.csv"
status=0
(cd "$work" && WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' \
  timeout 120 wine dtusms.exe --batch list.csv --defaults --csv out.csv --pdf sheet.pdf >out.txt 2>err.txt) || status=$?
[ "$status" -eq 0 ] || fail "exit status $status (124: still running after 120 s, a box waiting?); standard error: $(cat "$work/err.txt")"
[ -s "$work/sheet.pdf" ] || fail "no sheet.pdf"
text=$(pdftotext "$work/sheet.pdf" - 2>/dev/null | tr -d '\n ')
case $text in
  *KQ-GP000001*KQ-GP000002*) ;;
  *) fail "the sheet's text does not hold the DTU numbers (no fonts?): $text" ;;
esac
grep -aq '/BitsPerComponent 1' "$work/sheet.pdf" || fail "the codes are not 1-bit pictures"
! grep -aq '/DCTDecode' "$work/sheet.pdf" || fail "a code went into the sheet as JPEG"
grep -q 'KQ-GP000002' "$work/out.csv" || fail "out.csv lacks the second row"
pdffonts "$work/sheet.pdf" 2>/dev/null | awk 'NR > 2 && $(NF-4) != "yes" { bad = 1 } END { exit bad }' \
  || fail "a font of the sheet is not embedded: $(pdffonts "$work/sheet.pdf" 2>&1)"

# Through the console companion, as typed at a prompt: the CSV on standard output with its own
# CR LF only (the text mode of Windows' C runtime would make CR CR LF), the exit status passed on.
run() { (cd "$work" && WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' timeout 120 wine "$@"); }
status=0
run dtusms.com --batch list.csv --defaults >"$work/stdout.csv" 2>"$work/err.txt" || status=$?
[ "$status" -eq 0 ] || fail "dtusms.com --batch: exit status $status; standard error: $(cat "$work/err.txt")"
grep -q 'KQ-GP000002' "$work/stdout.csv" || fail "dtusms.com --batch printed no CSV: $(head -c 300 "$work/stdout.csv")"
! grep -q $'\r\r' "$work/stdout.csv" || fail "CR CR LF on standard output: $(head -n 2 "$work/stdout.csv" | od -c | head -n 4)"
[ "$(grep -c $'\r$' "$work/stdout.csv")" = "$(wc -l <"$work/stdout.csv")" ] || fail "a line of the CSV does not end in CR LF"
status=0
run dtusms.com --batch missing.csv --defaults >/dev/null 2>"$work/err.txt" || status=$?
[ "$status" -eq 2 ] || fail "dtusms.com passed on exit status $status for a missing list, not 2"
for asked in '/?' '-?'; do
  status=0
  run dtusms.com "$asked" >"$work/help.txt" 2>&1 || status=$?
  [ "$status" -eq 0 ] && grep -q -- '--batch' "$work/help.txt" \
    || fail "dtusms.com $asked: exit status $status (124: a window waiting?), printed: $(head -c 300 "$work/help.txt")"
done
echo "batch smoke: --batch wrote out.csv and a sheet of $(grep -ac '/BitsPerComponent 1' "$work/sheet.pdf") 1-bit codes with its text, fonts embedded; dtusms.com printed the CSV with single CR LF, passed the exit status on and printed the help for /? and -?"
