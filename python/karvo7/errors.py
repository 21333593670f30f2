"""The package's exceptions: one family under ``Error``, with a class for each failure callers
handle differently, and the card library's error words with the meanings the card operations'
library gives them.

    Error                  every failure the package reports
    ├── NoSuchCard         no card of that number
    ├── CardInUse          the card is open in another program (or another handle)
    ├── FifoOverflow       a stream lost shots (``lost``); also named ShotsLostError
    ├── DataTimeout        the card delivered no data within the data time-out
    ├── RefusedValue       a value or request refused before it reached the card, or a library
    │                      code for a value the card cannot take; also a ValueError
    │   └── CardClosed     the card is closed, or was closed while a stream ran on it
    ├── WrongType          an argument of the wrong type; also a TypeError
    ├── NoSuchField        a field a parameter set or a gate does not have; also an
    │                      AttributeError
    ├── DecodeError        data the decoder cannot take apart; also a ValueError
    └── LibraryNotFoundError  a shared library that cannot be loaded; also an OSError
"""

from __future__ import annotations

import ctypes
import enum
import operator
from typing import Dict, Optional, Type


class ErrorWord(enum.IntEnum):
    """The card library's own error words (KARVO7DLL.h, and KARVO7Ops.h for the card
    operations); ``meaning`` says what each one means."""

    NO_MEMORY = 0x90010000
    KONFIG_TYPE = 0x90020000
    START = 0x90030000
    IMPULSBREITE = 0x90040000
    AVERAGE = 0x90050000
    IFF = 0x90060000
    AUSBLENDEN = 0x90070000
    TRIGGERAUSGANG = 0x90080000
    AUFNAHMELAENGE = 0x90090000
    AUFNAHMEDELAY = 0x900A0000
    FAKTOR = 0x900B0000
    GLEICHRICHTUNG = 0x900C0000
    SAMPLERATE = 0x900D0000
    SENDEENERGIE = 0x900E0000
    SENDERDAEMPFUNG = 0x900F0000
    EINGANGSDAEMPFUNG = 0x90100000
    FILTER = 0x90110000
    TRIGGEREINGANG = 0x90120000
    TA_ABSTAND = 0x90130000
    COMMAND_COUNT = 0x90140000
    ALREADY_STARTED = 0x80020000
    STOPPED = 0x80030000
    OPS_ARGUMENT = 0x90300000
    OPS_FILE = 0x90310000
    OPS_FAILED = 0x90320000
    OPS_BUFFER = 0x90330000
    OPS_SHOT_SIZE = 0x90340000
    OPS_TIMEOUT = 0x90350000
    OPS_PROTECTED = 0x90360000

    @property
    def meaning(self) -> str:
        return meaning(self)


# The library's codes for a value of a set the card cannot take.
_REFUSALS = frozenset(range(ErrorWord.START, ErrorWord.TA_ABSTAND + 1, 0x10000))


class ErrorNumber(enum.IntEnum):
    """Error numbers of the device layer (KARVO7Os.h, the Windows values): what opening a card
    reports, and the readiness queries where the driver gives no word."""

    FILE_NOT_FOUND = 2
    ACCESS_DENIED = 5
    INVALID_HANDLE = 6
    NOT_ENOUGH_MEMORY = 8
    BAD_LENGTH = 24
    GEN_FAILURE = 31
    SHARING_VIOLATION = 32
    NOT_SUPPORTED = 50
    INVALID_PARAMETER = 87
    SEM_TIMEOUT = 121
    OPERATION_ABORTED = 995
    IO_INCOMPLETE = 996
    IO_PENDING = 997

    @property
    def meaning(self) -> str:
        return meaning(self, system=True)


LANGUAGE_ENGLISH = 0
LANGUAGE_GERMAN = 1


def meaning(word: int, system: bool = False, language: int = LANGUAGE_ENGLISH) -> str:
    """What an error word means, as the card operations' library tells it (K7OpsErrorText).

    Args:
        word: a library code, a device-layer error number or an opaque word of the driver.
        system: the word is a device-layer error number. The numbers lie below every word of
            the libraries and the driver, so the word alone says which it is.
        language: LANGUAGE_ENGLISH, or LANGUAGE_GERMAN for the check program's texts.

    Returns:
        The meaning, "error word of the driver" for a word only the driver knows.
    """
    del system  # the word says it: see above
    from . import _cdefs  # the library module imports this one

    try:
        library = _cdefs.ops_library()
    except Error:
        # Without the operations' library there is no table to consult; the word still names
        # the fault.
        return "meaning unknown: the card operations' library is not loaded"
    text = ctypes.create_string_buffer(_TEXT_BYTES)
    library.K7OpsErrorText(int(word) & 0xFFFFFFFF, language, text, _TEXT_BYTES)
    return text.value.decode("utf-8", "replace")


