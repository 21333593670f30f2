#!/usr/bin/env python3
"""Writes a code sample of the documentation as a C file, so that the build compiles it as it
is written: the README's C block that contains a given text (a whole program), or the usage
sample of a header's opening comment (the lines after "A typical use", up to the comment's next
empty line), wrapped in a function that takes the card.

    extract_sample.py readme README.md "KARVO7SetVIRMA4(" out.c
    extract_sample.py header KARVO7Ops.h out.c
"""
import re
import sys


def readme_block(path, needle):
    text = open(path, encoding="utf-8").read()
    for block in re.findall(r"^```c\n(.*?)^```", text, re.S | re.M):
        if needle in block:
            return block
    sys.exit(f"{path}: no C block with {needle!r}")


def header_sample(path):
    lines = open(path, encoding="utf-8").read().splitlines()
    start = next((i for i, line in enumerate(lines) if "A typical use" in line), None)
    if start is None:
        sys.exit(f"{path}: no usage sample")
    sample = []
    for line in lines[start + 1:]:
        body = line[2:] if line.startswith(" *") else None
        if body is None or (not body.strip() and sample):
            break
        if body.strip():
            sample.append(body[4:] if body.startswith("    ") else body)
    header = path.replace("\\", "/").rsplit("/", 1)[-1]
    return (f'#include <stddef.h>\n#include "{header}"\n\n'
            "/* The usage sample of the header's opening comment, as it is written there. */\n"
            "void usage_sample(KARVO7HANDLE card);\n"
            "void usage_sample(KARVO7HANDLE card) {\n"
            + "".join(f"    {line.strip()}\n" for line in sample) + "}\n\n"
            "int main(void) {\n    return 0;\n}\n")


def main():
    if sys.argv[1] == "readme":
        code = readme_block(sys.argv[2], sys.argv[3])
        out = sys.argv[4]
    else:
        code = header_sample(sys.argv[2])
        out = sys.argv[3]
    open(out, "w", encoding="utf-8").write(code)


main()
