"""Scan, open and close, identity, sensors and layouts of simulated cards."""

from __future__ import annotations

import threading

import numpy as np
import pytest

import karvo7

WARM_UP_COMMAND = 0x0C00  # the LCA reset that every warm-up begins with


def test_scan_counts_the_cards_and_open_reports_their_positions(simulator):
    simulator("cards = 3\n[Card3]\nbus = 2\nslot = 7\n")
    assert karvo7.scan() == 3
    with karvo7.open_card(3) as card:
        assert card.position == (2, 7)
        assert card.is_version3
        assert not card.closed
    assert card.closed


def test_closing_twice_is_harmless_and_a_closed_card_refuses_calls(card):
    card.close()
    card.close()
    with pytest.raises(karvo7.RefusedValue, match="closed"):
        card.temperature_and_voltages()


def test_absent_card_and_card_in_use_raise_with_the_library_word(two_cards):
    with pytest.raises(karvo7.NoSuchCard) as absent:
        karvo7.open_card(3)
    assert absent.value.function == "KARVO7Open"
    assert absent.value.word == karvo7.ErrorNumber.FILE_NOT_FOUND == 2
    assert absent.value.meaning == "no such card"
    with karvo7.open_card(1):
        with pytest.raises(karvo7.CardInUse) as in_use:
            karvo7.open_card(np.int64(1), warm_up=False)
        assert in_use.value.word == karvo7.ErrorNumber.SHARING_VIOLATION == 32
        assert in_use.value.meaning == "card already in use"
    # Released by the close: it opens again.
    karvo7.open_card(1).close()


def test_open_refuses_numbers_before_anything_reaches_the_library(two_cards):
    for number in (0, 256, -1):
        with pytest.raises(karvo7.RefusedValue):
            karvo7.open_card(number)
    for number in ("1", True, 1.0):
        with pytest.raises(karvo7.WrongType):
            karvo7.open_card(number)


def test_open_keeps_its_earlier_name_but_import_star_never_hides_the_builtin():
    names: dict = {}
    exec("from karvo7 import *", names)
    assert "open" not in names and names["open_card"] is karvo7.open_card
    assert karvo7.open is karvo7.open_card
    assert set(karvo7.__all__) <= set(dir(karvo7))
    for name in karvo7.__all__:
        value = getattr(karvo7, name)
        if isinstance(value, type) and issubclass(value, BaseException):
            assert issubclass(value, karvo7.Error), name


def test_a_card_opened_without_warm_up_gets_no_command(simulator):
    # Every command fails on this card: the open succeeds only if nothing is sent.
    simulator(f"cards = 1\n[Card]\nfault = command {WARM_UP_COMMAND:#x} 0xE7000001\n")
    with karvo7.open_card(1, warm_up=False) as card:
        assert card.layout is karvo7.Layout.NATIVE
        assert card.position == (1, 12)
    with pytest.raises(karvo7.Error):
        karvo7.open_card(1)


def test_identification_is_the_configuration_record(simulator):
    simulator("cards = 1\n[Card1]\nkennung = 1,1,7:KARVO7T;\n")
    with karvo7.open_card(1) as card:
        ident = card.identification()
    assert ident.karte == "KARVO7T"
    assert isinstance(ident, karvo7.Identification)


def test_default_identification_and_sensors_of_a_simulated_card(card):
    ident = card.identification()
    assert ident.karte == "KARVO7F"
    assert ident.lca_version.startswith("LCA")
    assert ident.max_sap_folge > 0
    sensors = card.temperature_and_voltages()
    assert 0 < sensors.temperatur < 100
    assert 4.5 < sensors.analog_5v_plus < 5.5


def test_layout_defaults_to_records_on_version3_cards_and_native_elsewhere(simulator):
    simulator("cards = 2\n[Card2]\nversion3 = no\n")
    with karvo7.open_card(1) as v3, karvo7.open_card(2) as other:
        assert v3.layout is karvo7.Layout.RECORD
        assert other.layout is karvo7.Layout.NATIVE
        assert not other.is_version3
        with pytest.raises(ValueError, match="version-3"):
            other.set_layout(karvo7.Layout.RECORD)


def test_calls_from_two_threads_on_one_card_are_serialised(card):
    """Many sensor reads from two threads at once all succeed: the library never sees two
    calls on the handle at the same time (it would mix up their transfers)."""
    failures = []

    def read() -> None:
        try:
            for _ in range(5000):
                card.temperature_and_voltages()
                card.identification()
        except Exception as error:  # collected for the assertion below
            failures.append(error)

    threads = [threading.Thread(target=read) for _ in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(timeout=60)
    assert failures == []
    assert not any(t.is_alive() for t in threads)
