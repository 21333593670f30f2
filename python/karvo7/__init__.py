"""karvo7: the KARVO7 ultrasonic test cards from Python.

    import karvo7
    with karvo7.open_card(1) as card:
        record = card.shot(karvo7.ParameterSet(ascan=True, factor=1))
        print(record.samples.max(), record.gates)

The package binds the card library (libKARVO7DLL.so.1) and the data-stream decoder
(libKARVO7Stream.so.1) through ctypes; set KARVO7_LIBRARY_PATH to the folder holding them when
they are not installed. Everything the package raises derives from ``karvo7.Error``.

``karvo7.open`` is ``open_card`` under its earlier name; ``from karvo7 import *`` leaves it out,
so that it never hides the built-in ``open``.
"""

from __future__ import annotations

from ctypes import c_uint32
from typing import Any, List, Optional

from . import _cdefs, _log
from ._library import LibraryNotFoundError
from ._version import __version__
from .card import Card, Identification, Sensors, Status
from .errors import (CardClosed, CardInUse, DataTimeout, Error, ErrorNumber, ErrorWord,
                     FifoOverflow, NoSuchCard, NoSuchField, RefusedValue, ShotsLostError,
                     WrongType)
from .errors import check_index as _check_index
from .errors import failure as _failure
from .paramfile import ParameterFile, set_section
from .params import Gate, ParameterSet
from .records import ControlWord, DecodeError, GateResults, GateValue, Layout, Record, decode
from .ops import Verdict
from .ops import check_words as _check_words
from .shots import Shots
from .stream import Stream

__all__ = [
    "CHECKS", "Card", "CardClosed", "CardInUse", "ControlWord", "DataTimeout", "DecodeError",
    "Error", "ErrorNumber", "ErrorWord", "FifoOverflow", "Gate", "GateResults", "GateValue",
    "Identification", "Layout", "LibraryNotFoundError", "NoSuchCard", "NoSuchField",
    "ParameterFile", "ParameterSet", "Record", "RefusedValue", "Sensors", "Shots",
    "ShotsLostError", "Status", "Stream", "Verdict", "WrongType", "decode", "open_card", "scan",
    "set_section",
]


def scan() -> int:
    """Number of cards present (numbered 1 to n).

    Raises:
        LibraryNotFoundError: the card library cannot be loaded.
    """
    return int(_cdefs.card_library().KARVO7Scan())


def open_card(number: int, layout: Optional[Layout] = None, warm_up: bool = True) -> Card:
    """Opens a card exclusively and, unless told otherwise, warms it up (``Card.warm_up``): the
    sets are handed over by each shot and stream.

    Args:
        number: the card's number, 1 to ``scan()``.
        layout: how the card delivers its data; by default the record layout on version-3
            cards, as the check program does, the native layout on others.
        warm_up: False opens the card as it is: no warm-up and no layout chosen (nothing is
            sent to the card); ``Card.layout`` is then the native layout.

    Returns:
        The open card; a context manager that closes it.

    Raises:
        WrongType: ``number`` is no integer.
        RefusedValue: ``number`` lies outside 1..255.
        NoSuchCard: no card of that number is present.
        CardInUse: the card is open already, here or in another program.
        Error: opening or warming up failed otherwise.
    """
    card = _handle_of(number)
    if not warm_up:
        if layout is not None:
            card.set_layout(layout)
        return card
    try:
        # The card may have been powered down by the last program that closed it, and its
        # converter's offset is adjusted only by the warm-up.
        card.warm_up()
        chosen = layout if layout is not None else (
            Layout.RECORD if card.is_version3 else Layout.NATIVE)
        card.set_layout(chosen)
        card._limits()  # the gain and shot rate a set may ask of the card
    except BaseException:
        card.close()
        raise
    return card


# The name of earlier releases; left out of ``import *``.
open = open_card  # noqa: A001


def _handle_of(number: int) -> Card:
    """The card's handle, its data layout left as the card has it."""
    number = _check_index("card number", number)
    if not 1 <= number <= 255:
        raise RefusedValue(f"cards are numbered 1 to 255, not {number!r}")
    library = _cdefs.card_library()
    _log.route_to_logging()
    handle = library.KARVO7Open(c_uint32(number))
    if not handle:
        raise _failure("KARVO7Open", int(library.K7OsGetLastError()), system=True)
    return Card(handle, number)


def __getattr__(name: str) -> Any:
    # The station checks' names come from the card operations, asked when first used, so the
    # package imports where the libraries are not installed.
    if name == "CHECKS":
        return _check_words()
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def __dir__() -> List[str]:
    return sorted(set(globals()) | {"CHECKS"})
