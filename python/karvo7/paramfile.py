"""The check program's parameter file: an INI profile read and written as the check program
does (Windows profile semantics), with parameter sets in sections "Karte<c>-Satz<s>".

Names compare case-insensitively, the first matching section and key win, a line starting
with ';' is a comment, quotes around a value are dropped on reading, an integer is an optional
sign and its leading digits. A write changes only the lines it concerns and keeps every other
byte; ``save`` replaces the file whole (temporary file, then rename).
"""

from __future__ import annotations

import os
import tempfile
from typing import List, Optional, Tuple, Union

from .params import GATES, ParameterSet

PathLike = Union[str, "os.PathLike[str]"]

# (attribute, key, kind): kind "int" is held with the given width in bits (negative: signed),
# "bool" as yes/no, "threshold" as 16 x the file value in 16 bits.
_Field = Tuple[str, str, str, int]
_SET_FIELDS: List[_Field] = [
    ("iff", "IFF", "int", 32),
    ("bit8", "8Bit", "bool", 0),
    ("average", "Average", "int", 8),
    ("samplerate", "Samplerate", "int", 8),
    ("start", "Start", "int", 8),
    ("pk_vorlauf", "PK-Vorlauf", "int", 16),
    ("aufnahmelaenge", "Aufnahmelaenge", "int", 16),
    ("aufnahmedelay", "Aufnahmedelay", "int", -32),
    ("ascan", "ASCAN", "bool", 0),
    ("faktor", "Faktor", "int", 8),
    ("gleichrichtung", "Gleichrichtung", "int", 8),
    ("externer_trigger", "ExternerTrigger", "bool", 0),
    ("triggereingangsmode", "Triggereingangsmode", "int", 8),
    ("triggerausgangsmode", "Triggerausgangsmode", "int", 8),
    ("ausblenden", "Ausblenden", "int", 8),
    ("ta_verzoegerung", "TA-Verzoegerung", "int", 16),
    ("ta_abstand", "TA-Abstand", "int", 16),
    ("sendersperre", "Sendersperre", "bool", 0),
    ("sendeimpulsbreite", "Sendeimpulsbreite", "int", 8),
    ("sendeenergie", "Sendeenergie", "int", 8),
    ("se_mode", "SE-Mode", "bool", 0),
    ("senderdaempfung", "Senderdaempfung", "int", 8),
    ("eingangsdaempfung", "Eingangsdaempfung", "int", 8),
    ("filter", "Filter", "int", 8),
    ("verstaerkung", "Verstaerkung", "int", 16),
    ("esb_time", "ESB-Time", "int", -32),
    ("esb_level", "ESB-Level", "int", 16),
    ("esb_relativ", "ESB-relativ", "bool", 0),
    ("esb_always", "ESB-always", "bool", 0),
]
for _g in range(GATES):
    _SET_FIELDS += [
        (f"gates.{_g}.anfang", f"B{_g}-Anfang", "int", -32),
        (f"gates.{_g}.ende", f"B{_g}-Ende", "int", -32),
        (f"gates.{_g}.schwelle", f"B{_g}-Schwelle", "threshold", 16),
    ]
_SET_FIELDS += [(f"gates.{_g}.enable", f"B{_g}-enable", "bool", 0) for _g in range(GATES)]
_SET_FIELDS += [
    ("trigger_extern", "TriggerExtern", "bool", 0),
    ("triggerdelay", "Triggerdelay", "int", -32),
    ("sap_delay", "SAP-Delay", "int", 16),
]


def _accessors(attribute: str, parameters: ParameterSet) -> Tuple[object, str]:
    if attribute.startswith("gates."):
        _, number, name = attribute.split(".")
        return parameters.gates[int(number)], name
    return parameters, attribute


def _profile_int(text: str) -> int:
    """An optional sign and the leading digits, as a signed 32-bit number (0 without digits)."""
    text = text.strip()
    negative = text[:1] == "-"
    if text[:1] in "+-" and text:
        text = text[1:]
    digits = ""
    for c in text:
        if not "0" <= c <= "9":
            break
        digits += c
    number = int(digits) if digits else 0
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


def set_section(card: int, number: int) -> str:
    """The section of set ``number`` (0-7) of card ``card`` (1-16)."""
    if not 1 <= card <= 16 or not 0 <= number <= 7:
        raise ValueError(f"no parameter set Karte{card}-Satz{number}: cards 1..16, sets 0..7")
    return f"Karte{card}-Satz{number}"


