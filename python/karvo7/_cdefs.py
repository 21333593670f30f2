"""The C records and function signatures of the card library, as ctypes declares them.

The records follow KARVO7DLL.h field by field; ctypes lays them out as the C compiler does, so
the depth-compensation table slot is pointer-sized on 64-bit builds as the library expects.
"""

from __future__ import annotations

import ctypes
from ctypes import POINTER, Structure, c_char, c_float, c_int, c_uint8, c_uint16, c_uint32
from ctypes import c_int16, c_uint64, c_void_p

from . import _library


class MeasureParams(Structure):
    _fields_ = [
        ("IFF", c_uint32),
        ("TAStuetzstellen", c_uint32),
        ("TATabelle", POINTER(c_uint16)),
        ("Bit8", c_uint32),
        ("Average", c_uint8),
        ("Samplerate", c_uint8),
        ("Start", c_uint8),
        ("Reserved4", c_uint8),
        ("PKVorlauf", c_uint16),
        ("Aufnahmelaenge", c_uint16),
        ("Aufnahmedelay", c_uint32),
        ("ASCAN", c_uint32),
        ("Faktor", c_uint8),
        ("Gleichrichtung", c_uint8),
        ("Reserved8", c_uint8 * 2),
        ("ExternerTrigger", c_uint32),
        ("Triggereingangsmode", c_uint8),
        ("Triggerausgangsmode", c_uint8),
        ("Ausblenden", c_uint8),
        ("Reserved10", c_uint8),
        ("TAVerzoegerung", c_uint16),
        ("TAAbstand", c_uint16),
    ]


class SpecialParams(Structure):
    _fields_ = [
        ("Sendersperre", c_uint32),
        ("Sendeimpulsbreite", c_uint8),
        ("Sendeenergie", c_uint8),
        ("Reserved1", c_uint8 * 2),
        ("SEMode", c_uint32),
        ("Senderdaempfung", c_uint8),
        ("Eingangsdaempfung", c_uint8),
        ("Filter", c_uint8),
        ("Reserved3", c_uint8),
    ]


class GateParam(Structure):
    _fields_ = [("Anfang", c_uint32), ("Ende", c_uint32), ("Schwelle", c_uint32)]


class GateEnables(Structure):
    _fields_ = [("Enable", c_uint32 * 5)]


class GateParams(Structure):
    _fields_ = [("Gate", GateParam * 5), ("Enables", GateEnables)]


class GateResult(Structure):
    _fields_ = [("Time", c_uint32), ("Maximum", c_uint16), ("Marke", c_uint32)]


class GateResults(Structure):
    _fields_ = [("ESDelay", c_uint32), ("ESMaximum", c_uint16), ("Gate", GateResult * 5)]


class KonfigRecord(Structure):
    _fields_ = [
        ("Karte", c_char * 20),
        ("Aufsteckfilter", c_char * 20),
        ("PciEeprom", c_char * 20),
        ("LcaVersion", c_char * 10),
        ("Programmversion", c_char * 10),
        ("BandgrenzeUnten", c_float),
        ("BandgrenzeOben", c_float),
        ("AdcBits", c_uint8),
        ("AufnahmeFifo", c_uint8),
        ("DatenFifo", c_uint8),
        ("Dynamik", c_uint8),
        ("DaempfungEingang", c_uint16 * 4),
        ("DaempfungSender", c_uint16 * 4),
        ("EnergieSender", c_uint16 * 8),
        ("Samplerrate", c_uint8 * 8),
        ("MaxSapFolge", c_uint8),
        ("FilterMittenfrequenz", c_float * 8),
        ("FilterBandgrenze", c_float * 16),
        ("Grunddaempfung", c_uint8 * 8),
    ]


class ADCValues(Structure):
    _fields_ = [
        ("Temperatur", c_float),
        ("Analog5VPlus", c_float),
        ("Analog5VMinus", c_float),
        ("HS", c_float),
        ("Digital5VMinus", c_float),
        ("ADCReferenz", c_float),
    ]


_u32p = POINTER(c_uint32)
_H = c_void_p

