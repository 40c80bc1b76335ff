#!/usr/bin/env python3
"""Fails when an #include "..." of src/ runs against the layers or closes a cycle.

The layers, lowest first: text <- platform <- settings <- discovery <- quote, order
<- app.  A folder may include its own files and those of the layers below it;
quote and order may use discovery's window and process queries, never the
reverse.  Beyond the folders, no two files may reach each other through their
includes, however long the way.  A header and the source of the same name
count as one file here: main_bar.cpp including settings.h while settings.cpp
includes main_bar.h ties the two modules together just as tightly.

Usage: check-layers.py [source root, default: src beside this script]
"""

import os
import re
import sys

# What each folder must never include.
FORBIDDEN = {
    "text": None,  # None: anything outside its own folder
    "platform": {"settings", "discovery", "quote", "order", "app"},
    "settings": {"discovery", "quote", "order", "app"},
    "discovery": {"quote", "order", "app"},
    "quote": {"app"},
    "order": {"app"},
    "app": set(),
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".h", ".hpp", ".cpp", ".cc", ".inc")


def folder_of(path):
    return path.split("/", 1)[0]


def includes_of(root, rel):
    """(line number, text, resolved path under root or None) of each include."""
    found = []
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as source:
        for number, line in enumerate(source, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            text = match.group(1)
            resolved = None
            # "x/y.h" is read against src/; a bare name may be a neighbour.
            for candidate in (text, os.path.join(os.path.dirname(rel), text)):
                candidate = os.path.normpath(candidate).replace(os.sep, "/")
                if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
                    resolved = candidate
                    break
            found.append((number, text, resolved))
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    root = os.path.normpath(root)
    files = []
    for directory, _, names in os.walk(root):
        for name in names:
            if name.endswith(SOURCES):
                files.append(os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/"))
    files.sort()

    problems = []
    graph = {}  # module (path without extension) -> modules it includes
    why = {}  # (module, module) -> where the first include between them is
    for rel in files:
        layer = folder_of(rel)
        module = os.path.splitext(rel)[0]
        graph.setdefault(module, [])
        for number, text, resolved in includes_of(root, rel):
            target_module = os.path.splitext(resolved)[0] if resolved else None
            if target_module and target_module != module and target_module not in graph[module]:
                graph[module].append(target_module)
                why[(module, target_module)] = f'src/{rel}:{number} #include "{text}"'
            target = folder_of(resolved) if resolved else None
            forbidden = FORBIDDEN.get(layer, set())
            if forbidden is None:
                bad = target != layer
            else:
                bad = target in forbidden
            if bad:
                where = "src/" + resolved if resolved else "outside src/" + layer
                problems.append(f'src/{rel}:{number}: #include "{text}" ({where}): src/{layer} may not include it')

    # Cycles: a depth-first walk; a file met again while still on the way is
    # a way back to itself.
    state = {}  # 1: on the current way, 2: done
    reported = set()

    def walk(start):
        stack = [(start, iter(graph[start]))]
        way = [start]
        state[start] = 1
        while stack:
            node, targets = stack[-1]
            nxt = next(targets, None)
            if nxt is None:
                state[node] = 2
                stack.pop()
                way.pop()
                continue
            if state.get(nxt) == 1:
                loop = way[way.index(nxt):] + [nxt]
                key = frozenset(loop)
                if key not in reported:
                    reported.add(key)
                    steps = "; ".join(why[(a, b)] for a, b in zip(loop, loop[1:]))
                    problems.append("include cycle " + " -> ".join("src/" + m for m in loop) + ": " + steps)
            elif nxt not in state:
                state[nxt] = 1
                way.append(nxt)
                stack.append((nxt, iter(graph.get(nxt, []))))

    for module in sorted(graph):
        if module not in state:
            walk(module)

    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"check-layers: {len(problems)} include problem(s) in src/", file=sys.stderr)
        return 1
    print(f"check-layers: {len(files)} files of src/ keep their layers, no include cycle")
    return 0


if __name__ == "__main__":
    sys.exit(main())