class ParameterFile:
    """A parameter file in memory. ``ParameterFile(path)`` reads it (a missing file reads as
    empty); ``read_set`` / ``write_set`` take a set from a section and put one there."""

    def __init__(self, path: Optional[PathLike] = None) -> None:
        self.path = os.fspath(path) if path is not None else None
        self._lines: List[str] = []
        if self.path is not None and os.path.isfile(self.path):
            with open(self.path, "rb") as f:
                self._parse(f.read())

    @classmethod
    def from_bytes(cls, data: bytes) -> "ParameterFile":
        file = cls()
        file._parse(data)
        return file

    def _parse(self, data: bytes) -> None:
        # Latin-1 maps every byte to one character, so that any file is kept byte for byte.
        self._lines = data.decode("latin-1").splitlines(keepends=True)

    def to_bytes(self) -> bytes:
        return "".join(self._lines).encode("latin-1")

    # ---- profile access -----------------------------------------------------------------

    @staticmethod
    def _body(line: str) -> str:
        return line.rstrip("\r\n")

    def _section_index(self, section: str) -> Optional[int]:
        wanted = section.strip().lower()
        for i, line in enumerate(self._lines):
            text = self._body(line).strip()
            if text.startswith("[") and "]" in text:
                if text[1 : text.index("]")].strip().lower() == wanted:
                    return i
        return None

    def _key_lines(self, header: int) -> List[Tuple[int, str, int]]:
        """(line index, lower-case key, start of the value) of the section's keys."""
        keys = []
        for i in range(header + 1, len(self._lines)):
            text = self._body(self._lines[i])
            stripped = text.lstrip()
            if stripped.startswith("[") and "]" in stripped:
                break
            if stripped.startswith(";") or "=" not in text:
                continue
            name, _, _ = text.partition("=")
            if name.strip():
                start = text.index("=") + 1
                while start < len(text) and text[start] in " \t":
                    start += 1
                keys.append((i, name.strip().lower(), start))
        return keys

    def value(self, section: str, key: str) -> Optional[str]:
        """The value under ``key`` (whitespace and one pair of quotes removed), or None."""
        header = self._section_index(section)
        if header is None:
            return None
        wanted = key.strip().lower()
        for i, name, start in self._key_lines(header):
            if name == wanted:
                text = self._body(self._lines[i])[start:].strip()
                if len(text) >= 2 and text[0] == text[-1] and text[0] in "'\"":
                    text = text[1:-1]
                return text
        return None

    def set_value(self, section: str, key: str, value: str) -> None:
        """Puts ``value`` under ``key``, changing only that line (or adding one)."""
        if (not section.strip() or not key.strip() or "]" in section or "=" in key
                or key.strip()[0] in "[;" or any(c in s for s in (section, key, value)
                                                 for c in "\r\n")):
            raise ValueError(f"a parameter file cannot hold [{section}] {key}={value}")
        eol = next((line[len(self._body(line)):] for line in self._lines
                    if line.endswith("\n")), "\n")
        header = self._section_index(section)
        if header is None:
            if self._lines and not self._lines[-1].endswith("\n"):
                self._lines[-1] += eol
            self._lines += [f"[{section.strip()}]{eol}", f"{key.strip()}={value}{eol}"]
            return
        keys = self._key_lines(header)
        for i, name, start in keys:
            if name == key.strip().lower():
                line = self._lines[i]
                ending = line[len(self._body(line)):]
                self._lines[i] = self._body(line)[:start] + value + ending
                return
        after = keys[-1][0] if keys else header
        if not self._lines[after].endswith("\n"):
            self._lines[after] += eol
        self._lines.insert(after + 1, f"{key.strip()}={value}{eol}")

    # ---- parameter sets -----------------------------------------------------------------

    def read_set(self, section: str) -> Tuple[ParameterSet, bool]:
        """The set in ``section`` and its "Active" flag; missing or empty keys read as the
        defaults."""
        parameters = ParameterSet()
        defaults = ParameterSet()
        for attribute, key, kind, width in _SET_FIELDS:
            target, name = _accessors(attribute, parameters)
            fallback = getattr(*_accessors(attribute, defaults))
            text = self.value(section, key)
            if kind == "bool":
                setattr(target, name, _profile_bool(text or "", fallback))
            elif text is None or not text.strip():
                setattr(target, name, fallback)
            else:
                setattr(target, name, _field_value(kind, width, text))
        active = _profile_bool(self.value(section, "Active") or "", False)
        return parameters, active

    def write_set(self, section: str, parameters: ParameterSet, active: bool = False) -> None:
        """Writes every key of the set, and "Active", into ``section``."""
        self.set_value(section, "Active", "yes" if active else "no")
        for attribute, key, kind, _ in _SET_FIELDS:
            self.set_value(section, key, _field_text(kind, getattr(*_accessors(attribute,
                                                                               parameters))))

    def card_set(self, card: int, number: int) -> Tuple[ParameterSet, bool]:
        """Set ``number`` of card ``card`` and its "Active" flag."""
        return self.read_set(set_section(card, number))

    def put_card_set(self, card: int, number: int, parameters: ParameterSet,
                     active: bool = False) -> None:
        self.write_set(set_section(card, number), parameters, active)

    def save(self, path: Optional[PathLike] = None) -> None:
        """Writes the file whole or not at all: a temporary file beside it, then a rename."""
        target = os.fspath(path) if path is not None else self.path
        if target is None:
            raise ValueError("no path to save the parameter file to")
        # Replace the file a symbolic link points to, not the link.
        target = os.path.realpath(target)
        mode = 0o644
        if os.path.exists(target):
            mode = os.stat(target).st_mode & 0o777
            if not os.path.isfile(target) or mode & 0o222 == 0 \
                    or not os.access(target, os.W_OK):
                raise PermissionError(f"{target} is read-only: not replaced")
        folder = os.path.dirname(os.path.abspath(target))
        handle, temporary = tempfile.mkstemp(prefix=".karvo7-", dir=folder)
        try:
            with os.fdopen(handle, "wb") as f:
                f.write(self.to_bytes())
            os.chmod(temporary, mode)
            os.replace(temporary, target)
        except BaseException:
            if os.path.exists(temporary):
                os.unlink(temporary)
            raise
        self.path = os.fspath(path) if path is not None else self.path


