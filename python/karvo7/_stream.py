"""ctypes declarations of the data-stream decoder (KARVO7Stream.h) and a walk over a buffer."""

from __future__ import annotations

import ctypes
from ctypes import POINTER, Structure, c_char_p, c_int32, c_uint32, c_uint64, c_void_p
from typing import Iterator

from . import _library
from .errors import RefusedValue

LAYOUT_NATIVE = 0
LAYOUT_RECORD = 1
NATIVE_SAMPLES = 0
NATIVE_GATES = 1
PREFIX_AUTO = 0
PREFIX_NONE = 1

ITEM_RECORD = 1
ITEM_GATES = 2
ITEM_CONTROL = 3
ITEM_OTHER_RECORD = 4
ITEM_NATIVE_SAMPLES = 5
ITEM_NATIVE_GATES = 6
ITEM_TAIL = 7

ITEM_PREFIXED = 0x1

TAIL_TRUNCATED = 1
TAIL_INVALID = 2

# Result codes (KARVO7STREAM_OK, _END, _ERROR_...).
OK = 1
END = 0
ERROR_NO_CAPTURE = -7

# Native-sample runs are handed out in pieces of at most this many samples.
MAX_SAMPLES = 65536


class _Sized(Structure):
    """A record that starts with its own size, as the decoder reads and writes it."""

    def __init__(self, *args: object, **kwargs: object) -> None:
        super().__init__(*args, **kwargs)
        self.struct_size = ctypes.sizeof(self)


class Options(_Sized):
    _fields_ = [
        ("struct_size", c_uint32),
        ("layout", c_uint32),
        ("sample_bits", c_uint32),
        ("prefix", c_uint32),
        ("native_content", c_uint32),
        ("active_sets", c_uint32),
        ("flags", c_uint32),
        ("samples_per_shot", c_uint32),
    ]


class StreamGate(Structure):
    _fields_ = [
        ("present", c_uint32),
        ("marker", c_uint32),
        ("amplitude", c_uint32),
        ("time", c_uint32),
        ("status", c_uint32),
    ]


class Item(_Sized):
    _fields_ = [
        ("struct_size", c_uint32),
        ("kind", c_uint32),
        ("flags", c_uint32),
        ("reserved", c_uint32),
        ("offset", c_uint64),
        ("size", c_uint64),
        ("zeit", c_uint32),
        ("type", c_uint32),
        ("length", c_uint32),
        ("kennung", c_int32),
        ("record_offset", c_uint64),
        ("payload_offset", c_uint64),
        ("payload_bytes", c_uint32),
        ("sample_count", c_uint32),
        ("samples_written", c_uint32),
        ("sample_bits", c_uint32),
        ("control_word", c_uint32),
        ("control_kind", c_uint32),
        ("cycle", c_uint32),
        ("set", c_uint32),
        ("round", c_uint32),
        ("es_distance", c_uint32),
        ("es_amplitude", c_uint32),
        ("gates", StreamGate * 5),
        ("bytes_left", c_uint64),
        ("tail_reason", c_uint32),
        ("shot", c_uint32),
    ]


class Capture(_Sized):
    """The header that ``karvo7 stream`` writes before the records of a capture."""

    _fields_ = [
        ("struct_size", c_uint32),
        ("header_size", c_uint32),
        ("format", c_uint32),
        ("layout", c_uint32),
        ("sample_bits", c_uint32),
        ("samples_per_shot", c_uint32),
        ("active_sets", c_uint32),
        ("sample_rate", c_uint32),
        ("shots_per_second", c_uint32),
        ("writer_version", c_uint32),
        ("start_time_us", c_uint64),
        ("flags", c_uint32),
        ("reserved", c_uint32),
    ]


class Walker(Structure):
    _fields_ = [("opaque", c_uint64 * 12)]


_SIGNATURES = {
    "KARVO7StreamVersion": (c_uint32, []),
    "KARVO7StreamBegin": (c_int32, [POINTER(Walker), c_void_p, c_uint64, POINTER(Options)]),
    "KARVO7StreamNext": (c_int32, [POINTER(Walker), POINTER(Item), c_void_p, c_uint32]),
    "KARVO7StreamSamples": (c_int32, [c_void_p, c_uint64, POINTER(Item), c_void_p, c_uint32]),
    "KARVO7StreamErrorText": (c_char_p, [c_int32]),
    "KARVO7StreamReadCapture": (c_int32, [c_void_p, c_uint64, POINTER(Capture)]),
    "KARVO7StreamControlKind": (c_uint32, [c_uint32]),
    "KARVO7StreamControlName": (c_char_p, [c_uint32]),
}

VERSION_MAJOR = 1


_declared: "ctypes.CDLL | None" = None


def stream_library() -> ctypes.CDLL:
    """The decoder library with its signatures declared; its major version must be ours."""
    global _declared
    if _declared is not None:
        return _declared
    library = _library.load(_library.STREAM_LIBRARY)
    for name, (result, arguments) in _SIGNATURES.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    major = library.KARVO7StreamVersion() >> 16
    if major != VERSION_MAJOR:
        raise _library.LibraryNotFoundError(
            f"karvo7: {_library.STREAM_LIBRARY} has version {major}, "
            f"the package needs {VERSION_MAJOR}"
        )
    _declared = library
    return library


def walk(address: int, size: int, options: Options, run_length: int = 0) -> Iterator[Item]:
    """The items of ``size`` bytes at ``address`` (memory the caller keeps alive). Each item is
    a fresh structure, so callers may keep them. With a ``run_length``, native sample runs
    come in pieces of that many samples."""
    library = stream_library()
    walker = Walker()
    begun = library.KARVO7StreamBegin(ctypes.byref(walker), address, size, ctypes.byref(options))
    if begun != OK:
        raise RefusedValue(f"the decoder refused these options: {error_text(begun)}")
    next_item = library.KARVO7StreamNext
    walker_ref = ctypes.byref(walker)
    # The decoder cuts native runs to the capacity of the buffer it is given.
    pieces = (ctypes.c_int16 * run_length)() if run_length else None
    while True:
        item = Item()
        if next_item(walker_ref, ctypes.byref(item), pieces, run_length) != OK:
            return
        yield item


def error_text(code: int) -> str:
    """What a result code of the decoder means."""
    text: bytes = stream_library().KARVO7StreamErrorText(code)
    return text.decode("utf-8")


def read_capture(address: int, size: int) -> "Capture | None":
    """The capture header at the start of ``size`` bytes at ``address``; None when they do
    not start with one. Raises RefusedValue (a ValueError) for a header that is cut short or
    holds values the decoder does not know."""
    capture = Capture()
    result = stream_library().KARVO7StreamReadCapture(address, size, ctypes.byref(capture))
    if result == ERROR_NO_CAPTURE:
        return None
    if result != OK:
        raise RefusedValue(f"capture header: {error_text(result)}")
    return capture
