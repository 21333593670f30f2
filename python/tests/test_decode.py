"""Captured data taken apart: every record type, control words, native samples and gate
entries, the time-stamp prefix, and data that ends inside a record."""

from __future__ import annotations

import struct

import numpy as np
import pytest

import karvo7


def header(kind: int, length: int, identification: int) -> bytes:
    return struct.pack("<Ih", kind | length << 8, identification)


def gate_record(identification: int, slots: list) -> bytes:
    body = header(0x40, 56, identification) + b"\0\0"
    for amplitude, time, status in slots + [(0, 0, 0)] * (5 - len(slots)):
        body += struct.pack("<HHHH", amplitude, 0, time, status)
    return body + b"\0" * 8


# Four 12-bit samples 0x123, 0x456, 0x789, 0xABC packed into three words.
PACKED = struct.pack("<HHH", 0x6123, 0x8945, 0xABC7)

CAPTURE = (
    struct.pack("<II", 0xFF, 0x12345678)  # time-stamp prefix
    + header(0x14, 12, -11) + struct.pack("<hhh", 1, -2, 32767)
    + struct.pack("<I", 0xFFFFEFFF)
    + gate_record(-12, [(400, 123, 0x8000), (4095, 50, 0xC000), (7, 9, 0x0000), (0, 0, 0),
                        (100, 20, 0x8000)])
    + struct.pack("<I", 0xFFFF1234)
    + header(0x10, 12, 5) + PACKED
    + header(0x60, 8, -13) + struct.pack("<h", -300)
    + header(0x33, 8, 1) + b"\1\2"
    + struct.pack("<I", 0xFFFFEFFF)
)


def test_a_capture_in_the_record_layout_yields_its_records_in_order():
    items = list(karvo7.decode(CAPTURE))
    kinds = [type(i).__name__ for i in items]
    assert kinds == ["Record", "ControlWord", "Record", "ControlWord", "Record", "Record",
                     "Record", "ControlWord"]
    ascan, end1, gates, unknown, packed, hf, other, end2 = items

    assert (ascan.type, ascan.identification, ascan.time_stamp) == (0x14, -11, 0x12345678)
    assert ascan.samples.dtype == np.int16
    assert ascan.samples.tolist() == [1, -2, 32767]

    assert (end1.word, end1.name, end1.cycle) == (0xFFFFEFFF, "Ende Prüfzyklus", 1)
    assert (end2.name, end2.cycle) == ("Ende Prüfzyklus", 2)
    assert (unknown.word, unknown.name) == (0xFFFF1234, "")

    assert (gates.type, gates.identification, gates.time_stamp) == (0x40, -12, None)
    assert gates.is_gates and gates.samples.size == 0
    # Slots 1 to 4 hold B1 to B4 and slot 5 B0; times count half samples.
    g = gates.gates.gates
    assert (g[1].amplitude, g[1].time, g[1].present, g[1].marker) == (400, 61.5, True, False)
    assert (g[2].amplitude, g[2].time, g[2].present, g[2].marker) == (4095, 25, True, True)
    assert g[3] == karvo7.GateValue(4.5, 7, False, False)
    assert g[0] == karvo7.GateValue(10, 100, False, True)
    assert g[4] == karvo7.GateValue(0, 0, False, False)

    # Packed 12-bit samples come left-aligned: four from three words.
    assert packed.type == 0x10 and packed.identification == 5
    assert packed.samples.astype(np.uint16).tolist() == [0x1230, 0x4560, 0x7890, 0xABC0]
    assert hf.type == 0x60 and hf.samples.tolist() == [-300]
    assert other.type == 0x33 and other.samples.size == 0


def test_samples_of_sixteen_bits_are_views_on_the_captured_buffer():
    source = np.frombuffer(CAPTURE, dtype=np.uint8).copy()
    ascan = next(iter(karvo7.decode(source)))
    assert np.shares_memory(ascan.samples, source)
    source[8 + 6] = 7  # the first sample's low byte
    assert ascan.samples[0] == 7


