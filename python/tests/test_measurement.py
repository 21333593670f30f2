"""Single shots and continuous block measurements on simulated cards, in both layouts and with
every record type, against the samples the same settings give in the other layouts."""

from __future__ import annotations

import ctypes
import gc
import threading

import numpy as np
import pytest

import karvo7

# Without noise the samples follow from the settings alone, shot after shot.
QUIET = "cards = 2\n[Card]\nnoise = 0\n[Card2]\nversion3 = no\n"


@pytest.fixture
def quiet(simulator):
    simulator(QUIET)


def ascan(**changes) -> karvo7.ParameterSet:
    # 2 kHz: a loaded machine (or one running the sanitizers) keeps up with it; the card's full
    # rate is the benchmarks' to measure.
    fields = {"ascan": True, "faktor": 1, "gleichrichtung": 3, "aufnahmelaenge": 1000,
              "iff": 2000}
    return karvo7.ParameterSet(**{**fields, **changes})


def test_shots_of_every_record_type_carry_the_same_echoes(quiet):
    with karvo7.open_card(1) as card:
        wide = card.shot(ascan(), 1)
        packed = card.shot(ascan(bit8=True), 1)
        hf = card.shot(karvo7.ParameterSet(aufnahmelaenge=1000), 1)
        hf8 = card.shot(karvo7.ParameterSet(aufnahmelaenge=1000, bit8=True), 1)
    assert (wide.type, packed.type, hf.type, hf8.type) == (0x14, 0x10, 0x60, 0x60)
    assert {r.identification for r in (wide, packed, hf, hf8)} == {-11}
    assert {r.set for r in (wide, packed, hf, hf8)} == {1}
    for record in (wide, packed, hf, hf8):
        assert record.samples.dtype == np.int16 and record.samples.size == 1000
        assert record.time_stamp is None
    assert wide.samples.max() > 1000  # echoes, rectified
    assert wide.samples.min() >= 0
    np.testing.assert_array_equal(packed.samples, wide.samples & ~0xF)
    np.testing.assert_array_equal(hf8.samples, hf.samples & ~0xFF)
    assert hf.samples.min() < 0  # HF swings both ways


def test_a_card_measures_again_after_it_was_closed_and_opened(quiet):
    # Closing powers the card down; opening warms it up again.
    karvo7.open_card(1).close()
    with karvo7.open_card(1) as card:
        hf = card.shot(karvo7.ParameterSet(aufnahmelaenge=1600), 1)
        assert len(list(card.stream(ascan(), count=3))) >= 3
    # The converter's offset is adjusted: without noise the ground between the echoes is 0.
    assert np.median(hf.samples) == 0
    assert hf.samples[500:600].tolist() == [0] * 100
    with karvo7.open_card(1) as card:
        card.warm_up()
        again = card.shot(karvo7.ParameterSet(aufnahmelaenge=1600), 1)
    assert again.identification == -11  # the record layout survives a warm-up
    np.testing.assert_array_equal(again.samples, hf.samples)


def test_native_shots_match_the_record_layout(quiet):
    with karvo7.open_card(1) as card:
        recorded = card.shot(ascan(), 1)
        hf = card.shot(karvo7.ParameterSet(aufnahmelaenge=1000), 1)
        card.set_layout(karvo7.Layout.NATIVE)
        native = card.shot(ascan(), 1)
        native_hf8 = card.shot(karvo7.ParameterSet(aufnahmelaenge=1000, bit8=True), 1)
    assert native.type == 0 and native.identification is None and native.set == 1
    np.testing.assert_array_equal(native.samples, recorded.samples)
    np.testing.assert_array_equal(native_hf8.samples, hf.samples >> 8)


def test_shot_gate_values_find_the_back_wall_echoes_in_the_default_gates(quiet):
    parameters = ascan(aufnahmelaenge=1600)
    with karvo7.open_card(1) as card:
        record = card.shot(parameters, 1)
    assert record.gates is not None
    for number in range(1, 5):
        gate = parameters.gates[number]
        value = record.gates.gates[number]
        assert value.amplitude > 16 * gate.schwelle, number  # above the card's threshold
        assert gate.anfang <= value.time <= gate.ende, number
        # The card's maximum is the largest sample in the gate on the 12-bit scale; the single
        # shot's gate values carry it in steps of 4.
        window = record.samples[gate.anfang : gate.ende + 1]
        assert 0 <= np.abs(window).max() // 16 - value.amplitude < 4
        assert value.amplitude % 4 == 0


def test_a_card_that_is_not_version3_shoots_with_set_0_only(quiet):
    with karvo7.open_card(2) as card:
        record = card.shot(ascan(), 0)
        assert record.type == 0 and record.samples.size == 1000 and record.gates is None
        with pytest.raises(ValueError):
            card.shot(ascan(), 1)


