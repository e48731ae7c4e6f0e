#!/usr/bin/env python3
"""Checks the layers of the common library.

The common library has three folders over one another: core at the bottom,
the model above it, storage at the top; common/wiring.* sits over all three
and is the only file that may join them. The check fails when

  - a file of core includes a header of the model or of storage,
  - a file of the model includes a header of storage,
  - headers include one another round a circle.

Where core needs a service of a layer above it, it asks through a service
table that common/wiring.cpp fills.

Usage: check_layers.py COMMON_DIR
"""

import os
import re
import sys

LAYERS = {"core": 0, "model": 1, "storage": 2}

INCLUDE = re.compile(r'^\s*#\s*include\s+"common/([^"]+)"', re.MULTILINE)


def source_files(common):
    for folder in LAYERS:
        root = os.path.join(common, folder)
        for name in sorted(os.listdir(root)):
            if name.endswith((".h", ".cpp")):
                yield f"{folder}/{name}"


def includes_of(common, path):
    with open(os.path.join(common, path), encoding="utf-8") as file:
        return INCLUDE.findall(file.read())


def layer_of(path):
    return LAYERS.get(path.split("/", 1)[0])


def upward_includes(edges):
    found = set()
    for path, targets in edges.items():
        for target in targets:
            below, above = layer_of(path), layer_of(target)
            if below is not None and above is not None and above > below:
                found.add((path, target))
    return found


def find_circle(graph):
    """A circle of headers as a list that starts and ends on one header, or None."""
    state = {}
    stack = []

    def visit(header):
        state[header] = "open"
        stack.append(header)
        for next_header in sorted(graph.get(header, ())):
            if state.get(next_header) == "open":
                return stack[stack.index(next_header):] + [next_header]
            if next_header not in state:
                circle = visit(next_header)
                if circle:
                    return circle
        stack.pop()
        state[header] = "done"
        return None

    for header in sorted(graph):
        if header not in state:
            circle = visit(header)
            if circle:
                return circle
    return None


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    common = argv[1]
    edges = {path: includes_of(common, path) for path in source_files(common)}

    failures = []
    upward = upward_includes(edges)
    for path, target in sorted(upward):
        failures.append(f"{path} includes common/{target}, a layer above it")

    graph = {path: set(targets) for path, targets in edges.items() if path.endswith(".h")}
    circle = find_circle(graph)
    if circle:
        failures.append("include circle: " + " -> ".join(circle))

    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"{len(edges)} files checked, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
