"""Hands a set of a parameter file to card 1 as the Python package does, once with each start
code, and saves the requests each hand-over sent: through the recording driver module that
KARVO7_DRIVER names. Arguments: parameter file, section, set number, output file prefix."""

import ctypes
import os
import sys

import karvo7

ini, section, number, prefix = sys.argv[1:5]
recorder = ctypes.CDLL(os.environ["KARVO7_DRIVER"])
parameters, _ = karvo7.ParameterFile(ini).read_set(section)
with karvo7.open(1) as card:
    for start in (1, 3):
        recorder.K7RecordingClear()
        card.apply(parameters, int(number), start=start)
        if recorder.K7RecordingSave(f"{prefix}{start}".encode()) != 1:
            sys.exit(f"{prefix}{start} not written")
