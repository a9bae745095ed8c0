#!/bin/sh
# SPDX-License-Identifier: MIT
# The launcher's per-user copy: made when missing, replaced atomically when the
# installed program differs, left alone when equal; the settings file beside it
# is never touched; the arguments reach the copy unchanged.
# Usage: launcher_test.sh LAUNCHER PATH_FROM_BINDIR_TO_PROGRAM
set -eu
launcher=$1
to_image=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$tmp/prefix/bin"
cp "$launcher" "$tmp/prefix/bin/dtusms"
image="$tmp/prefix/bin/$to_image"
mkdir -p "$(dirname "$image")"
# A stand-in program that reports where it runs from and what it was given.
install_image() {
  printf '#!/bin/sh\n# %s\nprintf "%%s|" "$0" "$@"\n' "$1" > "$image"
  chmod 755 "$image"
}
install_image v1
data="$tmp/home/.local/share/dtusms"
run() { HOME="$tmp/home" XDG_DATA_HOME= "$tmp/prefix/bin/dtusms" "$@"; }

# Missing: copied, executable, run from the copy with every argument intact.
out=$(run "two words" --flag "")
[ "$out" = "$data/dtusms|two words|--flag||" ] || fail "first run printed '$out'"
[ -x "$data/dtusms" ] || fail "the copy is not executable"
cmp -s "$image" "$data/dtusms" || fail "the copy differs from the program"

# Equal: the same file stays (same inode).
printf '[Main]\r\nPort=5000\r\n' > "$data/ZEREVuzi.ini"
touch -d '2001-01-01 00:00' "$data/ZEREVuzi.ini"
ini_before=$(ls -l --time-style=+%s "$data/ZEREVuzi.ini")
inode=$(stat -c %i "$data/dtusms")
run > /dev/null
[ "$(stat -c %i "$data/dtusms")" = "$inode" ] || fail "an equal copy was replaced"

# Different (same size, other content): replaced by a rename; an open handle to
# the old copy still reads the old program, so nobody sees a half-written file.
install_image v2
exec 3< "$data/dtusms"
run > /dev/null
grep -q v2 "$data/dtusms" || fail "a differing copy was not replaced"
grep -q v1 <&3 || fail "the old copy was rewritten in place"
exec 3<&-
[ "$(ls -A "$data" | sort | tr '\n' ' ')" = "ZEREVuzi.ini dtusms " ] || fail "left behind: $(ls -A "$data")"
[ "$(ls -l --time-style=+%s "$data/ZEREVuzi.ini")" = "$ini_before" ] || fail "the settings file was touched"

# A link or a folder at the copy's path is refused with a clear message, left
# as it is, and no temporary copy stays; nor when the copying itself fails.
for kind in folder link; do
  rm -rf "$data/dtusms" "$tmp/elsewhere"
  mkdir "$tmp/elsewhere"
  if [ $kind = folder ]; then mkdir "$data/dtusms"; else ln -s "$tmp/elsewhere" "$data/dtusms"; fi
  status=0
  err=$(run 2>&1) || status=$?
  [ "$status" = 1 ] || fail "a $kind at the copy's path gave status $status"
  case $err in *"$data/dtusms is a link, a folder"*) ;; *) fail "unclear error for a $kind: '$err'" ;; esac
  [ -z "$(ls -A "$tmp/elsewhere")" ] && [ -z "$(ls -A "$data" | grep -v -e ZEREVuzi.ini -e '^dtusms$')" ] ||
    fail "a $kind at the copy's path: left $(ls -A "$data" "$tmp/elsewhere")"
done
rm -rf "$data/dtusms"
mkdir "$tmp/bin" && printf '#!/bin/sh\nexit 1\n' > "$tmp/bin/cp" && chmod 755 "$tmp/bin/cp"
if PATH="$tmp/bin:$PATH" run > /dev/null 2>&1; then fail "ran without a copy"; fi
[ "$(ls -A "$data")" = ZEREVuzi.ini ] || fail "a failed copy left $(ls -A "$data")"

# XDG_DATA_HOME wins over HOME when it is absolute.
out=$(HOME=/nonexistent XDG_DATA_HOME="$tmp/xdg" "$tmp/prefix/bin/dtusms" x)
[ "$out" = "$tmp/xdg/dtusms/dtusms|x|" ] || fail "XDG_DATA_HOME run printed '$out'"

# A missing program is a clear error and creates nothing.
rm "$image"
rm -rf "$tmp/xdg"
if err=$(HOME=/nonexistent XDG_DATA_HOME="$tmp/xdg" "$tmp/prefix/bin/dtusms" 2>&1); then fail "ran without a program"; fi
case $err in *missing*) ;; *) fail "unclear error '$err'" ;; esac
[ ! -e "$tmp/xdg" ] || fail "created a folder without a program"
echo "launcher: all checks passed"
