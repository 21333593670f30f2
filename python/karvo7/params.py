"""Parameter sets: the fields of the check program's parameter file, in its units.

Every field holds the value the parameter file holds under its key: counts of samples for the
record window and the gates, tenths of a dB for the gain, the threshold on the display's ADC
scale. ``validate`` checks each value against what the card takes, so that a set out of range
raises RefusedValue (a ValueError) before anything reaches the card. Helpers convert between
sample counts and microseconds or millimetres (with a sound velocity) at the set's sampling
rate. The fields have English names; the parameter file's German names are aliases.
"""

from __future__ import annotations

import dataclasses
import difflib
import functools
from dataclasses import dataclass, field
from typing import Any, List, Optional, Sequence, Tuple, TypeVar

from ._aliases import Alias, aliases_of, with_aliases
from .errors import NoSuchField, RefusedValue, check_range

GATES = 5
SETS_PER_CARD = 8
DEFAULT_VELOCITY_MPS = 5920.0



@functools.lru_cache(maxsize=None)
def _sample_periods() -> Tuple[float, ...]:
    """Microseconds per sample of every "Samplerate" code, as the card operations give them (the
    set editor's rule), asked for once: the package imports without the libraries."""
    from ._cdefs import ops_library

    period = ops_library().K7OpsSamplePeriod
    return tuple(float(period(code)) for code in range(256))


C = TypeVar("C", bound=type)


def _fields_only(cls: C) -> C:
    """Lets an instance of ``cls`` take only its fields, their aliases and the properties that
    can be set: a misspelt name (``gian`` for ``gain``) raises NoSuchField naming it and the
    nearest names, instead of adding an attribute the card never sees."""
    names = {f.name for f in dataclasses.fields(cls)} | set(aliases_of(cls))
    names |= {name for klass in cls.__mro__ for name, value in vars(klass).items()
              if isinstance(value, property) and value.fset is not None}

    def __setattr__(self: Any, name: str, value: Any) -> None:
        if name not in names:
            near = difflib.get_close_matches(name, sorted(names), n=2)
            hint = f" (did you mean {' or '.join(near)}?)" if near else ""
            raise NoSuchField(f"{cls.__name__} has no field {name!r}{hint}")
        object.__setattr__(self, name, value)

    setattr(cls, "__setattr__", __setattr__)
    return cls


@_fields_only
@with_aliases
@dataclass
class Gate:
    """One measuring gate: start and end in samples, threshold on the ADC scale (0-4095; the
    card holds 16 times it), and whether the gate evaluates. The parameter file's names
    ("Bn-Anfang", "Bn-Ende", "Bn-Schwelle") are aliases: ``anfang``, ``ende``, ``schwelle``."""

    start: int = 300
    end: int = 400
    threshold: int = 50
    enable: bool = True

    anfang = Alias[int]("start")
    ende = Alias[int]("end")
    schwelle = Alias[int]("threshold")


def _default_gates() -> List[Gate]:
    return [
        Gate(300, 400, 30, False),
        Gate(300, 400, 50, True),
        Gate(600, 800, 50, True),
        Gate(800, 1000, 50, True),
        Gate(1100, 1400, 50, True),
    ]


