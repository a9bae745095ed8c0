#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the application and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec build/default/src/dtusms
