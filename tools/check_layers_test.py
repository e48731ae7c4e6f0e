#!/usr/bin/env python3
"""Plants one forbidden include of each kind in a small tree and checks that
check_layers.py names it, and that the same tree without it passes.

Usage: check_layers_test.py
"""

import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402

# A tree that keeps every rule: one file on each floor, each including the
# floors it may.
CLEAN_TREE = {
    "platform/include/platform/win32.h": "",
    "platform/host_include/platform/machine.h": '#include "platform/win32.h"\n',
    "platform/src/kernel.cpp": '#include "platform/win32.h"\n',
    "common/core/items.h": '#include "platform/win32.h"\n',
    "common/model/ui_entries.h": '#include "common/core/items.h"\n',
    "common/storage/ini.h": '#include "../model/ui_entries.h"\n',
    "common/wiring.h": '#include "common/storage/ini.h"\n',
    "graphics/pdev.h": '#include "common/wiring.h"\n',
    "api/frame.h": '#include "common/core/items.h"\n',
    "ui/base/ui_context.h": '#include "common/core/items.h"\n',
    "ui/services/controls.h": '#include "ui/base/ui_context.h"\n',
    "ui/install/answer_file.h": '#include "ui/services/controls.h"\n',
    "ui/pages/page_engine.h": '#include "ui/install/answer_file.h"\n',
    "ui/features/module_stamp.h": '#include "ui/pages/page_engine.h"\n',
    "ui/sheets/sheet_apply.h": '#include "ui/features/module_stamp.h"\n',
    "ui/library.h": '#include "ui/sheets/sheet_apply.h"\n',
    "ui/entry/entry.cpp": '#include "ui/library.h"\n',
    "host/engine/engine.cpp": '#include "platform/machine.h"\n#include "ui/library.h"\n',
    "tests/ui/entry_test.cpp": '#include "ui/entry/entry.cpp"\n',
}

# Each planted include, and the file it is planted in.
PLANTED = [
    ("platform/src/kernel.cpp", "common/core/items.h", "the platform includes nothing of the driver"),
    ("common/core/items.h", "common/model/ui_entries.h", "a layer of common above it"),
    ("common/core/items.h", "../storage/ini.h", "a layer of common above it"),
    ("common/model/ui_entries.h", "storage/ini.h", "a layer of common above it"),
    ("common/storage/ini.h", "common/wiring.h", "a layer of common above it"),
    ("common/core/items.h", "graphics/pdev.h", "common includes no deliverable"),
    ("graphics/pdev.h", "api/frame.h", "a deliverable includes no other deliverable"),
    ("api/frame.h", "ui/base/ui_context.h", "a deliverable includes no other deliverable"),
    ("graphics/pdev.h", "platform/machine.h", "the host face of the platform"),
    ("common/core/items.h", "platform/machine.h", "the host face of the platform"),
    ("ui/base/ui_context.h", "ui/services/controls.h", "ui/services is a floor above ui/base"),
    ("ui/services/controls.h", "../install/answer_file.h", "ui/install is a floor above ui/services"),
    ("ui/install/answer_file.h", "ui/sheets/sheet_apply.h", "ui/sheets is a floor above ui/install"),
    ("ui/pages/page_engine.h", "ui/features/module_stamp.h", "ui/features is a floor above ui/pages"),
    ("ui/sheets/sheet_apply.h", "ui/library.h", "ui/library is a floor above ui/sheets"),
    ("ui/library.h", "ui/entry/entry.cpp", "nothing includes ui/entry"),
    ("ui/install/answer_file.h", "ui/entry/entry.cpp", "nothing includes ui/entry"),
]


def write_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as file:
            file.write(text)


def failures_of(files, build_ninja=None):
    with tempfile.TemporaryDirectory() as root:
        write_tree(root, files)
        build = None
        if build_ninja is not None:
            build = os.path.join(root, "build")
            os.makedirs(build)
            with open(os.path.join(build, "build.ninja"), "w", encoding="utf-8") as file:
                file.write(build_ninja.replace("ROOT", os.path.realpath(root)))
        return check_layers.check(root, build)[1]


def main():
    problems = []
    clean = failures_of(CLEAN_TREE)
    if clean:
        problems.append("the clean tree fails: " + "; ".join(clean))

    for path, target, reason in PLANTED:
        files = dict(CLEAN_TREE)
        files[path] = files[path] + f'#include "{target}"\n'
        found = failures_of(files)
        if not any(path in f and reason in f for f in found):
            problems.append(f"{path} including {target} is not named ({reason}); found: {found}")

    files = dict(CLEAN_TREE)
    files["ui/services/controls.h"] += '#include "ui/install/answer_file.h"\n'
    files["ui/install/answer_file.h"] = '#include "ui/services/controls.h"\n'
    files["ui/services/controls.h"] = '#include "ui/base/ui_context.h"\n#include "ui/services/messages.h"\n'
    files["ui/services/messages.h"] = '#include "ui/services/controls.h"\n'
    if not any("include circle" in f for f in failures_of(files)):
        problems.append("a circle of two headers is not named")

    ninja = "".join(f"build x: CXX ROOT/{p}\n" for p in CLEAN_TREE if p.endswith(".cpp"))
    if failures_of(CLEAN_TREE, ninja):
        problems.append("a tree whose every .cpp is built fails the build check")
    dropped = ninja.replace("ROOT/host/engine/engine.cpp", "")
    if not any("host/engine/engine.cpp is compiled by no target" in f for f in failures_of(CLEAN_TREE, dropped)):
        problems.append("a .cpp that no target compiles is not named")

    for problem in problems:
        print(problem, file=sys.stderr)
    print(f"{len(PLANTED)} planted includes, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
