"""What the cards deliver, as Python objects: records with their samples as NumPy arrays, gate
results and control words, taken apart by the data-stream decoder.

Samples are signed 16-bit. Where the data holds them as they are (16-bit samples), ``samples``
is a view on the buffer the data was read into, without a copy; packed 12-bit and 8-bit
samples are unpacked into an array of their own. Gate amplitudes are on the 12-bit scale
(0-4095) everywhere: the compact entries' 10-bit values are scaled by 4, as the card library
scales them.
"""

from __future__ import annotations

import ctypes
import enum
import os
from dataclasses import dataclass, field
from typing import Dict, Iterator, Optional, Tuple, Union

import numpy as np

from . import _stream
from .errors import Error, RefusedValue, WrongType, check_index

Buffer = Union[bytes, bytearray, memoryview, np.ndarray]


class Layout(enum.Enum):
    """How a card delivers its data: bare samples and compact gate entries (native), or
    self-describing records (record)."""

    NATIVE = 0
    RECORD = 1


class DecodeError(Error, ValueError):
    """Data that cannot be taken apart (also a ValueError): ``offset`` is where the unreadable
    rest begins."""

    def __init__(self, offset: int, bytes_left: int, reason: str) -> None:
        self.offset = offset
        self.bytes_left = bytes_left
        self.reason = reason
        self.meaning = f"data {reason} at byte {offset} ({bytes_left} bytes left)"
        Exception.__init__(self, self.meaning)


@dataclass(frozen=True, slots=True)
class GateValue:
    """One gate of one shot: its echo's time of flight in samples (halves in the record
    layout) and amplitude (12-bit scale), the marker (the signal clipped in the gate) and
    whether the gate has a result. ``present`` is None where the source does not say."""

    time: float
    amplitude: int
    marker: bool
    present: Optional[bool]


@dataclass(frozen=True)
class GateResults:
    """The gates B0/B1 to B4 of one shot, and the echo-start values where the source has
    them."""

    gates: Tuple[GateValue, ...]
    es_time: Optional[int] = None
    es_amplitude: Optional[int] = None


_EMPTY = np.zeros(0, dtype=np.int16)
_EMPTY.flags.writeable = False


@dataclass(slots=True)
class Record:
    """One shot's data or gate results.

    ``type`` is the record type (0x10 packed A-scan, 0x14 A-scan, 0x60 HF, 0x40 gate results,
    others undecoded), 0 for native samples and 0x40 for a native compact gate entry.
    ``identification`` is the parameter set's identification (record layout), ``set`` the set
    number where it is known, ``time_stamp`` the time-stamp prefix of externally triggered
    data."""

    type: int
    samples: np.ndarray = field(default_factory=lambda: _EMPTY)
    identification: Optional[int] = None
    set: Optional[int] = None
    time_stamp: Optional[int] = None
    gates: Optional[GateResults] = None
    offset: int = 0

    @property
    def is_gates(self) -> bool:
        return self.gates is not None and self.samples.size == 0


@dataclass(frozen=True)
class ControlWord:
    """A control word between records; ``name`` is the check program's text for it ("Ende
    Prüfzyklus", ...), "" for an unknown word; ``cycle`` counts the cycle ends of one walk."""

    word: int
    name: str
    cycle: int = 0
    offset: int = 0


def _gate_values(item: _stream.Item, compact: bool) -> Tuple[GateValue, ...]:
    """Gates B0 to B4 of an item. A compact entry holds them in order, with times in samples
    and 10-bit amplitudes; a gate results record holds B1 to B4 in its slots 1 to 4 and B0 in
    slot 5, with times in half samples."""
    g = item.gates
    if compact:
        return tuple(GateValue(x.time, x.amplitude * 4, bool(x.marker), bool(x.present))
                     for x in g)
    return tuple(GateValue(x.time / 2, x.amplitude, bool(x.marker), bool(x.present))
                 for x in (g[4], g[0], g[1], g[2], g[3]))


_names: dict = {}


def _control_name(kind: int) -> str:
    if kind not in _names:
        text = _stream.stream_library().KARVO7StreamControlName(kind)
        _names[kind] = (text or b"").decode("utf-8")
    return _names[kind]


class _Decoder:
    """Turns the decoder's items over one buffer into records and control words."""

    def __init__(self, data: np.ndarray) -> None:
        self.data = data
        self.address = data.ctypes.data
        self.size = data.size

    def samples_of(self, item: _stream.Item) -> np.ndarray:
        count = item.sample_count
        if count == 0:
            return _EMPTY
        if item.sample_bits == 16:
            # As stored: a view on the buffer, no copy.
            return np.frombuffer(self.data, dtype="<i2", count=count, offset=item.payload_offset)
        out = np.empty(count, dtype=np.int16)
        written = _stream.stream_library().KARVO7StreamSamples(
            self.address, self.size, ctypes.byref(item), out.ctypes.data, count)
        if written < 0:
            raise DecodeError(item.payload_offset, count, _stream.error_text(written))
        return out[:written]

    def convert(self, item: _stream.Item) -> Union[Record, ControlWord]:
        kind = item.kind
        if kind == _stream.ITEM_RECORD or kind == _stream.ITEM_OTHER_RECORD:
            return Record(
                type=item.type,
                samples=self.samples_of(item) if kind == _stream.ITEM_RECORD else _EMPTY,
                identification=item.kennung,
                time_stamp=item.zeit if item.flags & _stream.ITEM_PREFIXED else None,
                offset=item.offset,
            )
        if kind == _stream.ITEM_NATIVE_SAMPLES:
            return Record(type=0, samples=self.samples_of(item), offset=item.offset)
        if kind == _stream.ITEM_GATES:
            return Record(
                type=item.type,
                identification=item.kennung,
                time_stamp=item.zeit if item.flags & _stream.ITEM_PREFIXED else None,
                gates=GateResults(_gate_values(item, compact=False)),
                offset=item.offset,
            )
        if kind == _stream.ITEM_NATIVE_GATES:
            return Record(
                type=0x40,
                set=item.set,
                gates=GateResults(
                    _gate_values(item, compact=True), item.es_distance, item.es_amplitude * 4
                ),
                offset=item.offset,
            )
        if kind == _stream.ITEM_CONTROL:
            return ControlWord(
                item.control_word, _control_name(item.control_kind), item.cycle, item.offset
            )
        reason = "truncated" if item.tail_reason == _stream.TAIL_TRUNCATED else "invalid"
        raise DecodeError(item.offset, item.bytes_left, reason)

    def items(self, options: _stream.Options,
              run_length: int = 0) -> Iterator[Union[Record, ControlWord]]:
        """The walk's records; native sample runs in pieces of ``run_length`` samples when it
        is given (the samples themselves are taken from the buffer, not from the piece)."""
        for item in _stream.walk(self.address, self.size, options, run_length):
            yield self.convert(item)


