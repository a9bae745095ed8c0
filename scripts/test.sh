#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the sanitized test build and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# CI sets DTU_TEST_PRESET=ci: the same build with warnings as errors.
preset=${DTU_TEST_PRESET:-test}
cmake --preset "$preset"
cmake --build --preset "$preset"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset"
