"""A stream's shots and gate results as NumPy arrays, many at a time, for programs that work
on whole arrays: no Python object per shot."""

from __future__ import annotations

from dataclasses import dataclass
from typing import List, Optional, Sequence

import numpy as np

from ._runs import GATES, GateRun, ShotRun
from .errors import RefusedValue
from .records import Record


@dataclass
class Shots:
    """Shots in the order they were taken, and the gate results records among them in theirs.

    ``samples`` has a row of samples per shot (signed 16 bits, as ``Record.samples``);
    ``sets`` the set of each shot (-1 where not known); ``time_stamps`` the time-stamp of each
    shot where every shot has one (externally triggered sets), else None. ``gates`` has a row
    per gate results record (dtype GATES): ``set``, and for gates B0 to B4 ``time`` (in
    samples), ``amplitude`` (12-bit scale), ``marker`` and ``present``, and ``es_time`` and
    ``es_amplitude`` where the card gives them (native layout), else -1."""

    samples: np.ndarray
    sets: np.ndarray
    time_stamps: Optional[np.ndarray]
    gates: np.ndarray

    @classmethod
    def of(cls, pieces: Sequence[object], width: int = 0) -> "Shots":
        """The arrays of runs taken apart together and of single records; ``width`` is the
        samples a shot records, the width of ``samples`` when the pieces hold no shot (so that
        the batches of a stream can be joined whether or not each holds shots)."""
        samples: List[np.ndarray] = []
        sets: List[Optional[int]] = []
        stamps: List[Optional[int]] = []
        gates: List[np.ndarray] = []
        for piece in pieces:
            if isinstance(piece, ShotRun):
                samples.append(piece.samples)
                sets.extend(piece.sets)
                stamps.extend(piece.time_stamps or [None] * len(piece.sets))
            elif isinstance(piece, GateRun):
                gates.append(piece.gates)
            elif isinstance(piece, Record) and piece.is_gates:
                gates.append(_gate_row(piece))
            elif isinstance(piece, Record):
                samples.append(piece.samples[np.newaxis, :])
                sets.append(piece.set)
                stamps.append(piece.time_stamp)
        if len({part.shape[1] for part in samples}) > 1:
            raise RefusedValue("the shots record different numbers of samples: take them as "
                             "records (next_records)")
        return cls(
            _joined(samples, np.empty((0, width), dtype=np.int16)),
            np.array([-1 if s is None else s for s in sets], dtype=np.int16),
            None if not stamps or None in stamps else np.array(stamps, dtype=np.uint32),
            _joined(gates, np.empty(0, dtype=GATES)),
        )


def _joined(parts: List[np.ndarray], empty: np.ndarray) -> np.ndarray:
    """One array of the parts (a single part as it is: no copy)."""
    return parts[0] if len(parts) == 1 else np.concatenate(parts) if parts else empty


def _gate_row(record: Record) -> np.ndarray:
    """A gate results record the decoder took apart, as a row of GATES."""
    row = np.empty(1, dtype=GATES)
    results = record.gates
    assert results is not None
    row["set"] = -1 if record.set is None else record.set
    row["time"] = [g.time for g in results.gates]
    row["amplitude"] = [g.amplitude for g in results.gates]
    row["marker"] = [g.marker for g in results.gates]
    row["present"] = [bool(g.present) for g in results.gates]
    row["es_time"] = -1 if results.es_time is None else results.es_time
    row["es_amplitude"] = -1 if results.es_amplitude is None else results.es_amplitude
    return row
