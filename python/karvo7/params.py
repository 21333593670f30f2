"""Parameter sets: the fields of the check program's parameter file, in its units.

Every field holds the value the parameter file holds under its key: counts of samples for the
record window and the gates, tenths of a dB for the gain, the threshold on the display's ADC
scale. ``validate`` checks each value against what the card takes, so that a set out of range
raises RefusedValue (a ValueError) before anything reaches the card. Helpers convert between sample counts and
microseconds or millimetres (with a sound velocity) at the set's sampling rate.
"""

from __future__ import annotations

import dataclasses
from dataclasses import dataclass, field
from typing import List, Optional, Sequence, Tuple

from .errors import RefusedValue, check_range

GATES = 5
SETS_PER_CARD = 8
DEFAULT_VELOCITY_MPS = 5920.0

# Microseconds per sample by the low four bits of "Samplerate", as the set editor reads them:
# 0 to 3 80, 40, 20 and 10 MHz, 5 to 8 those clocks divided by 16 ("Takt/16"), any other code
# the virtual 160 MHz.
_VIRTUAL_160_MHZ_US = 0.00625
_SAMPLE_PERIOD_US = {0: 0.0125, 1: 0.025, 2: 0.05, 3: 0.1, 5: 0.2, 6: 0.4, 7: 0.8, 8: 1.6}


@dataclass
class Gate:
    """One measuring gate: start and end in samples, threshold on the ADC scale (0-4095; the
    card holds 16 times it), and whether the gate evaluates."""

    anfang: int = 300
    ende: int = 400
    schwelle: int = 50
    enable: bool = True


def _default_gates() -> List[Gate]:
    return [
        Gate(300, 400, 30, False),
        Gate(300, 400, 50, True),
        Gate(600, 800, 50, True),
        Gate(800, 1000, 50, True),
        Gate(1100, 1400, 50, True),
    ]


