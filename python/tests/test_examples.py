"""The examples run as a user runs them: on two simulated cards, with Debian's interpreter."""

from __future__ import annotations

import csv
import os
import subprocess
import sys
from pathlib import Path

import pytest

EXAMPLES = Path(__file__).resolve().parents[1] / "examples"


@pytest.fixture
def output(tmp_path: Path) -> Path:
    """Where the examples write: the build's folder under ctest (so the picture stays to be
    looked at), else the test's own."""
    folder = Path(os.environ.get("K7_EXAMPLE_OUTPUT", tmp_path))
    folder.mkdir(parents=True, exist_ok=True)
    return folder


def run(example: str, *arguments: str, cwd: Path) -> subprocess.CompletedProcess:
    environment = dict(os.environ)
    environment["KARVO7_SIM"] = str(cwd / "examples-sim.conf")
    environment["PYTHONPATH"] = os.pathsep.join(
        [str(EXAMPLES.parent)] + [p for p in environment.get("PYTHONPATH", "").split(os.pathsep)
                                  if p])
    environment["MPLBACKEND"] = "Agg"
    # The examples stream in real time on a machine shared with other tests (under the
    # sanitizers too): a FIFO that holds a whole run keeps a reader the machine holds up for
    # longer than the default FIFO's 40 ms at 2 kHz from losing shots. These runs check what
    # the examples write; whether a reader keeps up is the benchmarks' question.
    (cwd / "examples-sim.conf").write_text(
        f"[Simulator]\ncards = 2\npersist = no\nlock_dir = {cwd}\ninstance = python_examples\n"
        "fifo_bytes = 67108864\nresults_bytes = 16777216\n")
    return subprocess.run([sys.executable, str(EXAMPLES / example), *arguments], cwd=cwd,
                          env=environment, capture_output=True, text=True, timeout=120)


def test_the_plot_example_writes_an_ascan_picture(output):
    pytest.importorskip("matplotlib")
    picture = output / "ascan.png"
    if picture.exists():
        picture.unlink()
    done = run("plot_shot.py", str(picture), cwd=output)
    assert done.returncode == 0, done.stderr
    assert "1600 samples, gates 5" in done.stdout
    data = picture.read_bytes()
    assert data.startswith(b"\x89PNG\r\n\x1a\n")
    width, height = int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
    assert (width, height) == (1000, 550)


def test_the_stream_example_writes_one_csv_row_per_shot(output):
    table = output / "backwall.csv"
    done = run("backwall_csv.py", str(table), "10000", cwd=output)
    assert done.returncode == 0, done.stderr
    with table.open() as f:
        rows = list(csv.DictReader(f))
    assert len(rows) == 10000
    assert [int(r["shot"]) for r in rows[:3]] == [1, 2, 3]
    # The simulated plate is 22 mm of steel.
    assert all(abs(float(r["thickness_mm"]) - 22.0) < 0.5 for r in rows)
    assert all(0 < float(r["amplitude_percent"]) <= 100 for r in rows)


def test_the_gate_check_example_passes_on_a_sound_plate(output):
    done = run("gate_check.py", "500", cwd=output)
    assert done.returncode == 0, done.stdout + done.stderr
    assert "500 shots checked, 0 gate values outside their limits" in done.stdout


def test_the_smoke_command_lists_the_cards(output):
    done = subprocess.run(
        [sys.executable, "-m", "karvo7", "list"], cwd=output, capture_output=True, text=True,
        timeout=60, env={**os.environ, "KARVO7_SIM": "2", "KARVO7_SIM_STATE": "off",
                         "PYTHONPATH": str(EXAMPLES.parent)})
    assert done.returncode == 0, done.stderr
    assert "2 card(s)" in done.stdout
    assert "card 2: bus 1 slot 13, KARVO7F" in done.stdout


def test_the_smoke_command_names_a_missing_library(tmp_path):
    import ctypes.util

    if ctypes.util.find_library("KARVO7DLL"):
        pytest.skip("the card library is installed on this machine")
    done = subprocess.run(
        [sys.executable, "-m", "karvo7", "list"], cwd=tmp_path, capture_output=True, text=True,
        timeout=60, env={**os.environ, "KARVO7_LIBRARY_PATH": str(tmp_path),
                         "PYTHONPATH": str(EXAMPLES.parent)})
    assert done.returncode == 2
    assert "cannot load libKARVO7DLL.so.1" in done.stderr
    assert "KARVO7_LIBRARY_PATH" in done.stderr
