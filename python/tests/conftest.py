"""Simulated cards for the tests.

Each test gets cards of its own: a fresh simulator, configured by the test, installed as the
card library's driver (the simulator's module entry point fills the driver table, which the
library then takes). Nothing is kept on disk and the cards' locks live in the test's folder,
so other programs on simulated cards are not disturbed.
"""

from __future__ import annotations

import ctypes
import gc
import itertools
import os
from pathlib import Path
from typing import Callable, Iterator

import sys

import pytest

# The package of this source tree, whatever else is installed.
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

import karvo7  # noqa: E402
from karvo7 import _library  # noqa: E402

_instances = itertools.count()


def _library_folder() -> str:
    folder = os.environ.get("KARVO7_LIBRARY_PATH", "")
    if not folder:
        pytest.fail("KARVO7_LIBRARY_PATH must name the folder with the built libraries")
    return folder


def install_simulator(folder: Path, text: str) -> None:
    """Installs a simulator configured by ``text`` (lines of the [Simulator] section, then any
    further sections)."""
    config = folder / f"sim{next(_instances)}.conf"
    config.write_text(
        "[Simulator]\npersist = no\n"
        f"lock_dir = {folder}\ninstance = python_{os.getpid()}_{config.stem}\n" + text
    )
    sim = ctypes.CDLL(os.path.join(_library_folder(), "libKARVO7Sim.so.1"))
    table = (ctypes.c_uint8 * 256)()  # larger than the driver table
    if sim.K7DrvEntry(str(config).encode(), table) == 0:
        raise RuntimeError(f"the simulator refused {config}")
    card_library = _library.load(_library.CARD_LIBRARY)
    gc.collect()  # cards a failed test left behind close now
    if card_library.K7DrvInstall(table) == 0:
        raise RuntimeError("a card is still open: the simulator cannot be replaced")


@pytest.fixture
def simulator(tmp_path: Path) -> Callable[[str], None]:
    """Installs simulated cards as the test describes them."""
    return lambda text: install_simulator(tmp_path, text)


@pytest.fixture
def two_cards(simulator: Callable[[str], None]) -> None:
    simulator("cards = 2\n")


@pytest.fixture
def card(two_cards: None) -> Iterator[karvo7.Card]:
    with karvo7.open_card(1) as opened:
        yield opened
