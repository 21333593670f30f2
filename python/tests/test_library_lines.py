"""The card library's own lines reach the logger "karvo7", never standard output."""

from __future__ import annotations

import logging

import pytest

import karvo7


def test_library_lines_are_logged_at_their_levels_and_standard_output_stays_clean(
        two_cards, caplog, capfd):
    caplog.set_level(logging.INFO, logger="karvo7")
    karvo7.open(1).close()
    with pytest.raises(karvo7.Error):
        karvo7.open(3)
    lines = [(r.name, r.levelno, r.getMessage()) for r in caplog.records]
    assert lines == [
        ("karvo7", logging.INFO, "Ja gut OK installiert !!"),
        ("karvo7", logging.INFO, "Ja gut OK de-installiert !!"),
        ("karvo7", logging.WARNING, "Das war wohl nix !!"),
    ]
    assert capfd.readouterr().out == ""
