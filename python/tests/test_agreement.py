"""What the package copies from the C and C++ side, held to its source: the headers read as
text, and probes built from the C++ sources (the set editor's sample periods, the records as the
compiler lays them out)."""

from __future__ import annotations

import ctypes
import os
import re
import subprocess
from pathlib import Path
from typing import Dict, Tuple

import pytest

import karvo7
from karvo7 import _cdefs, card
from karvo7.paramfile import _SET_FIELDS

ROOT = Path(__file__).resolve().parents[2]
_DEFINE = re.compile(r"^#define (\w+) (0x[0-9A-Fa-f]+|\d+)u?\b[ \t]*(?:/\* (.*?) \*/)?", re.M)


def _defines(header: str, prefix: str) -> Dict[str, Tuple[int, str]]:
    text = (ROOT / header).read_text(encoding="utf-8")
    return {name[len(prefix):]: (int(value, 0), comment or "")
            for name, value, comment in _DEFINE.findall(text) if name.startswith(prefix)}


def _probe(variable: str) -> list:
    probe = os.environ.get(variable)
    if not probe:
        pytest.skip(f"{variable} names the probe (built with the tests)")
    return subprocess.run([probe], capture_output=True, text=True,
                          check=True).stdout.split("\n")[:-1]


def test_error_words_and_numbers_are_the_headers_with_their_meanings():
    words = _defines("KARVO7DLL/include/KARVO7DLL.h", "KARVO7_ERR_")
    words.update({f"OPS_{name}": word for name, word in
                  _defines("KARVO7Ops/include/KARVO7Ops.h", "K7OPS_ERROR_").items()})
    assert {w.name: (int(w), w.meaning) for w in karvo7.ErrorWord} == words
    numbers = _defines("KARVO7DLL/include/KARVO7Os.h", "K7_ERROR_")
    del numbers["SUCCESS"]
    assert {n.name: int(n) for n in karvo7.ErrorNumber} == {k: v for k, (v, _) in numbers.items()}
    # A failed call raises the class its word stands for, with the header's meaning.
    refused = karvo7.errors.failure("KARVO7PrepAllGatesParam", karvo7.ErrorWord.SAMPLERATE)
    assert isinstance(refused, karvo7.RefusedValue) and refused.meaning == "Samplerate above 7"
    assert type(karvo7.errors.failure("KARVO7GetData", 121)) is karvo7.DataTimeout
    assert type(karvo7.errors.failure("KARVO7GetData", 0xE7060001)) is karvo7.Error


def test_the_set_fields_are_the_card_operations_fields_in_their_order():
    """A set read from a file takes the library's values in its field order: the package's
    names are given to the library's keys one to one."""
    library = _cdefs.ops_library()
    keys = []
    for index in range(library.K7OpsSetFieldCount()):
        key = ctypes.create_string_buffer(64)
        assert library.K7OpsSetFieldKey(index, key, 64) > 0
        keys.append(key.value.decode())
    assert [key for _, key, _, _ in _SET_FIELDS] == keys


def test_a_set_is_refused_where_the_library_refuses_it():
    """Each range the library checks (its codes' meanings name the field and its limit) is the
    range ParameterSet.validate checks: the limit passes, one above it is refused."""
    attribute = {key.lower(): name for name, key, _, _ in _SET_FIELDS}
    limits = [(m.group(1), int(m.group(2), 0)) for m in
              (re.search(r"(\w+) above (0x[0-9A-F]+|\d+)$", w.meaning) for w in karvo7.ErrorWord)
              if m]
    # "Start" is no field the package hands over: a shot and a stream choose the card's mode.
    limits = [(attribute[key.lower()], high) for key, high in limits if key != "Start"]
    assert len(limits) == 13
    for name, high in limits:
        karvo7.ParameterSet(ascan=True, faktor=1, **{name: high}).validate()
        with pytest.raises(karvo7.RefusedValue, match=name):
            karvo7.ParameterSet(ascan=True, faktor=1, **{name: high + 1}).validate()
    # "Aufnahmelaenge 0", "A-scan on and Faktor 0"
    with pytest.raises(karvo7.RefusedValue, match="aufnahmelaenge"):
        karvo7.ParameterSet(aufnahmelaenge=0).validate()
    with pytest.raises(karvo7.RefusedValue, match="faktor"):
        karvo7.ParameterSet(ascan=True, faktor=0).validate()
    karvo7.ParameterSet(ascan=False, faktor=0, aufnahmelaenge=1).validate()


def test_the_fifo_status_bits_are_the_protocol_headers():
    text = (ROOT / "KARVO7DLL/include/KARVO7Protocol.h").read_text(encoding="utf-8")

    def constant(name: str) -> int:
        found = re.search(rf"constexpr uint32_t {name} = (0x[0-9A-Fa-f]+|\d+)u?;", text)
        assert found, name
        return int(found.group(1), 0)

    assert card.FIFO_STATUS_REGISTER == constant("kFifoStatus")
    assert card.FIFO_FULL_BITS == constant("kFifoFullBits")


def test_the_sample_period_of_each_rate_code_is_the_set_editors():
    # 80, 40, 20 and 10 MHz, those clocks divided by 16 ("Takt/16"), the virtual 160 MHz for a
    # code without a rate of its own; only the low four bits count.
    expected = {0: 0.0125, 1: 0.025, 2: 0.05, 3: 0.1, 4: 0.00625, 5: 0.2, 6: 0.4, 7: 0.8, 8: 1.6,
                9: 0.00625, 15: 0.00625, 0x13: 0.1, 0xF8: 1.6}
    for code, period in expected.items():
        parameters = karvo7.ParameterSet(samplerate=code)
        assert parameters.sample_period_us == pytest.approx(period, rel=1e-6), code
    assert karvo7.ParameterSet(samplerate=3).us(25) == pytest.approx(2.5, rel=1e-6)


_RECORDS = {
    "MeasureParams": _cdefs.MeasureParams, "SpecialParams": _cdefs.SpecialParams,
    "GateParam": _cdefs.GateParam, "GateEnables": _cdefs.GateEnables,
    "GateParams": _cdefs.GateParams, "GateResult": _cdefs.GateResult,
    "GateResults": _cdefs.GateResults, "CardStatus": card._CardStatus,
    "KonfigRecord": _cdefs.KonfigRecord, "ADCValues": _cdefs.ADCValues,
    "K7AcqSettings": _cdefs.AcqSettings, "K7AcqCycleSettings": _cdefs.AcqCycleSettings,
    "K7AcqItem": _cdefs.AcqItem, "K7AcqStatistics": _cdefs.AcqStatistics,
    "K7OpsVerdict": _cdefs.OpsVerdict,
}


def test_the_records_are_laid_out_as_the_c_compiler_lays_them_out():
    seen: Dict[str, set] = {name: set() for name in _RECORDS}
    for line in _probe("K7_RECORD_LAYOUTS"):
        name, *numbers = line.split()
        if "." not in name:
            assert ctypes.sizeof(_RECORDS[name]) == int(numbers[0]), name
            continue
        record, field = name.split(".")
        declared = getattr(_RECORDS[record], field)
        assert (declared.offset, declared.size) == tuple(map(int, numbers)), name
        seen[record].add(field)
    for name, record in _RECORDS.items():
        assert seen[name] == {f[0] for f in record._fields_}, name