# name: (result type, argument types)
_SIGNATURES = {
    "KARVO7Scan": (c_int, []),
    "KARVO7Open": (c_void_p, [c_uint32]),
    "KARVO7Close": (c_int, [_H]),
    "KARVO7GetCardPosition": (c_int, [_H, _u32p, _u32p, _u32p]),
    "KARVO7IsVersion3": (c_int, [_H]),
    "KARVO7SetDataTimeOut": (c_int, [_H, c_uint32, _u32p]),
    "KARVO7SetMode": (c_int, [_H, c_uint8, _u32p]),
    "KARVO7SetVIRMA4": (c_int, [_H, c_uint32, c_int16, _u32p]),
    "KARVO7PrepAllGatesParam": (
        c_int,
        [_H, c_uint32, MeasureParams, SpecialParams, c_uint32, GateParams, _u32p],
    ),
    "KARVO7SetTriggerDelayParam": (c_int, [_H, c_uint32, c_uint32, _u32p]),
    "KARVO7SetTriggerDelay25nsParam": (c_int, [_H, c_uint32, c_uint32, _u32p]),
    "KARVO7SetSAPDelayParam": (c_int, [_H, c_uint32, c_uint32, _u32p]),
    "KARVO7SetESGateParam": (c_int, [_H, c_uint32, c_uint32, c_uint32, c_uint32, c_uint32, _u32p]),
    "KARVO7SetExternalClock": (c_int, [_H, c_uint32, _u32p]),
    "KARVO7ActiveParam": (c_int, [_H] + [c_uint32] * 8 + [_u32p]),
    "KARVO7Start": (c_int, [_H, _u32p]),
    "KARVO7StartParam": (c_int, [_H, c_uint32, _u32p]),
    "KARVO7Stop": (c_int, [_H, _u32p]),
    "KARVO7GetData": (c_int, [_H, _u32p, c_void_p, _u32p]),
    "KARVO7GetResults": (c_int, [_H, c_uint16, _u32p, c_void_p, _u32p]),
    "KARVO7GetASCAN": (c_int, [_H, c_uint32, _u32p, c_void_p, _u32p]),
    "KARVO7GetGates": (c_int, [_H, POINTER(GateResults), _u32p]),
    "KARVO7ClearFIFO": (c_int, [_H, _u32p]),
    "KARVO7IsDataInFIFO": (c_int, [_H, _u32p, _u32p]),
    "KARVO7GetStatus": (c_int, [_H, c_void_p]),
    "KARVO7GetKonfig": (c_int, [_H, POINTER(KonfigRecord), _u32p]),
    "KARVO7GetADC": (c_int, [_H, POINTER(ADCValues), _u32p]),
    "KARVO7ReadRegister": (c_uint32, [_H, c_uint32]),
    "KARVO7WarmUp": (c_int, [_H, _u32p]),
    "K7OsGetLastError": (c_uint32, []),
}


_declared_names: set = set()


def _declared(name: str, signatures: dict) -> ctypes.CDLL:
    """The library ``name`` with ``signatures`` declared on its functions (once)."""
    library = _library.load(name)
    if name not in _declared_names:
        for function_name, (result, arguments) in signatures.items():
            function = getattr(library, function_name)
            function.restype = result
            function.argtypes = arguments
        _declared_names.add(name)
    return library


def card_library() -> ctypes.CDLL:
    """The card library with the signatures of the functions the package calls."""
    return _declared(_library.CARD_LIBRARY, _SIGNATURES)


# ---- the acquisition engine (KARVO7Acquire.h) -----------------------------------------------

ACQ_START_PLAIN = 0xFFFFFFFF
ACQ_ITEM_SHOT = 1
ACQ_ITEM_RESULTS = 2
ACQ_ITEM_LOSS = 3
ACQ_ITEM_END = 4
ACQ_ITEM_FINAL_RESULTS = 5
ACQ_ITEM_ASCAN = 6
ACQ_ITEM_RESULTS_ERROR = 7


class AcqSettings(Structure):
    _fields_ = [
        ("shotBytes", c_uint32),
        ("shotsPerSecond", c_uint32),
        ("bufferMs", c_uint32),
        ("maxBufferBytes", c_uint32),
        ("resultsEvery", c_uint32),
        ("resultsBytes", c_uint32),
        ("startSet", c_uint32),
        ("realTime", c_uint32),
        ("shotCount", c_uint64),
    ]


class AcqCycleSettings(Structure):
    _fields_ = [
        ("resultsEveryMs", c_uint32),
        ("ascanSet", c_uint32),
        ("ascanEvery", c_uint32),
        ("ascanBytes", c_uint32),
        ("recordLayout", c_uint32),
        ("reserved", c_uint32 * 3),
    ]


class AcqItem(Structure):
    _fields_ = [
        ("kind", c_uint32),
        ("bytes", c_uint32),
        ("offset", c_uint64),
        ("value", c_uint64),
    ]


class AcqStatistics(Structure):
    _fields_ = [
        ("shotsRead", c_uint64),
        ("shotsLost", c_uint64),
        ("overflowEvents", c_uint64),
        ("shotsDropped", c_uint64),
        ("bytesRead", c_uint64),
        ("ringBytes", c_uint64),
        ("realTime", c_uint32),
        ("ended", c_uint32),
        ("error", c_uint32),
        ("reserved", c_uint32),
    ]