def test_native_samples_of_both_widths_and_compact_gate_entries():
    wide = list(karvo7.decode(struct.pack("<hhh", -5, 0, 12000), karvo7.Layout.NATIVE))
    assert len(wide) == 1 and wide[0].type == 0 and wide[0].samples.tolist() == [-5, 0, 12000]
    narrow = list(karvo7.decode(bytes([0x80, 0x7F, 0x01]), karvo7.Layout.NATIVE, sample_bits=8))
    assert narrow[0].samples.tolist() == [-128, 127, 1]
    # Shots of three samples each, the last one cut short.
    shots = karvo7.decode(struct.pack("<8h", *range(8)), karvo7.Layout.NATIVE, shot_samples=3)
    assert [r.samples.tolist() for r in shots] == [[0, 1, 2], [3, 4, 5], [6, 7]]
    shots = karvo7.decode(bytes(range(5)), karvo7.Layout.NATIVE, sample_bits=8, shot_samples=2)
    assert [r.samples.tolist() for r in shots] == [[0, 1], [2, 3], [4]]

    def entry(t: int) -> bytes:
        es = 1000 | 100 << 22
        gate = t | 1 << 20 | 1 << 21 | 256 << 22
        return struct.pack("<6I", es, gate, t, 0, 0, 0)

    entries = list(karvo7.decode(entry(300) + entry(301) + entry(302), karvo7.Layout.NATIVE,
                                 gates=True, active_sets=(2, 5)))
    assert [e.set for e in entries] == [2, 5, 2]
    first = entries[0].gates
    assert (first.es_time, first.es_amplitude) == (1000, 400)  # amplitudes on the 12-bit scale
    assert first.gates[0] == karvo7.GateValue(300, 1024, True, True)
    assert first.gates[1].present is False


def test_data_ending_inside_a_record_raises_after_the_records_before_it(tmp_path):
    capture = tmp_path / "cut.bin"
    capture.write_bytes(header(0x14, 10, 1) + b"\1\0\2\0" + header(0x14, 100, 2) + b"\0" * 10)
    walk = karvo7.decode(capture)
    first = next(walk)
    assert first.samples.tolist() == [1, 2]
    with pytest.raises(karvo7.DecodeError) as cut:
        next(walk)
    assert (cut.value.offset, cut.value.bytes_left, cut.value.reason) == (10, 16, "truncated")
    with pytest.raises(karvo7.DecodeError, match="invalid"):
        list(karvo7.decode(header(0x14, 3, 1)))


def capture_header(layout: int, sample_bits: int, samples_per_shot: int) -> bytes:
    """The header `karvo7 stream` writes, field by field as KARVO7Stream.h lays it out."""
    return b"K7CAPT\r\n" + struct.pack(
        "<IIIIIIIIQII8x", 64, 1, layout, sample_bits, samples_per_shot, 1 << 2, 2, 2000,
        1_700_000_000_000_000, 0x10000, 0)


def test_a_capture_header_says_how_the_records_are_read():
    # Native 16-bit samples in shots of three, whatever the call says.
    native = capture_header(0, 16, 3) + struct.pack("<6h", 1, 2, 3, -4, -5, -6)
    records = list(karvo7.decode(native, karvo7.Layout.RECORD, sample_bits=8))
    assert [r.samples.tolist() for r in records] == [[1, 2, 3], [-4, -5, -6]]
    assert records[1].offset == 6  # from the first record
    # Records behind a header larger than today's (a later format): the rest is skipped.
    later = bytearray(capture_header(1, 16, 0) + b"\0" * 16 + CAPTURE)
    later[8:12] = struct.pack("<I", 80)
    assert len(list(karvo7.decode(bytes(later), karvo7.Layout.NATIVE))) == len(
        list(karvo7.decode(CAPTURE)))
    # A header cut short, or with a layout the decoder does not know, is refused.
    with pytest.raises(ValueError, match="capture header"):
        karvo7.decode(capture_header(0, 16, 3)[:40])
    with pytest.raises(ValueError, match="capture header"):
        karvo7.decode(capture_header(7, 16, 3))


