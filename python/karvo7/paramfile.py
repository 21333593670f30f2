"""The check program's parameter file: an INI profile read and written by the card operations'
library, by the rules the check program reads and writes it with (Windows profile semantics),
with parameter sets in sections "Karte<c>-Satz<s>".

Names compare case-insensitively (ASCII letters), the first matching section and key win, a
line starting with ';' is a comment, quotes around a value are dropped on reading, an integer
is an optional sign and its leading digits. A line ends with a line feed only, blanks are
spaces, tabs, carriage returns, vertical tabs and form feeds, and a UTF-8 byte order mark
before the first line is no part of it. A write changes only the lines it concerns and keeps
every other byte; ``save`` replaces the file whole or not at all. The file's bytes are text as
Latin-1 reads them (one character a byte), so that any file is kept byte for byte.
"""

from __future__ import annotations

import ctypes
import os
import re
import weakref
from typing import Any, Dict, List, Optional, Sequence, Tuple, Union

from . import _cdefs
from .errors import ErrorWord, RefusedValue, WrongType, check_index, failure
from .params import GATES, ParameterSet

PathLike = Union[str, "os.PathLike[str]"]

# (attribute, key, kind): kind "int" is held with the given width in bits (negative: signed),
# "bool" as yes/no, "threshold" as 16 x the file value in 16 bits.
_Field = Tuple[str, str, str, int]
_SET_FIELDS: List[_Field] = [
    ("pulse_rate", "IFF", "int", 32),
    ("bit8", "8Bit", "bool", 0),
    ("average", "Average", "int", 8),
    ("sample_rate", "Samplerate", "int", 8),
    ("start", "Start", "int", 8),
    ("probe_lead", "PK-Vorlauf", "int", 16),
    ("record_length", "Aufnahmelaenge", "int", 16),
    ("record_delay", "Aufnahmedelay", "int", -32),
    ("ascan", "ASCAN", "bool", 0),
    ("factor", "Faktor", "int", 8),
    ("rectification", "Gleichrichtung", "int", 8),
    ("external_trigger", "ExternerTrigger", "bool", 0),
    ("trigger_input_mode", "Triggereingangsmode", "int", 8),
    ("trigger_output_mode", "Triggerausgangsmode", "int", 8),
    ("blanking", "Ausblenden", "int", 8),
    ("depth_delay", "TA-Verzoegerung", "int", 16),
    ("depth_spacing", "TA-Abstand", "int", 16),
    ("transmitter_off", "Sendersperre", "bool", 0),
    ("pulse_width", "Sendeimpulsbreite", "int", 8),
    ("pulse_energy", "Sendeenergie", "int", 8),
    ("se_mode", "SE-Mode", "bool", 0),
    ("transmitter_attenuation", "Senderdaempfung", "int", 8),
    ("input_attenuation", "Eingangsdaempfung", "int", 8),
    ("filter", "Filter", "int", 8),
    ("gain", "Verstaerkung", "int", 16),
    ("esb_time", "ESB-Time", "int", -32),
    ("esb_level", "ESB-Level", "int", 16),
    ("esb_relative", "ESB-relativ", "bool", 0),
    ("esb_always", "ESB-always", "bool", 0),
]
for _g in range(GATES):
    _SET_FIELDS += [
        (f"gates.{_g}.start", f"B{_g}-Anfang", "int", -32),
        (f"gates.{_g}.end", f"B{_g}-Ende", "int", -32),
        (f"gates.{_g}.threshold", f"B{_g}-Schwelle", "threshold", 16),
    ]
_SET_FIELDS += [(f"gates.{_g}.enable", f"B{_g}-enable", "bool", 0) for _g in range(GATES)]
_SET_FIELDS += [
    ("external_clock", "TriggerExtern", "bool", 0),
    ("trigger_delay", "Triggerdelay", "int", -32),
    ("sap_delay", "SAP-Delay", "int", 16),
]


