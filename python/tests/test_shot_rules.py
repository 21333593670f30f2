"""The stream gives the acquisition engine what the check program's data-rate runs give it for
the same sets: the read size (the largest shot of the sets) and the shot rate, as the card
operations' stream preparation hands them to the stream. This compares the check program's
rules with what the preparation gives on a simulated card, on a table of sets."""

from __future__ import annotations

import os
import subprocess

import pytest

from ctypes import byref, c_uint32

import karvo7
from karvo7 import ParameterSet, _cdefs
from karvo7.card import MAX_BLOCK_BYTES, card_record

# Groups of sets measured in turn, each set by the fields the rules read.
GROUPS = [
    [{}],
    [{"aufnahmelaenge": 1}],
    [{"aufnahmelaenge": 65535}],
    [{"aufnahmelaenge": 65535, "externer_trigger": True}],
    [{"aufnahmelaenge": 7, "bit8": True}],
    [{"aufnahmelaenge": 1000, "ascan": True, "faktor": 3}],
    [{"aufnahmelaenge": 1001, "ascan": True, "faktor": 4, "bit8": True}],
    [{"aufnahmelaenge": 5, "ascan": True, "faktor": 255, "bit8": True}],
    [{"iff": 100}, {"aufnahmelaenge": 4000}],
    [{"iff": 30000}, {"iff": 7, "bit8": True}, {"iff": 1999, "externer_trigger": True}],
    [{"iff": 3, "aufnahmelaenge": 2}, {"iff": 19999}, {"iff": 20001}, {"iff": 12345}],
]

_FIELDS = ("aufnahmelaenge", "faktor", "ascan", "bit8", "externer_trigger", "iff")


def _parameters(fields: dict) -> ParameterSet:
    parameters = ParameterSet(**fields)
    parameters.validate()
    return parameters


def _line(group: list) -> str:
    return ";".join(
        " ".join(str(int(getattr(_parameters(fields), name))) for name in _FIELDS)
        for fields in group
    )


def _prepared(card: karvo7.Card, sets: dict) -> tuple:
    """The read size and the shot rate the card operations prepare the sets with."""
    records = (_cdefs.OpsSet * _cdefs.OPS_SETS)()
    tables = []
    for number, p in sets.items():
        measure, special, gain, gates, table = card_record(p, 3)
        tables.append(table)
        records[number] = _cdefs.OpsSet(measure, special, gain, gates, p.triggerdelay,
                                        int(p.trigger_25ns), int(p.trigger_extern), p.esb_level,
                                        p.esb_time, int(p.esb_relativ), int(p.esb_always))
    layout = _cdefs.OpsStreamLayout()
    failed, step, error = c_uint32(0), c_uint32(0), c_uint32(0)
    assert _cdefs.ops_library().K7OpsPrepareStream(
        card._h(), records, sum(1 << n for n in sets), _cdefs.OPS_LAYOUT_NATIVE, 1,
        byref(layout), byref(failed), byref(step), byref(error)) == 1, hex(error.value)
    assert layout.startSet == _cdefs.ACQ_START_PLAIN
    return layout.shotBytes, layout.shotsPerSecond


def test_the_streams_read_size_and_rate_are_the_data_rate_runs(card):
    probe = os.environ.get("K7_SHOT_RULES")
    if not probe:
        pytest.skip("K7_SHOT_RULES names the check program's rules (built with the tests)")
    answer = subprocess.run([probe], input="\n".join(_line(g) for g in GROUPS) + "\n",
                            capture_output=True, text=True, check=True).stdout.splitlines()
    assert len(answer) == len(GROUPS)
    for group, line in zip(GROUPS, answer):
        sets = {n: _parameters(fields) for n, fields in enumerate(group)}
        assert _prepared(card, sets) == tuple(map(int, line.split())), group
    # The largest shot a set can give (all 65535 samples, 16 bits wide, behind a time stamp) is
    # the buffer a single shot is read into.
    largest = GROUPS.index([{"aufnahmelaenge": 65535, "externer_trigger": True}])
    assert int(answer[largest].split()[0]) == MAX_BLOCK_BYTES
