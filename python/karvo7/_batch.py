"""Many shots and gate results at a time: a stream's blocks taken apart with NumPy, one view
over a whole run of equal blocks instead of one walk of the decoder per shot.

Each function handles the regular case the cards deliver while streaming (every block one
record of the same type and length, or plain samples; gate results records in rounds, each
followed by one control word or none) and returns None for anything else, which the caller
then hands to the decoder block by block: both give the same records. Runs keep the arrays
and make records only when they are asked for.
"""

from __future__ import annotations

from typing import Callable, List, Optional, Sequence

import numpy as np

from . import _stream
from .records import GateResults, GateValue, Record

_PREFIX_BYTES = 8
_HEADER_BYTES = 6
_GATE_RECORD_BYTES = 56
_COMPACT_ENTRY_BYTES = 24
_PLAIN_TYPES = (0x14, 0x60)
_PACKED_TYPE = 0x10


def _le32(block: np.ndarray, at: int) -> np.ndarray:
    """The little-endian 32-bit word at byte ``at`` of every row."""
    return np.ascontiguousarray(block[:, at:at + 4]).view("<u4")[:, 0]


def _le16(block: np.ndarray, at: int) -> np.ndarray:
    return np.ascontiguousarray(block[:, at:at + 2]).view("<u2")[:, 0]


def _unpacked(words: np.ndarray) -> np.ndarray:
    """Packed 12-bit samples, three words holding four, left-aligned in 16 bits; every row
    holds whole groups of three words."""
    w = words.astype(np.uint16)
    w0, w1, w2 = w[:, 0::3], w[:, 1::3], w[:, 2::3]
    out = np.empty((w.shape[0], w0.shape[1], 4), dtype=np.uint16)
    out[:, :, 0] = w0 << 4
    out[:, :, 1] = ((w1 << 8) & 0xFF00) | ((w0 >> 8) & 0x00F0)
    out[:, :, 2] = ((w2 << 12) & 0xF000) | ((w1 >> 4) & 0x0FF0)
    out[:, :, 3] = w2 & 0xFFF0
    return out.reshape(w.shape[0], -1).view(np.int16)


def record_samples(block: np.ndarray) -> Optional[tuple]:
    """(samples, type, identification, time stamps) of blocks that each hold one A-scan record
    of one type and length filling the block (after a time-stamp prefix on every block or on
    none): ``samples`` has a row per block. None for any other blocks."""
    size = block.shape[1]
    if size < _HEADER_BYTES or (_le16(block, 2) == 0xFFFF).any():
        return None  # no record, or a control word where the decoder looks first
    prefix = block[:, 0] == 0xFF
    prefixed = bool(prefix[0])
    at = _PREFIX_BYTES if prefixed else 0
    if (prefix != prefixed).any() or size < at + _HEADER_BYTES:
        return None
    words = _le32(block, at)
    types = words & 0xFF
    kind = int(types[0])
    if (types != kind).any() or (words >> 8 != size - at).any() or (
            kind not in _PLAIN_TYPES and kind != _PACKED_TYPE):
        return None
    count = (size - at - _HEADER_BYTES) // 2
    payload = block[:, at + _HEADER_BYTES:at + _HEADER_BYTES + 2 * count]
    if kind == _PACKED_TYPE:
        if count % 3 or count // 3 * 4 > _stream.MAX_SAMPLES:
            return None
        samples = _unpacked(payload.view("<u2"))
    else:
        samples = payload.view("<i2")
    identification = _le16(block, at + 4).view(np.int16)
    stamps = _le32(block, 4) if prefixed else None
    return samples, kind, identification, stamps


