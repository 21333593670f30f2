"""The check program's parameter file: an INI profile read and written as the check program
does (Windows profile semantics), with parameter sets in sections "Karte<c>-Satz<s>".

Names compare case-insensitively (ASCII letters), the first matching section and key win, a
line starting with ';' is a comment, quotes around a value are dropped on reading, an integer
is an optional sign and its leading digits. A line ends with a line feed only (a carriage
return before it, or anywhere else, is a blank as a space is, so a file of carriage returns
alone is one line), blanks are spaces, tabs, carriage returns, vertical tabs and form feeds,
and a UTF-8 byte order mark before the first line is no part of it: the file reads as the
check program and karvo7 read it. A write changes only the lines it concerns and keeps every other
byte; ``save`` replaces the file whole (temporary file, then rename).
"""

from __future__ import annotations

import ctypes
import os
import re
import secrets
import stat
from typing import Dict, List, Optional, Sequence, Tuple, Union

from . import _cdefs
from .errors import RefusedValue, check_index, failure
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

# A set's depth compensation: on or off, the support-point count field (points - 1) and the
# table (gains in 0.1 dB, blank-separated); "TA-Datei", the .ta file it came from, is kept.
_TA_ENABLE = "TA-Enable"
_TA_COUNT = "TA-Stuetzstellen"
_TA_TABLE = "TA-Tabelle"
_TA_ENTRIES = 256


def _accessors(attribute: str, parameters: ParameterSet) -> Tuple[object, str]:
    if attribute.startswith("gates."):
        _, number, name = attribute.split(".")
        return parameters.gates[int(number)], name
    return parameters, attribute


_DIGITS = re.compile(r"[0-9]*")
# The blanks around names and values; str.strip() alone would take more (the Latin-1 no-break
# space, the information separators) than the check program does.
_BLANKS = " \t\r\v\f"
_BOM = "\xef\xbb\xbf"  # UTF-8's byte order mark, as Latin-1 characters
_ASCII_LOWER = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")


def _name(text: str) -> str:
    """A section or key name as names compare: without its blanks, ASCII letters lower-case."""
    return text.strip(_BLANKS).translate(_ASCII_LOWER)


def _lines_of(text: str) -> List[str]:
    """The lines with their line feeds; the last one without, where the file ends without."""
    lines = text.split("\n")
    last = lines.pop()
    return [line + "\n" for line in lines] + ([last] if last else [])


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


def _profile_bool(text: str, fallback: bool) -> bool:
    if text == "":
        return fallback
    return text[0] not in "nN"


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


