#!/usr/bin/env python3
"""Fails when the folders of src/ include each other in a circle.

A module is a folder directly under src/ with everything below it, except
that the toolkit layers (gui/ and devices/ subfolders) are modules of their
own: they sit above the folder they belong to. An include of "a/b.h" from a
file of module X is an edge X -> module of a/b.h. The graph must have no
cycle, so every module has a place in one order, with core at the bottom.
With --print the order is printed, lowest first."""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def module(path):
    parts = path.split("/")
    for i, part in enumerate(parts[:-1]):
        if part in ("gui", "devices"):
            return "/".join(parts[: i + 1])
    return parts[0]


def graph(src):
    edges = {}
    for root, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(root, name), src).replace(os.sep, "/")
            here = module(path)
            edges.setdefault(here, {})
            with open(os.path.join(src, path), encoding="utf-8", errors="replace") as f:
                for line in f:
                    m = INCLUDE.match(line)
                    if not m or not os.path.exists(os.path.join(src, m.group(1))):
                        continue
                    there = module(m.group(1))
                    if there != here:
                        edges[here].setdefault(there, f"{path} includes {m.group(1)}")
    return edges


def cycle(edges):
    """One cycle as a list of (module, reason) steps, or None."""
    state, stack = {}, []

    def visit(v):
        state[v] = 1
        stack.append(v)
        for w in sorted(edges.get(v, {})):
            if state.get(w) == 1:
                loop = stack[stack.index(w):] + [w]
                return [(a, edges[a][b]) for a, b in zip(loop, loop[1:])]
            if w not in state:
                found = visit(w)
                if found:
                    return found
        stack.pop()
        state[v] = 2
        return None

    for v in sorted(edges):
        if v not in state:
            found = visit(v)
            if found:
                return found
    return None


def order(edges):
    done, out = set(), []

    def visit(v):
        if v in done:
            return
        done.add(v)
        for w in sorted(edges.get(v, {})):
            visit(w)
        out.append(v)

    for v in sorted(edges):
        visit(v)
    return out


def main():
    src = sys.argv[1]
    edges = graph(src)
    found = cycle(edges)
    if found:
        print("The folders of src/ include each other in a circle:", file=sys.stderr)
        for step, reason in found:
            print(f"  {step}: {reason}", file=sys.stderr)
        return 1
    if "--print" in sys.argv:
        for v in order(edges):
            print(f"{v} -> {', '.join(sorted(edges[v])) or '(nothing)'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
