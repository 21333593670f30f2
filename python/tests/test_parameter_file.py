"""Parameter sets in the check program's parameter file."""

from __future__ import annotations

import dataclasses
import os
import subprocess
import sys
from pathlib import Path

import pytest

import karvo7

SHIPPED = Path(__file__).resolve().parents[2] / "examples" / "KARVO7Check.INI"


def test_shipped_file_reads_its_active_flags_and_the_check_programs_defaults():
    file = karvo7.ParameterFile(SHIPPED)
    parameters, active = file.card_set(1, 1)
    assert active
    assert parameters == karvo7.ParameterSet()
    _, inactive = file.card_set(1, 2)
    assert not inactive


def test_round_trip_keeps_every_field_and_every_other_byte(tmp_path):
    original = SHIPPED.read_bytes()
    path = tmp_path / "KARVO7Check.INI"
    path.write_bytes(original)
    parameters = karvo7.ParameterSet(
        iff=5000, bit8=True, average=3, samplerate=0, pk_vorlauf=16, aufnahmelaenge=2048,
        aufnahmedelay=-5, ascan=True, faktor=2, gleichrichtung=3, externer_trigger=True,
        triggereingangsmode=2, triggerausgangsmode=5, ausblenden=9, ta_verzoegerung=7,
        ta_abstand=11, sendersperre=True, sendeimpulsbreite=4, sendeenergie=2, se_mode=True,
        senderdaempfung=1, eingangsdaempfung=2, filter=6, verstaerkung=203, esb_time=-1,
        esb_level=28, esb_relativ=True, esb_always=True, trigger_extern=True,
        triggerdelay=-7, sap_delay=65535,
        gates=[karvo7.Gate(10 * g, 10 * g + 5, 100 + g, g % 2 == 0) for g in range(5)],
    )
    file = karvo7.ParameterFile(path)
    file.put_card_set(2, 3, parameters, active=True)
    file.save()
    again = karvo7.ParameterFile(path)
    assert again.card_set(2, 3) == (parameters, True)
    text = path.read_bytes()
    # The new section is appended; what was there is untouched.
    assert text.startswith(original)
    assert b"[Karte2-Satz3]\r\nActive=yes\r\nIFF=5000\r\n8Bit=yes\r\n" in text \
        or b"[Karte2-Satz3]\nActive=yes\nIFF=5000\n8Bit=yes\n" in text
    assert b"B0-Schwelle=100" in text and b"Aufnahmedelay=-5" in text


def test_reading_follows_the_profile_rules_of_the_check_program():
    file = karvo7.ParameterFile.from_bytes(
        b"; comment\r\n[karte1-satz0]\r\n  average = 300 \r\nSAMPLERATE=2x\r\n"
        b"B1-Schwelle=5000\r\nAufnahmelaenge=\r\nIFF=\"77\"\r\nASCAN=No\r\n8Bit=\r\n"
        b"SE-Mode=ja\r\nAufnahmedelay=-3\r\nIFF=99\r\n"
        b"[Karte1-Satz0]\r\nFilter=1\r\n"
    )
    parameters, active = file.card_set(1, 0)
    assert parameters.average == 300 & 0xFF  # the file's number truncated to the field
    assert parameters.samplerate == 2  # leading digits
    assert parameters.gates[1].schwelle == 5000 & 0xFFF  # held as 16 x in 16 bits
    assert parameters.aufnahmelaenge == 1600  # empty: the default
    assert parameters.iff == 77  # first key wins, quotes dropped
    assert parameters.ascan is False and parameters.bit8 is False and parameters.se_mode
    assert parameters.aufnahmedelay == -3
    assert parameters.filter == 3  # the second section of that name is never read
    assert not active
    # A name no section line can hold reads the defaults, whatever the file says.
    named = karvo7.ParameterFile.from_bytes(b"[K\xfc]\nFilter=1\n[K]\nFilter=2\n")
    assert named.read_set("K\u00fc")[0].filter == 1
    assert named.read_set("K\0")[0].filter == 3 and named.read_set("K\u20ac")[0].filter == 3


