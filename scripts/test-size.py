#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the size of tests/ against src/ + tools/: non-blank lines of .cpp/.h
that are not comments (// lines and /* */ blocks)."""
import os
import re
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def count(folders):
    total = 0
    for folder in folders:
        for path, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if not name.endswith((".cpp", ".h")):
                    continue
                with open(os.path.join(path, name), encoding="utf-8", errors="replace") as f:
                    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), f.read(), flags=re.S)
                total += sum(1 for line in text.split("\n") if line.strip() and not line.strip().startswith("//"))
    return total


tests, code = count(["tests"]), count(["src", "tools"])
print(f"tests={tests} src+tools={code} ratio={tests / code:.3f}")
sys.exit(0)
