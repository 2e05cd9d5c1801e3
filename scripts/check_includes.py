#!/usr/bin/env python3
"""Checks that the includes of src/ only look down the floors of the engine
and that no two units depend on each other, directly or through a circle.

Floors, ground up: platform, board, eval, book and tablebase (side by side),
search, driver. A unit is a header with the source file of the same name;
unit A depends on unit B when A's header or source includes B's header.

    scripts/check_includes.py [<source root>]     (default: ../src beside this script)

Prints every upward include and every circle and exits 1 when there is one."""
import os
import re
import sys

FLOORS = {"platform": 1, "board": 2, "eval": 3, "book": 4, "tablebase": 4, "search": 5, "driver": 6}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_includes(src):
    """{file relative to src: [included paths relative to src]} for the engine's own headers."""
    includes = {}
    for folder, _, names in os.walk(src):
        for name in names:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            with open(path, encoding="utf-8") as f:
                found = INCLUDE.findall(f.read())
            includes[rel] = [i for i in found if i.split("/")[0] in FLOORS]
    return includes


def floor_of(path):
    return FLOORS.get(path.split("/")[0])


def upward_includes(includes):
    problems = []
    for path, included in sorted(includes.items()):
        own = floor_of(path)
        if own is None:
            problems.append(f"{path}: in no floor (folders: {', '.join(FLOORS)})")
            continue
        for header in included:
            if floor_of(header) > own:
                problems.append(f"{path} includes {header} from a floor above its own")
    return problems


def unit_circles(includes):
    """Strongly connected groups of more than one unit, each as a sorted list."""
    unit = lambda path: os.path.splitext(path)[0]
    edges = {}
    for path, included in includes.items():
        for header in included:
            if unit(header) != unit(path):
                edges.setdefault(unit(path), set()).add(unit(header))
    # Tarjan's algorithm, iterative so deep chains need no recursion.
    index, low, on_stack, stack, circles = {}, {}, set(), [], []
    counter = 0
    for root in sorted(edges):
        if root in index:
            continue
        work = [(root, iter(sorted(edges.get(root, ()))))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        on_stack.add(root)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    circles.append(sorted(group))
    return sorted(circles)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    includes = read_includes(src)
    problems = upward_includes(includes)
    for group in unit_circles(includes):
        problems.append("circle among " + ", ".join(group) + ":")
        members = set(group)
        for path, included in sorted(includes.items()):
            if os.path.splitext(path)[0] in members:
                problems += [f"    {path} includes {h}" for h in included
                             if os.path.splitext(h)[0] in members and os.path.splitext(h)[0] != os.path.splitext(path)[0]]
    for line in problems:
        print(line)
    if problems:
        return 1
    print(f"includes look down: {len(includes)} files, no circles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