@_fields_only
@with_aliases
@dataclass
class ParameterSet:
    """One measurement parameter set; the defaults are the check program's.

    Each field holds what the parameter file holds under its key (in quotes below), in its
    units. The fields whose English name differs from the key have the key's name as an alias
    (``aufnahmelaenge`` for ``record_length``, ...): it reads, writes and constructs the same
    field, so that ``ParameterSet(aufnahmelaenge=1000).record_length == 1000``.
    """

    pulse_rate: int = 0  # "IFF", shots per second (0: the card's highest)
    bit8: bool = False  # "8Bit"
    average: int = 0  # "Average"
    sample_rate: int = 1  # "Samplerate": 0 80 MHz, 1 40 MHz, 2 20 MHz, 3 10 MHz, 4 160 MHz,
    # 5 to 7 80, 40 and 20 MHz divided by 16
    start: int = 1  # "Start" (kept in the file; a shot and a stream choose the card's mode)
    probe_lead: int = 0  # "PK-Vorlauf", samples
    record_length: int = 1600  # "Aufnahmelaenge", samples
    record_delay: int = 0  # "Aufnahmedelay", samples
    ascan: bool = False  # "ASCAN"
    factor: int = 0  # "Faktor"
    rectification: int = 0  # "Gleichrichtung": 0 HF, 1 positive, 2 negative, 3 full
    external_trigger: bool = False  # "ExternerTrigger"
    trigger_input_mode: int = 0  # "Triggereingangsmode"
    trigger_output_mode: int = 0  # "Triggerausgangsmode"
    blanking: int = 0  # "Ausblenden"
    depth_delay: int = 0  # "TA-Verzoegerung", clock periods
    depth_spacing: int = 0  # "TA-Abstand", clock periods
    transmitter_off: bool = False  # "Sendersperre"
    pulse_width: int = 0  # "Sendeimpulsbreite"
    pulse_energy: int = 0  # "Sendeenergie"
    se_mode: bool = False  # "SE-Mode"
    transmitter_attenuation: int = 0  # "Senderdaempfung"
    input_attenuation: int = 0  # "Eingangsdaempfung"
    filter: int = 3  # "Filter"
    gain: int = 200  # "Verstaerkung", 0.1 dB
    esb_time: int = 200  # "ESB-Time", samples
    esb_level: int = 30  # "ESB-Level"
    esb_relative: bool = False  # "ESB-relativ"
    esb_always: bool = False  # "ESB-always"
    gates: List[Gate] = field(default_factory=_default_gates)  # "B0-..." to "B4-..."
    external_clock: bool = False  # "TriggerExtern": external sampling clock
    trigger_delay: int = 0  # "Triggerdelay"
    sap_delay: int = 0  # "SAP-Delay"
    # Not in the parameter file:
    trigger_25ns: bool = False  # trigger delay in 25 ns steps
    depth_table: Optional[Sequence[int]] = None  # depth compensation, 0.1 dB per support point

    # ---- the parameter file's names ---------------------------------------------------
    iff = Alias[int]("pulse_rate")
    samplerate = Alias[int]("sample_rate")
    pk_vorlauf = Alias[int]("probe_lead")
    aufnahmelaenge = Alias[int]("record_length")
    aufnahmedelay = Alias[int]("record_delay")
    faktor = Alias[int]("factor")
    gleichrichtung = Alias[int]("rectification")
    externer_trigger = Alias[bool]("external_trigger")
    triggereingangsmode = Alias[int]("trigger_input_mode")
    triggerausgangsmode = Alias[int]("trigger_output_mode")
    ausblenden = Alias[int]("blanking")
    ta_verzoegerung = Alias[int]("depth_delay")
    ta_abstand = Alias[int]("depth_spacing")
    sendersperre = Alias[bool]("transmitter_off")
    sendeimpulsbreite = Alias[int]("pulse_width")
    sendeenergie = Alias[int]("pulse_energy")
    senderdaempfung = Alias[int]("transmitter_attenuation")
    eingangsdaempfung = Alias[int]("input_attenuation")
    verstaerkung = Alias[int]("gain")
    esb_relativ = Alias[bool]("esb_relative")
    trigger_extern = Alias[bool]("external_clock")
    triggerdelay = Alias[int]("trigger_delay")
    ta_tabelle = Alias[Optional[Sequence[int]]]("depth_table")

    # ---- units --------------------------------------------------------------------------

    @property
    def sample_period_us(self) -> float:
        """Microseconds per sample at the set's sampling rate (a divided clock included)."""
        return _sample_periods()[self.sample_rate & 0xFF]

    @property
    def gain_db(self) -> float:
        return self.gain / 10.0

    @gain_db.setter
    def gain_db(self, value: float) -> None:
        self.gain = int((value + 0.05) * 10)

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
        """The nearest sample count of a depth in millimetres.

        Raises:
            RefusedValue: a sound velocity of 0 or less.
        """
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
            _check(_SHOWN[name], getattr(self, name), low, high)
        if self.ascan and self.factor == 0:
            raise RefusedValue("factor (faktor) must be 1 or more while ascan is on")
        if len(self.gates) != GATES:
            raise RefusedValue(f"a set has {GATES} gates, not {len(self.gates)}")
        for number, gate in enumerate(self.gates):
            _check(f"gates[{number}].start (anfang)", gate.start, 0, 0xFFFF)
            _check(f"gates[{number}].end (ende)", gate.end, 0, 0xFFFF)
            _check(f"gates[{number}].threshold (schwelle)", gate.threshold, 0, 0xFFF)
            # A gate that evaluates must end where or after it starts: one that ends before
            # it starts finds no echo. A gate that is off is sent as it is.
            if gate.enable and gate.end < gate.start:
                raise RefusedValue(f"gates[{number}].end (ende) = {gate.end} lies before "
                                   f"gates[{number}].start (anfang) = {gate.start}")
        if self.depth_table is not None:
            if not 1 <= len(self.depth_table) <= 256:
                raise RefusedValue("depth_table (ta_tabelle) holds 1 to 256 support points")
            for value in self.depth_table:
                _check("depth_table (ta_tabelle)", value, 0, 0xFFFF)

    def check_card_limits(self, dynamic_range_db: int, max_rate_khz: int) -> None:
        """Checks the gain and the shot rate against a card's identification record, as karvo7
        checks its options: the gain within the card's "Dynamik" (dB), the shot rate within
        its "max. SAP-Folge" (thousands of shots a second); 0 in the record is no limit.

        Raises:
            RefusedValue: naming the field, its value and the card's limit.
        """
        if dynamic_range_db and self.gain > 10 * dynamic_range_db:
            raise RefusedValue(f"gain (verstaerkung) = {self.gain} (0.1 dB) is outside "
                               f"0..{10 * dynamic_range_db}: the card's dynamic range is "
                               f"{dynamic_range_db} dB")
        if max_rate_khz and self.pulse_rate > 1000 * max_rate_khz:
            raise RefusedValue(f"pulse_rate (iff) = {self.pulse_rate} is outside "
                               f"0..{1000 * max_rate_khz}: the card shoots at most "
                               f"{1000 * max_rate_khz} times a second")

    def copy(self) -> "ParameterSet":
        return dataclasses.replace(self, gates=[dataclasses.replace(g) for g in self.gates])


