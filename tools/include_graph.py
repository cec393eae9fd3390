#!/usr/bin/env python3
"""The include graph between the stub's folders.

    include_graph.py [SOURCE_DIR]

Reads every `#include "folder/..."` in the folders the stub is built from
and prints one line per folder-level edge, with the files behind it, then
every cycle between folders. Exit status 1 when there is a cycle, so the
build's tests keep the folders layered: a folder only includes folders
below it.

The simulated Win32 layer (platform/host/) is read as a target, not as a
source: it stands in for the system, and for the window code that only the
stub has, so its own includes of ui/ say which functions it supplies, not
which it uses. Generated headers (image/resource_ids.h) count for the
folder they are named after.
"""
import os
import re
import sys

FOLDERS = ("app", "archive", "base", "codec", "context", "image", "progress", "ui", "stub", "platform")
SKIPPED = ("platform/host",)
INCLUDE = re.compile(r'^\s*#\s*include\s+"(([a-z_]+)/[^"]+)"', re.M)


def read_edges(root):
    """{(from, to): [(file, included), ...]} over the folders' sources."""
    edges = {}
    for folder in FOLDERS:
        base = os.path.join(root, folder)
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames.sort()
            rel_dir = os.path.relpath(dirpath, root).replace(os.sep, "/")
            if any(rel_dir == s or rel_dir.startswith(s + "/") for s in SKIPPED):
                continue
            for name in sorted(filenames):
                if not name.endswith((".h", ".cpp", ".c", ".inc")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for m in INCLUDE.finditer(text):
                    target = m.group(2)
                    if target == folder or target not in FOLDERS:
                        continue
                    edges.setdefault((folder, target), []).append((f"{rel_dir}/{name}", m.group(1)))
    return edges


def cycles(nodes, edges):
    """The strongly connected components of more than one folder, each with
    one cycle through all of its members' edges found first."""
    succ = {n: sorted(t for (f, t) in edges if f == n) for n in nodes}
    index, low, on_stack, stack, comps = {}, {}, set(), [], []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in succ[v]:
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            comp = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                comp.append(w)
                if w == v:
                    break
            if len(comp) > 1:
                comps.append(sorted(comp))

    for n in nodes:
        if n not in index:
            visit(n)
    return comps


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    edges = read_edges(root)
    print("Folder edges (from -> to: file includes header):")
    for (src, dst) in sorted(edges):
        pairs = edges[(src, dst)]
        print(f"  {src} -> {dst}  ({len(pairs)})")
        for file, header in pairs:
            print(f"      {file}: {header}")
    comps = cycles(FOLDERS, edges)
    if not comps:
        print("No cycles between folders.")
        return 0
    for comp in comps:
        print("Cycle among: " + ", ".join(comp))
        for (src, dst) in sorted(edges):
            if src in comp and dst in comp:
                print(f"  {src} -> {dst}: " + ", ".join(sorted({f for f, _ in edges[(src, dst)]})))
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