def test_decode_refuses_options_that_describe_no_data():
    with pytest.raises(ValueError):
        karvo7.decode(b"", karvo7.Layout.NATIVE, sample_bits=12)
    with pytest.raises(ValueError):
        karvo7.decode(b"", karvo7.Layout.NATIVE, gates=True, active_sets=(0, 7))
    with pytest.raises(ValueError):
        karvo7.decode(b"", karvo7.Layout.NATIVE, gates=True, active_sets=(9,))
    with pytest.raises(ValueError):
        karvo7.decode(b"", karvo7.Layout.NATIVE, shot_samples=0)


def c_walk(data: bytes, options) -> list:
    """The decoder's own walk over ``data``, with the samples it writes while walking:
    (kind, type, identification, samples) of every item."""
    import ctypes

    from karvo7 import _stream

    library = _stream.stream_library()
    buffer = ctypes.create_string_buffer(data, len(data))
    walker = _stream.Walker()
    assert library.KARVO7StreamBegin(ctypes.byref(walker), buffer, len(data), ctypes.byref(options))
    out = (ctypes.c_int16 * 65536)()
    items = []
    while True:
        item = _stream.Item()
        if not library.KARVO7StreamNext(ctypes.byref(walker), ctypes.byref(item), out, 65536):
            return items
        items.append((item.kind, item.type, item.kennung, list(out[: item.samples_written])))


def test_records_carry_what_the_decoders_own_walk_gives():
    from karvo7 import _stream
    from karvo7.records import _options

    expected = c_walk(CAPTURE, _options(karvo7.Layout.RECORD, 16, False, 0))
    records = list(karvo7.decode(CAPTURE))
    assert len(records) == len(expected)
    for record, (kind, kind_type, identification, samples) in zip(records, expected):
        if kind == _stream.ITEM_CONTROL:
            assert isinstance(record, karvo7.ControlWord)
            continue
        assert (record.type, record.identification) == (kind_type, identification)
        assert record.samples.tolist() == samples

    native = struct.pack("<5h", 1, -1, 300, -300, 7)
    (item,) = c_walk(native, _options(karvo7.Layout.NATIVE, 16, False, 0))
    assert list(karvo7.decode(native, karvo7.Layout.NATIVE))[0].samples.tolist() == item[3]


def _as_decoded(record) -> tuple:
    """What a record says, comparable (samples as a list)."""
    return (record.type, record.samples.tolist(), record.identification, record.time_stamp,
            record.gates, record.offset)


def _decoded_blocks(blocks: list, **options) -> list:
    return [_as_decoded(r) for b in blocks for r in karvo7.decode(b, **options)
            if isinstance(r, karvo7.Record)]