_ACQUIRE_SIGNATURES = {
    "K7AcqDefaults": (None, [POINTER(AcqSettings)]),
    "K7AcqStart": (c_int, [_H, POINTER(AcqSettings), POINTER(c_void_p), _u32p]),
    "K7AcqStartCycles": (c_int, [_H, POINTER(AcqSettings), POINTER(AcqCycleSettings),
                                 POINTER(c_void_p), _u32p]),
    "K7AcqRequestAscan": (c_int, [c_void_p, _u32p]),
    "K7AcqRead": (c_int, [c_void_p, c_void_p, c_uint32, c_void_p, c_uint32, c_uint32, _u32p,
                          _u32p]),
    "K7AcqReadBatch": (c_int, [c_void_p, c_void_p, c_uint32, c_void_p, c_uint32, c_uint32,
                               c_uint32, _u32p, _u32p]),
    "K7AcqStop": (c_int, [c_void_p, _u32p]),
    "K7AcqGetStatistics": (c_int, [c_void_p, POINTER(AcqStatistics)]),
    "K7AcqClose": (None, [c_void_p]),
}


def acquire_library() -> ctypes.CDLL:
    """The acquisition engine with the signatures of its functions."""
    return _declared(_library.ACQUIRE_LIBRARY, _ACQUIRE_SIGNATURES)


# ---- the card operations (KARVO7Ops.h) ------------------------------------------------------

OPS_ERROR_ARGUMENT = 0x90300000
OPS_ERROR_FILE = 0x90310000
OPS_ERROR_FAILED = 0x90320000
OPS_SELF_TEST_COUNT = 13

OpsQuestion = ctypes.CFUNCTYPE(ctypes.c_int32, c_void_p, ctypes.c_char_p, ctypes.c_char_p)


class OpsVerdict(Structure):
    _fields_ = [
        ("item", c_uint32),
        ("passed", ctypes.c_int32),
        ("name", c_char * 64),
        ("text", c_char * 256),
    ]


OPS_STEP_NONE = 0
OPS_STEP_RECORD = 1
OPS_STEP_TRIGGER_DELAY = 2
OPS_STEP_EXTERNAL_CLOCK = 3
OPS_STEP_ECHO_START_GATE = 4
OPS_STEP_ACTIVE_SETS = 5
OPS_STEP_SELECT_SET = 6

OPS_LAYOUT_NATIVE = 0
OPS_LAYOUT_RECORD = 1
OPS_SETS = 8

OPS_SHOT_STEP_NONE = 0
OPS_SHOT_STEP_CLEAR = 1
OPS_SHOT_STEP_START = 2
OPS_SHOT_STEP_READ = 3
OPS_SHOT_STEP_LENGTH = 4
OPS_SHOT_STEP_GATES = 5


class OpsSet(Structure):
    _fields_ = [
        ("measure", MeasureParams),
        ("special", SpecialParams),
        ("verstaerkung", c_uint32),
        ("gates", GateParams),
        ("triggerDelay", c_uint32),
        ("trigger25ns", c_uint32),
        ("externalClock", c_uint32),
        ("esbLevel", c_uint32),
        ("esbTime", c_uint32),
        ("esbRelativ", c_uint32),
        ("esbAlways", c_uint32),
    ]


class OpsShotLayout(Structure):
    _fields_ = [(name, c_uint32) for name in (
        "set", "layout", "shotBytes", "readBytes", "samples", "sampleBits", "sampleRate",
        "externalTrigger")]


class OpsShot(Structure):
    _fields_ = [
        ("step", c_uint32),
        ("bytes", c_uint32),
        ("readError", c_uint32),
        ("gatesRead", c_uint32),
        ("gatesError", c_uint32),
        ("gates", GateResults),
    ]


class OpsDecodedShot(Structure):
    _fields_ = [
        ("samples", c_uint32),
        ("type", c_uint32),
        ("identification", ctypes.c_int32),
        ("stamped", c_uint32),
        ("timeStamp", c_uint32),
        ("gates", c_uint32),
        ("gateTime", c_uint32 * 5),
        ("gateAmplitude", c_uint32 * 5),
        ("gateMarker", c_uint32 * 5),
        ("esDelay", c_uint32),
        ("esAmplitude", c_uint32),
    ]


class OpsStreamLayout(Structure):
    _fields_ = [(name, c_uint32) for name in (
        "activeSets", "layout", "shotBytes", "shotsPerSecond", "startSet", "sampleBits",
        "samplesPerShot", "sampleRate")]


