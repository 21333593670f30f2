"""The stream gives the acquisition engine what the check program's data-rate runs give it for
the same sets: the read size (the largest shot of the sets) and the shot rate. The rules are
copied; this compares them through both, set by set, on a table of sets."""

from __future__ import annotations

import os
import subprocess

import pytest

from karvo7 import ParameterSet
from karvo7.card import MAX_BLOCK_BYTES
from karvo7.stream import _block_bytes, _shot_rate

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


def test_the_streams_read_size_and_rate_are_the_data_rate_runs():
    probe = os.environ.get("K7_SHOT_RULES")
    if not probe:
        pytest.skip("K7_SHOT_RULES names the check program's rules (built with the tests)")
    answer = subprocess.run([probe], input="\n".join(_line(g) for g in GROUPS) + "\n",
                            capture_output=True, text=True, check=True).stdout.splitlines()
    assert len(answer) == len(GROUPS)
    for group, line in zip(GROUPS, answer):
        sets = {n: _parameters(fields) for n, fields in enumerate(group)}
        assert (_block_bytes(sets), _shot_rate(sets)) == tuple(map(int, line.split())), group
    # The largest shot a set can give (all 65535 samples, 16 bits wide, behind a time stamp) is
    # the buffer a single shot is read into.
    largest = GROUPS.index([{"aufnahmelaenge": 65535, "externer_trigger": True}])
    assert int(answer[largest].split()[0]) == MAX_BLOCK_BYTES
