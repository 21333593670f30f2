"""Failures: sets out of range never reach the card, refusals of the library and faults of the
driver raise karvo7.Error with the word and its meaning."""

from __future__ import annotations

import numpy as np
import pytest

import karvo7

GAIN_COMMAND = 0x5001  # gain in 0.1 dB: one data word
SELECT_SET_COMMAND = 0x2001
MONITOR_COMMAND = 0x0000
RESULTS_COMMAND = 0x7C01  # gate results fetch


@pytest.mark.parametrize(
    "change",
    [
        {"samplerate": 8}, {"average": 8}, {"iff": 0x400000}, {"ausblenden": 16},
        {"triggereingangsmode": 4}, {"triggerausgangsmode": 8}, {"aufnahmelaenge": 0},
        {"aufnahmelaenge": 65536}, {"aufnahmedelay": 0x100000}, {"aufnahmedelay": -1},
        {"ascan": True, "faktor": 0}, {"gleichrichtung": 4}, {"sendeimpulsbreite": 6},
        {"sendeenergie": 8}, {"senderdaempfung": 4}, {"eingangsdaempfung": 4}, {"filter": 8},
        {"verstaerkung": 65536}, {"triggerdelay": -1}, {"esb_time": 70000}, {"iff": 1.5},
        {"ta_tabelle": []}, {"ta_tabelle": [70000]}, {"samplerate": np.int64(8)},
        {"iff": "7"}, {"bit8": False, "average": np.float64(1)},
    ],
)
def test_a_set_out_of_range_raises_before_anything_is_sent(simulator, change):
    # Every command fails on this card: had anything been sent, Error would come instead.
    simulator(f"cards = 1\n[Card]\nfault = command {SELECT_SET_COMMAND:#x} 0xE7000001\n"
              f"fault = command {GAIN_COMMAND:#x} 0xE7000001\n")
    # As the card is: choosing a layout sends commands.
    with karvo7.open_card(1, warm_up=False) as card:
        wrong_type = any(isinstance(v, (float, str)) for v in change.values())
        with pytest.raises(karvo7.WrongType if wrong_type else karvo7.RefusedValue) as refused:
            card.apply(karvo7.ParameterSet(**change), 1)
    # Callers that catch what earlier releases raised keep working.
    assert isinstance(refused.value, TypeError if wrong_type else ValueError)
    assert isinstance(refused.value, karvo7.Error)


def test_gates_and_set_numbers_out_of_range_raise_value_error(card):
    parameters = karvo7.ParameterSet()
    parameters.gates[2].ende = 65536
    with pytest.raises(ValueError, match=r"gates\[2\]\.end \(ende\)"):
        card.apply(parameters, 1)
    parameters = karvo7.ParameterSet()
    parameters.gates[4].schwelle = 4096
    with pytest.raises(ValueError, match=r"gates\[4\]\.threshold \(schwelle\)"):
        card.shot(parameters, 1)
    for number in (-1, 8, np.uint8(8)):
        with pytest.raises(karvo7.RefusedValue):
            card.apply(karvo7.ParameterSet(), number)
    with pytest.raises(karvo7.WrongType):
        card.apply(karvo7.ParameterSet(), "1")
    with pytest.raises(ValueError):
        card.apply({"iff": 1}, 1)


def test_a_set_the_library_refuses_raises_its_code(card):
    # A depth compensation table with a spacing below the sampling rate's minimum.
    parameters = karvo7.ParameterSet(ta_tabelle=[100, 200, 300], ta_abstand=0)
    with pytest.raises(karvo7.Error) as refused:
        card.apply(parameters, 1)
    assert refused.value.function == "KARVO7PrepAllGatesParam"
    assert refused.value.word == 0x90130000
    assert refused.value.meaning == "depth-compensation spacing too small"
    assert "0x90130000" in str(refused.value)


def test_a_driver_fault_raises_error_with_the_drivers_word(simulator):
    simulator(f"cards = 1\n[Card]\nfault = command {GAIN_COMMAND:#x} 0xE7ABCDEF\n"
              f"fault = command {MONITOR_COMMAND:#x} 0xE7001234\n")
    with karvo7.open_card(1) as card:
        with pytest.raises(karvo7.Error) as gain:
            card.shot(karvo7.ParameterSet(), 1)
        assert (gain.value.function, gain.value.word) == ("KARVO7PrepAllGatesParam", 0xE7ABCDEF)
        assert gain.value.meaning == "error word of the driver"
        with pytest.raises(karvo7.Error) as monitor:
            card.temperature_and_voltages()
        assert (monitor.value.function, monitor.value.word) == ("KARVO7GetADC", 0xE7001234)


def test_a_shot_whose_data_never_comes_ends_with_the_time_out_word(simulator):
    simulator("cards = 1\ndata_timeout_s = 1\n[Card]\nfault = data-never\n")
    with karvo7.open_card(1) as card:
        card.set_data_timeout(1)
        with pytest.raises(karvo7.DataTimeout) as never:
            card.shot(karvo7.ParameterSet(ascan=True, faktor=1), 1)
    assert never.value.function == "KARVO7GetData"
    assert never.value.word != 0


def test_a_missing_library_is_named(monkeypatch, tmp_path):
    from karvo7 import _library

    monkeypatch.setenv("KARVO7_LIBRARY_PATH", str(tmp_path))
    with pytest.raises(karvo7.LibraryNotFoundError) as missing:
        _library.load("libKARVO7Nothing.so.1")
    assert "cannot load libKARVO7Nothing.so.1" in str(missing.value)
    assert f"{tmp_path}/libKARVO7Nothing.so.1: no such file" in str(missing.value)


