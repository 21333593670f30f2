"""A continuous block measurement as an iterator of records.

The card measures the active sets round after round into its data FIFO, one block per shot.
The acquisition engine (libKARVO7Acquire) reads them on a thread of its own, which nothing
the interpreter does can hold up, into a ring buffer on the host, and fetches the gate results
every few shots; the iterator takes many shots and results at a time out of that buffer. Shots
the card lost are never passed over in silence. The iterator stops the card and empties its
FIFO when it ends, is closed, or is garbage-collected.
"""

from __future__ import annotations

import threading
import time
import weakref
from ctypes import byref, c_uint32, c_void_p
from collections import Counter, deque
from typing import Any, Deque, Dict, Iterator, List, Optional, Union

import numpy as np

from . import _cdefs, _runs
from .card import _refusal
from .errors import CardClosed, Error, FifoOverflow, RefusedValue, WrongType, check_index, failure
from .params import ParameterSet
from .records import Layout, Record
from .shots import Shots

# Gate results are fetched after this many shots (and at the end): 6.4 ms at the card's
# highest rate, an eighth of what its gate results store holds of one set's results, and
# few enough fetches that taking them apart costs little a shot.
RESULTS_EVERY = 128
RESULTS_BYTES = 65536
# The ring buffer holds this long at the card's highest rate, and no more than BUFFER_BYTES.
BUFFER_MS = 1000
BUFFER_BYTES = 256 << 20
# What one take out of the ring buffer may hold at most.
TAKE_BYTES = 4 << 20
TAKE_ITEMS = 1024
# A take waits until the engine has this many items, or this long, so that shots are taken a
# few hundred at a time rather than one by one (the ring buffer holds a second of them).
GATHER_ITEMS = 256
GATHER_WAIT_MS = 10

_ITEM = np.dtype([("kind", "<u4"), ("bytes", "<u4"), ("offset", "<u8"), ("value", "<u8")])


def _sets_of(card: Any, sets: Any) -> Dict[int, ParameterSet]:
    if isinstance(sets, ParameterSet):
        return {1 if card.is_version3 else 0: sets}
    if isinstance(sets, dict):
        chosen = dict(sorted(sets.items()))
    elif isinstance(sets, (list, tuple)):
        chosen = {n: s for n, s in enumerate(sets) if s is not None}
    else:
        raise WrongType("sets: a ParameterSet, or a mapping of set numbers to ParameterSets")
    if not chosen:
        raise RefusedValue("a stream needs at least one set")
    if not card.is_version3 and list(chosen) != [0]:
        raise RefusedValue(f"card {card.number} is not a version-3 card: it measures set 0 only")
    for number, parameters in chosen.items():
        card._check_set_number(number)
        if not isinstance(parameters, ParameterSet):
            raise WrongType(f"set {number}: a ParameterSet is needed")
        parameters.validate()
    return chosen


