"""Many shots and gate results at a time: a stream's blocks decoded by the decoder library into
NumPy arrays, one call a run of equal blocks or a gate results fetch instead of one walk per
shot (KARVO7StreamDecodeShots, KARVO7StreamDecodeGates). Runs keep the arrays and make records
only when they are asked for.
"""

from __future__ import annotations

import ctypes
from ctypes import POINTER, Structure, c_int32, c_int64, c_uint8, c_uint32, c_uint64, c_void_p
from typing import Any, Callable, List, Optional, Sequence

import numpy as np

from . import _stream
from .records import GateResults, GateValue, Layout, Record, _options


class _GateArrays(Structure):
    _fields_ = [
        ("capacity", c_uint32),
        ("sets", POINTER(c_int32)),
        ("time", POINTER(c_uint32)),
        ("amplitude", POINTER(c_uint32)),
        ("marker", POINTER(c_uint8)),
        ("present", POINTER(c_uint8)),
        ("es_distance", POINTER(c_int64)),
        ("es_amplitude", POINTER(c_int64)),
        ("offset", POINTER(c_uint64)),
    ]


_SIGNATURES = {
    "KARVO7StreamDecodeShots": (c_int32, [c_void_p, c_uint64, c_void_p, c_uint64, c_uint32,
                                          POINTER(_stream.Options), c_void_p, c_uint32, c_void_p,
                                          c_void_p, c_void_p, POINTER(c_uint32)]),
    "KARVO7StreamDecodeGates": (c_int32, [c_void_p, c_uint64, POINTER(_stream.Options),
                                          POINTER(_GateArrays)]),
}
_declared: Optional[ctypes.CDLL] = None


def _library() -> ctypes.CDLL:
    global _declared
    if _declared is None:
        library = _stream.stream_library()
        for name, (result, arguments) in _SIGNATURES.items():
            function = getattr(library, name)
            function.restype = result
            function.argtypes = arguments
        _declared = library
    return _declared


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


def _first_shot_samples(data: np.ndarray, at: int, size: int, options: _stream.Options) -> int:
    """The samples of the shot in the block at byte ``at``, as the decoder counts them; 0 for
    no shot."""
    for item in _stream.walk(data.ctypes.data + at, size, options):
        if item.kind in (_stream.ITEM_RECORD, _stream.ITEM_NATIVE_SAMPLES):
            return int(item.sample_count)
        return 0
    return 0


def shot_run(data: np.ndarray, offsets: Optional[np.ndarray], size: int, count: int,
             record_layout: bool, sample_bits: int,
             set_of: Callable[[Optional[int]], Optional[int]],
             native_sets: Sequence[Optional[int]]) -> Optional[ShotRun]:
    """The leading blocks of a run of ``count`` blocks of ``size`` bytes in ``data`` (a
    C-contiguous byte array; block n at ``offsets[n]``, or one after another from its start
    without offsets) that are each one shot of the first one's length and kind, decoded as the
    decoder takes them block by block: in the record layout with the set of each record's
    identification (``set_of``), in the native layout with the set ``native_sets`` names for
    each block. None where not even the first block is one; the caller decodes the blocks after
    the run's."""
    if count == 0 or sample_bits != 16:
        return None
    options = _options(Layout.RECORD if record_layout else Layout.NATIVE, 16, False, 0)
    first = int(offsets[0]) if offsets is not None else 0
    row = size // 2 if not record_layout else _first_shot_samples(data, first, size, options)
    if row == 0:
        return None
    samples = np.empty((count, row), dtype=np.int16)
    types = np.empty(count, dtype=np.uint32)
    kennungen = np.empty(count, dtype=np.int32)
    zeiten = np.empty(count, dtype=np.uint32)
    prefixed = c_uint32(0)
    places = None if offsets is None else np.ascontiguousarray(offsets, dtype=np.uint64)
    taken = _library().KARVO7StreamDecodeShots(
        data.ctypes.data, data.size, None if places is None else places.ctypes.data, size,
        count, ctypes.byref(options), samples.ctypes.data, row, types.ctypes.data,
        kennungen.ctypes.data, zeiten.ctypes.data, ctypes.byref(prefixed))
    if taken <= 0:
        return None
    if not record_layout:
        return ShotRun(samples[:taken], 0, list(native_sets[:taken]), None, None)
    # A run's records are all of the first one's type: a block of another stops it.
    kind = int(types[0])
    same = int(np.argmin(types[:taken] == kind)) if (types[:taken] != kind).any() else taken
    identifications = kennungen[:same].tolist()
    sets_of = {k: set_of(k) for k in set(identifications)}
    return ShotRun(samples[:same], kind, [sets_of[k] for k in identifications], identifications,
                   zeiten[:same].tolist() if prefixed.value else None)