_OPS_SIGNATURES = {
    "K7OpsVersion": (c_uint32, []),
    "K7OpsErrorText": (c_uint32, [c_uint32, c_uint32, ctypes.c_char_p, c_uint32]),
    "K7OpsSelfTest": (c_int, [_H, c_uint32, OpsQuestion, c_void_p, POINTER(OpsVerdict), _u32p]),
    "K7OpsLoadDsp": (c_int, [_H, ctypes.c_char_p, POINTER(OpsVerdict), _u32p]),
    "K7OpsResetCard": (c_int, [_H, POINTER(OpsVerdict), _u32p]),
    "K7OpsCheck": (c_int, [_H, c_uint32, ctypes.c_char_p, OpsQuestion, c_void_p,
                           POINTER(OpsVerdict), _u32p]),
    "K7OpsCheckWord": (c_uint32, [c_uint32, ctypes.c_char_p, c_uint32]),
    "K7OpsCheckAll": (c_int, [_H, ctypes.c_char_p, OpsQuestion, c_void_p, POINTER(OpsVerdict),
                              c_uint32, _u32p, _u32p]),
    "K7OpsSaveKennung": (c_int, [_H, ctypes.c_char_p, _u32p]),
    "K7OpsWriteKennung": (c_int, [_H, ctypes.c_char_p, _u32p]),
    "K7OpsHandSetToCard": (c_int, [_H, c_uint32, POINTER(OpsSet), _u32p, _u32p]),
    "K7OpsStopAndEmpty": (c_int, [_H, _u32p]),
    "K7OpsShotLayoutOf": (c_int, [c_uint32, POINTER(OpsSet), c_uint32, POINTER(OpsShotLayout),
                                  _u32p]),
    "K7OpsPrepareShot": (c_int, [_H, c_uint32, POINTER(OpsSet), c_uint32, c_uint32,
                                 POINTER(OpsShotLayout), _u32p, _u32p]),
    "K7OpsTakeShot": (c_int, [_H, c_uint32, POINTER(OpsSet), POINTER(OpsShotLayout), c_void_p,
                              c_uint32, POINTER(OpsShot), _u32p]),
    "K7OpsDecodeShot": (c_int, [c_void_p, POINTER(OpsShot), POINTER(OpsShotLayout),
                                c_void_p, c_uint32, POINTER(OpsDecodedShot), _u32p]),
    "K7OpsPrepareStream": (c_int, [_H, POINTER(OpsSet), c_uint32, c_uint32, c_uint32,
                                   POINTER(OpsStreamLayout), _u32p, _u32p, _u32p]),
    "K7OpsParseSet": (c_int, [ctypes.c_char_p, c_uint64, ctypes.c_char_p,
                              POINTER(ctypes.c_int64), c_uint32, POINTER(c_uint16), _u32p,
                              POINTER(ctypes.c_int32), _u32p]),
    "K7OpsSetFieldCount": (c_uint32, []),
    "K7OpsSetFieldKey": (c_uint32, [c_uint32, ctypes.c_char_p, c_uint32]),
    "K7OpsSamplePeriod": (ctypes.c_double, [c_uint32]),
    "K7OpsProfileParse": (c_void_p, [ctypes.c_char_p, c_uint64, _u32p]),
    "K7OpsProfileLoad": (c_void_p, [ctypes.c_char_p, ctypes.c_char_p, c_uint32, _u32p]),
    "K7OpsProfileFree": (None, [c_void_p]),
    "K7OpsProfileValue": (c_int, [c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p,
                                  c_uint64, POINTER(c_uint64), POINTER(ctypes.c_int32), _u32p]),
    "K7OpsProfileSetValue": (c_int, [c_void_p, ctypes.c_char_p, ctypes.c_char_p,
                                     ctypes.c_char_p, c_uint64, _u32p]),
    "K7OpsProfileWriteSet": (c_int, [c_void_p, ctypes.c_char_p, POINTER(ctypes.c_int64),
                                     c_uint32, POINTER(c_uint16), c_uint32, ctypes.c_int32,
                                     _u32p]),
    "K7OpsProfileBytes": (c_int, [c_void_p, ctypes.c_char_p, c_uint64, POINTER(c_uint64),
                                  _u32p]),
    "K7OpsProfileSave": (c_int, [c_void_p, ctypes.c_char_p, ctypes.c_char_p, c_uint32, _u32p]),
}


def ops_library() -> ctypes.CDLL:
    """The card operations with the signatures of their functions."""
    return _declared(_library.OPS_LIBRARY, _OPS_SIGNATURES)
