#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the application, installs it into the
# user's own prefix (~/.local) and opens its window through the launcher, so
# the settings live in ~/.local/share/dtusms/ and survive a rebuild or
# `rm -rf build`. Arguments go to the program (try --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
# Once configured, the build itself re-runs CMake when a CMakeLists.txt changes.
if [ ! -f build/default/build.ninja ]; then cmake --preset default; fi
cmake --build --preset default
prefix="$HOME/.local"
cmake --install build/default --prefix "$prefix" > /dev/null
exec "$prefix/bin/dtusms" "$@"