class Stream:
    """Iterator of a continuous block measurement; see ``Card.stream``."""

    def __init__(self, card: Any, sets: Any, count: Optional[int], seconds: Optional[float],
                 results: bool, lost_shots: str = "raise") -> None:
        if lost_shots not in ("raise", "count"):
            raise RefusedValue(f"lost_shots: 'raise' or 'count', not {lost_shots!r}")
        self._count_losses = lost_shots == "count"
        self.lost = 0  # shots lost so far (lost_shots="count")
        self._overflows = 0  # overflow events, once the engine is gone
        self._order_known = True
        if count is not None and check_index("count", count) < 0:
            raise RefusedValue(f"count must be a non-negative integer, not {count!r}")
        if seconds is not None and not seconds >= 0:
            raise RefusedValue(f"seconds must be non-negative, not {seconds!r}")
        self._card = card
        self._sets = _sets_of(card, sets)
        self._order = list(self._sets)  # the run measures the active sets in ascending order
        self._active = sorted(s for s in self._sets if 1 <= s <= 6)  # with gate entries
        self._count = count
        self._seconds = seconds
        self._results = results and any(
            any(g.enable for g in s.gates[1:]) for n, s in self._sets.items() if n >= 1
        )
        self._shots = 0
        self._shots_of: Dict[Optional[int], int] = {}  # data records read, by set
        self._gates_of: Dict[Optional[int], int] = {}  # gate results handed out, by set
        # Records, and runs of shots or gate results taken apart together, in their order.
        self._pending: Deque[Union[Record, _runs.ShotRun, _runs.GateRun]] = deque()
        self._running = False
        self._finished = False
        self._stopping = False
        self._engine = c_void_p()
        # One thread at a time takes from the engine (the engine's rule for its consumer): a
        # thread reading the stream holds this while it takes, and a close from another thread
        # waits for it, after asking it (_closing) to let go between two takes. The engine is
        # freed only under it, so that no take is ever inside a freed engine.
        self._turn = threading.Condition(threading.RLock())
        self._closing = False
        # Guards the engine's lifetime for its statistics, which any thread may ask for.
        self._engine_lock = threading.Lock()
        # Raised once by the next take: the card was closed while the stream ran.
        self._interrupted: Optional[Error] = None
        self._acquire = _cdefs.acquire_library()
        self._width = 0
        self._data = np.empty(TAKE_BYTES, dtype=np.uint8)
        self._items = np.zeros(TAKE_ITEMS, dtype=_ITEM)
        self._start()

    # ---- start and stop -----------------------------------------------------------------

    def _start(self) -> None:
        card = self._card
        with card._lock:
            card._h()  # a closed card, or one being closed, starts no stream
            if card._streaming:
                raise RefusedValue(f"card {card.number} is streaming already")
            layout = self._prepare()
            # What a shot of the sets records (0 where they differ): a batch of gate results
            # alone still has samples as wide as the shots of the others.
            self._width = int(layout.samplesPerShot)
            if self._count == 0:
                # No shot to take: the card is left stopped with an empty FIFO, as after any
                # stream.
                self._finished = True
                return
            settings = _cdefs.AcqSettings()
            self._acquire.K7AcqDefaults(byref(settings))
            settings.shotBytes = layout.shotBytes
            settings.shotsPerSecond = layout.shotsPerSecond
            settings.bufferMs = BUFFER_MS
            settings.maxBufferBytes = BUFFER_BYTES
            settings.resultsEvery = RESULTS_EVERY if self._results else 0
            settings.resultsBytes = RESULTS_BYTES
            settings.startSet = layout.startSet
            settings.shotCount = self._count or 0
            error = c_uint32(0)
            # The engine empties the FIFO before it starts the card: the stream holds its own
            # shots only.
            if self._acquire.K7AcqStart(card._h(), byref(settings), byref(self._engine),
                                        byref(error)) == 0:
                raise failure("K7AcqStart", error.value)
            card._streaming = True
            card._stream = weakref.ref(self)
            self._running = True
            self._deadline = (time.monotonic() + self._seconds
                              if self._seconds is not None else None)

    def _prepare(self) -> _cdefs.OpsStreamLayout:
        """Has the card operations prepare the sets as ``karvo7 stream`` and the check
        program's data-rate runs prepare theirs: each set handed to the card with start code
        3, the sets made the active ones (version-3 cards), the first one selected, the card
        left stopped with an empty FIFO. Returns what the engine is given."""
        card = self._card
        records = (_cdefs.OpsSet * _cdefs.OPS_SETS)()
        tables = []
        for number, parameters in self._sets.items():
            records[number], table = card._ops_record(parameters, number, 3)
            tables.append(table)  # kept until the records are sent
        layout = _cdefs.OpsStreamLayout()
        failed, step, error = c_uint32(0), c_uint32(0), c_uint32(0)
        wanted = _cdefs.OPS_LAYOUT_RECORD if card.layout is Layout.RECORD \
            else _cdefs.OPS_LAYOUT_NATIVE
        if _cdefs.ops_library().K7OpsPrepareStream(
                card._h(), records, sum(1 << n for n in self._sets), wanted, 1, byref(layout),
                byref(failed), byref(step), byref(error)) == 0:
            raise _refusal(self._sets.get(failed.value, next(iter(self._sets.values()))),
                           step.value, error.value, "K7OpsPrepareStream")
        del tables
        return layout

    def close(self) -> None:
        """Stops the card and empties its FIFO; closing again does nothing. Records not taken
        yet are dropped: the iterator ends. Called from another thread while one reads the
        stream, it waits until that thread's take is over."""
        self._stop(None)

    def _card_closed(self) -> None:
        """Ends the stream because its card is being closed (by another thread, as a rule):
        the next take raises CardClosed once, then the iterator ends."""
        self._stop(self._card.number)

    def _stop(self, closed_card: Optional[int]) -> None:
        self._closing = True
        with self._turn:
            try:
                dropped = bool(self._pending)
                self._pending.clear()
                running = self._running
                if running:
                    self._end()
                if closed_card is not None and (running or dropped):
                    self._interrupted = CardClosed(
                        f"card {closed_card} was closed while its stream ran: the stream "
                        f"ended after {self._shots} shots")
            finally:
                self._closing = False
                self._turn.notify_all()

    def _end(self) -> None:
        """The stream is over: the engine has stopped the card (or is stopped now) and
        emptied its FIFO, so that nothing of the stream is left for the next measurement."""
        self._running = False
        self._finished = True
        card = self._card
        with card._lock:
            card._streaming = False
            with self._engine_lock:
                engine, self._engine = self._engine, c_void_p()
                if engine:
                    statistics = _cdefs.AcqStatistics()
                    self._acquire.K7AcqGetStatistics(engine, byref(statistics))
                    self._overflows = int(statistics.overflowEvents)
                    self._acquire.K7AcqClose(engine)

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

    @property
    def overflows(self) -> int:
        """Times the card's FIFO ran over so far."""
        statistics = self._statistics()
        return int(statistics.overflowEvents) if statistics is not None else self._overflows

    def _statistics(self) -> Optional[_cdefs.AcqStatistics]:
        """The engine's statistics; None once it is freed."""
        with self._engine_lock:
            if not self._engine:
                return None
            statistics = _cdefs.AcqStatistics()
            self._acquire.K7AcqGetStatistics(self._engine, byref(statistics))
            return statistics

    def __iter__(self) -> Iterator[Record]:
        return self

    def _fill(self) -> bool:
        """Takes from the engine until something is pending; False once the stream ended.
        Called with the turn held; a close from another thread waits for it between takes.

        Raises:
            CardClosed: once, when the card was closed while the stream ran.
        """
        while not self._pending:
            if self._interrupted is not None:
                interrupted, self._interrupted = self._interrupted, None
                raise interrupted
            if self._finished:
                return False
            try:
                if (not self._stopping and self._deadline is not None
                        and time.monotonic() >= self._deadline):
                    self._stopping = True
                    self._acquire.K7AcqStop(self._engine, byref(c_uint32(0)))
                self._take()
            except BaseException:
                self.close()
                raise
            if self._closing:
                self._turn.wait_for(lambda: not self._closing)
        return True

    def __next__(self) -> Record:
        with self._turn:
            if not self._fill():
                raise StopIteration
            piece = self._pending.popleft()
            if isinstance(piece, Record):
                return piece
            records = piece.records()
            self._pending.extendleft(reversed(records[1:]))
            return records[0]

    def next_records(self) -> List[Record]:
        """The records read so far and not yet taken, at least one unless the stream has
        ended: many records at a time instead of one per call.

        Raises:
            FifoOverflow: shots were lost, with ``lost_shots="raise"``.
            Error: a read of the card failed.
        """
        with self._turn:
            if not self._fill():
                return []
            records: List[Record] = []
            for piece in self._pending:
                if isinstance(piece, Record):
                    records.append(piece)
                else:
                    records.extend(piece.records())
            self._pending.clear()
            return records

    def next_arrays(self) -> Optional[Shots]:
        """The shots and gate results read so far and not yet taken, as arrays (see Shots),
        with at least one of them unless the stream has ended (then None): no Python object
        per shot. The shots' samples are one array, so their sets must record as many samples
        each.

        Raises:
            RefusedValue: the shots record different numbers of samples (nothing is taken).
            FifoOverflow: shots were lost, with ``lost_shots="raise"``.
            Error: a read of the card failed.
        """
        with self._turn:
            if not self._fill():
                return None
            shots = Shots.of(list(self._pending), self._width)
            self._pending.clear()
            return shots

    def _take(self) -> None:
        """Takes what the engine has: shots, gate results, losses and the end."""
        if not self._count_losses:
            statistics = self._statistics()
            lost = int(statistics.shotsLost) if statistics is not None else 0
            if lost > 0:
                raise FifoOverflow(lost)  # at once, before the shots that came before it
        count = c_uint32(0)
        error = c_uint32(0)
        if self._acquire.K7AcqReadBatch(self._engine, self._data.ctypes.data, TAKE_BYTES,
                                        self._items.ctypes.data, TAKE_ITEMS, GATHER_ITEMS,
                                        GATHER_WAIT_MS, byref(count), byref(error)) == 0:
            raise failure("K7AcqReadBatch", error.value)
        items = self._items[: count.value]
        kinds = items["kind"]
        # A loss or the end stands in its place; the shots between them are taken apart
        # together, followed by the gate results fetched among them.
        breaks = np.flatnonzero((kinds == _cdefs.ACQ_ITEM_LOSS)
                                | (kinds == _cdefs.ACQ_ITEM_END)).tolist()
        begin = 0
        for at in breaks + [count.value]:
            part = items[begin:at]
            shots = part["kind"] == _cdefs.ACQ_ITEM_SHOT
            if shots.any():
                self._shot_run(part[shots])
            for item in part[~shots]:
                self._other(item)
            if at < count.value:
                self._other(items[at])
            begin = at + 1

    def _other(self, item: np.void) -> None:
        kind, value = int(item["kind"]), int(item["value"])
        if kind in (_cdefs.ACQ_ITEM_RESULTS, _cdefs.ACQ_ITEM_FINAL_RESULTS):
            offset, size = int(item["offset"]), int(item["bytes"])
            self._gates(self._data[offset:offset + size].copy(),
                        kind == _cdefs.ACQ_ITEM_FINAL_RESULTS)
        elif kind == _cdefs.ACQ_ITEM_RESULTS_ERROR:
            raise failure("KARVO7GetResults", value)
        elif kind == _cdefs.ACQ_ITEM_LOSS:
            self._lost(value)
        elif kind == _cdefs.ACQ_ITEM_END:
            self._ended(value)

    def _shot_run(self, items: np.ndarray) -> None:
        """Shots in their order. Blocks of one size are decoded together into the rows of one
        array (the records are views on it, which the next take leaves alone); what that cannot
        take goes block by block to the decoder."""
        sizes = items["bytes"]
        offsets = items["offset"]
        size = int(sizes[0])
        if (sizes == size).all():
            run = self._run_of(offsets, size)
            if run is not None:
                self._shots += len(run.sets)
                for number, taken in Counter(run.sets).items():
                    self._shots_of[number] = self._shots_of.get(number, 0) + taken
                self._pending.append(run)
                # The blocks after the run's go to the decoder one by one.
                sizes, offsets = sizes[len(run.sets):], offsets[len(run.sets):]
        for offset, size in zip(offsets.tolist(), sizes.tolist()):
            self._shot(self._data[offset:offset + size].copy())

    def _run_of(self, offsets: np.ndarray, size: int) -> Optional[_runs.ShotRun]:
        """The shots of the blocks of ``size`` bytes at ``offsets`` in the data buffer,
        decoded from it into an array of their own."""
        card = self._card
        count = len(offsets)
        if card.layout is Layout.RECORD:
            return _runs.shot_run(self._data, offsets, size, count, True, 16,
                                  card.set_of_identification, ())
        if not self._order_known or any(s.bit8 for s in self._sets.values()):
            return None
        turns = len(self._order)
        native_sets = [self._order[(self._shots + k) % turns] for k in range(count)]
        return _runs.shot_run(self._data, offsets, size, count, False, 16,
                              card.set_of_identification, native_sets)

    def _shot(self, block: np.ndarray) -> None:
        native_set = self._order[self._shots % len(self._order)] if self._order_known else None
        records = self._card._decode_block(block, self._sets, native_set)
        for record in records:
            self._shots_of[record.set] = self._shots_of.get(record.set, 0) + 1
        self._shots += 1
        self._pending.extend(records)

    def _gates(self, block: np.ndarray, last: bool) -> None:
        """Gate results. The ``last`` fetch, after the card stopped, keeps only the results of
        shots whose data was read: the card may have shot once more before it stopped."""
        card = self._card
        run = _runs.gate_run(block, card.layout is Layout.RECORD, card.set_of_identification,
                              self._active)
        if run is not None and not last:
            for number, taken in Counter(run.sets).items():
                self._gates_of[number] = self._gates_of.get(number, 0) + taken
            self._pending.append(run)
            return
        records = run.records() if run is not None else \
            card._decode_block(block, self._sets, self._order[0], gates=True)
        for record in records:
            if last and self._gates_of.get(record.set, 0) >= self._shots_of.get(record.set, 0):
                continue
            self._gates_of[record.set] = self._gates_of.get(record.set, 0) + 1
            self._pending.append(record)

    def _lost(self, lost: int) -> None:
        if not self._count_losses:
            raise FifoOverflow(self.lost + lost)
        # Counted, and the run goes on (in the native layout the set of later shots is then
        # unknown when several sets take turns).
        self.lost += lost
        self._order_known = len(self._order) == 1

    def _ended(self, word: int) -> None:
        self._end()
        if word != 0:
            raise failure("KARVO7GetData", word)