_options_cache: Dict[Tuple[Layout, int, bool, int], _stream.Options] = {}


def _options(layout: Layout, sample_bits: int, gates: bool, active_sets: int) -> _stream.Options:
    """The decoder's options (shared: the decoder only reads them)."""
    key = (layout, sample_bits, gates, active_sets)
    cached = _options_cache.get(key)
    if cached is not None:
        return cached
    if check_index("sample_bits", sample_bits) not in (8, 16):
        raise RefusedValue(f"samples are 8 or 16 bits wide, not {sample_bits}")
    options = _stream.Options()
    options.layout = _stream.LAYOUT_RECORD if layout is Layout.RECORD else _stream.LAYOUT_NATIVE
    options.sample_bits = sample_bits
    options.native_content = _stream.NATIVE_GATES if gates else _stream.NATIVE_SAMPLES
    options.active_sets = active_sets
    _options_cache[key] = options
    return options


def _as_array(source: Union[Buffer, str, "os.PathLike[str]"]) -> np.ndarray:
    if isinstance(source, np.ndarray):
        return np.ascontiguousarray(source).view(np.uint8).reshape(-1)
    if isinstance(source, (bytes, bytearray, memoryview)):
        return np.frombuffer(source, dtype=np.uint8)
    if not isinstance(source, (str, os.PathLike)):
        raise WrongType(f"data or a path is needed, not {type(source).__name__}")
    return np.fromfile(os.fspath(source), dtype=np.uint8)


def decode(
    source: Union[Buffer, str, "os.PathLike[str]"],
    layout: Layout = Layout.RECORD,
    sample_bits: int = 16,
    gates: bool = False,
    active_sets: Tuple[int, ...] = (1, 2, 3, 4, 5, 6),
    shot_samples: Optional[int] = None,
) -> Iterator[Union[Record, ControlWord]]:
    """The records and control words of captured data (bytes, a NumPy array or a file, such as
    the command-line tool's ``stream`` output), in order.

    A capture that starts with a header (as ``karvo7 stream`` writes it) is read as its header
    says, whatever ``layout``, ``sample_bits`` and ``gates`` say; a native capture is cut into
    shots of the header's samples per shot unless ``shot_samples`` is given. Offsets then
    count from the first record behind the header.

    ``layout`` says how the data was delivered. Native data holds either samples
    (``sample_bits`` 16 or 8) or, with ``gates``, compact gate entries of the ``active_sets``
    among 1 to 6; native samples carry no shot boundaries, so ``shot_samples`` (the samples a
    shot records) cuts them into one record per shot. A capture that begins with its header
    (as ``karvo7 stream`` writes it) is read as the header says.

    Args:
        source: the data, or the path of a file holding it.
        layout: how the data was delivered (a capture's header overrides it).
        sample_bits: the width of native samples, 16 or 8 (a capture's header overrides it).
        gates: native data holds compact gate entries instead of samples.
        active_sets: the sets among 1 to 6 whose gate entries native data holds.
        shot_samples: the samples a shot records, to cut native samples into shots.

    Returns:
        An iterator of the records and control words.

    Raises:
        WrongType: ``source`` is neither data nor a path, or a number no integer.
        RefusedValue: options that describe no data.
        DecodeError: (while iterating) data that cannot be taken apart, where it begins,
            after everything before it has been yielded.
        RefusedValue: a capture header cut short or holding values the decoder does not know.
        OSError: the file cannot be read.
    """
    data = _as_array(source)
    header = _stream.read_capture(data.ctypes.data, data.size)
    if header is not None:
        layout = Layout(header.layout)
        sample_bits = header.sample_bits
        gates = False
        if shot_samples is None and layout is Layout.NATIVE and header.samples_per_shot:
            shot_samples = header.samples_per_shot
        data = data[header.header_size:]
    options = _options(layout, sample_bits, gates, _set_mask(active_sets))
    if gates and layout is Layout.NATIVE and options.active_sets & 0x7E == 0:
        raise RefusedValue("native gate entries need an active set among 1 to 6")
    if shot_samples is not None and \
            not 1 <= check_index("shot_samples", shot_samples) <= _stream.MAX_SAMPLES:
        raise RefusedValue(f"shot_samples must lie in 1..{_stream.MAX_SAMPLES}")
    return _Decoder(data).items(options, shot_samples or 0)


def _set_mask(sets: Tuple[int, ...]) -> int:
    mask = 0
    for s in sets:
        if not 0 <= check_index("active set", s) <= 7:
            raise RefusedValue(f"no parameter set {s}: sets are 0 to 7")
        mask |= 1 << s
    return mask