class ParameterFile:
    """A parameter file in memory. ``ParameterFile(path)`` reads it (a missing file reads as
    empty); ``read_set`` / ``write_set`` take a set from a section and put one there.

    Raises (when made from a path):
        OSError: the file exists but cannot be read, or is no regular file.
    """

    def __init__(self, path: Optional[PathLike] = None) -> None:
        self.path = os.fspath(path) if path is not None else None
        self._lines: List[str] = []
        self._kinds: Optional[List[Tuple[str, str, int]]] = None
        self._sections: Dict[str, int] = {}
        if self.path is not None and os.path.isfile(self.path):
            self._parse(_read_regular_file(self.path))

    @classmethod
    def from_bytes(cls, data: bytes) -> "ParameterFile":
        file = cls()
        file._parse(data)
        return file

    def _parse(self, data: bytes) -> None:
        # Latin-1 maps every byte to one character, so that any file is kept byte for byte.
        self._lines = _lines_of(data.decode("latin-1"))
        self._kinds = None

    def to_bytes(self) -> bytes:
        return "".join(self._lines).encode("latin-1")

    # ---- profile access -----------------------------------------------------------------

    @staticmethod
    def _body(line: str) -> str:
        """The line without its line end (a line feed, with a carriage return before it)."""
        if line.endswith("\r\n"):
            return line[:-2]
        return line[:-1] if line.endswith("\n") else line

    @classmethod
    def _kind(cls, line: str, first: bool = False) -> Tuple[str, str, int]:
        """("section", lower-case name, 0), ("key", lower-case name, start of the value) or
        ("", "", 0) for any other line; the first line may start with a byte order mark."""
        text = cls._body(line)
        if first and text.startswith(_BOM):
            text = text[len(_BOM):]
            bom = len(_BOM)
        else:
            bom = 0
        # The blanks skipped at C speed: a line may be megabytes of them.
        offset = len(text) - len(text.lstrip(_BLANKS))
        if offset == len(text) or text[offset] == ";":
            return "", "", 0
        if text[offset] == "[":
            # The name runs to the first ']', or to the end of a line without one.
            return "section", _name(text[offset + 1:].partition("]")[0]), 0
        equals = text.find("=", offset)
        if equals < 0 or not text[offset:equals].strip(_BLANKS):
            return "", "", 0
        start = equals + 1
        start += len(text) - start - len(text[start:].lstrip(_BLANKS))
        return "key", _name(text[offset:equals]), bom + start

    def _index(self) -> List[Tuple[str, str, int]]:
        """Every line's kind, worked out once per change: a long line is looked at once, not
        once for every key read."""
        if self._kinds is None:
            self._kinds = [self._kind(line, i == 0) for i, line in enumerate(self._lines)]
            self._sections = {}
            for i, (kind, name, _) in enumerate(self._kinds):
                if kind == "section":
                    self._sections.setdefault(name, i)
        return self._kinds

    def _section_index(self, section: str) -> Optional[int]:
        self._index()
        return self._sections.get(_name(section))

    def _key_lines(self, header: int) -> List[Tuple[int, str, int]]:
        """(line index, lower-case key, start of the value) of the section's keys."""
        kinds = self._index()
        keys = []
        for i in range(header + 1, len(kinds)):
            kind, name, start = kinds[i]
            if kind == "section":
                break
            if kind == "key":
                keys.append((i, name, start))
        return keys

    def value(self, section: str, key: str) -> Optional[str]:
        """The value under ``key`` (whitespace and one pair of quotes removed), or None."""
        header = self._section_index(section)
        if header is None:
            return None
        wanted = _name(key)
        for i, name, start in self._key_lines(header):
            if name == wanted:
                text = self._body(self._lines[i])[start:].strip(_BLANKS)
                if len(text) >= 2 and text[0] == text[-1] and text[0] in "'\"":
                    text = text[1:-1]
                return text
        return None

    def set_value(self, section: str, key: str, value: str) -> None:
        """Puts ``value`` under ``key``, changing only that line (or adding one).

        Raises:
            RefusedValue: a section, key or value a parameter file cannot hold.
        """
        if (not section.strip(_BLANKS) or not key.strip(_BLANKS) or "]" in section
                or "=" in key or key.strip(_BLANKS)[0] in "[;"
                or any(c in s for s in (section, key, value) for c in "\r\n")):
            raise RefusedValue(f"a parameter file cannot hold [{section}] {key}={value}")
        eol = next((line[len(self._body(line)):] for line in self._lines
                    if line.endswith("\n")), "\n")
        header = self._section_index(section)
        if header is None:
            if self._lines and not self._lines[-1].endswith("\n"):
                self._lines[-1] += eol
            self._lines += [f"[{section.strip(_BLANKS)}]{eol}",
                            f"{key.strip(_BLANKS)}={value}{eol}"]
            self._kinds = None
            return
        keys = self._key_lines(header)
        for i, name, start in keys:
            if name == _name(key):
                line = self._lines[i]
                ending = line[len(self._body(line)):]
                self._lines[i] = self._body(line)[:start] + value + ending
                self._kinds = None
                return
        after = keys[-1][0] if keys else header
        if not self._lines[after].endswith("\n"):
            self._lines[after] += eol
        self._lines.insert(after + 1, f"{key.strip(_BLANKS)}={value}{eol}")
        self._kinds = None

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

    def _write_depth_compensation(self, section: str, table: Optional[Sequence[int]]) -> None:
        """A set without a table turns the depth compensation off (a file without the key has
        it off already) and keeps the file's count, table and file name for when it is turned
        on again."""
        if table is None:
            if self.value(section, _TA_ENABLE) is not None:
                self.set_value(section, _TA_ENABLE, "no")
            return
        self.set_value(section, _TA_ENABLE, "yes")
        self.set_value(section, _TA_COUNT, str(len(table) - 1))
        self.set_value(section, _TA_TABLE, " ".join(str(int(v)) for v in table))

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
        """Writes every key of the set, and "Active", into ``section``."""
        self.set_value(section, "Active", "yes" if active else "no")
        for attribute, key, kind, _ in _SET_FIELDS:
            self.set_value(section, key, _field_text(kind, getattr(*_accessors(attribute,
                                                                               parameters))))
        self._write_depth_compensation(section, parameters.depth_table)

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
        """Writes the file whole or not at all: a temporary file beside it, synced to the disk,
        then renamed over it.

        Args:
            path: where to write it; by default where it was read from.

        Raises:
            RefusedValue: no path to write to.
            PermissionError: a read-only file, or a link of another user in a shared folder.
            OSError: the file could not be written (the old one is left as it was).
        """
        target = os.fspath(path) if path is not None else self.path
        if target is None:
            raise RefusedValue("no path to save the parameter file to")
        _write_atomically(target, self.to_bytes())
        self.path = os.fspath(path) if path is not None else self.path


