#!/usr/bin/env python3
"""Checks that the project's own includes go only down the layers and close no cycle.

The layers, lowest first: math; framebuffer and audio (neither includes the other); scenes; app;
the front ends (each on its own, none includes another); the developer tools. Tests and
benchmarks sit above everything. A source file and its header are one unit: a cycle between units
(a.cpp includes b.h, b.h includes a.h) is a cycle even when no header includes itself.
Prints each fault and exits 1 when there is one.
"""
import os
import re
import sys

LAYERS = {"math": 0, "framebuffer": 1, "audio": 1, "scenes": 2, "app": 3, "frontends": 4,
          "tools": 5, "tests": 6, "bench": 6}
SOURCE_EXTENSIONS = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def module_of(path):
    """The module a file belongs to: its top folder, and for a front end the front end's folder."""
    parts = path.split("/")
    if parts[0] == "frontends" and len(parts) > 2:
        return "frontends/" + parts[1]
    return parts[0]


def layer_of(module):
    return LAYERS.get(module.split("/")[0])


def unit_of(path):
    return os.path.splitext(path)[0]


def project_files(root):
    for top in LAYERS:
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith(SOURCE_EXTENSIONS):
                    yield os.path.relpath(os.path.join(folder, name), root)


def includes_of(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            match = INCLUDE.match(line)
            if match and os.path.exists(os.path.join(root, match.group(1))):
                yield number, match.group(1)


def layer_faults(root, edges):
    faults = []
    for path, number, target in edges:
        source_module, target_module = module_of(path), module_of(target)
        if source_module == target_module:
            continue
        low, high = layer_of(target_module), layer_of(source_module)
        if low is None or high is None:
            continue
        if low > high:
            faults.append(f"{path}:{number}: {source_module} includes {target} from above it")
        elif low == high and high < LAYERS["tests"]:
            faults.append(f"{path}:{number}: {source_module} includes {target} from beside it")
    return faults


def cycle_faults(edges):
    graph = {}
    for path, _, target in edges:
        source, goal = unit_of(path), unit_of(target)
        if source != goal:
            graph.setdefault(source, set()).add(goal)
    faults, state = [], {}

    def visit(unit, trail):
        state[unit] = "open"
        trail.append(unit)
        for nxt in sorted(graph.get(unit, ())):
            if state.get(nxt) == "open":
                cycle = trail[trail.index(nxt):] + [nxt]
                faults.append("include cycle: " + " -> ".join(cycle))
            elif nxt not in state:
                visit(nxt, trail)
        trail.pop()
        state[unit] = "done"

    for unit in sorted(graph):
        if unit not in state:
            visit(unit, [])
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    edges = [(path, number, target) for path in project_files(root)
             for number, target in includes_of(root, path)]
    faults = layer_faults(root, edges) + cycle_faults(edges)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