def stopped_and_empty(card: karvo7.Card) -> bool:
    return card.status().modus == 0 and not card.data_in_fifo()


def dropped_by_card(card: karvo7.Card) -> int:
    """The simulated card's own count of the shots it dropped (the driver's test interface)."""
    value = ctypes.c_uint64(0)
    assert card._library.K7DrvTestCount(1, 2, ctypes.byref(value)) == 1
    return value.value


def test_a_stream_over_two_sets_yields_their_shots_and_gate_results(quiet):
    sets = {1: ascan(), 2: ascan(bit8=True, aufnahmelaenge=500)}
    with karvo7.open_card(1) as card:
        single = card.shot(sets[1], 1)
        records = list(card.stream(sets, count=40))
        assert stopped_and_empty(card)
    shots = [r for r in records if not r.is_gates]
    gates = [r for r in records if r.is_gates]
    assert len(shots) == 40
    assert [r.set for r in shots] == [1, 2] * 20
    assert {r.type for r in shots if r.set == 2} == {0x10}
    assert all(r.samples.size == 500 for r in shots if r.set == 2)
    for r in shots:
        if r.set == 1:
            np.testing.assert_array_equal(r.samples, single.samples)
    assert len(gates) >= 40
    assert {r.identification for r in gates} == {-11, -12}
    assert all(r.gates.gates[1].present for r in gates)


def test_a_native_stream_numbers_its_shots_by_the_run_order(quiet):
    sets = {2: ascan(aufnahmelaenge=300), 5: karvo7.ParameterSet(aufnahmelaenge=200, iff=2000)}
    with karvo7.open_card(1, layout=karvo7.Layout.NATIVE) as card:
        records = list(card.stream(sets, count=10))
        assert stopped_and_empty(card)
    shots = [r for r in records if not r.is_gates]
    assert [(r.set, r.samples.size) for r in shots] == [(2, 300), (5, 200)] * 5
    entries = [r for r in records if r.is_gates]
    assert entries and {r.set for r in entries} <= {2, 5}


def test_stopping_a_stream_early_leaves_the_card_stopped_and_its_fifo_empty(quiet):
    with karvo7.open_card(1) as card:
        stream = card.stream(ascan(), count=1000)
        for n, _ in enumerate(stream):
            if n == 3:
                break
        stream.close()
        assert stopped_and_empty(card)
        stream.close()  # again: nothing happens

        with card.stream(ascan()) as endless:
            next(endless)
            assert card.status().modus != 0  # measuring
            with pytest.raises(ValueError, match="streaming"):
                card.shot(ascan(), 1)
        assert stopped_and_empty(card)

        dropped = card.stream(ascan())
        next(dropped)
        del dropped
        gc.collect()
        assert stopped_and_empty(card)
        assert card.shot(ascan(), 1).samples.size == 1000  # the card measures again


def test_a_stream_ends_after_its_time_and_on_a_card_that_is_not_version3(quiet):
    with karvo7.open_card(1) as card:
        # 1 kHz: a loaded machine keeps up with it.
        timed = list(card.stream(ascan(iff=1000), seconds=0.2))
        assert timed and stopped_and_empty(card)
    with karvo7.open_card(2) as other:
        records = list(other.stream(ascan(), count=5))
        assert [r.set for r in records] == [0] * 5
        with pytest.raises(ValueError, match="set 0 only"):
            other.stream({1: ascan()})


def test_stream_arguments_are_checked_before_the_card_starts(quiet):
    with karvo7.open_card(1) as card:
        for bad in ({}, {8: ascan()}, {1: ascan(filter=9)}):
            with pytest.raises(karvo7.RefusedValue):
                card.stream(bad, count=1)
        for bad in ({1: "set"}, 42):
            with pytest.raises(karvo7.WrongType):
                card.stream(bad, count=1)
        with pytest.raises(karvo7.RefusedValue):
            card.stream(ascan(), count=-1)
        with pytest.raises(karvo7.WrongType):
            card.stream(ascan(), count=1.5)
        assert stopped_and_empty(card)


