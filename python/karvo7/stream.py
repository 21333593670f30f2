"""A continuous block measurement as an iterator of records.

The card measures the active sets round after round into its data FIFO, one block per shot;
each read takes one block. The gate results gather on the card and are fetched every few
shots. The iterator stops the card and empties its FIFO when it ends, is closed, or is
garbage-collected.
"""

from __future__ import annotations

import time
import weakref
from ctypes import byref, c_uint32
from collections import deque
from typing import Any, Deque, Dict, Iterator, Optional

import numpy as np

from .errors import Error
from .params import ParameterSet
from .records import Record

# Gate results are fetched after this many shots (and at the end).
RESULTS_EVERY = 32
RESULTS_BYTES = 65536
MAX_BLOCK_BYTES = 131072


def _sets_of(card: Any, sets: Any) -> Dict[int, ParameterSet]:
    if isinstance(sets, ParameterSet):
        return {1 if card.is_version3 else 0: sets}
    if isinstance(sets, dict):
        chosen = dict(sorted(sets.items()))
    elif isinstance(sets, (list, tuple)):
        chosen = {n: s for n, s in enumerate(sets) if s is not None}
    else:
        raise ValueError("sets: a ParameterSet, or a mapping of set numbers to ParameterSets")
    if not chosen:
        raise ValueError("a stream needs at least one set")
    if not card.is_version3 and list(chosen) != [0]:
        raise ValueError(f"card {card.number} is not a version-3 card: it measures set 0 only")
    for number, parameters in chosen.items():
        card._check_set_number(number)
        if not isinstance(parameters, ParameterSet):
            raise ValueError(f"set {number}: a ParameterSet is needed")
        parameters.validate()
    return chosen


