#!/usr/bin/python3
"""Shots per second of ``Card.stream`` with gate results at the card's highest shot rate,
against the command-line tool's ``karvo7 stream`` into /dev/null, and for each the shots read
against the shots the card took. Run by hand (not by ctest) with the build's libraries:

    KARVO7_LIBRARY_PATH=build/bin PYTHONPATH=python /usr/bin/python3 bench/python_stream_bench.py

The tool is looked for as --tool, beside the libraries, then on the PATH. Without it the
native side is a bare read loop over the card library driven through ctypes (one read per
shot into one buffer, nothing decoded), and the output says so.

Prints ``shots read / shots taken: X`` for each side (goal 1.000000), the processor time the
interpreter's thread spends on a shot, and ``ratio python/karvo7-stream: X`` (goal: 0.95 or
more). ``--arrays`` takes the stream's shots as arrays instead of records. ``--busy`` runs one
competing busy process (a separate process at ordinary priority) beside the measurements. On a
loaded machine the numbers vary from run to run: run it a few times.
"""

from __future__ import annotations

import argparse
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from ctypes import byref, c_uint32
from typing import Tuple

import karvo7

SAMPLES = 1600


def bench_set() -> karvo7.ParameterSet:
    # IFF 0: the card shoots as fast as it can.
    return karvo7.ParameterSet(ascan=True, factor=1, rectification=3, record_length=SAMPLES)


def python_stream(count: int, arrays: bool) -> Tuple[float, int, int, int, float]:
    """Shots a second read through Card.stream with gate results, as records or as arrays,
    the shots read, the shots lost, the overflow events and the interpreter thread's processor
    time a shot in microseconds (the engine's reading thread not counted)."""
    with karvo7.open_card(1) as card:
        begin = time.perf_counter()
        shots = 0
        stream = card.stream({1: bench_set()}, count=count, results=True, lost_shots="count")
        processor = time.thread_time()  # from the first shot on: the start is no shot's
        while arrays:
            batch = stream.next_arrays()
            if batch is None:
                break
            shots += len(batch.samples)
        while not arrays:
            records = stream.next_records()
            if not records:
                break
            shots += sum(not r.is_gates for r in records)
        elapsed = time.perf_counter() - begin
        per_shot = (time.thread_time() - processor) / count * 1e6
        overflows = stream.overflows
    assert shots == count, shots
    return count / elapsed, shots, stream.lost, overflows, per_shot


def ctypes_read_loop(count: int) -> Tuple[float, int]:
    """The same run read by a bare loop of library calls: no decoding, no objects."""
    with karvo7.open_card(1) as card:
        library = card._library
        handle = card._h()
        card.stream({1: bench_set()}, count=0, results=False)  # prepares the set
        card.clear_fifo()
        card._call("KARVO7StartParam", 1)
        buffer = (ctypes.c_uint8 * 131072)()
        length, error = c_uint32(0), c_uint32(0)
        shots = overflows = 0
        begin = time.perf_counter()
        while shots < count:
            length.value = len(buffer)
            if library.KARVO7GetData(handle, byref(length), buffer, byref(error)) != 0:
                shots += 1
            elif card.fifo_overflowed():
                overflows += 1
                card.clear_fifo()
            else:
                raise karvo7.Error("KARVO7GetData", error.value)
        elapsed = time.perf_counter() - begin
        card._call("KARVO7Stop")
        card.clear_fifo()
    return count / elapsed, overflows


def tool_stream(tool: str, count: int) -> Tuple[float, str]:
    """Shots a second of ``karvo7 stream`` into /dev/null, as its closing line reports them
    (it exits 1 when shots were lost, and says so there), and its shots read / shots taken."""
    done = subprocess.run(
        [tool, "stream", "1", "--set", "1", "--count", str(count), "--samples", str(SAMPLES),
         "-o", "/dev/null"],
        capture_output=True, text=True, timeout=600)
    rate = re.search(r"\(([0-9.]+) shots/s", done.stderr)
    counts = re.search(r"([0-9]+) shots read, ([0-9]+) shots lost, ([0-9]+) overflow events",
                       done.stderr)
    if rate is None or counts is None:
        raise RuntimeError(f"{tool} stream failed: {done.stderr.strip()}")
    read, lost, events = (int(n) for n in counts.groups())
    return float(rate.group(1)), (f"{read} shots read, {lost} shots lost, {events} overflow "
                                  f"events; shots read / shots taken: {read / (read + lost):.6f}")


def find_tool(given: str | None) -> str | None:
    if given:
        return given
    folder = os.environ.get("KARVO7_LIBRARY_PATH", "")
    beside = os.path.join(folder, "karvo7") if folder else ""
    if beside and os.access(beside, os.X_OK):
        return beside
    return shutil.which("karvo7")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=20000, help="shots a run reads")
    parser.add_argument("--runs", type=int, default=3, help="runs of each side (best counts)")
    parser.add_argument("--tool", help="the karvo7 command-line tool")
    parser.add_argument("--busy", action="store_true",
                        help="one competing busy process beside the measurements")
    parser.add_argument("--arrays", action="store_true",
                        help="Card.stream taken as arrays (next_arrays), not as records")
    arguments = parser.parse_args()
    busy = subprocess.Popen([sys.executable, "-c", "while True: pass"]) if arguments.busy \
        else None
    try:
        return measure(arguments)
    finally:
        if busy is not None:
            busy.kill()
            busy.wait()


def measure(arguments: argparse.Namespace) -> int:
    with tempfile.TemporaryDirectory() as folder:
        if "KARVO7_SIM" not in os.environ:
            config = os.path.join(folder, "bench.conf")
            with open(config, "w") as f:
                f.write(f"[Simulator]\ncards = 1\npersist = no\nlock_dir = {folder}\n"
                        "instance = python_bench\n")
            os.environ["KARVO7_SIM"] = config
        tool = find_tool(arguments.tool)
        if tool:
            native_name = f"{tool} stream -o /dev/null"
            runs = [tool_stream(tool, arguments.count) for _ in range(arguments.runs)]
            native = max(r[0] for r in runs)
            native_losses = "; ".join(r[1] for r in runs)
        else:
            native_name = "a bare read loop through ctypes (karvo7 tool not found)"
            runs = [ctypes_read_loop(arguments.count) for _ in range(arguments.runs)]
            native = max(r[0] for r in runs)
            native_losses = f"{sum(r[1] for r in runs)} FIFO overflows"
        pythons = [python_stream(arguments.count, arguments.arrays)
                   for _ in range(arguments.runs)]
        python = max(p[0] for p in pythons)
    read = sum(p[1] for p in pythons)
    lost = sum(p[2] for p in pythons)
    events = sum(p[3] for p in pythons)
    print(f"{SAMPLES} samples a shot at the card's highest rate, {arguments.count} shots a run, "
          f"best of {arguments.runs}{', one busy process beside it' if arguments.busy else ''}")
    taken = "as arrays" if arguments.arrays else "as records"
    print(f"Card.stream with gate results {taken}: {python:.0f} shots/s ({read} shots read, "
          f"{lost} shots lost, {events} overflow events; shots read / shots taken: "
          f"{read / (read + lost):.6f})")
    print(f"Card.stream processor time a shot (interpreter thread): "
          f"{min(p[4] for p in pythons):.1f} us")
    print(f"native ({native_name}): {native:.0f} shots/s ({native_losses})")
    print(f"ratio python/karvo7-stream: {python / native:.2f} (goal >= 0.95)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
