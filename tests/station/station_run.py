#!/usr/bin/env python3
"""Runs KARVO7Check unattended as a production test station does and checks what the station's
tools read: the exit code, standard output holding result lines only, the library's lines on
standard error, and the JUnit report as a JUnit reader (junitparser) sees it.

    station_run.py PROGRAM REPORT [checks...] -- [program arguments...]

checks:
    --exit N                 the program's exit code
    --suites N               test suites in the report (one per card)
    --failing SUITE          this suite has failures (repeatable); every other suite has none
    --absent N               "Das war wohl nix !!" lines on standard error (devices not there)
    --position SUITE=B/S     the suite's card sits at PCI bus B, slot S (repeatable)
    --case CLASS/NAME=V      the test case exists and passed (V=pass), failed (V=fail) or is
                             an error (V=error)
    --message CLASS/NAME=T   the failing test case's message is T
    --hold-card N            another program (a helper process over the card library given by
                             --library) holds card N open while the station runs; the
                             environment's STATION_HOLDER_PRELOAD names the sanitizer runtimes
                             it loads first in a sanitizer build
    --signal NAME=TEXT       the station gets signal NAME (INT, TERM) as soon as it writes the
                             line TEXT to standard error
    --fresh STATE_DIR        the simulated cards' state folder is removed before the run
    --then-line TEXT         a second run (the same arguments, no report) prints the line TEXT
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys

from junitparser import Error, Failure, JUnitXml

HOLDER = """
import ctypes, sys
library = ctypes.CDLL(sys.argv[1])
library.KARVO7Open.restype = ctypes.c_void_p
library.KARVO7Close.argtypes = [ctypes.c_void_p]
handle = library.KARVO7Open(int(sys.argv[2]))
print("held" if handle else "not held", flush=True)
sys.stdin.read()
library.KARVO7Close(handle)
"""

LIBRARY_LINES = ("Ja gut OK installiert !!", "Ja gut OK de-installiert !!",
                 "Das war wohl nix !!", "Das war wohl nix beim Schließen !!")


def fail(text):
    print("FAILED: " + text)
    sys.exit(1)


def main():
    argv = sys.argv[1:]
    split = argv.index("--") if "--" in argv else len(argv)
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("report")
    parser.add_argument("--exit", type=int, required=True)
    parser.add_argument("--suites", type=int)
    parser.add_argument("--failing", action="append", default=[])
    parser.add_argument("--absent", type=int)
    parser.add_argument("--position", action="append", default=[])
    parser.add_argument("--case", action="append", default=[])
    parser.add_argument("--message", action="append", default=[])
    parser.add_argument("--hold-card", type=int)
    parser.add_argument("--library")
    parser.add_argument("--signal")
    parser.add_argument("--fresh")
    parser.add_argument("--then-line")
    checks = parser.parse_args(argv[:split])
    command = [checks.program] + argv[split + 1:] + ["--report", checks.report]

    if checks.fresh:
        shutil.rmtree(checks.fresh, ignore_errors=True)
    holder = None
    if checks.hold_card is not None:
        environment = dict(os.environ)
        if environment.get("STATION_HOLDER_PRELOAD"):
            environment["LD_PRELOAD"] = environment["STATION_HOLDER_PRELOAD"]
            environment["ASAN_OPTIONS"] = "detect_leaks=0"  # the interpreter's, not ours
        holder = subprocess.Popen([sys.executable, "-c", HOLDER, checks.library,
                                   str(checks.hold_card)], env=environment,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        # The library's own lines come first on the helper's standard output.
        answer = ""
        while answer not in ("held", "not held"):
            answer = holder.stdout.readline().strip() or "not held"
        if answer != "held":
            fail("the helper could not hold card %d" % checks.hold_card)
    try:
        returncode, out, err = run_station(command, checks.signal)
    finally:
        if holder is not None:
            holder.communicate("")
    print("$ " + " ".join(command))
    print("--- standard output ---\n" + out + "--- standard error ---\n" + err + "---")
    print("exit %d" % returncode)
    if returncode != checks.exit:
        fail("exit %d, expected %d" % (returncode, checks.exit))
    absent = err.splitlines().count("Das war wohl nix !!")
    if checks.absent is not None and absent != checks.absent:
        fail("%d lines 'Das war wohl nix !!' on standard error, expected %d" %
             (absent, checks.absent))

    xml = JUnitXml.fromfile(checks.report)
    suites = list(xml)  # the report's root is <testsuites>
    if checks.suites is not None and len(suites) != checks.suites:
        fail("%d test suites, expected %d" % (len(suites), checks.suites))

    # Standard output: the report's lines in order, with the headings between them.
    reported = []
    cases = {}
    for suite in suites:
        failures = 0
        for case in suite:
            if case.system_out is not None:  # a line of the result list
                reported.append(case.system_out)
            failed = any(isinstance(r, Failure) for r in case.result)
            verdict = "error" if any(isinstance(r, Error) for r in case.result) else \
                "fail" if failed else "pass"
            failures += failed
            key = case.classname + "/" + case.name
            if key in cases:
                fail("test case %s twice" % key)
            cases[key] = (verdict, [r.message for r in case.result if isinstance(r, Failure)])
        if (failures > 0) != (suite.name in checks.failing):
            fail("suite %s has %d failures" % (suite.name, failures))
        if failures != suite.failures:
            fail("suite %s counts %s failures, holds %d" % (suite.name, suite.failures, failures))
    lines = out.splitlines()
    for line in lines:
        if line in LIBRARY_LINES:
            fail("library line on standard output: " + line)
    results = [line for line in lines if not line.rstrip().endswith(":")]
    if results != reported:
        fail("standard output %r is not the report's lines %r" % (results, reported))
    if not results:
        fail("no result lines")

    for position in checks.position:
        name, where = position.split("=")
        bus, slot = where.split("/")
        suite = next((s for s in suites if s.name == name), None)
        if suite is None:
            fail("no suite " + name)
        properties = {p.name: p.value for p in suite.properties()}
        if (properties.get("bus"), properties.get("slot")) != (bus, slot):
            fail("suite %s at %r, expected bus %s slot %s" % (name, properties, bus, slot))
    for expected in checks.case:
        key, verdict = expected.rsplit("=", 1)
        if key not in cases:
            fail("no test case %s among %s" % (key, sorted(cases)))
        if cases[key][0] != verdict:
            fail("test case %s is %s, expected %s" % (key, cases[key][0], verdict))
    for expected in checks.message:
        key, message = expected.split("=", 1)
        if key not in cases or cases[key][1] != [message]:
            fail("test case %s has messages %r, expected %r" %
                 (key, cases.get(key, (0, []))[1], message))
    if checks.then_line is not None:
        again = subprocess.run(command[:-2], capture_output=True, timeout=600)
        lines = again.stdout.decode("utf-8").splitlines()
        print("--- second run ---\n" + "\n".join(lines))
        if checks.then_line not in lines:
            fail("the second run did not print %r" % checks.then_line)
    print("passed: %d suites, %d test cases" % (len(suites), len(cases)))


def run_station(command, signal_at):
    """Runs the station; with `signal_at` ("TERM=text") signals it once it wrote the line."""
    if signal_at is None:
        run = subprocess.run(command, capture_output=True, timeout=600)
        return run.returncode, run.stdout.decode("utf-8"), run.stderr.decode("utf-8")
    name, text = signal_at.split("=", 1)
    number = getattr(signal, "SIG" + name)
    station = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    err = b""
    for line in station.stderr:
        err += line
        if line.decode("utf-8").rstrip("\n") == text:
            station.send_signal(number)
            break
    else:
        station.kill()
        station.wait()
        fail("the station never wrote %r to standard error:\n%s" % (text, err.decode("utf-8")))
    out, rest = station.communicate(timeout=600)
    return station.returncode, out.decode("utf-8"), (err + rest).decode("utf-8")


if __name__ == "__main__":
    main()