# The random limits pair: the fields "Random Limits" edits, in its rows, with the check
# program's start-up limits (lower, upper); the lower ones in one section, the upper in another.
RANDOM_LOWER = "Random-Minimum"
RANDOM_UPPER = "Random-Maximum"
_RANDOM_LIMITS: List[Tuple[str, int, int]] = [
    ("pulse_rate", 0, 0), ("pulse_width", 0, 5), ("pulse_energy", 0, 0),
    ("transmitter_attenuation", 0, 0), ("input_attenuation", 0, 0), ("gain", 0, 900),
    ("filter", 3, 3), ("sample_rate", 0, 4), ("factor", 0, 25), ("rectification", 0, 3),
    ("average", 0, 7), ("probe_lead", 0, 0), ("record_delay", 0, 100),
    ("record_length", 16, 16000),
] + [(f"gates.{_g}.start", 0, 6000) for _g in range(GATES)] \
  + [(f"gates.{_g}.end", 100, 2000) for _g in range(GATES)]

# Init "TimeOut": the data time-out in seconds sent to every card; the driver's own otherwise.
DEFAULT_TIME_OUT = 10

# A set's depth compensation hands the card at most this many support points.
_TA_ENTRIES = 256


def _accessors(attribute: str, parameters: ParameterSet) -> Tuple[object, str]:
    if attribute.startswith("gates."):
        _, number, name = attribute.split(".")
        return parameters.gates[int(number)], name
    return parameters, attribute


_DIGITS = re.compile(r"[0-9]*")
# The blanks around numbers; str.strip() alone would take more (the Latin-1 no-break space, the
# information separators) than the check program does.
_BLANKS = " \t\r\v\f"


def _profile_int(text: str) -> int:
    """An optional sign and the leading digits, as a signed 32-bit number (0 without digits),
    wrapped as the check program's 32-bit arithmetic wraps it, however many digits there are:
    10**32 is a multiple of 2**32, so only the last 32 digits count."""
    text = text.strip(_BLANKS)
    negative = text[:1] == "-"
    if text[:1] in "+-" and text:
        text = text[1:]
    match = _DIGITS.match(text)
    digits = match.group() if match else ""
    number = int(digits[-32:]) if digits else 0
    if negative:
        number = -number
    number &= 0xFFFFFFFF
    return number - (1 << 32) if number & 0x80000000 else number


def _field_value(kind: str, width: int, text: str) -> object:
    if kind == "threshold":
        return ((_profile_int(text) << 4) & 0xFFFF) >> 4
    number = _profile_int(text)
    if width < 0:
        return number
    return number & ((1 << width) - 1)


def _field_text(kind: str, value: object) -> str:
    if kind == "bool":
        return "yes" if value else "no"
    return str(int(value))  # type: ignore[call-overload]


def _random_fields() -> List[_Field]:
    """The set's fields with random limits, in the rows of "Random Limits"."""
    wanted = [attribute for attribute, _, _ in _RANDOM_LIMITS]
    fields = {f[0]: f for f in _SET_FIELDS}
    return [fields[a] for a in wanted]


def set_section(card: int, number: int) -> str:
    """The section of a set, "Karte<card>-Satz<number>".

    Args:
        card: the card, 1 to 16.
        number: the set, 0 to 7.

    Raises:
        WrongType: a number is no integer.
        RefusedValue: no such card or set.
    """
    if not 1 <= check_index("card", card) <= 16 or not 0 <= check_index("set", number) <= 7:
        raise RefusedValue(f"no parameter set Karte{card}-Satz{number}: cards 1..16, sets 0..7")
    return f"Karte{card}-Satz{number}"


def _parsed_set(data: bytes, section: str) -> Tuple[List[int], Optional[List[int]], bool]:
    """The set ``section`` of the file's bytes as the card operations' library reads it: each
    field's value in the order of ``_SET_FIELDS`` (the library's), the depth compensation the
    set hands the card (None when off) and the "Active" flag."""
    library = _cdefs.ops_library()
    count = library.K7OpsSetFieldCount()
    values = (ctypes.c_int64 * count)()
    table = (ctypes.c_uint16 * _TA_ENTRIES)()
    points, active, error = ctypes.c_uint32(), ctypes.c_int32(), ctypes.c_uint32()
    try:
        name = section.encode("latin-1")
    except UnicodeEncodeError:
        name = b"\0"
    if b"\0" in name:
        data = b""  # a name no line of a file can hold: the section is missing
    if library.K7OpsParseSet(data, len(data), name, values, count, table, ctypes.byref(points),
                             ctypes.byref(active), ctypes.byref(error)) == 0:
        raise failure("K7OpsParseSet", error.value)
    depth = list(table[:points.value]) if points.value else None
    return list(values), depth, bool(active.value)