def test_writing_changes_only_the_lines_it_concerns():
    source = b"[Init]\nKarte=1\n; keep me\n[Karte1-Satz0]\nfilter = 5 \nZzz=keep\n\n[Other]\nx=1"
    file = karvo7.ParameterFile.from_bytes(source)
    parameters, _ = file.card_set(1, 0)
    assert parameters.filter == 5
    parameters.filter = 2
    file.put_card_set(1, 0, parameters)
    text = file.to_bytes().decode()
    assert text.startswith("[Init]\nKarte=1\n; keep me\n[Karte1-Satz0]\nfilter = 2\nZzz=keep\n")
    assert text.count("[Karte1-Satz0]") == 1
    assert text.endswith("SAP-Delay=0\n\n[Other]\nx=1")


def test_unusable_names_and_set_addresses_are_refused(tmp_path):
    file = karvo7.ParameterFile()
    with pytest.raises(ValueError):
        file.set_value("A]B", "key", "1")
    with pytest.raises(ValueError):
        file.set_value("Init", "a=b", "1")
    with pytest.raises(ValueError):
        file.set_value("Init", "key", "two\nlines")
    for card, number in ((0, 0), (17, 0), (1, 8), (1, -1)):
        with pytest.raises(ValueError):
            karvo7.set_section(card, number)
    with pytest.raises(ValueError):
        file.save()


def test_save_replaces_the_file_whole_and_leaves_a_read_only_file_alone(tmp_path):
    path = tmp_path / "p.ini"
    path.write_text("[Init]\nKarte=1\n")
    path.chmod(0o444)
    file = karvo7.ParameterFile(path)
    file.set_value("Init", "Karte", "2")
    with pytest.raises(PermissionError):
        file.save()
    assert path.read_text() == "[Init]\nKarte=1\n"
    path.chmod(0o644)
    file.save()
    assert path.read_text() == "[Init]\nKarte=2\n"
    assert [p.name for p in tmp_path.iterdir()] == ["p.ini"]


def test_numbers_of_any_length_wrap_as_the_check_programs_32_bit_reader_does(tmp_path):
    # Beyond the interpreter's 4300 digits for int(): the check program's reader multiplies by
    # ten and adds each digit in 32 bits.
    long = "19" * 2500
    wrapped = 0
    for digit in long:
        wrapped = (wrapped * 10 + int(digit)) & 0xFFFFFFFF
    signed = wrapped - (1 << 32) if wrapped & 0x80000000 else wrapped
    path = tmp_path / "p.ini"
    # A 50 MB line among the keys is read like any other.
    path.write_bytes(b"[Karte1-Satz0]\nAufnahmedelay=" + long.encode() + b"\nTriggerdelay=-"
                     + long.encode() + b"\nZ=" + b"7" * 50_000_000 + b"\nIFF=12\n")
    parameters, _ = karvo7.ParameterFile(path).card_set(1, 0)
    assert parameters.aufnahmedelay == signed
    assert parameters.triggerdelay == -signed
    assert parameters.iff == 12


# A save killed while it writes the file's new contents: the child may write no more than a few
# bytes to any file, so that the system kills it (SIGXFSZ) in the write, before the rename.
_KILLED_SAVE = """
import resource, signal, sys
import karvo7
signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
file = karvo7.ParameterFile(sys.argv[1])
file.set_value("Init", "Karte", "2" * 4096)
resource.setrlimit(resource.RLIMIT_FSIZE, (8, resource.getrlimit(resource.RLIMIT_FSIZE)[1]))
file.save()
"""


