#!/bin/sh
# SPDX-License-Identifier: MIT
# Fails when a C++ source differs from .clang-format; "--fix" formats them.
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i $files
else
  clang-format --dry-run --Werror $files
fi
