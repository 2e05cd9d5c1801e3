#!/usr/bin/env python3
"""Checks that the includes of src/ only look down the floors of the engine
and that no two units depend on each other, directly or through a circle.

Floors, ground up: platform, board, eval, book and tablebase (side by side,
standing on board and platform only), search, driver. A unit is a header
with the source file of the same name; unit A depends on unit B when A's
header or source includes B's header.

    scripts/check_includes.py [<source root>]     (default: ../src beside this script)
    scripts/check_includes.py --selftest          (the checks on small made-up trees)

Prints every upward include and every circle and exits 1 when there is one."""
import os
import re
import sys
import tempfile

FLOORS = {"platform": 1, "board": 2, "eval": 3, "book": 4, "tablebase": 4, "search": 5, "driver": 6}
# The book and the tablebases read positions, never evaluations: they stand
# on the board and platform floors only.
SKIPPED_FLOORS = {"book": {"eval"}, "tablebase": {"eval"}}
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
            elif header.split("/")[0] in SKIPPED_FLOORS.get(path.split("/")[0], ()):
                problems.append(f"{path} includes {header}: its floor stands on board and platform only")
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


def problems_of(src):
    includes = read_includes(src)
    problems = upward_includes(includes)
    for group in unit_circles(includes):
        problems.append("circle among " + ", ".join(group) + ":")
        members = set(group)
        for path, included in sorted(includes.items()):
            if os.path.splitext(path)[0] in members:
                problems += [f"    {path} includes {h}" for h in included
                             if os.path.splitext(h)[0] in members and os.path.splitext(h)[0] != os.path.splitext(path)[0]]
    return includes, problems


def selftest():
    """Each made-up tree with what the check must say about it."""
    cases = [
        ("clean", {"board/board.h": [], "board/board.cpp": ["board/board.h", "platform/clock.h"],
                   "search/search.cpp": ["board/board.h", "eval/evaluate.h"],
                   "eval/evaluate.h": [], "platform/clock.h": []}, []),
        ("upward", {"board/board.cpp": ["search/history.h"], "search/history.h": []},
         ["board/board.cpp includes search/history.h from a floor above its own"]),
        ("book beside tablebase", {"book/book.cpp": ["tablebase/probe.h"], "tablebase/probe.h": []}, []),
        ("tablebase on the evaluation", {"tablebase/probe.cpp": ["eval/evaluate.h", "board/board.h"],
                                         "eval/evaluate.h": [], "board/board.h": []},
         ["tablebase/probe.cpp includes eval/evaluate.h: its floor stands on board and platform only"]),
        ("two units", {"search/a.h": [], "search/a.cpp": ["search/a.h", "search/b.h"],
                       "search/b.h": [], "search/b.cpp": ["search/b.h", "search/a.h"]},
         ["circle among search/a, search/b:", "    search/a.cpp includes search/b.h",
          "    search/b.cpp includes search/a.h"]),
        ("three units", {"eval/a.h": ["eval/b.h"], "eval/b.h": ["eval/c.h"], "eval/c.cpp": ["eval/a.h"],
                         "eval/c.h": [], "eval/a.cpp": []},
         ["circle among eval/a, eval/b, eval/c:", "    eval/a.h includes eval/b.h",
          "    eval/b.h includes eval/c.h", "    eval/c.cpp includes eval/a.h"]),
        ("no floor", {"misc/tool.cpp": []}, ["misc/tool.cpp: in no floor (folders: " + ", ".join(FLOORS) + ")"]),
    ]
    failures = 0
    for name, tree, expected in cases:
        with tempfile.TemporaryDirectory() as src:
            for path, included in tree.items():
                os.makedirs(os.path.join(src, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(src, path), "w", encoding="utf-8") as f:
                    f.write("".join(f'#include "{header}"\n' for header in included))
                    f.write("#include <cstdio>\n")
            _, problems = problems_of(src)
        if problems != expected:
            failures += 1
            print(f"FAIL {name}: got {problems}, expected {expected}")
        else:
            print(f"ok   {name}")
    return 1 if failures else 0


def main():
    if sys.argv[1:] == ["--selftest"]:
        return selftest()
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    includes, problems = problems_of(src)
    for line in problems:
        print(line)
    if problems:
        return 1
    print(f"includes look down: {len(includes)} files, no circles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