@pytest.mark.skipif(os.name != "posix", reason="a write limit kills a writer on POSIX systems")
def test_a_killed_save_leaves_the_file_whole_and_nothing_beside_it(tmp_path):
    import signal

    path = tmp_path / "p.ini"
    path.write_text("[Init]\nKarte=1\n")
    child = subprocess.run([sys.executable, "-c", _KILLED_SAVE, str(path)],
                           cwd=Path(karvo7.__file__).resolve().parents[1])
    assert child.returncode == -signal.SIGXFSZ
    assert path.read_text() == "[Init]\nKarte=1\n"
    assert [p.name for p in tmp_path.iterdir()] == ["p.ini"]


def test_a_named_temporary_of_a_killed_save_goes_with_the_next_save(tmp_path):
    path = tmp_path / "p.ini"
    path.write_text("[Init]\nKarte=1\n")
    # The temporary a writer left that no longer runs (a process that has ended) ...
    ended = subprocess.run([sys.executable, "-c", "import os; print(os.getpid())"],
                           capture_output=True, text=True, check=True)
    stale = tmp_path / f"p.ini.k7tmp-{int(ended.stdout)}-a1b2c3"
    stale.write_text("[Init]\nKarte=")
    # ... goes; a live writer's temporary (this process) and a look-alike stay.
    live = tmp_path / f"p.ini.k7tmp-{os.getpid()}-1"
    alike = tmp_path / "p.ini.k7tmp-x-1"
    live.write_text("x")
    alike.write_text("x")
    file = karvo7.ParameterFile(path)
    file.set_value("Init", "Karte", "3")
    file.save()
    assert path.read_text() == "[Init]\nKarte=3\n"
    assert sorted(p.name for p in tmp_path.iterdir()) == sorted(["p.ini", live.name, alike.name])


@pytest.mark.skipif(os.geteuid() != 0, reason="links of other users are made by root only")
def test_a_link_of_another_user_in_a_shared_folder_is_not_followed(tmp_path):
    shared = tmp_path / "drop"
    shared.mkdir()
    shared.chmod(0o1777)
    os.chown(shared, 1, 1)
    victim = tmp_path / "p.ini"
    victim.write_text("[Init]\nKarte=1\n")
    planted = shared / "p.ini"
    planted.symlink_to(victim)
    os.lchown(planted, 2, 2)
    file = karvo7.ParameterFile.from_bytes(b"[Init]\nKarte=9\n")
    with pytest.raises(PermissionError, match="not followed"):
        file.save(planted)
    assert victim.read_text() == "[Init]\nKarte=1\n"
    os.lchown(planted, 0, 0)
    file.save(planted)
    assert victim.read_text() == "[Init]\nKarte=9\n"


@pytest.mark.skipif(os.geteuid() != 0, reason="links of other users are made by root only")
def test_a_folder_link_of_another_user_in_a_shared_folder_is_not_followed(tmp_path):
    """The package follows links itself: a planted link to a folder, anywhere on the way,
    is refused as the kernel's protected links refuse it, and the folder's file stays."""
    shared = tmp_path / "drop"
    shared.mkdir()
    shared.chmod(0o1777)
    os.chown(shared, 1, 1)
    private = tmp_path / "private"
    private.mkdir(mode=0o700)
    victim = private / "p.ini"
    victim.write_text("[Init]\nKarte=1\n")
    planted = shared / "folder"
    planted.symlink_to(private)
    os.lchown(planted, 2, 2)
    # A link of the caller's own leading to the planted one is followed up to it.
    mine = tmp_path / "mine"
    mine.symlink_to(shared)
    file = karvo7.ParameterFile.from_bytes(b"[Init]\nKarte=9\n")
    for name in (planted / "p.ini", mine / "folder" / "p.ini", planted / "sub" / ".." / "p.ini",
                 mine / ".." / "drop" / "folder" / "p.ini"):
        with pytest.raises(PermissionError, match=f"{planted}: a symbolic link of another user"):
            file.save(name)
    assert victim.read_text() == "[Init]\nKarte=1\n"
    assert sorted(p.name for p in private.iterdir()) == ["p.ini"]
    # The folder's owner's link, or the caller's, is followed.
    os.lchown(planted, 1, 1)
    file.save(mine / "folder" / "p.ini")
    assert victim.read_text() == "[Init]\nKarte=9\n"