def _latin1(text: object, what: str) -> bytes:
    """A name or value as the file's bytes (one byte a character)."""
    if not isinstance(text, str):
        raise WrongType(f"a parameter file's {what} is a str, not {type(text).__name__}")
    try:
        return text.encode("latin-1")
    except UnicodeEncodeError:
        raise RefusedValue(f"a parameter file cannot hold the {what} {text!r}: its characters "
                           "are one byte each (Latin-1)") from None


def _name_bytes(text: str) -> Optional[bytes]:
    """A section or key name as the library takes it; None for one no line can hold (a NUL, a
    character beyond Latin-1)."""
    try:
        name = text.encode("latin-1")
    except (UnicodeEncodeError, AttributeError):
        return None
    return None if b"\0" in name else name


# Why the library leaves a file alone, in its German words: the package says it in English.
_PROTECTIONS = {
    "schreibgeschützt": "read-only: not replaced",
    "keine Datei": "not a regular file: not replaced",
    "fremder symbolischer Link": "a symbolic link of another user in a shared folder: not "
                                 "followed",
}


def _message(buffer: Any) -> str:
    return bytes(buffer.value).decode("utf-8", "replace")


class _Profile:
    """The library's profile handle, freed with the object that holds it."""

    def __init__(self, handle: Optional[int], function: str, word: int,
                 message: str = "") -> None:
        if not handle:
            if word == ErrorWord.OPS_FILE:
                raise OSError(message or f"{function} failed")
            raise failure(function, word, message or None)
        self.handle = handle
        self._free = weakref.finalize(self, _cdefs.ops_library().K7OpsProfileFree, handle)

    @classmethod
    def parse(cls, data: bytes) -> "_Profile":
        error = ctypes.c_uint32()
        handle = _cdefs.ops_library().K7OpsProfileParse(data, len(data), ctypes.byref(error))
        return cls(handle, "K7OpsProfileParse", error.value)

    @classmethod
    def load(cls, path: str) -> "_Profile":
        error = ctypes.c_uint32()
        message = ctypes.create_string_buffer(1024 + 4 * len(path))
        handle = _cdefs.ops_library().K7OpsProfileLoad(os.fsencode(path), message, len(message),
                                                       ctypes.byref(error))
        return cls(handle, "K7OpsProfileLoad", error.value, _message(message))


