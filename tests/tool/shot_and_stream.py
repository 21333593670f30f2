"""Takes a single shot and prepares a stream of a set of a parameter file on card 1 as the
Python package does, in the record layout, and saves the requests each sent: through the
recording driver module that KARVO7_DRIVER names. Arguments: parameter file, section, set
number, output file prefix ("shot" and "stream" are appended)."""

import ctypes
import os
import sys

import karvo7

ini, section, number, prefix = sys.argv[1:5]
recorder = ctypes.CDLL(os.environ["KARVO7_DRIVER"])
parameters, _ = karvo7.ParameterFile(ini).read_set(section)


def save(name: str) -> None:
    if recorder.K7RecordingSave(f"{prefix}{name}".encode()) != 1:
        sys.exit(f"{prefix}{name} not written")


with karvo7.open(1) as card:
    card.set_layout(karvo7.Layout.RECORD)
    recorder.K7RecordingClear()
    try:
        card.shot(parameters, int(number))
    except karvo7.Error:
        pass  # the recording card delivers zeros, not the shot's record: the requests count
    save("shot")
    recorder.K7RecordingClear()
    card.stream({int(number): parameters}, count=0).close()
    save("stream")
