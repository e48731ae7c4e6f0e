#!/usr/bin/env python3
"""Checks the layers of the whole source tree.

Every quoted include is resolved the way the compiler finds it (beside the
including file, then from the top of the tree, then from the platform's
include folder) and judged by where the two files stand:

  - the platform includes nothing of the driver;
  - in the common library core is below the model, the model below storage,
    and common/wiring.* is the top of common: no other file of common
    includes it;
  - common includes no deliverable, and no deliverable includes another
    (graphics/, ui/, api/ are the three libraries);
  - no deliverable and no file of common includes the platform's host face
    (platform/host_include: the machine, printers, the engine host, the
    in-memory GDI surface, the test driver of windows, the user folders),
    which only tests, host/ and the tools use;
  - in ui/ each folder is a floor and includes only the floors below it:
    base < services < install, pages < sheets, features < library < entry
    (pages never include features: features register their page hooks in
    the table), and nothing includes entry/;
  - headers include one another round no circle.

The compiler is given the top of the tree, common/ and the platform's include
folders, so "storage/ini.h" in a file of the model is storage's header.

With --build DIR it also checks that every .cpp of the tree is compiled by
the build in DIR (a file left out of a CMakeLists glob would otherwise
silently not be built).

Usage: check_layers.py [--build BUILD_DIR] SOURCE_DIR
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)

SOURCE_FOLDERS = ("platform", "common", "graphics", "ui", "api", "host", "tools", "benchmarks", "tests")
DELIVERABLES = ("graphics", "ui", "api")
COMMON_LAYERS = {"core": 0, "model": 1, "storage": 2, "wiring": 3}
UI_FLOORS = {"base": 0, "services": 1, "install": 2, "pages": 2, "sheets": 3, "features": 3,
             "library": 4, "entry": 5}
PLATFORM_INCLUDES = ("platform/include", "platform/host_include")
HOST_FACE = "platform/host_include/"

# Sources that no build of the tree compiles, with the reason.
NOT_COMPILED = {
}


def source_files(root):
    for folder in SOURCE_FOLDERS:
        top = os.path.join(root, folder)
        for directory, subdirs, names in os.walk(top):
            subdirs[:] = sorted(d for d in subdirs if not d.startswith(".") and d != "build")
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/")


def resolve(root, path, target):
    for base in (os.path.dirname(path), "", "common") + PLATFORM_INCLUDES:
        candidate = os.path.normpath(os.path.join(base, target)).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def includes_of(root, path):
    with open(os.path.join(root, path), encoding="utf-8") as file:
        text = file.read()
    found = []
    for target in INCLUDE.findall(text):
        resolved = resolve(root, path, target)
        if resolved:
            found.append(resolved)
    return found


def area_of(path):
    return path.split("/", 1)[0]


def common_layer(path):
    parts = path.split("/")
    if parts[0] != "common" or len(parts) < 2:
        return None
    if parts[1].startswith("wiring."):
        return COMMON_LAYERS["wiring"]
    return COMMON_LAYERS.get(parts[1])


def ui_floor(path):
    parts = path.split("/")
    if parts[0] != "ui" or len(parts) < 2:
        return None
    name = parts[1]
    if name.startswith("library."):
        return "library"
    return name if name in UI_FLOORS else None


def is_host_face(path):
    return path.startswith(HOST_FACE)


def judge(path, target):
    """The reason why path may not include target, or None."""
    source, goal = area_of(path), area_of(target)
    if source == "platform" and goal != "platform":
        return "the platform includes nothing of the driver"
    if source == "common":
        if goal in DELIVERABLES or goal in ("host", "tools", "benchmarks", "tests"):
            return "common includes no deliverable"
        below, above = common_layer(path), common_layer(target)
        if below is not None and above is not None and above > below:
            return "a layer of common above it"
    if source in DELIVERABLES and goal in DELIVERABLES and source != goal:
        return "a deliverable includes no other deliverable"
    if source in DELIVERABLES + ("common",) and is_host_face(target):
        return "the host face of the platform is for tests, host/ and the tools"
    if source in DELIVERABLES and goal in ("host", "tools", "benchmarks", "tests"):
        return "a deliverable includes nothing above it"
    if source == "ui" and goal == "ui":
        lower, higher = ui_floor(path), ui_floor(target)
        if higher == "entry" and lower != "entry":
            return "nothing includes ui/entry"
        if lower is not None and higher is not None:
            if UI_FLOORS[higher] > UI_FLOORS[lower]:
                return f"ui/{higher} is a floor above ui/{lower}"
    return None


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


def uncompiled_sources(root, build, paths):
    with open(os.path.join(build, "build.ninja"), encoding="utf-8") as file:
        ninja = file.read()
    absolute = os.path.realpath(root)
    missing = []
    for path in paths:
        if not path.endswith(".cpp") or path in NOT_COMPILED:
            continue
        if os.path.join(absolute, path) not in ninja:
            missing.append(path)
    return missing


def check(root, build=None):
    paths = list(source_files(root))
    edges = {path: includes_of(root, path) for path in paths}
    failures = []
    for path in paths:
        for target in edges[path]:
            reason = judge(path, target)
            if reason:
                failures.append(f"{path} includes {target}: {reason}")
    graph = {path: {t for t in targets if t.endswith(".h")} for path, targets in edges.items() if path.endswith(".h")}
    circle = find_circle(graph)
    if circle:
        failures.append("include circle: " + " -> ".join(circle))
    if build:
        for path in uncompiled_sources(root, build, paths):
            failures.append(f"{path} is compiled by no target of {build}")
    return len(paths), failures


def main(argv):
    args = argv[1:]
    build = None
    if len(args) == 3 and args[0] == "--build":
        build, args = args[1], args[2:]
    if len(args) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    count, failures = check(args[0], build)
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"{count} files checked, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