def test_two_cards_stream_in_parallel_threads(quiet):
    """Each card has its own lock: two streams on two cards run at the same time."""
    import threading

    counts = {}

    def run(number: int) -> None:
        with karvo7.open_card(number) as card:
            sets = {1: ascan(iff=2000)} if card.is_version3 else {0: ascan(iff=2000)}
            counts[number] = sum(1 for r in card.stream(sets, count=200, results=False))

    threads = [threading.Thread(target=run, args=(n,)) for n in (1, 2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(timeout=60)
    assert counts == {1: 200, 2: 200}


def test_a_streams_records_are_what_the_decoder_gives_for_the_cards_bytes(quiet):
    with karvo7.open_card(1) as card:
        records = [r for r in card.stream({1: ascan(), 2: ascan(aufnahmelaenge=64)}, count=6)
                   if not r.is_gates]
    for record in records:
        # Sixteen-bit samples are views on the block the card delivered.
        block = record.samples.base
        while not isinstance(block, np.ndarray) or block.dtype != np.uint8:
            block = block.base
        (again,) = [r for r in karvo7.decode(block) if isinstance(r, karvo7.Record)]
        assert (again.type, again.identification) == (record.type, record.identification)
        np.testing.assert_array_equal(again.samples, record.samples)


@pytest.mark.parametrize(
    "layout, parameters, kind",
    [
        (karvo7.Layout.RECORD, ascan(), 0x14),
        (karvo7.Layout.RECORD, ascan(bit8=True), 0x10),
        (karvo7.Layout.RECORD, karvo7.ParameterSet(aufnahmelaenge=700, iff=2000), 0x60),
        (karvo7.Layout.RECORD, karvo7.ParameterSet(aufnahmelaenge=700, bit8=True, iff=2000), 0x60),
        (karvo7.Layout.NATIVE, ascan(), 0),
        (karvo7.Layout.NATIVE, karvo7.ParameterSet(aufnahmelaenge=700, bit8=True, iff=2000), 0),
    ],
)
def test_every_record_type_streams_as_it_shoots(quiet, layout, parameters, kind):
    with karvo7.open_card(1, layout=layout) as card:
        shot = card.shot(parameters, 3)
        streamed = [r for r in card.stream({3: parameters}, count=4) if not r.is_gates]
    assert shot.type == kind
    assert [r.type for r in streamed] == [kind] * 4
    for record in streamed:
        assert record.set == 3
        np.testing.assert_array_equal(record.samples, shot.samples)


def test_closing_a_card_stops_its_stream_which_says_so_once(quiet):
    card = karvo7.open_card(1)
    stream = card.stream(ascan())
    next(stream)
    card.close()
    with pytest.raises(karvo7.CardClosed, match="card 1 was closed while its stream ran"):
        next(stream)
    assert list(stream) == [] and stream.next_records() == [] and stream.next_arrays() is None
    with karvo7.open_card(1) as again:
        assert stopped_and_empty(again)


class _WatchedEngine:
    """The acquisition engine's functions, with the takes and the frees noted in order."""

    def __init__(self, library, events):
        self._library = library
        self._events = events

    def __getattr__(self, name):
        return getattr(self._library, name)

    def K7AcqReadBatch(self, *arguments):
        self._events.append("take")
        try:
            return self._library.K7AcqReadBatch(*arguments)
        finally:
            self._events.append("taken")

    def K7AcqClose(self, engine):
        self._events.append("free")
        self._library.K7AcqClose(engine)


def _closed_while_read(card, close):
    """A stream of ``card`` read on a thread of its own and closed by ``close`` once the reader
    has a record: what the reader saw, and the engine's takes and frees in their order."""
    stream = card.stream(ascan())
    events = []
    stream._acquire = _WatchedEngine(stream._acquire, events)
    started = threading.Event()
    seen = {"records": 0, "raised": []}

    def read():
        try:
            for _ in stream:
                seen["records"] += 1
                started.set()
        except karvo7.Error as error:
            seen["raised"].append(error)
        finally:
            started.set()

    reader = threading.Thread(target=read)
    reader.start()
    started.wait()
    close(stream)
    reader.join()
    assert seen["records"] >= 1
    # The engine is freed once, with no take inside it, and taken from no more.
    assert events.count("free") == 1
    before = events[: events.index("free")]
    assert before.count("take") == before.count("taken")
    assert "take" not in events[events.index("free"):]
    return stream, seen["raised"]


def test_a_card_closed_by_another_thread_ends_its_stream_with_one_exception(quiet):
    """The reading thread learns of the close (it used to end as if the stream were over, or
    with a driver error, or the process crashed), and the engine is freed only once no take
    is inside it."""
    for _ in range(10):
        card = karvo7.open_card(1)
        stream, raised = _closed_while_read(card, lambda stream: card.close())
        assert [type(e) for e in raised] == [karvo7.CardClosed] and card.closed
        assert f"after {stream.shots} shots" in str(raised[0])
    # The stream closed from another thread ends its reader as the stream's own close does.
    with karvo7.open_card(1) as card:
        for _ in range(3):
            stream, raised = _closed_while_read(card, lambda stream: stream.close())
            assert raised == [] and stopped_and_empty(card)
    with karvo7.open_card(1) as again:
        assert stopped_and_empty(again)


def test_externally_triggered_records_carry_their_time_stamps(simulator):
    simulator("cards = 1\n[Card]\nnoise = 0\nexternal_trigger_hz = 1000\n")
    parameters = ascan(externer_trigger=True)
    with karvo7.open_card(1) as card:
        shot = card.shot(parameters, 1)
        records = list(card.stream({1: parameters}, count=5))
        # The largest shot a set gives (65535 samples behind a time stamp) is read whole:
        # nothing of it is left in the FIFO for the next shot.
        largest = card.shot(karvo7.ParameterSet(record_length=65535, external_trigger=True), 1)
        after = card.shot(parameters, 1)
    assert largest.samples.size == 65535 and largest.time_stamp is not None
    np.testing.assert_array_equal(after.samples, shot.samples)
    assert shot.time_stamp is not None
    shots = [r for r in records if not r.is_gates]
    stamps = [r.time_stamp for r in shots]
    assert len(stamps) == 5 and None not in stamps
    assert stamps == sorted(stamps) and len(set(stamps)) == 5
    assert all(r.time_stamp is not None for r in records if r.is_gates)
    np.testing.assert_array_equal(shots[0].samples, shot.samples)


def test_lost_shots_raise_at_once_with_their_count_or_are_counted_and_the_stream_goes_on(
        simulator):
    # A FIFO that holds one shot of 1600 samples: the card loses shots however fast they are
    # read.
    simulator("cards = 1\nfifo_bytes = 4000\n[Card]\nnoise = 0\n")
    hf = karvo7.ParameterSet(aufnahmelaenge=1600)
    with karvo7.open_card(1) as card:
        with pytest.raises(karvo7.FifoOverflow) as raised:
            list(card.stream(hf, count=2000, results=False))
        assert isinstance(raised.value, karvo7.Error)
        assert karvo7.ShotsLostError is karvo7.FifoOverflow  # the name of earlier releases
        assert raised.value.lost > 0
        assert f"{raised.value.lost} shots lost" in str(raised.value)
        assert stopped_and_empty(card)

        before = dropped_by_card(card)
        counted = card.stream(hf, count=300, lost_shots="count")
        first = counted.next_records()  # many records at a time
        records = first + list(counted)
        assert stopped_and_empty(card)
        # Every shot the card dropped while the stream ran, its last ones before the stop
        # included, is in the stream's count.
        assert counted.lost == dropped_by_card(card) - before
    shots = [r for r in records if not r.is_gates]
    assert len(shots) == 300  # exactly the shots asked for
    assert counted.shots == 300
    assert counted.lost > 0 and counted.overflows > 0
    assert len(first) >= 1


def test_a_stream_ends_when_its_shots_are_taken_in_batches(quiet):
    with karvo7.open_card(1) as card:
        stream = card.stream(ascan(iff=2000), count=50, results=False)
        taken = []
        while True:
            batch = stream.next_records()
            if not batch:
                break
            taken.extend(batch)
        assert len(taken) == 50
        assert stream.next_records() == []
        assert stopped_and_empty(card)


def test_a_stream_taken_as_arrays_holds_every_shot_and_gate_result_in_order(quiet):
    sets = {1: ascan(), 2: ascan(gleichrichtung=1)}
    with karvo7.open_card(1) as card:
        singles = {n: card.shot(parameters, n).samples for n, parameters in sets.items()}
        stream = card.stream(sets, count=300)
        batches = []
        while (batch := stream.next_arrays()) is not None:
            batches.append(batch)
        assert stopped_and_empty(card)
    # A batch of gate results alone has samples as wide as the shots, so batches join.
    assert {b.samples.shape[1] for b in batches} == {1000}
    samples = np.concatenate([b.samples for b in batches])
    shot_sets = np.concatenate([b.sets for b in batches])
    gates = np.concatenate([b.gates for b in batches])
    assert samples.shape == (300, 1000)
    assert shot_sets.tolist() == [1, 2] * 150
    for n, single in singles.items():
        assert (samples[shot_sets == n] == single).all()
    assert len(gates) >= 300 and set(gates["set"].tolist()) == {1, 2}
    assert gates["present"][:, 1].all()  # the back wall echo in gate B1 of every shot


def test_shots_of_different_lengths_are_refused_as_arrays_and_stay_to_be_taken(quiet):
    taken, refused = 0, 0
    with karvo7.open_card(1) as card:
        stream = card.stream({1: ascan(), 2: ascan(aufnahmelaenge=64)}, count=40)
        while True:
            try:
                batch = stream.next_arrays()
            except ValueError:
                refused += 1
                taken += sum(not r.is_gates for r in stream.next_records())
                continue
            if batch is None:
                break
            taken += len(batch.samples)
    assert refused > 0 and taken == 40
