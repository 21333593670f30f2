"""The check program's card operations from Python on simulated cards with faults: the same
verdicts and lines as its windows, exceptions where an operation fails."""

from __future__ import annotations

import contextlib
import os
from pathlib import Path

import numpy as np
import pytest

import karvo7
from karvo7 import _cdefs

INI = Path(__file__).resolve().parents[2] / "examples" / "KARVO7Check.INI"


def test_self_tests_give_the_windows_lines_and_a_failing_test_is_a_failed_verdict(simulator):
    simulator("cards = 1\n[Card1]\nfault = selftest0-word 3 0x12345678\n")
    with karvo7.open_card(1) as card:
        fifo = card.self_test(0)
        assert not fifo.passed
        assert fifo.name == "DSP->PCI-FIFO"
        assert fifo.text == "DSP->PCI-FIFO: \r\n 3: soll = 0, ist = 12345678"
        assert card.self_test(3) == karvo7.Verdict(3, "Aufnahme-FIFO", True, "Aufnahme-FIFO: OK")
        # The DAC ramps ask whoever watches them; without anyone the answer is no.
        assert card.self_test(9).text == "DAC: nicht OK"
        asked = []
        seen = card.self_test(9, lambda caption, text: asked.append((caption, text)) or True)
        assert seen.passed and asked == [("DAC-Test", "DAC-Rampen OK?")]
        with pytest.raises(ValueError, match="no self test 13"):
            card.self_test(13)


def test_a_bad_dsp_file_raises_and_touches_no_card_and_a_good_one_loads(simulator, tmp_path):
    simulator("cards = 1\n")
    bad = tmp_path / "program.hex"
    bad.write_bytes(b"\x00\x01\xff\xfe")
    with karvo7.open_card(1) as card:
        with pytest.raises(karvo7.Error) as refused:
            card.load_dsp(bad)
        assert refused.value.word == _cdefs.OPS_ERROR_FILE
        assert refused.value.meaning == "Ungültige Zeile 1 in der Hex-Datei"
        loaded = card.load_dsp(INI.parent / "KARVO7DSP.hex")
        assert loaded.passed and loaded.text.startswith("OK (Reset nach ")
        assert card.reset().text.startswith("Reset OK nach ")


def test_dsp_files_are_judged_as_the_dsp_window_judges_them(simulator, tmp_path):
    """What the DSP window refuses before its question raises here with the window's text,
    before the card is touched; any .bin the window loads is loaded here too."""
    simulator("cards = 1\n")
    refused = {
        "empty.bin": (b"", "Keine gültige Extension (*.bin/*.hex)"),
        "big.bin": (b"\x01" * 32641, "Programm zu groß (höchstens 255 Blöcke, 32640 Bytes)"),
        "program.txt": (b"12AB\r\n", "Keine gültige Extension (*.bin/*.hex)"),
        "bad.hex": (b"12AB\r\nxyz\r\n", "Ungültige Zeile 2 in der Hex-Datei"),
    }
    with karvo7.open_card(1) as card:
        for name, (content, meaning) in refused.items():
            path = tmp_path / name
            path.write_bytes(content)
            with pytest.raises(karvo7.Error) as failed:
                card.load_dsp(path)
            assert failed.value.word == _cdefs.OPS_ERROR_FILE, name
            assert failed.value.meaning == meaning, name
        image = tmp_path / "image.bin"
        image.write_bytes(bytes((i * 37) & 0xFF for i in range(1000)))
        assert card.load_dsp(image).passed


def test_a_card_that_never_ends_its_reset_raises(simulator):
    simulator("cards = 1\n[Card1]\nfault = reset-never\n")
    card = karvo7.open_card(1)
    with pytest.raises(karvo7.Error) as failed:
        card.reset()
    assert failed.value.meaning == "Reset Error"
    with contextlib.suppress(karvo7.Error):
        card.close()  # a card still in its reset may refuse to power down