_RANGES: Tuple[Tuple[str, int, int], ...] = (
    ("pulse_rate", 0, 0x3FFFFF),
    ("average", 0, 7),
    ("sample_rate", 0, 7),
    ("probe_lead", 0, 0xFFFF),
    ("record_length", 1, 0xFFFF),
    ("record_delay", 0, 0xFFFFF),
    ("factor", 0, 0xFF),
    ("rectification", 0, 3),
    ("trigger_input_mode", 0, 3),
    ("trigger_output_mode", 0, 7),
    ("blanking", 0, 15),
    ("depth_delay", 0, 0xFFFF),
    ("depth_spacing", 0, 0xFFFF),
    ("pulse_width", 0, 5),
    ("pulse_energy", 0, 7),
    ("transmitter_attenuation", 0, 3),
    ("input_attenuation", 0, 3),
    ("filter", 0, 7),
    ("gain", 0, 0xFFFF),
    ("esb_time", 0, 0xFFFF),
    ("esb_level", 0, 0xFFFF),
    ("trigger_delay", 0, 0x7FFFFFFF),
    ("sap_delay", 0, 0xFFFF),
)


# A field as messages name it: with its parameter file name beside, where that is another.
_SHOWN = {field: f"{field} ({alias})" for alias, field in aliases_of(ParameterSet).items()}
_SHOWN.update({name: name for name, _, _ in _RANGES if name not in _SHOWN})


def _check(name: str, value: object, low: int, high: int) -> None:
    check_range(name, value, low, high)