def _read_regular_file(path: str) -> bytes:
    """The bytes of a regular file; a FIFO or a device is refused by its name without waiting
    for a writer."""
    fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise OSError(f"{path}: not a regular file")
        os.set_blocking(fd, True)
        with os.fdopen(fd, "rb", closefd=False) as f:
            return f.read()
    finally:
        os.close(fd)


# Temporary files are named "<target>.k7tmp-<pid>-<tag>" as the check program and karvo7 name
# theirs, so that each removes what a killed writer of the other left behind.
_TEMPORARY_MARK = ".k7tmp-"
# Unnamed temporary files (O_TMPFILE) where the file system has them; False takes the named way.
_UNNAMED_TEMPORARIES = True


def _link_may_be_followed(link: os.stat_result, folder: os.stat_result) -> bool:
    """False for a symbolic link in a sticky, world-writable folder (/tmp) that belongs to
    neither the caller nor the folder's owner: as the kernel's protected_symlinks, such a link
    planted by another user is not followed."""
    shared = folder.st_mode & stat.S_ISVTX and folder.st_mode & stat.S_IWOTH
    return not shared or link.st_uid in (os.geteuid(), folder.st_uid)


# Links followed in one name at most, as the kernel follows them (ELOOP beyond).
_MAX_LINKS = 40


def _resolved_target(path: str) -> str:
    """The file ``path`` names, every symbolic link on the way followed as the system would
    follow it: a link of another user in a shared folder is refused wherever it stands, as the
    last name or as a folder on the way (the package resolves links itself, so that the
    kernel's own protection never sees them).

    Raises:
        PermissionError: a link of another user in a shared folder, naming it.
        OSError: too many links, or a link that cannot be read.
    """
    if os.name == "nt":
        return os.path.realpath(path)  # no folder there is shared in this way
    pending = [part for part in os.path.abspath(path).split(os.sep) if part]
    pending.reverse()  # the next name last
    resolved = os.sep
    links = 0
    while pending:
        part = pending.pop()
        if part == ".":
            continue
        if part == "..":
            resolved = os.path.dirname(resolved)
            continue
        candidate = os.path.join(resolved, part)
        try:
            info = os.lstat(candidate)
        except OSError:
            # A name that does not exist (yet): the rest is taken as it stands.
            return os.path.join(candidate, *reversed(pending))
        if not stat.S_ISLNK(info.st_mode):
            resolved = candidate
            continue
        if not _link_may_be_followed(info, os.stat(resolved)):
            raise PermissionError(f"{candidate}: a symbolic link of another user in a shared "
                                  "folder: not followed")
        links += 1
        if links > _MAX_LINKS:
            raise OSError(f"{path}: too many symbolic links")
        target = os.readlink(candidate)
        if os.path.isabs(target):
            resolved = os.sep
        pending.extend(reversed([p for p in target.split(os.sep) if p]))
    return resolved


