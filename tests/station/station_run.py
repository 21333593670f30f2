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
    --case CLASS/NAME=V      the test case exists and passed (V=pass) or failed (V=fail)
    --message CLASS/NAME=T   the failing test case's message is T
"""
import argparse
import subprocess
import sys

from junitparser import Failure, JUnitXml

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
    checks = parser.parse_args(argv[:split])
    command = [checks.program] + argv[split + 1:] + ["--report", checks.report]

    run = subprocess.run(command, capture_output=True, timeout=600)
    out = run.stdout.decode("utf-8")
    err = run.stderr.decode("utf-8")
    print("$ " + " ".join(command))
    print("--- standard output ---\n" + out + "--- standard error ---\n" + err + "---")
    print("exit %d" % run.returncode)
    if run.returncode != checks.exit:
        fail("exit %d, expected %d" % (run.returncode, checks.exit))
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
            failures += failed
            key = case.classname + "/" + case.name
            if key in cases:
                fail("test case %s twice" % key)
            cases[key] = (failed, [r.message for r in case.result if isinstance(r, Failure)])
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
        if cases[key][0] != (verdict == "fail"):
            fail("test case %s did not %s" % (key, verdict))
    for expected in checks.message:
        key, message = expected.split("=", 1)
        if key not in cases or cases[key][1] != [message]:
            fail("test case %s has messages %r, expected %r" %
                 (key, cases.get(key, (0, []))[1], message))
    print("passed: %d suites, %d test cases" % (len(suites), len(cases)))


if __name__ == "__main__":
    main()