def test_units_follow_the_sampling_rate():
    parameters = karvo7.ParameterSet(samplerate=0)  # 80 MHz
    assert parameters.mm(100) == pytest.approx(3.7)  # 100 x 0.0125 us x 5920 / 2000
    assert parameters.samples_from_mm(3.7) == 100
    assert parameters.samples_from_us(1.0) == 80
    parameters.samplerate = 5  # 80 MHz divided by 16 ("Takt/16")
    assert parameters.us(10) == pytest.approx(2.0)
    assert parameters.samples_from_mm(parameters.mm(123)) == 123
    parameters.gain_db = 20.3
    assert parameters.verstaerkung == 203
    with pytest.raises(ValueError):
        parameters.samples_from_mm(1.0, velocity_mps=0)


# Files the check program and the package must read alike: the settings and sets of today,
# with the data time-out, the random limits and depth compensation at their edges.
_AGREEMENT_FILES = [
    b"[Init]\nTimeOut=25\n[Karte1-Satz1]\nTA-Enable=yes\nTA-Stuetzstellen=3\n"
    b"TA-Tabelle=10 20 30 40 50 60\nTA-Datei=C:\\ta\\probe.ta\nAufnahmelaenge=2048\n",
    b"[Init]\nTimeOut=0\n[Karte1-Satz1]\nTA-Enable=ja\nTA-Stuetzstellen=\nTA-Tabelle=7\n",
    b"[Init]\nTimeOut=-4\n[Karte1-Satz1]\nTA-Enable=yes\nTA-Stuetzstellen=261\n"
    b"TA-Tabelle=1,2,,70000\t-1 +3\n[Karte2-Satz7]\nTA-Enable=no\nTA-Tabelle=5 6\n",
    b"[Init]\nTimeOut=12x\n[Karte1-Satz1]\nTA-Enable=yes\nTA-Stuetzstellen=1\n"
    b"TA-Tabelle=5 6x 7\n[Karte2-Satz7]\nTA-Enable=\nB3-Schwelle=99999\nIFF=-1\n",
    b"[Random-Minimum]\nIFF=100\nAufnahmelaenge=\nB2-Anfang=-5\nFilter=1x\n"
    b"[Random-Maximum]\nVerstaerkung=70000\nB4-Ende=\"300\"\nAverage=300\n[Karte1-Satz1]\n",
    # Carriage returns alone end no line: the file is its first line, a section.
    b"[Init]\rTimeOut=25\r[Karte1-Satz1]\rAufnahmelaenge=2048\rIFF=7\r",
    b"[Karte1-Satz1]\rIFF=7\r[Init]\rTimeOut=25\r",
    # ... and mixed with line feeds, a blank within a line.
    b"[Init]\r\nTimeOut=30\r\r\n[Karte1-Satz1]\rIFF=5\nFilter=2\r\nAverage=3\rSamplerate=2\n"
    b"[Karte2-Satz7]\n\rIFF=\r9\r\n",
    # A byte order mark, the blanks the reader takes and the characters it does not.
    b"\xef\xbb\xbf[Init]\nTimeOut=\x0c17\x0b\n[Karte1-Satz1]\nIFF=\xa07\nFilter=2\x85\n"
    b"Average\x1c=3\n\x0bSamplerate = 2\n[Karte2-Satz7\nIFF=12\n",
]
_AGREEMENT_SETS = ["Karte1-Satz1", "Karte2-Satz7"]


