#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the includes of src/ by folder and checks that they run one way.

Every folder of src/ sits on a floor. A file may include its own folder and
the folders on lower floors; backends and shells are leaves that nothing in
src/ includes. Third-party headers are included only by the folders that link
the library. src/platform holds headers only.

  check-floors.py [--root DIR] [--dot FILE]

Prints every fault and exits 1 if there is one; --dot writes the drawing.
"""

import argparse
import re
import sys
from pathlib import Path

# Floor of each folder under src/, bottom first. Folders on one floor do not
# include each other.
FLOORS = {
    "platform": 0,
    "resources": 1,
    "base": 2,
    "settings": 3,
    "model": 4,
    "scanner": 5,
    "webshop": 5,
    "ui": 6,
    "app": 7,
}
# Folders holding one implementation each: backends/<name> sit on the floor
# above base, shells above everything. Nothing in src/ includes them, but
# the backends share the parts of backends/common.
LEAVES = {"backends": 3, "shell": 8}
SHARED_BY_BACKENDS = "backends/common"

# System headers that only some folders may include (the rest of the tree
# reaches these libraries through the seams).
RESTRICTED = [
    (re.compile(r"^Q[A-Za-z]*(/|$)"), ("shell/qt",)),
    (re.compile(r"^sqlite3\.h$"), ("backends/",)),
    # The web shop's URL check still parses with libcurl.
    (re.compile(r"^curl/"), ("backends/", "webshop/clsURLChecker.cpp")),
    (re.compile(r"^libudev\.h$"), ("backends/",)),
    (re.compile(r"^windows\.h$", re.IGNORECASE), ("platform/Windows.h",)),
]

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
SOURCES = (".h", ".cpp", ".c")


def folder_of(relative):
    """The folder a path under src/ belongs to, or None outside the floors."""
    parts = relative.split("/")
    if parts[0] in LEAVES and len(parts) > 2:
        return parts[0] + "/" + parts[1]
    if parts[0] in FLOORS and len(parts) > 1:
        return parts[0]
    return None


def floor_of(folder):
    top = folder.split("/")[0]
    return LEAVES[top] if top in LEAVES else FLOORS[top]


def scan(src):
    """Yields (file, folder, quote, header) for every include under src/."""
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCES or not path.is_file():
            continue
        relative = path.relative_to(src).as_posix()
        text = path.read_text(encoding="utf-8", errors="replace")
        for quote, header in INCLUDE.findall(text):
            yield relative, folder_of(relative), quote, header


def find_cycle(edges):
    """One cycle of the folder graph as a list of folders, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for target in sorted(edges.get(node, ())):
            if state.get(target) == 1:
                return stack[stack.index(target):] + [target]
            if target not in state:
                found = visit(target)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def check(root):
    """Returns (faults, edges) where edges maps (from, to) to a count."""
    src = root / "src"
    faults = []
    edges = {}
    for path in sorted((src / "platform").rglob("*")):
        if path.is_file() and path.suffix != ".h":
            faults.append(f"src/{path.relative_to(src).as_posix()}: src/platform holds headers only")

    for relative, folder, quote, header in scan(src):
        if quote == "<":
            for pattern, allowed in RESTRICTED:
                if pattern.search(header) and not any(relative.startswith(a) for a in allowed):
                    faults.append(f"src/{relative}: <{header}> belongs to {', '.join(allowed)}")
            continue
        target = folder_of(header)
        if folder is None or target is None or target == folder:
            continue
        edges[(folder, target)] = edges.get((folder, target), 0) + 1
        if target == SHARED_BY_BACKENDS and folder.startswith("backends/"):
            continue
        if target.split("/")[0] in LEAVES:
            faults.append(f"src/{relative}: includes {header}, and nothing includes {target}")
        elif floor_of(target) >= floor_of(folder):
            faults.append(f"src/{relative}: includes {header}, which is not below {folder}")

    graph = {}
    for source, target in edges:
        graph.setdefault(source, set()).add(target)
    cycle = find_cycle(graph)
    if cycle:
        faults.append("cycle: " + " -> ".join(cycle))
    return faults, edges


def drawing(edges):
    """The folder graph in DOT, one rank per floor."""
    lines = [
        "// The includes of src/ by folder; made by scripts/check-floors.py --dot.",
        "digraph floors {",
        "  rankdir=BT;",
        "  node [shape=box];",
    ]
    folders = sorted({f for edge in edges for f in edge}, key=lambda f: (floor_of(f), f))
    for level in sorted({floor_of(f) for f in folders}):
        names = " ".join(f'"{f}";' for f in folders if floor_of(f) == level)
        lines.append(f"  {{ rank=same; {names} }}")
    for (source, target), count in sorted(edges.items()):
        lines.append(f'  "{source}" -> "{target}" [label={count}];')
    lines.append("}")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", type=Path, default=Path(__file__).resolve().parent.parent)
    parser.add_argument("--dot", type=Path, help="write the drawing to this file")
    args = parser.parse_args()
    faults, edges = check(args.root)
    if args.dot:
        args.dot.write_text(drawing(edges), encoding="utf-8")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