def shot_records(block: np.ndarray, record_layout: bool, sample_bits: int,
                 set_of: Callable[[Optional[int]], Optional[int]],
                 native_sets: Sequence[Optional[int]]) -> Optional[List[Record]]:
    """The records of the blocks of ``block`` (a row each) when ``shot_run`` takes them all,
    else None."""
    rows = np.ascontiguousarray(block)
    run = shot_run(rows.reshape(-1), None, rows.shape[1], rows.shape[0], record_layout,
                   sample_bits, set_of, native_sets)
    return None if run is None or len(run.sets) != len(rows) else run.records()


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


# Gate results records take 56 bytes, compact entries 24: no fetch holds more rows.
_RECORD_BYTES = 56
_ENTRY_BYTES = 24


def _pointer(array: np.ndarray, kind: Any) -> Any:
    """A pointer to the first element of ``array`` for a field of _GateArrays."""
    return ctypes.cast(array.ctypes.data, POINTER(kind))


def gate_run(data: np.ndarray, record_layout: bool,
             set_of: Callable[[Optional[int]], Optional[int]],
             active: Sequence[int]) -> Optional[GateRun]:
    """The gate results of one fetch as the decoder gives them: gate results records with
    control words between them (record layout), or compact entries of the ``active`` sets in
    turn (native layout). None where the data holds anything else."""
    if not record_layout and not active:
        return None
    data = np.ascontiguousarray(data)
    capacity = data.size // (_RECORD_BYTES if record_layout else _ENTRY_BYTES)
    sets = np.empty(capacity, dtype=np.int32)
    time = np.empty((capacity, 5), dtype=np.uint32)
    amplitude = np.empty((capacity, 5), dtype=np.uint32)
    marker = np.empty((capacity, 5), dtype=np.uint8)
    present = np.empty((capacity, 5), dtype=np.uint8)
    es_distance = np.empty(capacity, dtype=np.int64)
    es_amplitude = np.empty(capacity, dtype=np.int64)
    offsets = np.empty(capacity, dtype=np.uint64)
    out = _GateArrays(capacity, _pointer(sets, c_int32), _pointer(time, c_uint32),
                      _pointer(amplitude, c_uint32), _pointer(marker, c_uint8),
                      _pointer(present, c_uint8), _pointer(es_distance, c_int64),
                      _pointer(es_amplitude, c_int64), _pointer(offsets, c_uint64))
    layout = Layout.RECORD if record_layout else Layout.NATIVE
    options = _options(layout, 16, not record_layout,
                       0 if record_layout else sum(1 << s for s in active if 1 <= s <= 6))
    rows = _library().KARVO7StreamDecodeGates(data.ctypes.data, data.size,
                                              ctypes.byref(options), ctypes.byref(out))
    if rows <= 0:
        return None
    gates = np.empty(rows, dtype=GATES)
    gates["amplitude"] = amplitude[:rows]
    gates["marker"] = marker[:rows] != 0
    gates["present"] = present[:rows] != 0
    gates["es_time"] = es_distance[:rows]
    gates["es_amplitude"] = es_amplitude[:rows]
    offset_list = offsets[:rows].tolist()
    if not record_layout:
        gates["time"] = time[:rows]
        set_list = sets[:rows].tolist()
        gates["set"] = set_list
        return GateRun(gates, set_list, None, offset_list, True)
    gates["time"] = time[:rows] / 2  # a record's times are in half samples
    identifications = sets[:rows].tolist()
    sets_of = {k: set_of(k) for k in set(identifications)}
    set_list = [sets_of[k] for k in identifications]
    gates["set"] = [-1 if s is None else s for s in set_list]
    return GateRun(gates, set_list, identifications, offset_list, False)


def gate_records(data: np.ndarray, record_layout: bool,
                 set_of: Callable[[Optional[int]], Optional[int]],
                 active: Sequence[int]) -> Optional[List[Record]]:
    """The records of ``gate_run``, or None."""
    run = gate_run(data, record_layout, set_of, active)
    return None if run is None else run.records()
