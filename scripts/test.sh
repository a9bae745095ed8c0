#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the sanitized test build and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake --preset test
cmake --build --preset test
export QT_QPA_PLATFORM=offscreen
ctest --preset test
