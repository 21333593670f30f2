"""The exception every failure of the card library turns into."""

from __future__ import annotations

from typing import Optional

# The library's own codes (KARVO7DLL.h).
_LIBRARY_CODES = {
    0x90010000: "request buffer not available",
    0x90020000: "configuration record entry of an unknown type",
    0x90030000: "Start above 11",
    0x90040000: "Sendeimpulsbreite above 5",
    0x90050000: "Average above 7",
    0x90060000: "IFF above 0x3FFFFF",
    0x90070000: "Ausblenden above 15",
    0x90080000: "Triggerausgangsmode above 7",
    0x90090000: "Aufnahmelaenge 0",
    0x900A0000: "Aufnahmedelay above 0xFFFFF",
    0x900B0000: "A-scan on and Faktor 0",
    0x900C0000: "A-scan on and Gleichrichtung above 3",
    0x900D0000: "Samplerate above 7",
    0x900E0000: "Sendeenergie above 7",
    0x900F0000: "Senderdaempfung above 3",
    0x90100000: "Eingangsdaempfung above 3",
    0x90110000: "Filter above 7",
    0x90120000: "Triggereingangsmode above 3",
    0x90130000: "depth-compensation spacing too small",
    0x90140000: "command with more than 8 data words",
    0x90300000: "no such test or check, or a missing argument",
    0x90310000: "the file cannot be read, is refused, or was not written",
    0x90320000: "the card operation failed",
    0x80020000: "single-start mode: already started",
    0x80030000: "single-start mode: stopped",
}

# Error numbers of the device layer (KARVO7Os.h), reported where the driver gives no word.
_SYSTEM_ERRORS = {
    2: "no such card",
    5: "access denied",
    6: "invalid card handle",
    8: "not enough memory",
    24: "request with a wrong buffer size",
    31: "the device failed the request",
    32: "card already in use",
    50: "request not supported",
    87: "invalid or missing argument",
    121: "data time-out of the driver",
    995: "transfer cancelled",
    996: "transfer still running",
    997: "transfer pending",
}


def meaning(word: int, system: bool = False) -> str:
    """What an error word means: a library code, a device-layer error number (``system``, or
    a small number from the readiness queries) or an opaque word of the driver."""
    if word in _LIBRARY_CODES:
        return _LIBRARY_CODES[word]
    if (system or word < 0x10000) and word in _SYSTEM_ERRORS:
        return _SYSTEM_ERRORS[word]
    if word == 0:
        return "invalid handle or missing argument"
    return "error word of the driver"


class Error(Exception):
    """A card library call failed.

    ``function`` names the library function, ``word`` is the error word it reported (the
    driver's word, a library code or a device-layer error number) and ``meaning`` says what
    the word means.
    """

    def __init__(self, function: str, word: int, text: Optional[str] = None,
                 system: bool = False) -> None:
        self.function = function
        self.word = word
        self.meaning = text if text is not None else meaning(word, system)
        super().__init__(f"{function} failed: error 0x{word:X} ({self.meaning})")


class ShotsLostError(Error):
    """A stream lost shots: the card's FIFO ran over, or the program left the stream's buffer
    full. ``lost`` is the number of shots lost so far."""

    def __init__(self, lost: int) -> None:
        self.lost = lost
        super().__init__("K7AcqRead", 0, f"{lost} shots lost: the card's FIFO ran over or "
                                         "the stream's buffer was full")
        # No error word stands behind a loss: the message names only the count and its causes.
        Exception.__init__(self, self.meaning)
