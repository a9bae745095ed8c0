#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a temporary prefix and checks what a user gets: the
# files, the desktop entry and metainfo, the options that need no display, and
# a start through the launcher that writes the settings into the user's copy.
# Usage: install_tree_test.sh BUILD_DIR VERSION LIBDIR
set -eu
build=$1
version=$2
libdir=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
prefix=$tmp/prefix
id=io.github.dtusms.DtuSms

cmake --install "$build" --prefix "$prefix" > /dev/null
icons=""
for s in 16 22 24 32 48 64 128 256; do icons="$icons share/icons/hicolor/${s}x$s/apps/$id.png"; done
expected=$(printf '%s\n' bin/dtusms "$libdir/dtusms/dtusms" share/applications/$id.desktop \
  share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg $icons \
  share/man/man1/dtusms.1.gz \
  share/doc/dtusms/copyright share/doc/dtusms/changelog.gz | sort)
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "installed files differ: $(echo "$actual" | tr '\n' ' ')"
# The program with its catalogs appended, not the bare link output.
cmp -s "$build/src/dtusms" "$prefix/$libdir/dtusms/dtusms" || fail "the installed program is not the finished one"

# Each PNG is as large as its folder says (width and height at bytes 16..23).
for s in 16 22 24 32 48 64 128 256; do
  size=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/${s}x$s/apps/$id.png" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [ "$size" = "${s}x$s" ] || fail "icon ${s}x$s is $size"
done
gzip -t "$prefix/share/man/man1/dtusms.1.gz" "$prefix/share/doc/dtusms/changelog.gz" || fail "a broken gzip file"
said=$(gzip -dc "$prefix/share/man/man1/dtusms.1.gz" | groff -man -Tutf8 -ww -z 2>&1) && [ -z "$said" ] ||
  fail "manual page: $said"
for section in "LIST FORMAT" FILES "EXIT STATUS" EXAMPLES; do
  gzip -dc "$prefix/share/man/man1/dtusms.1.gz" | grep -q "^\.SH \"*$section\"*\$" || fail "no $section in the manual page"
done

# Not a hint even: one main category, so the menus list the program once.
said=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) && [ -z "$said" ] || fail "desktop entry: $said"
for key in Comment Keywords; do
  for lang in zh_CN zh_TW; do
    grep -q "^$key\[$lang\]=" "$prefix/share/applications/$id.desktop" || fail "no $key[$lang] in the desktop entry"
  done
done
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo"
grep -q "version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo lacks release $version"
# Every screenshot is one the project ships (data/screenshots/take.sh), and the summary is in Chinese too.
meta=$prefix/share/metainfo/$id.metainfo.xml
source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
shots=$(sed -n 's|^ *<image>[^<]*/data/screenshots/\([^/<]*\)</image>$|\1|p' "$meta")
[ -n "$shots" ] && [ "$(echo "$shots" | wc -l)" = "$(grep -c '<image>' "$meta")" ] || fail "a screenshot elsewhere"
for shot in $shots; do [ -f "$source/data/screenshots/$shot" ] || fail "no data/screenshots/$shot"; done
for lang in zh_CN zh_TW; do grep -q "<summary xml:lang=\"$lang\">" "$meta" || fail "no $lang summary"; done

# --help and --version need no display.
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/dtusms" --version) || fail "--version failed"
case $out in *" $version") ;; *) fail "--version printed '$out'" ;; esac
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/dtusms" --help) || fail "--help failed"
case $out in *--version*) ;; *) fail "--help printed '$out'" ;; esac
case $out in *quit-when-shown*) fail "--help shows a hidden option" ;; esac

# A wrong option of a command is an error with a hint, without a display.
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/dtusms" --batch /tmp/list.csv \
  --no-such-option 2>&1) || status=$?
[ "$status" = 2 ] || fail "an unknown option gave status $status"
case $err in *no-such-option*--help*) ;; *) fail "unclear error '$err'" ;; esac

# The window opens from the user's copy and writes the settings beside it; a
# file name a desktop passes and an option it does not know are ignored with one line on standard error.
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C "$prefix/bin/dtusms" -platform offscreen \
  --quit-when-shown /tmp/list.csv --no-such-option 2>&1 >/dev/null) || fail "the window did not start"
[ "$err" = "dtusms: Ignoring the option '--no-such-option'. Ignoring the argument '/tmp/list.csv'." ] ||
  fail "a stray argument and option gave '$err'"
grep -q '^\[Main\]' "$XDG_DATA_HOME/dtusms/ZEREVuzi.ini" || fail "no settings file in the user's copy"
echo "install tree: all checks passed"
