#!/usr/bin/python3
"""Seconds the Python package's parameter-file reader (the card operations' profile) takes for
a hostile file: a set whose numbers have 5000 digits and a key with a 50 MB value among them,
against the same set in an ordinary file.
Run by hand (not by ctest):

    PYTHONPATH=python /usr/bin/python3 bench/python_paramfile_bench.py

Prints ``hostile: X s, ordinary: Y s`` (goal: the hostile file in under 3 s on a loaded
two-core machine; before the reader looked at each line once it took 20 to 29 s).
"""

from __future__ import annotations

import os
import tempfile
import time

from karvo7.paramfile import ParameterFile


def _seconds(path: str) -> float:
    start = time.perf_counter()
    ParameterFile(path).card_set(1, 0)
    return time.perf_counter() - start


def main() -> None:
    with tempfile.TemporaryDirectory() as folder:
        hostile = os.path.join(folder, "hostile.ini")
        ordinary = os.path.join(folder, "ordinary.ini")
        with open(hostile, "wb") as f:
            f.write(b"[Karte1-Satz0]\nIFF=" + b"9" * 5000 + b"\nZ=" + b"7" * 50_000_000
                    + b"\nAufnahmedelay=-" + b"1" * 5000 + b"\n")
        with open(ordinary, "wb") as f:
            f.write(b"[Karte1-Satz0]\nIFF=1000\nAufnahmedelay=-1\n")
        print(f"hostile: {_seconds(hostile):.2f} s, ordinary: {_seconds(ordinary):.4f} s")


if __name__ == "__main__":
    main()