def test_station_checks_repair_a_wrong_eeprom_byte_and_fail_one_the_bridge_keeps(simulator):
    simulator("cards = 2\n[Card1]\ndevice_id = 0x1234\n"
              "[Card2]\ndevice_id = 0x1234\nfault = eeprom-protected\n")
    with karvo7.open_card(1) as card:
        repaired, lca = card.check("pci-eeprom", "lca", ini=INI)
        assert (repaired.name, repaired.passed, repaired.text) == (
            "PCI EEPROM", True, "nach Schreiben OK")
        assert lca.passed
        # Repaired for good: the next check finds nothing to write.
        assert card.check(1, ini=INI)[0].text == "OK"
    with karvo7.open_card(2) as card:
        kept = card.check("pci-eeprom", ini=INI)[0]
        assert not kept.passed
        assert kept.text == "DeviceID soll: 4B37 ist: 1234"
        # Without reference values nothing is written and the check names what is missing.
        missing = card.check("pci-eeprom")[0]
        assert missing.text == "Vorgabe fehlt: [PCIEEPROM] Signature"
        with pytest.raises(ValueError, match="no check 'eeprom'"):
            card.check("eeprom")


def test_checks_are_named_as_the_card_operations_name_them(simulator):
    simulator("cards = 1\n")
    assert karvo7.CHECKS[0] == "pci-config" and karvo7.CHECKS[-1] == "command"
    assert len(set(karvo7.CHECKS)) == len(karvo7.CHECKS) == 8
    with karvo7.open_card(1) as card:
        by_name = card.check(*karvo7.CHECKS[:3], ini=INI)
        assert [v.item for v in by_name] == [0, 1, 2]
        with pytest.raises(ValueError, match="checks 0 to 7"):
            card.check(len(karvo7.CHECKS), ini=INI)
    with pytest.raises(AttributeError):
        karvo7.CHEKCS  # noqa: B018


def _record_shot(card: karvo7.Card) -> karvo7.Record:
    return card.shot(karvo7.ParameterSet(ascan=True, faktor=1, aufnahmelaenge=500), 1)


def test_a_card_keeps_its_layout_through_a_reset_a_dsp_load_and_the_checks(simulator, tmp_path):
    """A reset gives every set the native layout's identification 0: the card delivered bare
    samples that the package then took apart as records ("data truncated at byte 0")."""
    simulator("cards = 1\n[Card]\nnoise = 0\n")
    ini = tmp_path / "station.ini"
    ini.write_text(f"[DSP]\nFilename={INI.parent / 'KARVO7DSP.hex'}\n")
    with karvo7.open_card(1) as card:
        assert card.layout is karvo7.Layout.RECORD
        first = _record_shot(card)
        operations = {
            "reset": card.reset,
            "load_dsp": lambda: card.load_dsp(INI.parent / "KARVO7DSP.hex"),
            "check dsp": lambda: card.check("dsp", ini=ini)[0],
            "self test": lambda: card.self_test(3),
        }
        for name, operation in operations.items():
            assert operation().passed, name
            again = _record_shot(card)
            assert (again.type, again.identification, again.set) == (0x14, -11, 1), name
            np.testing.assert_array_equal(again.samples, first.samples)
            streamed = list(card.stream(karvo7.ParameterSet(ascan=True, faktor=1, iff=2000),
                                        count=3, results=False))
            assert [r.identification for r in streamed] == [-11] * 3, name


def test_checks_refuse_a_parameter_file_that_cannot_be_read_and_name_it(simulator, tmp_path):
    simulator("cards = 1\n")
    folder = tmp_path / "folder.ini"
    folder.mkdir()
    fifo = tmp_path / "fifo.ini"
    os.mkfifo(fifo)  # no writer: a read would wait for ever
    with karvo7.open_card(1) as card:
        for path, why in ((tmp_path / "missing.ini", "cannot be read"),
                          (folder, "not a regular file"), (fifo, "not a regular file")):
            for run in (lambda: card.check(ini=path), lambda: card.check("pci-eeprom", ini=path)):
                with pytest.raises(karvo7.RefusedValue) as refused:
                    run()
                assert str(refused.value).startswith(f"parameter file {path}: {why}")
        # A file that can be read runs its checks, refused or not.
        assert card.check("pci-eeprom", ini=INI)[0].passed