# K7OPS_TEXT_BYTES: room for the longest meaning.
_TEXT_BYTES = 256


class Error(Exception):
    """A failure the package reports: a card library call failed, or the package refused a call.

    ``function`` names the library function (empty where none was called), ``word`` is the
    error word it reported (the driver's word, a library code or a device-layer error number;
    0 where there is none) and ``meaning`` says what went wrong.
    """

    function: str = ""
    word: int = 0
    meaning: str = ""

    def __init__(self, function: str, word: int, text: Optional[str] = None,
                 system: bool = False) -> None:
        self.function = function
        self.word = word
        self.meaning = text if text is not None else meaning(word, system)
        super().__init__(f"{function} failed: error 0x{word:X} ({self.meaning})")


class NoSuchCard(Error):
    """No card of that number is present."""


class CardInUse(Error):
    """The card is open already, in this program or another one."""


class DataTimeout(Error):
    """The card delivered no data within the data time-out (``Card.set_data_timeout``)."""


class RefusedValue(Error, ValueError):
    """A value or request refused: by the package before anything reached the card (a value
    out of range, a closed card, a card busy streaming), or by the library with one of its
    codes for a value the card cannot take."""

    def __init__(self, text: str, function: str = "", word: int = 0) -> None:
        self.function = function
        self.word = word
        self.meaning = text
        Exception.__init__(self, text if not function else
                           f"{function} failed: error 0x{word:X} ({text})")


class CardClosed(RefusedValue):
    """The card is closed: a call on a closed card, or a stream whose card was closed (by
    another thread) while it ran; the stream has ended."""


class WrongType(Error, TypeError):
    """An argument of a type the package does not take (a float where a count belongs, a
    string where a number does)."""

    def __init__(self, text: str) -> None:
        self.meaning = text
        Exception.__init__(self, text)


class NoSuchField(Error, AttributeError):
    """A field that a parameter set or a gate does not have (a misspelt name): it is refused
    rather than added, so that the value meant for a field never goes unnoticed."""

    def __init__(self, text: str) -> None:
        self.meaning = text
        Exception.__init__(self, text)


class FifoOverflow(Error):
    """A stream lost shots: the card's FIFO ran over, or the program left the stream's buffer
    full. ``lost`` is the number of shots lost so far."""

    def __init__(self, lost: int) -> None:
        self.lost = lost
        self.function = "K7AcqRead"
        self.meaning = (f"{lost} shots lost: the card's FIFO ran over or the stream's buffer "
                        "was full")
        # No error word stands behind a loss: the message names only the count and its causes.
        Exception.__init__(self, self.meaning)


# The name of earlier releases.
ShotsLostError = FifoOverflow


def failure(function: str, word: int, text: Optional[str] = None,
            system: bool = False) -> Error:
    """The exception for a failed library call: the class the word stands for.

    Args:
        function: the library function that failed.
        word: the error word it reported.
        text: what went wrong, where the call says more than the word.
        system: the word is a device-layer error number.
    """
    cls: Type[Error] = Error
    if system or word < 0x10000:
        cls = _NUMBER_CLASSES.get(word, Error)
    if word == ErrorWord.OPS_TIMEOUT:
        cls = DataTimeout
    if word in _REFUSALS:
        return RefusedValue(text if text is not None else meaning(word), function, word)
    return cls(function, word, text, system)


_NUMBER_CLASSES: Dict[int, Type[Error]] = {
    ErrorNumber.FILE_NOT_FOUND: NoSuchCard,
    ErrorNumber.SHARING_VIOLATION: CardInUse,
    ErrorNumber.SEM_TIMEOUT: DataTimeout,
}


def check_index(name: str, value: object) -> int:
    """``value`` as an integer: Python and NumPy integers are taken, booleans and anything else
    are not.

    Raises:
        WrongType: ``value`` is no integer.
    """
    if isinstance(value, bool):
        raise WrongType(f"{name} must be an integer, not {value!r}")
    try:
        return operator.index(value)  # type: ignore[arg-type]
    except TypeError:
        raise WrongType(f"{name} must be an integer, not {value!r}") from None


def check_range(name: str, value: object, low: int, high: int) -> int:
    """``value`` as an integer within ``low``..``high``.

    Raises:
        WrongType: ``value`` is no integer.
        RefusedValue: ``value`` lies outside the range.
    """
    number = check_index(name, value)
    if not low <= number <= high:
        raise RefusedValue(f"{name} = {number} is outside {low}..{high}")
    return number