class Stream:
    """Iterator of a continuous block measurement; see ``Card.stream``."""

    def __init__(self, card: Any, sets: Any, count: Optional[int], seconds: Optional[float],
                 results: bool, lost_shots: str = "raise") -> None:
        if lost_shots not in ("raise", "count"):
            raise ValueError(f"lost_shots: 'raise' or 'count', not {lost_shots!r}")
        self._count_losses = lost_shots == "count"
        self.overflows = 0  # times the FIFO ran over (lost_shots="count")
        self._order_known = True
        if count is not None and (isinstance(count, bool) or not isinstance(count, int)
                                  or count < 0):
            raise ValueError(f"count must be a non-negative integer, not {count!r}")
        if seconds is not None and not seconds >= 0:
            raise ValueError(f"seconds must be non-negative, not {seconds!r}")
        self._card = card
        self._sets = _sets_of(card, sets)
        self._order = list(self._sets)  # the run measures the active sets in ascending order
        self._count = count
        self._seconds = seconds
        self._results = results and any(
            any(g.enable for g in s.gates[1:]) for n, s in self._sets.items() if n >= 1
        )
        self._shots = 0
        self._shots_of: Dict[Optional[int], int] = {}  # data records read, by set
        self._gates_of: Dict[Optional[int], int] = {}  # gate results handed out, by set
        self._pending: Deque[Record] = deque()
        self._running = False
        self._finished = False
        self._scratch = np.empty(MAX_BLOCK_BYTES, dtype=np.uint8)
        self._result_buffer = np.empty(RESULTS_BYTES, dtype=np.uint8)
        self._start()

    # ---- start and stop -----------------------------------------------------------------

    def _start(self) -> None:
        card = self._card
        with card._lock:
            if card._streaming:
                raise ValueError(f"card {card.number} is streaming already")
            version3 = card.is_version3
            for number, parameters in self._sets.items():
                card.apply(parameters, number, start=1 if version3 else 3)
            card._call("KARVO7SetMode", 1)
            # Nothing from before, no overflow pending: the stream holds its own shots only.
            self._stop_card()
            if version3:
                card.activate(self._order)
                card._call("KARVO7StartParam", self._order[0])
            else:
                card._call("KARVO7Start")
            card._streaming = True
            card._stream = weakref.ref(self)
            self._running = True
            self._deadline = (time.monotonic() + self._seconds
                              if self._seconds is not None else None)

    def _stop_card(self) -> None:
        """Stops the card and empties its FIFO, whatever it was doing (a card that does not
        measure refuses the stop)."""
        card = self._card
        card._library.KARVO7Stop(card._h(), byref(c_uint32(0)))
        card._call("KARVO7ClearFIFO")

    def close(self) -> None:
        """Stops the card and empties its FIFO; closing again does nothing."""
        if not self._running:
            return
        self._end(stopped=False)

    def _end(self, stopped: bool) -> None:
        """The stream is over: the card is stopped (unless ``stopped`` already) and its FIFO
        emptied, so that nothing of the stream is left for the next measurement."""
        self._running = False
        self._finished = True
        card = self._card
        with card._lock:
            card._streaming = False
            if card.closed:
                return
            error = c_uint32(0)
            if not stopped and card._library.KARVO7Stop(card._h(), byref(error)) == 0:
                card._library.KARVO7ClearFIFO(card._h(), byref(c_uint32(0)))
                raise Error("KARVO7Stop", error.value)
            card._call("KARVO7ClearFIFO")

    def __enter__(self) -> "Stream":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass

    # ---- iteration ----------------------------------------------------------------------

    @property
    def shots(self) -> int:
        """Shots read so far."""
        return self._shots

    def __iter__(self) -> Iterator[Record]:
        return self

    def _done(self) -> bool:
        if self._count is not None and self._shots >= self._count:
            return True
        return self._deadline is not None and time.monotonic() >= self._deadline

    def __next__(self) -> Record:
        while not self._pending:
            if self._finished:
                raise StopIteration
            if self._done():
                self._finish()
                continue
            try:
                self._read_shot()
            except BaseException:
                self.close()
                raise
        return self._pending.popleft()

    def _finish(self) -> None:
        """The last shot is read: the card stops, the gate results it gathered are fetched,
        and the FIFO is emptied."""
        card = self._card
        with card._lock:
            error = c_uint32(0)
            if card._library.KARVO7Stop(card._h(), byref(error)) == 0:
                self._end(stopped=True)
                raise Error("KARVO7Stop", error.value)
            try:
                if self._results:
                    self._fetch_results(last=True)
            finally:
                self._end(stopped=True)

    def _read_shot(self) -> None:
        card = self._card
        with card._lock:
            count = c_uint32(MAX_BLOCK_BYTES)
            error = c_uint32(0)
            if card._library.KARVO7GetData(card._h(), byref(count), self._scratch.ctypes.data,
                                           byref(error)) == 0:
                if self._count_losses and card.fifo_overflowed():
                    # Shots were lost: counted, the FIFO emptied, and the run goes on.
                    self.overflows += 1
                    card._call("KARVO7ClearFIFO")
                    self._order_known = len(self._order) == 1
                    return
                raise Error("KARVO7GetData", error.value)
            # The records are views on a buffer of their own, which the next read leaves alone.
            block = self._scratch[: count.value].copy()
            native_set = self._order[self._shots % len(self._order)] \
                if self._order_known else None
            records = card._decode_block(block, self._sets, native_set)
            for record in records:
                self._shots_of[record.set] = self._shots_of.get(record.set, 0) + 1
            self._shots += 1
            if self._results and self._shots % RESULTS_EVERY == 0:
                self._pending.extend(records)
                self._fetch_results()
                return
        self._pending.extend(records)

    def _fetch_results(self, last: bool = False) -> None:
        """Fetches the gate results gathered on the card. The ``last`` fetch, after the card
        stopped, keeps only the results of shots whose data was read: the card may have shot
        once more before it stopped."""
        card = self._card
        count = c_uint32(RESULTS_BYTES)
        card._call("KARVO7GetResults", 0, byref(count), self._result_buffer.ctypes.data)
        if count.value == 0:
            return
        block = self._result_buffer[: count.value].copy()
        for record in card._decode_block(block, self._sets, self._order[0], gates=True):
            if last and self._gates_of.get(record.set, 0) >= self._shots_of.get(record.set, 0):
                continue
            self._gates_of[record.set] = self._gates_of.get(record.set, 0) + 1
            self._pending.append(record)