def _remove_stale_temporaries(target: str) -> None:
    """Removes the temporary files of ``target`` whose writer no longer runs (the caller's own
    regular files only)."""
    folder, name = os.path.split(target)
    prefix = name + _TEMPORARY_MARK
    try:
        entries = os.listdir(folder or ".")
    except OSError:
        return
    for entry in entries:
        if not entry.startswith(prefix):
            continue
        pid, dash, tag = entry[len(prefix):].partition("-")
        if not pid.isdigit() or not dash or not tag or int(pid) <= 0:
            continue
        try:
            os.kill(int(pid), 0)
            continue  # the writer runs
        except ProcessLookupError:
            pass
        except OSError:
            continue
        stale = os.path.join(folder, entry)
        info = os.lstat(stale)
        if stat.S_ISREG(info.st_mode) and info.st_uid == os.geteuid():
            os.unlink(stale)


def _unnamed_temporary(folder: str) -> Optional[int]:
    if not _UNNAMED_TEMPORARIES or not hasattr(os, "O_TMPFILE") \
            or not os.access("/proc/self/fd", os.X_OK):
        return None
    try:
        return os.open(folder, os.O_TMPFILE | os.O_WRONLY | os.O_CLOEXEC, 0o600)
    except OSError:
        return None


def _link_unnamed(handle: int, name: str) -> None:
    """Gives an unnamed file a name: linkat of /proc/self/fd/<handle> following the link (given
    as relative to the /proc/self/fd folder, so that os.link takes linkat and follows it)."""
    descriptors = os.open("/proc/self/fd", os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC)
    try:
        os.link(str(handle), name, src_dir_fd=descriptors, follow_symlinks=True)
    finally:
        os.close(descriptors)


def _write_atomically(target: str, data: bytes) -> None:
    """Writes ``data`` to ``target`` whole or not at all, as the check program writes its files:
    a link is followed (but not a foreign one in a shared folder), a read-only file or anything
    but a regular file is not replaced, the temporary file is synced before the rename and the
    folder after it. The temporary file has no name while it is written where the file system
    allows it, so that a killed writer leaves nothing behind; otherwise it is named, and stale
    ones of dead writers are removed on the next save."""
    # Replace the file a symbolic link points to, not the link; a foreign link in a shared
    # folder is not followed, whether it names the file or a folder on the way.
    target = _resolved_target(target)
    mode = 0o644
    if os.path.exists(target):
        mode = os.stat(target).st_mode & 0o777
        if not os.path.isfile(target) or mode & 0o222 == 0 \
                or not os.access(target, os.W_OK):
            raise PermissionError(f"{target} is read-only: not replaced")
    folder = os.path.dirname(target)
    _remove_stale_temporaries(target)
    prefix = f"{target}{_TEMPORARY_MARK}{os.getpid()}-"
    handle = _unnamed_temporary(folder)
    temporary = None
    if handle is None:
        temporary = prefix + secrets.token_hex(4)
        handle = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, 0o600)
    try:
        with os.fdopen(handle, "wb", closefd=False) as f:
            f.write(data)
        os.fchmod(handle, mode)
        os.fsync(handle)
        if temporary is None:
            temporary = prefix + secrets.token_hex(4)
            _link_unnamed(handle, temporary)
        os.close(handle)
        handle = -1
        os.replace(temporary, target)
    except BaseException:
        if handle >= 0:
            os.close(handle)
        if temporary is not None and os.path.lexists(temporary):
            os.unlink(temporary)
        raise
    directory = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    try:
        os.fsync(directory)
    finally:
        os.close(directory)
