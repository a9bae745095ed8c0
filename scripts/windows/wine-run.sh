#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under wine in the project's own wine prefix, with the
# cross-built Qt's DLLs on its path. CTest uses it as the cross-compiling emulator.
set -euo pipefail
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
export WINEPREFIX=${WINEPREFIX:-$cache/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs when the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
winpath=()
for prefix in ${DTU_WINDOWS_PREFIXES//;/ }; do
  [ -d "$prefix/bin" ] && winpath+=("Z:${prefix//\//\\}\\bin")
  [ -d "$prefix/plugins" ] && export QT_PLUGIN_PATH="Z:${prefix//\//\\}\\plugins"
done
# The mingw runtime DLLs that the cross-built Qt and the test programs load.
for dir in /usr/x86_64-w64-mingw32/lib /usr/lib/gcc/x86_64-w64-mingw32/*-posix; do
  [ -d "$dir" ] && winpath+=("Z:${dir//\//\\}")
done
WINEPATH=$(IFS=';'; echo "${winpath[*]:-}")
export WINEPATH
exec wine "$@"
