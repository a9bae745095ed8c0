#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The includes follow the layers and go one way.

- A layer includes only the layers below it: core sees platform's interfaces,
  render sees core, ui and cli see render; cli's main alone opens the window.
- No two files (a header and its source count as one) include each other,
  directly or around a loop, and no two folders of core do.
Usage: check-includes.py SOURCE_ROOT (the folder holding src/)."""
import os
import re
import sys

ALLOWED = {
    "platform": {"platform"},
    "core": {"core", "platform"},
    "render": {"render", "core", "platform"},
    "ui": {"ui", "render", "core", "platform"},
    "cli": {"cli", "render", "core", "platform"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def strongly_connected(graph):
    """Tarjan's components with more than one node, each sorted."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for target in graph.get(node, ()):
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main(root):
    src = os.path.join(root, "src")
    problems = []
    modules, folders = {}, {}
    for directory, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(directory, name), src).replace(os.sep, "/")
            layer = path.split("/")[0]
            module = os.path.splitext(path)[0]
            with open(os.path.join(directory, name), encoding="utf-8") as file:
                included = INCLUDE.findall(file.read())
            for target in included:
                target_layer = target.split("/")[0]
                if target_layer not in ALLOWED:
                    continue  # generated headers (BuildConfig.h)
                opens_window = path == "cli/main.cpp" and target_layer == "ui"
                if target_layer not in ALLOWED.get(layer, set()) and not opens_window:
                    problems.append(f"src/{path}: {layer} includes {target}")
                target_module = os.path.splitext(target)[0]
                if target_module != module:
                    modules.setdefault(module, set()).add(target_module)
                if layer == "core" and target_layer == "core":
                    here, there = os.path.dirname(path), os.path.dirname(target)
                    if here != there:
                        folders.setdefault(here, set()).add(there)
    for loop in strongly_connected(modules):
        problems.append("files include each other: " + ", ".join(loop))
    for loop in strongly_connected(folders):
        problems.append("folders of core include each other: " + ", ".join(loop))
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