class ParameterFile:
    """A parameter file in memory. ``ParameterFile(path)`` reads it (a missing file reads as
    empty); ``read_set`` / ``write_set`` take a set from a section and put one there.

    Raises (when made from a path):
        OSError: the file exists but cannot be read, or is no regular file.
    """

    def __init__(self, path: Optional[PathLike] = None) -> None:
        self.path = os.fspath(path) if path is not None else None
        self._bytes: Optional[bytes] = None
        if self.path is not None and os.path.isfile(self.path):
            self._profile = _Profile.load(self.path)
        else:
            self._profile = _Profile.parse(b"")

    @classmethod
    def from_bytes(cls, data: bytes) -> "ParameterFile":
        file = cls()
        file._profile = _Profile.parse(bytes(data))
        return file

    def to_bytes(self) -> bytes:
        if self._bytes is None:
            library = _cdefs.ops_library()
            size, error = ctypes.c_uint64(), ctypes.c_uint32()
            library.K7OpsProfileBytes(self._profile.handle, None, 0, ctypes.byref(size),
                                      ctypes.byref(error))
            buffer = ctypes.create_string_buffer(size.value)
            if library.K7OpsProfileBytes(self._profile.handle, buffer, size.value,
                                         ctypes.byref(size), ctypes.byref(error)) == 0:
                raise failure("K7OpsProfileBytes", error.value)
            self._bytes = buffer.raw[:size.value]
        return self._bytes

    # A copy or a pickle holds the file's bytes and path, never the library's handle.
    def __getstate__(self) -> Dict[str, object]:
        return {"path": self.path, "bytes": self.to_bytes()}

    def __setstate__(self, state: Dict[str, Any]) -> None:
        self.path = state["path"]
        self._bytes = None
        self._profile = _Profile.parse(state["bytes"])

    # ---- profile access -----------------------------------------------------------------

    def value(self, section: str, key: str) -> Optional[str]:
        """The value under ``key`` (whitespace and one pair of quotes removed), or None."""
        names = _name_bytes(section), _name_bytes(key)
        if names[0] is None or names[1] is None:
            return None  # a name no line of a file can hold
        library = _cdefs.ops_library()
        length, found, error = ctypes.c_uint64(), ctypes.c_int32(), ctypes.c_uint32()
        buffer = ctypes.create_string_buffer(256)
        while True:
            if library.K7OpsProfileValue(self._profile.handle, names[0], names[1], buffer,
                                         len(buffer), ctypes.byref(length), ctypes.byref(found),
                                         ctypes.byref(error)) == 0:
                raise failure("K7OpsProfileValue", error.value)
            if not found.value:
                return None
            if length.value < len(buffer):
                return buffer.raw[:length.value].decode("latin-1")
            buffer = ctypes.create_string_buffer(length.value + 1)

    def set_value(self, section: str, key: str, value: str) -> None:
        """Puts ``value`` under ``key``, changing only that line (or adding one).

        Raises:
            WrongType: a name or value that is no str.
            RefusedValue: a section, key or value a parameter file cannot hold.
        """
        names = _latin1(section, "section"), _latin1(key, "key")
        text = _latin1(value, "value")
        error = ctypes.c_uint32()
        if b"\0" in names[0] + names[1] or _cdefs.ops_library().K7OpsProfileSetValue(
                self._profile.handle, names[0], names[1], text, len(text),
                ctypes.byref(error)) == 0:
            raise RefusedValue(f"a parameter file cannot hold [{section}] {key}={value}")
        self._bytes = None

    # ---- parameter sets -----------------------------------------------------------------

    def read_set(self, section: str) -> Tuple[ParameterSet, bool]:
        """The set in ``section`` and its "Active" flag, read by the card operations' library as
        the check program reads them: missing or empty keys read as the defaults; the depth
        compensation is the table the set hands the card (its support points, the count field
        holding points - 1), or None when it is off."""
        values, table, active = _parsed_set(self.to_bytes(), section)
        parameters = ParameterSet()
        for (attribute, _, kind, _), value in zip(_SET_FIELDS, values):
            target, name = _accessors(attribute, parameters)
            setattr(target, name, bool(value) if kind == "bool" else int(value))
        parameters.depth_table = table
        return parameters, active

    def _int(self, section: str, key: str, fallback: int) -> int:
        """The key's number; an empty or missing value is none, and the fallback stands."""
        text = self.value(section, key)
        return _profile_int(text) if text is not None and text.strip(_BLANKS) else fallback

    @property
    def time_out(self) -> int:
        """Init "TimeOut": the data time-out in seconds the check program sends every card; a
        value of 0 or less is not taken (it would let a read wait for ever)."""
        seconds = self._int("Init", "TimeOut", DEFAULT_TIME_OUT)
        return seconds if seconds > 0 else DEFAULT_TIME_OUT

    @time_out.setter
    def time_out(self, seconds: int) -> None:
        if not 0 < check_index("data time-out", seconds) < 1 << 31:
            raise RefusedValue(f"a data time-out of {seconds!r} s cannot be kept")
        self.set_value("Init", "TimeOut", str(seconds))

    def random_limits(self) -> Tuple[ParameterSet, ParameterSet]:
        """The lower and upper random limits: the check program's start-up limits, with each
        field the file holds a number for in its section (the fields without random limits
        hold the defaults)."""
        pair = (ParameterSet(), ParameterSet())
        for parameters, position in zip(pair, (1, 2)):
            for entry in _RANDOM_LIMITS:
                setattr(*_accessors(entry[0], parameters), entry[position])
        for parameters, section in zip(pair, (RANDOM_LOWER, RANDOM_UPPER)):
            for attribute, key, kind, width in _random_fields():
                text = self.value(section, key)
                if text is not None and text.strip(_BLANKS):
                    target, name = _accessors(attribute, parameters)
                    setattr(target, name, _field_value(kind, width, text))
        return pair

    def put_random_limits(self, lower: ParameterSet, upper: ParameterSet) -> None:
        for parameters, section in ((lower, RANDOM_LOWER), (upper, RANDOM_UPPER)):
            for attribute, key, kind, _ in _random_fields():
                self.set_value(section, key,
                               _field_text(kind, getattr(*_accessors(attribute, parameters))))

    def write_set(self, section: str, parameters: ParameterSet, active: bool = False) -> None:
        """Writes every key of the set, and "Active", into ``section``, as the check program
        writes a set (by the card operations' library). The depth compensation: a set with a
        table turns it on with the table's points; a set without turns it off (a section without
        its keys has it off already and stays without them) and keeps the file's count, table
        and file name for when it is turned on again.

        Raises:
            RefusedValue: a section a parameter file cannot hold, or a table not of 1 to 256
                points of 0 to 65535.
        """
        name = _latin1(section, "section")
        values = [int(getattr(*_accessors(attribute, parameters)))
                  for attribute, _, _, _ in _SET_FIELDS]
        table = parameters.depth_table
        if table is not None:
            if not 1 <= len(table) <= _TA_ENTRIES or \
                    any(not 0 <= int(v) <= 0xFFFF for v in table):
                raise RefusedValue(f"the depth compensation of [{section}] holds 1 to "
                                   f"{_TA_ENTRIES} support points of 0 to 65535")
        # The file's 32-bit numbers: only the low bits of a larger one are written.
        row = (ctypes.c_int64 * len(values))(*[v & 0xFFFFFFFF for v in values])
        points = (ctypes.c_uint16 * _TA_ENTRIES)(*[int(v) for v in table or []])
        error = ctypes.c_uint32()
        if b"\0" in name or _cdefs.ops_library().K7OpsProfileWriteSet(
                self._profile.handle, name, row, len(values), points,
                len(table) if table is not None else 0, 1 if active else 0,
                ctypes.byref(error)) == 0:
            raise RefusedValue(f"a parameter file cannot hold the set [{section}]")
        self._bytes = None

    def card_set(self, card: int, number: int) -> Tuple[ParameterSet, bool]:
        """Set ``number`` of card ``card`` and its "Active" flag.

        Raises:
            WrongType: a number is no integer.
            RefusedValue: no such card or set.
        """
        return self.read_set(set_section(card, number))

    def put_card_set(self, card: int, number: int, parameters: ParameterSet,
                     active: bool = False) -> None:
        self.write_set(set_section(card, number), parameters, active)

    def save(self, path: Optional[PathLike] = None) -> None:
        """Writes the file whole or not at all, as the check program writes its files: a
        temporary file beside it, synced to the disk, then renamed over it; a link is followed
        to its file (but not a link of another user in a shared folder), a read-only file or
        anything but a regular file is not replaced, and temporaries a killed writer left are
        removed.

        Args:
            path: where to write it; by default where it was read from.

        Raises:
            RefusedValue: no path to write to.
            PermissionError: a read-only file, or a link of another user in a shared folder.
            OSError: the file could not be written (the old one is left as it was).
        """
        target = os.fspath(path) if path is not None else self.path
        if not target:
            raise RefusedValue("no path to save the parameter file to")
        name = os.fsencode(target)
        if b"\0" in name:
            raise RefusedValue(f"no file can be named {target!r}")
        error = ctypes.c_uint32()
        message = ctypes.create_string_buffer(1024 + 4 * len(name))
        if _cdefs.ops_library().K7OpsProfileSave(self._profile.handle, name, message,
                                                 len(message), ctypes.byref(error)) == 0:
            text = _message(message)
            if error.value == ErrorWord.OPS_PROTECTED:
                file, _, why = text.rpartition(": ")
                raise PermissionError(f"{file}: {_PROTECTIONS.get(why, why)}")
            if error.value == ErrorWord.OPS_FILE:
                raise OSError(text)
            raise failure("K7OpsProfileSave", error.value, text or None)
        self.path = os.fspath(path) if path is not None else self.path