def _package_reading(file: karvo7.ParameterFile) -> list:
    """The package's reading in the lines the check program's probe writes."""
    from karvo7.paramfile import (RANDOM_LOWER, RANDOM_UPPER, _SET_FIELDS, _accessors,
                                  _field_text, _random_fields)

    lines = [f"TimeOut {file.time_out}"]
    for section, parameters in zip((RANDOM_LOWER, RANDOM_UPPER), file.random_limits()):
        lines += [f"{section} {key}={_field_text(kind, getattr(*_accessors(name, parameters)))}"
                  for name, key, kind, _ in _random_fields()]
    for section in _AGREEMENT_SETS:
        parameters, _ = file.read_set(section)
        lines += [f"{section} {key}={_field_text(kind, getattr(*_accessors(name, parameters)))}"
                  for name, key, kind, _ in _SET_FIELDS]
        table = parameters.ta_tabelle
        lines.append(f"{section} TA none" if table is None
                     else f"{section} TA {len(table)} " + " ".join(map(str, table)))
    return lines


def test_the_check_program_reads_the_file_as_the_package_does(tmp_path):
    """Settings, random limits and each set with the depth compensation it hands the card, as
    the check program and `karvo7 --ini` read them."""
    probe = os.environ.get("K7_PARAMETER_FILE")
    if not probe:
        pytest.skip("K7_PARAMETER_FILE names the check program's reader (built with the tests)")
    for n, text in enumerate(_AGREEMENT_FILES):
        path = tmp_path / f"agree{n}.ini"
        path.write_bytes(text)
        expected = subprocess.run([probe, str(path), *_AGREEMENT_SETS], capture_output=True,
                                  text=True, check=True).stdout.splitlines()
        assert _package_reading(karvo7.ParameterFile(path)) == expected, text


def test_depth_compensation_survives_a_round_trip_and_an_off_set_keeps_the_files_table():
    file = karvo7.ParameterFile.from_bytes(
        b"[Karte1-Satz1]\nTA-Enable=yes\nTA-Stuetzstellen=2\nTA-Tabelle=5 6 7 8\n"
        b"TA-Datei=probe.ta\n")
    parameters, _ = file.card_set(1, 1)
    assert parameters.ta_tabelle == [5, 6, 7]  # the count field holds points - 1
    parameters.ta_tabelle = None
    file.put_card_set(1, 1, parameters)
    text = file.to_bytes()
    assert b"TA-Enable=no\nTA-Stuetzstellen=2\nTA-Tabelle=5 6 7 8\nTA-Datei=probe.ta\n" in text
    parameters.ta_tabelle = [100, 200]
    file.put_card_set(1, 2, parameters)
    assert file.card_set(1, 2)[0].ta_tabelle == [100, 200]


def test_the_files_german_names_are_aliases_of_the_english_fields():
    parameters = karvo7.ParameterSet(aufnahmelaenge=1000, faktor=2, ta_tabelle=[1, 2])
    assert parameters.record_length == 1000 and parameters.depth_table == [1, 2]
    assert parameters.factor == 2
    parameters.verstaerkung = 250
    parameters.gates[1].schwelle = 70
    assert parameters == karvo7.ParameterSet(record_length=1000, factor=2, depth_table=[1, 2],
                                             gain=250, gates=[karvo7.Gate(300, 400, 30, False),
                                                              karvo7.Gate(anfang=300, ende=400,
                                                                          schwelle=70)]
                                             + karvo7.ParameterSet().gates[2:])
    with pytest.raises(karvo7.WrongType, match="aufnahmelaenge and record_length"):
        karvo7.ParameterSet(aufnahmelaenge=1, record_length=2)
    # The fields themselves are the English names, as the parameter file's table knows them.
    from karvo7.paramfile import _SET_FIELDS

    names = {f.name for f in dataclasses.fields(karvo7.ParameterSet)}
    assert {a for a, *_ in _SET_FIELDS if not a.startswith("gates.")} <= names
    assert "aufnahmelaenge" not in names and "aufnahmelaenge=1000" not in repr(parameters)