class ShotRun:
    """Shots taken apart together: a row of samples each, with their record type, set
    numbers (None where not known), identifications and time stamps (record layout)."""

    __slots__ = ("samples", "type", "sets", "identifications", "time_stamps")

    def __init__(self, samples: np.ndarray, kind: int, sets: list,
                 identifications: Optional[list], time_stamps: Optional[list]) -> None:
        self.samples = samples
        self.type = kind
        self.sets = sets
        self.identifications = identifications
        self.time_stamps = time_stamps

    def records(self) -> List[Record]:
        if self.identifications is None:
            return [Record(type=self.type, samples=row, set=s)
                    for row, s in zip(self.samples, self.sets)]
        if self.time_stamps is None:
            return [Record(type=self.type, samples=row, identification=k, set=s)
                    for row, k, s in zip(self.samples, self.identifications, self.sets)]
        return [Record(type=self.type, samples=row, identification=k, set=s, time_stamp=t)
                for row, k, s, t in zip(self.samples, self.identifications, self.sets,
                                        self.time_stamps)]


def shot_run(block: np.ndarray, record_layout: bool, sample_bits: int,
             set_of: Callable[[Optional[int]], Optional[int]],
             native_sets: Sequence[Optional[int]]) -> Optional[ShotRun]:
    """A run of equal blocks, a row each, taken apart as the decoder takes them block by
    block: in the record layout with the set of each record's identification (``set_of``), in
    the native layout with the set ``native_sets`` names for each block. None where the
    blocks are not regular."""
    if not record_layout:
        size = block.shape[1]
        if sample_bits != 16 or size % 2 or not 2 <= size <= 2 * _stream.MAX_SAMPLES:
            return None
        return ShotRun(block.view("<i2"), 0, list(native_sets), None, None)
    decoded = record_samples(block)
    if decoded is None:
        return None
    samples, kind, identification, stamps = decoded
    identifications = identification.tolist()
    sets_of = {k: set_of(k) for k in set(identifications)}
    return ShotRun(samples, kind, [sets_of[k] for k in identifications], identifications,
                   None if stamps is None else stamps.tolist())


def shot_records(block: np.ndarray, record_layout: bool, sample_bits: int,
                 set_of: Callable[[Optional[int]], Optional[int]],
                 native_sets: Sequence[Optional[int]]) -> Optional[List[Record]]:
    """The records of ``shot_run``, or None."""
    run = shot_run(block, record_layout, sample_bits, set_of, native_sets)
    return None if run is None else run.records()


_RECORD_GATES = np.dtype([
    ("word", "<u4"), ("kennung", "<i2"), ("unused", "<u2"),
    ("slots", [("amplitude", "<u2"), ("unused", "<u2"), ("time", "<u2"), ("status", "<u2")],
     (5,)),
    ("rest", "V8"),
])
_COMPACT = np.dtype([("es", "<u4"), ("gates", "<u4", (5,))])
# Gate B0 is in slot 5 of a gate results record, B1 to B4 in slots 1 to 4.
_SLOT_ORDER = [4, 0, 1, 2, 3]


# Gate results as arrays, one row per shot: gates B0 to B4 in that order (times of flight in
# samples, amplitudes on the 12-bit scale), the set (-1 where not known) and, where the card
# gives them, the echo-start values (-1 where not).
GATES = np.dtype([
    ("set", "<i2"), ("time", "<f8", (5,)), ("amplitude", "<i4", (5,)), ("marker", "?", (5,)),
    ("present", "?", (5,)), ("es_time", "<i8"), ("es_amplitude", "<i8"),
])


class GateRun:
    """The gate results records of one fetch, as arrays (``gates``, of GATES)."""

    __slots__ = ("gates", "sets", "identifications", "offsets", "compact")

    def __init__(self, gates: np.ndarray, sets: list, identifications: Optional[list],
                 offsets: list, compact: bool) -> None:
        self.gates = gates
        self.sets = sets
        self.identifications = identifications
        self.offsets = offsets
        self.compact = compact

    def records(self) -> List[Record]:
        g = self.gates
        times = (g["time"].astype(np.int64) if self.compact else g["time"]).tolist()
        values = [tuple(map(GateValue, t, a, m, p)) for t, a, m, p in zip(
            times, g["amplitude"].tolist(), g["marker"].tolist(), g["present"].tolist())]
        if self.compact:
            return [Record(type=0x40, set=s, gates=GateResults(v, d, a), offset=o)
                    for s, v, d, a, o in zip(self.sets, values, g["es_time"].tolist(),
                                             g["es_amplitude"].tolist(), self.offsets)]
        assert self.identifications is not None  # the record layout's runs carry them
        return [Record(type=0x40, identification=k, set=s, gates=GateResults(v), offset=o)
                for k, s, v, o in zip(self.identifications, self.sets, values, self.offsets)]