@dataclass
class ParameterSet:
    """One measurement parameter set; the defaults are the check program's."""

    iff: int = 0  # "IFF", pulse repetition
    bit8: bool = False  # "8Bit"
    average: int = 0  # "Average"
    samplerate: int = 1  # "Samplerate": 0 80 MHz, 1 40 MHz, 2 20 MHz, 3 10 MHz, 4 160 MHz,
    # 5 to 7 80, 40 and 20 MHz divided by 16
    start: int = 1  # "Start" (kept in the file; a shot and a stream choose the card's mode)
    pk_vorlauf: int = 0  # "PK-Vorlauf", samples
    aufnahmelaenge: int = 1600  # "Aufnahmelaenge", samples
    aufnahmedelay: int = 0  # "Aufnahmedelay", samples
    ascan: bool = False  # "ASCAN"
    faktor: int = 0  # "Faktor"
    gleichrichtung: int = 0  # "Gleichrichtung": 0 HF, 1 positive, 2 negative, 3 full
    externer_trigger: bool = False  # "ExternerTrigger"
    triggereingangsmode: int = 0  # "Triggereingangsmode"
    triggerausgangsmode: int = 0  # "Triggerausgangsmode"
    ausblenden: int = 0  # "Ausblenden"
    ta_verzoegerung: int = 0  # "TA-Verzoegerung", clock periods
    ta_abstand: int = 0  # "TA-Abstand", clock periods
    sendersperre: bool = False  # "Sendersperre"
    sendeimpulsbreite: int = 0  # "Sendeimpulsbreite"
    sendeenergie: int = 0  # "Sendeenergie"
    se_mode: bool = False  # "SE-Mode"
    senderdaempfung: int = 0  # "Senderdaempfung"
    eingangsdaempfung: int = 0  # "Eingangsdaempfung"
    filter: int = 3  # "Filter"
    verstaerkung: int = 200  # "Verstaerkung", 0.1 dB
    esb_time: int = 200  # "ESB-Time", samples
    esb_level: int = 30  # "ESB-Level"
    esb_relativ: bool = False  # "ESB-relativ"
    esb_always: bool = False  # "ESB-always"
    gates: List[Gate] = field(default_factory=_default_gates)  # "B0-..." to "B4-..."
    trigger_extern: bool = False  # "TriggerExtern": external sampling clock
    triggerdelay: int = 0  # "Triggerdelay"
    sap_delay: int = 0  # "SAP-Delay"
    # Not in the parameter file:
    trigger_25ns: bool = False  # trigger delay in 25 ns steps
    ta_tabelle: Optional[Sequence[int]] = None  # depth compensation, 0.1 dB per support point

    # ---- units --------------------------------------------------------------------------

    @property
    def sample_period_us(self) -> float:
        """Microseconds per sample at the set's sampling rate (a divided clock included)."""
        return _SAMPLE_PERIOD_US.get(self.samplerate & 0x0F, _VIRTUAL_160_MHZ_US)

    @property
    def gain_db(self) -> float:
        return self.verstaerkung / 10.0

    @gain_db.setter
    def gain_db(self, value: float) -> None:
        self.verstaerkung = int((value + 0.05) * 10)

    def us(self, samples: float) -> float:
        """Microseconds of a sample count."""
        return samples * self.sample_period_us

    def samples_from_us(self, microseconds: float) -> int:
        """The nearest sample count of a time in microseconds."""
        return int(microseconds / self.sample_period_us + 0.5)

    def mm(self, samples: float, velocity_mps: float = DEFAULT_VELOCITY_MPS) -> float:
        """Depth in millimetres of a sample count (sound path there and back)."""
        return samples * self.sample_period_us * velocity_mps / 2000.0

    def samples_from_mm(self, millimetres: float,
                        velocity_mps: float = DEFAULT_VELOCITY_MPS) -> int:
        """The nearest sample count of a depth in millimetres."""
        if velocity_mps <= 0:
            raise RefusedValue(f"sound velocity must be positive, not {velocity_mps}")
        return self.samples_from_us(millimetres * 2000.0 / velocity_mps)

    # ---- checks -------------------------------------------------------------------------

    def validate(self) -> None:
        """Checks every field against what the card takes.

        Raises:
            WrongType: a field holds no integer (Python and NumPy integers are taken).
            RefusedValue: naming the first field the card would not take.
        """
        for name, low, high in _RANGES:
            _check(name, getattr(self, name), low, high)
        if self.ascan and self.faktor == 0:
            raise RefusedValue("faktor must be 1 or more while ascan is on")
        if len(self.gates) != GATES:
            raise RefusedValue(f"a set has {GATES} gates, not {len(self.gates)}")
        for number, gate in enumerate(self.gates):
            _check(f"gates[{number}].anfang", gate.anfang, 0, 0xFFFF)
            _check(f"gates[{number}].ende", gate.ende, 0, 0xFFFF)
            _check(f"gates[{number}].schwelle", gate.schwelle, 0, 0xFFF)
        if self.ta_tabelle is not None:
            if not 1 <= len(self.ta_tabelle) <= 256:
                raise RefusedValue("ta_tabelle holds 1 to 256 support points")
            for value in self.ta_tabelle:
                _check("ta_tabelle", value, 0, 0xFFFF)

    def copy(self) -> "ParameterSet":
        return dataclasses.replace(self, gates=[dataclasses.replace(g) for g in self.gates])


_RANGES: Tuple[Tuple[str, int, int], ...] = (
    ("iff", 0, 0x3FFFFF),
    ("average", 0, 7),
    ("samplerate", 0, 7),
    ("pk_vorlauf", 0, 0xFFFF),
    ("aufnahmelaenge", 1, 0xFFFF),
    ("aufnahmedelay", 0, 0xFFFFF),
    ("faktor", 0, 0xFF),
    ("gleichrichtung", 0, 3),
    ("triggereingangsmode", 0, 3),
    ("triggerausgangsmode", 0, 7),
    ("ausblenden", 0, 15),
    ("ta_verzoegerung", 0, 0xFFFF),
    ("ta_abstand", 0, 0xFFFF),
    ("sendeimpulsbreite", 0, 5),
    ("sendeenergie", 0, 7),
    ("senderdaempfung", 0, 3),
    ("eingangsdaempfung", 0, 3),
    ("filter", 0, 7),
    ("verstaerkung", 0, 0xFFFF),
    ("esb_time", 0, 0xFFFF),
    ("esb_level", 0, 0xFFFF),
    ("triggerdelay", 0, 0x7FFFFFFF),
    ("sap_delay", 0, 0xFFFF),
)


def _check(name: str, value: object, low: int, high: int) -> None:
    check_range(name, value, low, high)