def test_a_failed_gate_results_fetch_of_a_stream_raises_with_the_drivers_word(simulator):
    simulator(f"cards = 1\n[Card]\nfault = command {RESULTS_COMMAND:#x} 0xE7100001\n")
    with karvo7.open(1) as card:
        with pytest.raises(karvo7.Error) as failed:
            list(card.stream(karvo7.ParameterSet(ascan=True, faktor=1, iff=2000), count=1000))
        assert (failed.value.function, failed.value.word) == ("KARVO7GetResults", 0xE7100001)
        assert card.status().modus == 0 and not card.data_in_fifo()


def test_a_gain_or_shot_rate_beyond_the_card_and_a_gate_ending_before_its_start_are_refused(
        simulator):
    # Every command fails on this card: had anything been sent, Error would come instead.
    simulator(f"cards = 1\n[Card]\nfault = command {SELECT_SET_COMMAND:#x} 0xE7000001\n"
              f"fault = command {GAIN_COMMAND:#x} 0xE7000001\n")
    with karvo7.open_card(1, warm_up=False) as card:
        identification = card.identification()
        assert (identification.dynamic_range, identification.max_sap_rate) == (80, 20)
        for change, field in (({"gain": 10000}, r"gain \(verstaerkung\) = 10000"),
                              ({"gain": 801}, r"gain \(verstaerkung\) = 801 .*80 dB"),
                              ({"pulse_rate": 100_000}, r"pulse_rate \(iff\) = 100000"),
                              ({"iff": 20001}, r"pulse_rate \(iff\) = 20001 .*0\.\.20000")):
            with pytest.raises(karvo7.RefusedValue, match=field):
                card.apply(karvo7.ParameterSet(**change), 1)
            with pytest.raises(karvo7.RefusedValue, match=field):
                card.shot(karvo7.ParameterSet(**change), 1)
        backwards = karvo7.ParameterSet()
        backwards.gates[2].ende = 599  # gate 2 starts at 600
        with pytest.raises(karvo7.RefusedValue,
                           match=r"gates\[2\]\.end \(ende\) = 599 lies before gates\[2\]\.start"):
            card.apply(backwards, 1)
        with pytest.raises(karvo7.RefusedValue, match=r"gates\[2\]\.end"):
            card.stream(backwards, count=1)
    # At the card's limits, a gate as long as one sample and a gate that is off are taken.
    simulator("cards = 1\n")
    with karvo7.open_card(1) as card:
        edge = karvo7.ParameterSet(gain=800, pulse_rate=20000)
        edge.gates[2].end = edge.gates[2].start
        edge.gates[0].ende = 0  # gate 0 is off
        card.apply(edge, 1)


def test_a_misspelt_field_is_refused_and_names_the_field_meant():
    parameters = karvo7.ParameterSet()
    with pytest.raises(karvo7.NoSuchField, match=r"ParameterSet has no field 'gian' "
                                                 r"\(did you mean gain\?\)"):
        parameters.gian = 300
    with pytest.raises(AttributeError, match="Gate has no field 'schwele'"):
        parameters.gates[1].schwele = 10
    assert parameters == karvo7.ParameterSet() and not hasattr(parameters, "gian")
    # Fields, their German names and the settable units are taken.
    parameters.gain = 300
    parameters.verstaerkung += 1
    parameters.gain_db = 20.3
    parameters.gates[1].schwelle = 70
    assert (parameters.gain, parameters.gates[1].threshold) == (203, 70)
    assert parameters.copy() == parameters


def test_meanings_are_the_card_operations_texts_for_every_family_of_words():
    # The card library's codes, the device layer's numbers, the driver's transfer words, the
    # engine's and the operations' own words, and one only the driver knows.
    assert karvo7.ErrorWord.FILTER.meaning == "Filter above 7"
    assert karvo7.ErrorNumber.SHARING_VIOLATION.meaning == "card already in use"
    assert karvo7.errors.meaning(0xE7060004) == "FIFO overflow"
    assert karvo7.errors.meaning(0x90240000) == "another engine reads the card already"
    assert karvo7.ErrorWord.OPS_FILE.meaning == \
        "a file that cannot be read, refused, or not written"
    assert karvo7.errors.meaning(0xE7ABCDEF) == "error word of the driver"
    assert karvo7.errors.meaning(0) == "invalid handle or missing argument"
    assert karvo7.errors.meaning(0x900F0000, language=karvo7.errors.LANGUAGE_GERMAN) == \
        "Senderdämpfung über 3"
    # The message a failure carries names the word and the same meaning.
    failed = karvo7.errors.failure("K7AcqStart", 0x90240000)
    assert str(failed) == \
        "K7AcqStart failed: error 0x90240000 (another engine reads the card already)"


def test_a_meaning_without_the_operations_library_still_names_the_word(monkeypatch):
    from karvo7 import _cdefs, _library

    def missing() -> None:
        raise _library.LibraryNotFoundError("karvo7: cannot load libKARVO7Ops.so.1")

    monkeypatch.setattr(_cdefs, "ops_library", missing)
    failed = karvo7.errors.failure("KARVO7GetData", 0xE7060001)
    assert "error 0xE7060001" in str(failed) and "not loaded" in failed.meaning