def _gate_run(sets: list, time: np.ndarray, amplitude: np.ndarray, marker: np.ndarray,
              present: np.ndarray) -> np.ndarray:
    gates = np.empty(len(sets), dtype=GATES)
    gates["set"] = [-1 if s is None else s for s in sets]
    gates["time"] = time
    gates["amplitude"] = amplitude
    gates["marker"] = marker
    gates["present"] = present
    gates["es_time"] = gates["es_amplitude"] = -1
    return gates


def _round_length(data: np.ndarray) -> tuple:
    """The gate results records before the first control word (the card ends each round of
    its sets with one) and True, or all of them and False."""
    records = data.size // _GATE_RECORD_BYTES
    for n in range(1, records + 1):
        at = n * _GATE_RECORD_BYTES
        if at + 4 > data.size:
            break
        if data[at + 2] == 0xFF and data[at + 3] == 0xFF:
            return n, True
    return records, False


def _gate_results_run(data: np.ndarray,
                      set_of: Callable[[Optional[int]], Optional[int]]) -> Optional[GateRun]:
    """Gate results records in rounds of equal length, each round followed by one control
    word, or records only."""
    per_round, words = _round_length(data)
    step = per_round * _GATE_RECORD_BYTES
    period = step + 4 if words else step
    if per_round == 0 or data.size % period:
        return None
    rounds = data.reshape(-1, period)
    if words and ((rounds[:, step + 2] != 0xFF) | (rounds[:, step + 3] != 0xFF)).any():
        return None
    records = np.ascontiguousarray(rounds[:, :step]).view(_RECORD_GATES).reshape(-1)
    word = records["word"]
    # A control word (upper half 0xFFFF) or a time-stamp prefix where a record should be.
    if ((word & 0xFF) != 0x40).any() or ((word >> 16) == 0xFFFF).any():
        return None
    slots = records["slots"][:, _SLOT_ORDER]
    status = slots["status"]
    identifications = records["kennung"].tolist()
    sets_of = {k: set_of(k) for k in set(identifications)}
    sets = [sets_of[k] for k in identifications]
    gates = _gate_run(sets, slots["time"] / 2, slots["amplitude"], status & 0x4000 != 0,
                      status & 0x8000 != 0)
    index = np.arange(len(records))
    offsets = (index // per_round * period + index % per_round * _GATE_RECORD_BYTES).tolist()
    return GateRun(gates, sets, identifications, offsets, False)


def gate_run(data: np.ndarray, record_layout: bool,
             set_of: Callable[[Optional[int]], Optional[int]],
             active: Sequence[int]) -> Optional[GateRun]:
    """The gate results records of one fetch, as the decoder gives them: gate results records
    in rounds followed by a control word each, or without (record layout), or compact entries
    of the ``active`` sets in turn (native layout). None where the data is not regular."""
    if record_layout:
        return _gate_results_run(data, set_of)
    if data.size % _COMPACT_ENTRY_BYTES or not active:
        return None
    entries = data.view(_COMPACT)
    words = entries["gates"]
    sets = [active[n % len(active)] for n in range(len(entries))]
    gates = _gate_run(sets, words & 0xFFFFF, (words >> 22) * 4, words & 0x100000 != 0,
                      words & 0x200000 != 0)
    gates["es_time"] = entries["es"] & 0xFFFFF
    gates["es_amplitude"] = (entries["es"] >> 22) * 4
    return GateRun(gates, sets, None, list(range(0, data.size, _COMPACT_ENTRY_BYTES)), True)


def gate_records(data: np.ndarray, record_layout: bool,
                 set_of: Callable[[Optional[int]], Optional[int]],
                 active: Sequence[int]) -> Optional[List[Record]]:
    """The records of ``gate_run``, or None."""
    run = gate_run(data, record_layout, set_of, active)
    return None if run is None else run.records()
