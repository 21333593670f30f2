"""karvo7: the KARVO7 ultrasonic test cards from Python.

    import karvo7
    with karvo7.open(1) as card:
        record = card.shot(karvo7.ParameterSet(ascan=True, faktor=1))
        print(record.samples.max(), record.gates)

The package binds the card library (libKARVO7DLL.so.1) and the data-stream decoder
(libKARVO7Stream.so.1) through ctypes; set KARVO7_LIBRARY_PATH to the folder holding them when
they are not installed.
"""

from __future__ import annotations

from ctypes import c_uint32

from . import _cdefs, _log
from ._library import LibraryNotFoundError
from .card import Card, Identification, Sensors, Status
from .errors import Error, ShotsLostError
from .paramfile import ParameterFile, set_section
from .params import Gate, ParameterSet
from .records import ControlWord, DecodeError, GateResults, GateValue, Layout, Record, decode
from .ops import CHECKS, Verdict
from .shots import Shots
from .stream import Stream

__version__ = "1.0.0"

__all__ = [
    "CHECKS", "Card", "ControlWord", "DecodeError", "Error", "Gate", "GateResults", "GateValue",
    "Identification", "Layout", "LibraryNotFoundError", "ParameterFile", "ParameterSet",
    "Record", "Sensors", "Shots", "ShotsLostError", "Status", "Stream", "Verdict", "decode",
    "open",
    "scan",
    "set_section",
]


def scan() -> int:
    """Number of cards present (numbered 1 to n)."""
    return int(_cdefs.card_library().KARVO7Scan())


def open(number: int, layout: Layout | None = None) -> Card:  # noqa: A001 (the verb)
    """Opens card ``number`` (1-based) exclusively and warms it up (``Card.warm_up``): the
    sets are handed over by each shot and stream. ``layout`` chooses how
    the card delivers its data (default: the record layout on version-3 cards, as the check
    program does, the native layout on others). Raises Error when the card is absent or in
    use."""
    card = _open_card(number)
    try:
        # The card may have been powered down by the last program that closed it, and its
        # converter's offset is adjusted only by the warm-up.
        card.warm_up()
        chosen = layout if layout is not None else (
            Layout.RECORD if card.is_version3 else Layout.NATIVE)
        card.set_layout(chosen)
    except BaseException:
        card.close()
        raise
    return card


def _open_card(number: int) -> Card:
    """The card's handle, its data layout left as the card has it."""
    if isinstance(number, bool) or not isinstance(number, int) or not 1 <= number <= 255:
        raise ValueError(f"cards are numbered 1 to 255, not {number!r}")
    library = _cdefs.card_library()
    _log.route_to_logging()
    handle = library.KARVO7Open(c_uint32(number))
    if not handle:
        raise Error("KARVO7Open", int(library.K7OsGetLastError()), system=True)
    return Card(handle, number)
