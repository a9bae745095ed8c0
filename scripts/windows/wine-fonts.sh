#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Puts wine's own Tahoma (Debian's fonts-wine) into the wine prefix's Fonts folder,
# where the windows see it: Debian's wine does not load it from its data folder, and
# without it GDI stands in another face of other widths for the window's Tahoma.
set -euo pipefail
cache=${DTU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dtusms}
fonts=${WINEPREFIX:-$cache/wine-prefix}/drive_c/windows/Fonts
for face in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
  [ -f "$face" ] || { echo "wine-fonts: $face missing (fonts-wine: scripts/install-deps.sh windows)" >&2; exit 1; }
  mkdir -p "$fonts"
  cmp -s "$face" "$fonts/$(basename "$face")" || cp "$face" "$fonts/"
done