def test_runs_of_shots_and_results_taken_together_are_what_the_decoder_gives():
    """A stream takes runs of equal blocks and whole gate results fetches apart at once;
    that gives the decoder's records, and anything irregular is left to the decoder."""
    from karvo7 import _runs

    def run(blocks: list, record_layout: bool = True) -> list:
        block = np.frombuffer(b"".join(blocks), dtype=np.uint8).reshape(len(blocks), -1)
        records = _runs.shot_records(block, record_layout, 16, lambda k: None,
                                      [None] * len(blocks))
        return None if records is None else [_as_decoded(r) for r in records]

    plain = [header(0x14, 12, -11) + struct.pack("<3h", n, -n, 32767 - n) for n in range(4)]
    stamped = [struct.pack("<II", 0xFF, 1000 + n) + header(0x60, 10, -12)
               + struct.pack("<2h", n, -300) for n in range(3)]
    # Three groups of four 12-bit samples, with every bit pattern of a word in some group.
    packed = [header(0x10, 24, 5) + PACKED + struct.pack("<3H", 0xFFFF, 0, 0x8001)
              + struct.pack("<3H", n, 0x7FFF, 0xF00F) for n in range(2)]
    # A packed payload of no whole groups, as the decoder unpacks it.
    odd = [header(0x10, 14, 5) + struct.pack("<4H", 0xFFFF, 0x1234, 0, 7)]
    for blocks in (plain, stamped, packed, odd):
        assert run(blocks) == _decoded_blocks(blocks)
    native = [struct.pack("<4h", n, -n, 32767, -32768) for n in range(3)]
    assert run(native, False) == _decoded_blocks(native, layout=karvo7.Layout.NATIVE)
    irregular = [
        [plain[0], header(0x60, 12, -11) + plain[1][6:]],  # two types
        [plain[0], struct.pack("<II", 0xFF, 1) + plain[1][:-8]],  # a prefix on one block only
        [header(0x14, 10, -11) + plain[0][6:]],  # a record shorter than its block
        [struct.pack("<II", 0xFFFF00FF, 1) + plain[0][:-8]],  # a control word, not a prefix
    ]
    for blocks in irregular:
        assert run(blocks) is None, blocks
    assert run([struct.pack("<3h", 1, 2, 3) + b"\1"], False) is None  # half a sample left over

    results = gate_record(-12, [(400, 123, 0x8000), (4095, 50, 0xC000), (7, 9, 0x4000)]) \
        + gate_record(-11, [(1, 2, 0x8000), (0, 0, 0), (0, 0, 0), (9, 8, 0xC000),
                            (100, 20, 0x8000)])
    records = _runs.gate_records(np.frombuffer(results, np.uint8), True, lambda k: -k, ())
    assert [_as_decoded(r) for r in records] == _decoded_blocks([results])
    assert [r.set for r in records] == [12, 11]
    word = struct.pack("<I", 0xFFFFEFFF)
    for rounds in (results[:56] + word + results[56:] + word, (results + word) * 2):
        records = _runs.gate_records(np.frombuffer(rounds, np.uint8), True, abs, ())
        assert [_as_decoded(r) for r in records] == _decoded_blocks([rounds]), rounds
    with_word = results[:56] + word + results[56:]
    assert _runs.gate_records(np.frombuffer(with_word[:-4], np.uint8), True, abs, ()) is None

    entries = b"".join(struct.pack("<6I", 0x40012345 + n, 0x3FF00000 | n, 0x00100000,
                                   0x00200000 | 77, 0, 0xFFFFFFFF) for n in range(4))
    records = _runs.gate_records(np.frombuffer(entries, np.uint8), False, abs, (2, 5))
    options = dict(layout=karvo7.Layout.NATIVE, gates=True, active_sets=(2, 5))
    assert [_as_decoded(r) for r in records] == _decoded_blocks([entries], **options)
    assert [r.set for r in records] == [r.set for r in karvo7.decode(entries, **options)]


def test_blocks_of_random_bytes_are_taken_apart_as_the_decoder_does_or_left_to_it():
    """Random runs, half of them with headers that make them look regular: what is taken apart
    together is what the decoder gives, block by block."""
    from karvo7 import _runs

    generator = np.random.default_rng(7)
    taken = 0
    for _ in range(400):
        shots, size = int(generator.integers(1, 5)), int(generator.integers(6, 40))
        block = generator.integers(0, 256, (shots, size), dtype=np.uint8)
        if generator.integers(2):
            at = 8 * int(size >= 14 and generator.integers(2))
            block[:, 0] = 0xFF if at else block[:, 0] % 0xFF
            kind = [0x10, 0x14, 0x60][int(generator.integers(3))]
            block[:, at:at + 4] = np.frombuffer(struct.pack("<I", kind | (size - at) << 8),
                                                np.uint8)
        records = _runs.shot_records(block, True, 16, lambda k: None, [None] * shots)
        if records is not None:
            taken += 1
            assert [_as_decoded(r) for r in records] == _decoded_blocks(list(block)), block
        data = generator.integers(0, 256, 56 * int(generator.integers(1, 4)), dtype=np.uint8)
        data[::56] = 0x40 if generator.integers(4) else data[0]
        data[2::56] = 0
        gates = _runs.gate_records(data, True, lambda k: None, ())
        if gates is not None:
            assert [_as_decoded(r) for r in gates] == _decoded_blocks([data])
    assert taken > 100
