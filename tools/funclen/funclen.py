#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Lists the functions longer than a limit (default 150 lines, braces
included) in the core, cli/ and app/:

    tools/funclen/funclen.py [--limit N] [FOLDER ...]

A function is a brace block at namespace level whose head holds "(";
lambdas and classes count with the function or class around them. Comments,
strings and character literals are blanked first. Exits 1 when any is
over the limit."""
import argparse
import pathlib
import re
import sys

FOLDERS = ["data", "geometry", "drawing", "tracing", "gnss", "predict", "outputs", "cli", "app"]
BLANK = re.compile(r'//[^\n]*|/\*.*?\*/|R"\((?:.|\n)*?\)"|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'',
                   re.S)


def blank(text):
    # Keeps the line count: every removed piece keeps its newlines.
    return BLANK.sub(lambda m: "\n" * m.group(0).count("\n") + " ", text)


def functions(path):
    text = blank(path.read_text(encoding="utf-8", errors="replace"))
    depth = 0        # braces of functions and classes, not of namespaces
    skip = []        # per open brace: True for a namespace or extern "C"
    head = ""        # text since the last statement at namespace level
    start = 0
    line = 1
    for ch in text:
        if ch == "\n":
            line += 1
        if ch == "{":
            is_namespace = depth == 0 and re.search(r'\b(namespace|extern)\b[^;{}]*$', head)
            skip.append(bool(is_namespace))
            if not is_namespace:
                if depth == 0:
                    start, start_head = line, head
                depth += 1
            head = ""
        elif ch == "}":
            if skip and skip.pop():
                head = ""
                continue
            depth -= 1
            if depth == 0:
                h = start_head.strip()
                if "(" in h and not re.match(r'(class|struct|enum|union)\b', h.split("(")[0].split()[-1] if h.split("(")[0].split() else ""):
                    name = re.sub(r"\s+", " ", h)[-90:]
                    yield name, start, line - start + 1
                head = ""
        elif depth == 0:
            head += ch
            if ch == ";":
                head = ""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--limit", type=int, default=150)
    ap.add_argument("folders", nargs="*", default=FOLDERS)
    args = ap.parse_args()
    root = pathlib.Path(__file__).resolve().parents[2]
    over, count, longest = [], 0, (0, "")
    for folder in args.folders:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            for name, start, length in functions(path):
                count += 1
                longest = max(longest, (length, f"{path.relative_to(root)}:{start}"))
                if length > args.limit:
                    over.append(f"{path.relative_to(root)}:{start}: {length} lines: {name}")
    print(f"{count} functions in {', '.join(args.folders)}; longest {longest[0]} lines "
          f"({longest[1]}); over {args.limit}: {len(over)}")
    for o in over:
        print("  " + o)
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
