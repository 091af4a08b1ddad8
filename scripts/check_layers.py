#!/usr/bin/env python3
"""Fails when an #include points upward in the layer order, reaches into a
codec folder's private part from outside it, or brings Qt below the window.

Layers, bottom up: platform, imaging, codecs, io, app/logic, app/ui; the
batch command's folder app/batch counts as app/logic (no Qt, no window). Inside
codecs, common/ is the base every format folder may use; a format folder may
use another's public headers (its top level) but never its detail/ folder,
and the format folders must not include each other in a circle. Tests may
include the layer they test and everything below it; fuzz targets and
benchmarks may include anything but the window.

Usage: check_layers.py [SOURCE_ROOT]   (prints every violation; exit 1 if any)
"""
import os
import re
import sys

LAYERS = ["platform", "imaging", "codecs", "io", "app/logic", "app/ui"]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


# Folders that belong to a layer without being named in LAYERS.
ALIASES = {"app/batch": "app/logic"}


def layer_of(rel):
    """Layer index of a path relative to src/ (or tests/), or None."""
    for alias, layer in ALIASES.items():
        if rel == alias or rel.startswith(alias + "/"):
            return LAYERS.index(layer)
    for i in reversed(range(len(LAYERS))):
        if rel == LAYERS[i] or rel.startswith(LAYERS[i] + "/"):
            return i
    return None


def codec_folder(rel):
    parts = rel.split("/")
    return parts[1] if len(parts) > 2 and parts[0] == "codecs" else None


def resolve(root, including, target):
    """(area, path relative to that area's root) of an included file."""
    here = os.path.dirname(os.path.join(root, including))
    candidates = [os.path.join(here, target)]
    if including.startswith("tests/"):
        candidates.append(os.path.join(root, "tests", target))
    candidates.append(os.path.join(root, "src", target))
    for c in candidates:
        if os.path.isfile(c):
            rel = os.path.relpath(os.path.normpath(c), root)
            area, _, inner = rel.partition("/")
            return area, inner
    return None, None


def allowed_layer(rel_file):
    """The highest layer a file may include, and its own codec folder."""
    area, _, inner = rel_file.partition("/")
    if area == "src":
        return layer_of(inner), codec_folder(inner)
    if area == "tests":
        if inner.startswith("support/"):
            return 0, None
        if inner.startswith("app/") and not inner.startswith(("app/logic/", "app/ui/", "app/batch/")):
            return LAYERS.index("app/ui"), None  # fixtures shared by the app tests
        layer = layer_of(inner)
        return (layer if layer is not None else len(LAYERS) - 1), None
    return LAYERS.index("app/logic"), None  # fuzz/, bench/: no window


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    codec_edges = {}
    for area in ("src", "tests", "fuzz", "bench"):
        for folder, _, files in os.walk(os.path.join(root, area)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(folder, name)
                rel_file = os.path.relpath(path, root)
                limit, own_codec = allowed_layer(rel_file)
                in_tests = rel_file.startswith("tests/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        where = f"{rel_file}:{number}"
                        kind, target = m.groups()
                        if kind == "<":
                            if re.match(r"Q[A-Za-z]*$|Qt", target) and limit < LAYERS.index("app/ui"):
                                problems.append(f"{where}: Qt header <{target}> below the window layer")
                            continue
                        t_area, t_inner = resolve(root, rel_file, target)
                        if t_area != "src":
                            continue
                        t_layer = layer_of(t_inner)
                        if t_layer is None:
                            continue
                        if limit is None or t_layer > limit:
                            problems.append(f"{where}: includes {target} from a higher layer")
                        t_codec = codec_folder(t_inner)
                        if t_codec and "/detail/" in t_inner and t_codec != own_codec:
                            codec_tests = in_tests and rel_file.startswith("tests/codecs/")
                            if not codec_tests:
                                problems.append(f"{where}: {target} is private to codecs/{t_codec}")
                        if own_codec and t_codec and own_codec != t_codec:
                            if own_codec == "common":
                                problems.append(f"{where}: codecs/common must not include a format folder")
                            codec_edges.setdefault(own_codec, set()).add(t_codec)
    # Codec folders must not depend on each other in a circle.
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(codec_edges.get(node, ())):
            if state.get(nxt) == "open":
                problems.append("codec folders include each other in a circle: " + " -> ".join(trail + [nxt]))
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = "done"

    for node in sorted(codec_edges):
        if node not in state:
            visit(node, [node])
    for p in problems:
        print(p)
    print(f"check_layers: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
