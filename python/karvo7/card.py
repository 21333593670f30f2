"""A card: its handle, its identity and sensors, handing parameter sets to it, single shots.

Every call on a card takes the card's lock, so calls from several threads are serialised as
the library requires; different cards do not share a lock and run in parallel.
"""

from __future__ import annotations

import ctypes
import threading
from ctypes import byref, c_uint32
from dataclasses import dataclass
from typing import TYPE_CHECKING, Any, Callable, Dict, List, Optional, Tuple

import numpy as np

from . import _cdefs, ops
from ._aliases import Alias
from .errors import (CardClosed, DataTimeout, Error, ErrorWord, RefusedValue, check_index,
                     check_range, failure)
from .params import SETS_PER_CARD, ParameterSet
from .records import GateResults, GateValue, Layout, Record, _Decoder, _options

if TYPE_CHECKING:
    from .stream import Stream

# Bytes of the largest shot block: 65535 16-bit samples behind a 6-byte record header and an
# 8-byte time-stamp prefix. A smaller read would leave the rest of such a shot in the FIFO, where
# the next read took it for the start of its own shot.
MAX_BLOCK_BYTES = 2 * 65535 + 6 + 8
# The control LCA's FIFO status register (read only) and its full and overflow bits (set, the
# next shot finds no room), as KARVO7Protocol.h names them.
FIFO_STATUS_REGISTER = 1058
FIFO_FULL_BITS = 0x00F0


@dataclass(frozen=True)
class Identification:
    """The card's configuration (identification) record. The record's German field names are
    aliases (``karte`` for ``card``, ...)."""

    card: str  # "Karte"
    plug_in_filter: str  # "Aufsteckfilter"
    pci_eeprom: str  # "PciEeprom"
    lca_version: str  # "LcaVersion"
    program_version: str  # "Programmversion"
    band_low: float  # "BandgrenzeUnten", MHz
    band_high: float  # "BandgrenzeOben", MHz
    adc_bits: int  # "AdcBits"
    record_fifo: int  # "AufnahmeFifo"
    data_fifo: int  # "DatenFifo"
    dynamic_range: int  # "Dynamik"
    input_attenuations: Tuple[int, ...]  # "DaempfungEingang"
    transmitter_attenuations: Tuple[int, ...]  # "DaempfungSender"
    transmitter_energies: Tuple[int, ...]  # "EnergieSender"
    sample_rates: Tuple[int, ...]  # "Samplerrate"
    max_sap_rate: int  # "MaxSapFolge"
    filter_centre_frequencies: Tuple[float, ...]  # "FilterMittenfrequenz"
    filter_band_limits: Tuple[float, ...]  # "FilterBandgrenze"
    base_attenuations: Tuple[int, ...]  # "Grunddaempfung"

    karte = Alias[str]("card")
    aufsteckfilter = Alias[str]("plug_in_filter")
    programmversion = Alias[str]("program_version")
    bandgrenze_unten = Alias[float]("band_low")
    bandgrenze_oben = Alias[float]("band_high")
    aufnahme_fifo = Alias[int]("record_fifo")
    daten_fifo = Alias[int]("data_fifo")
    dynamik = Alias[int]("dynamic_range")
    daempfung_eingang = Alias[Tuple[int, ...]]("input_attenuations")
    daempfung_sender = Alias[Tuple[int, ...]]("transmitter_attenuations")
    energie_sender = Alias[Tuple[int, ...]]("transmitter_energies")
    samplerrate = Alias[Tuple[int, ...]]("sample_rates")
    max_sap_folge = Alias[int]("max_sap_rate")
    filter_mittenfrequenz = Alias[Tuple[float, ...]]("filter_centre_frequencies")
    filter_bandgrenze = Alias[Tuple[float, ...]]("filter_band_limits")
    grunddaempfung = Alias[Tuple[int, ...]]("base_attenuations")


@dataclass(frozen=True)
class Sensors:
    """Temperature (°C) and supply voltages (V; the negative supplies as magnitudes). The
    record's German names ``temperatur`` and ``adc_referenz`` are aliases."""

    temperature: float
    analog_5v_plus: float
    analog_5v_minus: float
    hs: float
    digital_5v_minus: float
    adc_reference: float

    temperatur = Alias[float]("temperature")
    adc_referenz = Alias[float]("adc_reference")


@dataclass(frozen=True)
class Status:
    """The driver's card status; ``mode`` (alias ``modus``) is non-zero while the card
    measures."""

    status: int
    status4: int
    mode: int
    status8: int

    modus = Alias[int]("mode")


class _CardStatus(ctypes.Structure):
    _fields_ = [
        ("Status", ctypes.c_uint32),
        ("Status4", ctypes.c_uint8),
        ("Modus", ctypes.c_uint8),
        ("Status8", ctypes.c_uint32),
    ]


def _text(raw: bytes) -> str:
    return raw.split(b"\0", 1)[0].decode("latin-1")


def _list(values: Any) -> Tuple[Any, ...]:
    """A list of the record up to its first zero element."""
    out = []
    for v in values:
        if v == 0:
            break
        out.append(v)
    return tuple(out)


def identification_of(record: _cdefs.KonfigRecord) -> Identification:
    r = record
    return Identification(
        _text(r.Karte), _text(r.Aufsteckfilter), _text(r.PciEeprom), _text(r.LcaVersion),
        _text(r.Programmversion), r.BandgrenzeUnten, r.BandgrenzeOben, r.AdcBits,
        r.AufnahmeFifo, r.DatenFifo, r.Dynamik, _list(r.DaempfungEingang),
        _list(r.DaempfungSender), _list(r.EnergieSender), _list(r.Samplerrate), r.MaxSapFolge,
        _list(r.FilterMittenfrequenz), _list(r.FilterBandgrenze), _list(r.Grunddaempfung),
    )


def card_record(parameters: ParameterSet, start: int) -> Tuple[Any, ...]:
    """The library's arguments of a set: measurement, transmitter, gain, gates, and the depth
    compensation table they point at (to keep it alive)."""
    p = parameters
    m = _cdefs.MeasureParams()
    table = None
    if p.depth_table is not None:
        # The library sends the support-point count rounded up to an even count.
        values = list(p.depth_table) + [0] * (len(p.depth_table) % 2)
        table = (ctypes.c_uint16 * len(values))(*values)
        m.TAStuetzstellen = len(p.depth_table) - 1
        m.TATabelle = ctypes.cast(table, ctypes.POINTER(ctypes.c_uint16))
    m.IFF = p.pulse_rate
    m.Bit8 = int(p.bit8)
    m.Average = p.average
    m.Samplerate = p.sample_rate
    m.Start = start
    m.PKVorlauf = p.probe_lead
    m.Aufnahmelaenge = p.record_length
    m.Aufnahmedelay = p.record_delay
    m.ASCAN = int(p.ascan)
    m.Faktor = p.factor
    m.Gleichrichtung = p.rectification
    m.ExternerTrigger = int(p.external_trigger)
    m.Triggereingangsmode = p.trigger_input_mode
    m.Triggerausgangsmode = p.trigger_output_mode
    m.Ausblenden = p.blanking
    m.TAVerzoegerung = p.depth_delay
    m.TAAbstand = p.depth_spacing
    s = _cdefs.SpecialParams()
    s.Sendersperre = int(p.transmitter_off)
    s.Sendeimpulsbreite = p.pulse_width
    s.Sendeenergie = p.pulse_energy
    s.SEMode = int(p.se_mode)
    s.Senderdaempfung = p.transmitter_attenuation
    s.Eingangsdaempfung = p.input_attenuation
    s.Filter = p.filter
    g = _cdefs.GateParams()
    for n, gate in enumerate(p.gates):
        g.Gate[n].Anfang = gate.start
        g.Gate[n].Ende = gate.end
        g.Gate[n].Schwelle = gate.threshold * 16
        g.Enables.Enable[n] = int(gate.enable)
    return m, s, p.gain, g, table


class Card:
    """An open card; use ``karvo7.open_card(n)``. A context manager: leaving the block closes the
    card (closing twice is harmless)."""

    def __init__(self, handle: int, number: int) -> None:
        self._library = _cdefs.card_library()
        self._handle: Optional[int] = handle
        self.number = number
        self._lock = threading.RLock()
        self._version3 = self._library.KARVO7IsVersion3(handle) != 0
        self._layout = Layout.NATIVE
        self._streaming = False
        self._closing = False
        self._stream: Optional[Callable[[], Any]] = None  # weak reference to the open stream
        # (dynamic range in dB, highest shot rate in kHz) of the identification record (see
        # _limits); None: not read yet.
        self._card_limits: Optional[Tuple[int, int]] = None

    # ---- handle -------------------------------------------------------------------------

    def __enter__(self) -> "Card":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass

    def __repr__(self) -> str:
        state = "closed" if self._handle is None else "open"
        return f"<karvo7.Card {self.number} ({state})>"

    @property
    def closed(self) -> bool:
        return self._handle is None

    def close(self) -> None:
        """Powers the card down and releases the handle; a closed card stays closed. A stream
        running on the card is ended first: close waits until a thread reading it has left
        the acquisition engine, and that thread's next take raises CardClosed.

        Raises:
            Error: a step failed (the handle is released all the same).
        """
        with self._lock:
            if self._handle is None:
                return
            self._closing = True  # no further call starts, no stream either
            stream = self._stream() if self._stream is not None else None
        try:
            if stream is not None:
                # Without the card's lock: the thread reading the stream may need it to end
                # the stream. The card stops and its FIFO is emptied before it powers down.
                stream._card_closed()
        finally:
            with self._lock:
                handle, self._handle = self._handle, None
                self._closing = False
                if handle is not None and self._library.KARVO7Close(handle) == 0:
                    raise Error("KARVO7Close", 0, "power-down or closing the device failed")

    def _h(self) -> int:
        if self._handle is None or self._closing:
            raise CardClosed(f"card {self.number} is closed")
        return self._handle

    def _call(self, name: str, *arguments: Any) -> None:
        """Calls a fallible library function with an error word; raises Error on failure."""
        error = c_uint32(0)
        if getattr(self._library, name)(self._h(), *arguments, byref(error)) == 0:
            raise failure(name, error.value)

    def warm_up(self) -> None:
        """Brings the card into its defined state: LCA reset, power up, the converter's offset
        adjustment, the warm-up transmitter settings of set 0. The sets' identifications of
        the record layout are given again; the sets themselves are handed over by each shot
        and stream.

        Raises:
            RefusedValue: the card is closed.
            Error: the card refused a step.
        """
        with self._lock:
            self._call("KARVO7WarmUp")
            if self._layout is Layout.RECORD:
                self.set_layout(Layout.RECORD)

    # ---- card operations (libKARVO7Ops) ------------------------------------------------

    def self_test(self, test: int, question: Optional[Callable[[str, str], bool]] = None
                  ) -> "ops.Verdict":
        """Runs a self test as the check program's "Selbsttest" window does.

        Args:
            test: the test, 0 to 12.
            question: asked ``question(caption, text)`` by the DAC ramps (9) whether they look
                right; without one the answer is no.

        Returns:
            Whether the card passed, with the window's line.

        Raises:
            WrongType: ``test`` is no integer.
            RefusedValue: no such test, or the card is closed.
            Error: the test could not run.
        """
        with self._lock:
            return ops.self_test(self._h(), test, question)

    def load_dsp(self, path: Any) -> "ops.Verdict":
        """Loads a DSP program file: the file read and refused by the check program's rules
        (a refused file touches no card), the image written, the card reset and warmed up.
        The card delivers its data in the layout it had before (``Card.layout``).

        Args:
            path: the .hex or .bin file.

        Raises:
            Error: the load failed; its meaning names the fault.
        """
        with self._lock:
            return self._keeping_layout(lambda: ops.load_dsp(self._h(), path))

    def reset(self) -> "ops.Verdict":
        """The card's hardware reset, waited for, and its warm-up; the card delivers its data
        in the layout it had before (``Card.layout``).

        Raises:
            Error: the card did not reset or warm up.
        """
        with self._lock:
            return self._keeping_layout(lambda: ops.reset(self._h()))

    def check(self, *checks: Any, ini: Any = None,
              question: Optional[Callable[[str, str], bool]] = None) -> "List[ops.Verdict]":
        """The station checks of "Check All", one verdict each; a failed check is a verdict,
        not an exception. Checks that reset the card (the DSP check loads its program) leave
        it delivering its data in the layout it had before (``Card.layout``).

        Args:
            checks: checks by name (``karvo7.CHECKS``) or number; none: those the file selects.
            ini: the parameter file with the reference values.
            question: asked ``question(caption, text)`` where a check asks the operator.

        Raises:
            RefusedValue: no such check, or a parameter file that cannot be read (named).
            Error: a check could not run.
        """
        with self._lock:
            try:
                verdicts = self._keeping_layout(
                    lambda: ops.check(self._h(), checks, ini, question))
            finally:
                # The Kennung check may have written the identification record that the
                # limits of a set come from: they are read again, among the checks' requests.
                self._card_limits = None
            self._limits()
            return verdicts

    def _keeping_layout(self, operation: Callable[[], Any]) -> Any:
        """Runs a card operation that may reset the card, and gives the sets their
        identifications of the record layout again afterwards: a reset leaves the card
        delivering the native layout, which the package would then read as records. A failed
        operation raises its own error, whether the layout could be restored or not."""
        try:
            result = operation()
        except BaseException:
            if self._layout is Layout.RECORD and self._handle is not None:
                try:
                    self.set_layout(Layout.RECORD)
                except Error:
                    pass
            raise
        if self._layout is Layout.RECORD:
            self.set_layout(Layout.RECORD)
        return result

    # ---- identity and sensors -----------------------------------------------------------

    @property
    def position(self) -> Tuple[int, int]:
        """(bus, slot) of the card on the PCI bus.

        Raises:
            Error: the driver did not answer.
        """
        with self._lock:
            bus, slot = c_uint32(0), c_uint32(0)
            self._call("KARVO7GetCardPosition", byref(bus), byref(slot))
            return bus.value, slot.value

    @property
    def is_version3(self) -> bool:
        """True for a version-3 card (eight parameter sets on the card)."""
        return self._version3

    @property
    def set_count(self) -> int:
        return SETS_PER_CARD if self._version3 else 1

    def identification(self) -> Identification:
        """The card's configuration record.

        Raises:
            Error: the record could not be read.
        """
        with self._lock:
            record = _cdefs.KonfigRecord()
            self._call("KARVO7GetKonfig", byref(record))
            return identification_of(record)

    def temperature_and_voltages(self) -> Sensors:
        """The card's temperature and supply voltages.

        Raises:
            Error: the card did not measure them.
        """
        with self._lock:
            values = _cdefs.ADCValues()
            self._call("KARVO7GetADC", byref(values))
            v = values
            return Sensors(v.Temperatur, v.Analog5VPlus, v.Analog5VMinus, v.HS,
                           v.Digital5VMinus, v.ADCReferenz)

    def status(self) -> Status:
        """The driver's card status.

        Raises:
            Error: the request failed (with word 0: the call reports none).
        """
        with self._lock:
            status = _CardStatus()
            if self._library.KARVO7GetStatus(self._h(), byref(status)) == 0:
                raise Error("KARVO7GetStatus", 0, "the status request failed")
            return Status(status.Status, status.Status4, status.Modus, status.Status8)

    def data_in_fifo(self) -> bool:
        """True while the card's data FIFO holds data to read.

        Raises:
            Error: the driver did not answer.
        """
        with self._lock:
            flag = c_uint32(0)
            self._call("KARVO7IsDataInFIFO", byref(flag))
            return flag.value != 0

    def clear_fifo(self) -> None:
        """Empties the card's data FIFO.

        Raises:
            Error: the card refused the command.
        """
        with self._lock:
            self._call("KARVO7ClearFIFO")

    def set_data_timeout(self, seconds: int) -> None:
        """How long a data read may wait for the card.

        Args:
            seconds: whole seconds, 0 waits for ever.

        Raises:
            WrongType: ``seconds`` is no integer.
            RefusedValue: ``seconds`` does not fit 32 bits.
            Error: the driver refused it.
        """
        seconds = check_range("data time-out (s)", seconds, 0, 0xFFFFFFFF)
        with self._lock:
            self._call("KARVO7SetDataTimeOut", seconds)

    # ---- data layout --------------------------------------------------------------------

    @property
    def layout(self) -> Layout:
        return self._layout

    def identification_of_set(self, number: int) -> int:
        """The identification the package gives set ``number`` in the record layout, as the
        check program does: -(10 x card + set)."""
        return -(10 * self.number + number)

    def set_layout(self, layout: Layout) -> None:
        """Chooses how the card delivers the data of all its sets.

        Args:
            layout: ``Layout.NATIVE``, or ``Layout.RECORD`` (version-3 cards only), which gives
                each set its identification.

        Raises:
            RefusedValue: the record layout on a card that is not a version-3 card.
            Error: the card refused it.
        """
        if layout is Layout.RECORD and not self._version3:
            raise RefusedValue(f"card {self.number} is not a version-3 card: native layout only")
        with self._lock:
            for s in range(self.set_count):
                ident = self.identification_of_set(s) if layout is Layout.RECORD else 0
                self._call("KARVO7SetVIRMA4", s, ident)
            self._layout = layout

    def set_of_identification(self, identification: Optional[int]) -> Optional[int]:
        if identification is None:
            return None
        number = -identification - 10 * self.number
        return number if 0 <= number < self.set_count else None

    # ---- parameter sets -----------------------------------------------------------------

    def _check_set_number(self, number: int) -> None:
        if not 0 <= check_index("set number", number) < self.set_count:
            raise RefusedValue(f"card {self.number} has sets 0 to {self.set_count - 1}, "
                               f"not {number!r}")

    def apply(self, parameters: ParameterSet, number: int = 0, start: int = 1) -> None:
        """Hands a set to the card as set ``number``: measurement, transmitter, gain and gates,
        the trigger delay, the external clock and, on version-3 cards, the echo-start gate.
        The set is checked first (ValueError): each field's range, the gates that evaluate,
        and the gain and shot rate against the card's dynamic range and highest shot rate
        (its identification record); a refusal of the card raises Error."""
        record, table = self._ops_record(parameters, number, start)
        step, error = c_uint32(0), c_uint32(0)
        with self._lock:
            handed = _cdefs.ops_library().K7OpsHandSetToCard(self._h(), number, byref(record),
                                                              byref(step), byref(error))
        del table  # the library has sent it
        if handed == 0:
            raise _refusal(parameters, step.value, error.value, "K7OpsHandSetToCard")

    def _ops_record(self, parameters: ParameterSet, number: int,
                    start: int) -> Tuple[_cdefs.OpsSet, Any]:
        """The set as the card operations take it, checked as ``apply`` checks it, and the
        depth-compensation table it points at (to be kept until the record is sent)."""
        if not isinstance(parameters, ParameterSet):
            raise ValueError(f"a ParameterSet is needed, not {type(parameters).__name__}")
        parameters.validate()
        self._check_set_number(number)
        parameters.check_card_limits(*self._limits())
        p = parameters
        measure, special, gain, gates, table = card_record(p, start)
        record = _cdefs.OpsSet(measure, special, gain, gates, p.triggerdelay,
                               int(p.trigger_25ns), int(p.trigger_extern), p.esb_level,
                               p.esb_time, int(p.esb_relativ), int(p.esb_always))
        return record, table

    def _limits(self) -> Tuple[int, int]:
        """The card's dynamic range (dB) and highest shot rate (kHz) from its identification
        record, (0, 0) (no limits known) when the record cannot be read. Read once: by the
        warm-up of ``open_card`` (so that handing a set over sends the set alone), else by the
        first hand-over, and again after the checks."""
        with self._lock:
            if self._card_limits is None:
                record = _cdefs.KonfigRecord()
                error = c_uint32(0)
                if self._library.KARVO7GetKonfig(self._h(), byref(record), byref(error)) == 0:
                    return 0, 0
                self._card_limits = (int(record.Dynamik), int(record.MaxSapFolge))
            return self._card_limits

    def activate(self, numbers: List[int]) -> None:
        """Makes the sets ``numbers`` the ones a run measures with."""
        for n in numbers:
            self._check_set_number(n)
        with self._lock:
            self._call("KARVO7ActiveParam", *[int(s in numbers) for s in range(SETS_PER_CARD)])

    # ---- measurement --------------------------------------------------------------------

    def _decode_block(self, data: np.ndarray, sets: Dict[int, ParameterSet],
                      native_set: Optional[int], gates: bool = False) -> List[Record]:
        """The records of one block the card delivered; ``native_set`` is the set a native
        block comes from, None when it is not known (the sets then share one sample width)."""
        widths = {s.bit8 for s in sets.values()} if native_set is None \
            else {sets[native_set].bit8}
        if len(widths) != 1 and not gates:
            raise Error("KARVO7GetData", 0, "a native shot of a set not known: its sample "
                        "width is not known")
        bits = 8 if widths == {True} and self._layout is Layout.NATIVE else 16
        active = tuple(s for s in sets if 1 <= s <= 6)
        if gates and self._layout is Layout.NATIVE and not active:
            return []
        options = _options(self._layout, bits, gates, sum(1 << s for s in active))
        records = []
        for item in _Decoder(data).items(options):
            if isinstance(item, Record):
                if self._layout is Layout.RECORD:
                    item.set = self.set_of_identification(item.identification)
                elif item.set is None:
                    item.set = native_set
                records.append(item)
        return records

    def shot(self, parameters: ParameterSet, number: int = 0) -> Record:
        """One shot, taken by the card operations as the check program's single measurement
        takes it: the set is handed to the card, the card shoots once from an empty FIFO, and
        its data comes back with the shot's gate values (version-3 cards); the FIFO is emptied
        behind it.

        Args:
            parameters: the set to shoot with.
            number: the set number it is handed over as.

        Returns:
            The shot's record.

        Raises:
            WrongType: ``number`` is no integer or a field of the set holds none.
            RefusedValue: a value the card cannot take, or the card is streaming or closed.
            DataTimeout: the card delivered no data within the data time-out.
            Error: the card refused the set or the shot, or delivered another length than the
                set's shot.
        """
        ops = _cdefs.ops_library()
        layout = _cdefs.OpsShotLayout()
        shot = _cdefs.OpsShot()
        step, error = c_uint32(0), c_uint32(0)
        with self._lock:
            if self._streaming:
                raise RefusedValue(f"card {self.number} is streaming: close the stream first")
            record, table = self._ops_record(parameters, number, 1)
            wanted = _cdefs.OPS_LAYOUT_RECORD if self._layout is Layout.RECORD \
                else _cdefs.OPS_LAYOUT_NATIVE
            if ops.K7OpsPrepareShot(self._h(), number, byref(record), wanted, 1, byref(layout),
                                    byref(step), byref(error)) == 0:
                raise _refusal(parameters, step.value, error.value, "K7OpsPrepareShot")
            del table  # the library has sent it
            buffer = np.empty(layout.readBytes, dtype=np.uint8)
            if ops.K7OpsTakeShot(self._h(), number, byref(record), byref(layout),
                                 buffer.ctypes.data, layout.readBytes, byref(shot),
                                 byref(error)) == 0:
                raise _shot_failure(shot, layout, error.value)
        samples = np.empty(max(layout.samples, 1), dtype=np.int16)
        decoded = _cdefs.OpsDecodedShot()
        if ops.K7OpsDecodeShot(buffer.ctypes.data, byref(shot), byref(layout),
                               samples.ctypes.data, samples.size, byref(decoded),
                               byref(error)) == 0:
            raise Error("K7OpsDecodeShot", error.value, "the shot is not one record of its set")
        gates = None
        if decoded.gates:
            gates = GateResults(
                tuple(GateValue(decoded.gateTime[g], decoded.gateAmplitude[g],
                                decoded.gateMarker[g] != 0, None) for g in range(5)),
                decoded.esDelay, decoded.esAmplitude)
        if layout.layout == _cdefs.OPS_LAYOUT_RECORD:
            return Record(type=decoded.type, samples=samples[: decoded.samples],
                          identification=decoded.identification,
                          set=self.set_of_identification(decoded.identification),
                          time_stamp=decoded.timeStamp if decoded.stamped else None,
                          gates=gates)
        return Record(type=0, samples=samples[: decoded.samples], set=number, gates=gates)

    def fifo_overflowed(self) -> bool:
        """True when the card's data FIFO ran over (shots were lost) since it was last
        emptied: the full and overflow bits of its FIFO status register.

        Raises:
            RefusedValue: the card is closed.
        """
        with self._lock:
            status = self._library.KARVO7ReadRegister(self._h(), FIFO_STATUS_REGISTER)
            return status & FIFO_FULL_BITS != 0

    def stream(self, sets: Any, count: Optional[int] = None, seconds: Optional[float] = None,
               results: bool = True, lost_shots: str = "raise") -> "Stream":
        """A continuous block measurement over ``sets`` (a ParameterSet, taken as set 1 on a
        version-3 card and set 0 on others, or a mapping of set numbers to sets): an iterator
        of the shots' records and, with ``results``, the gate results records, that ends
        after ``count`` shots or ``seconds``. Closing the iterator (or leaving its ``with``
        block, or dropping it) stops the card and empties its FIFO.

        The card is read on a thread of the acquisition engine into a ring buffer of a second
        of shots, many records at a time; the interpreter's own pauses do not hold the reads
        up. Shots lost (the card's FIFO ran over, or the program left the buffer full) are
        never passed over: with ``lost_shots="raise"`` the iterator raises FifoOverflow, with
        the count, as soon as it knows of them; with ``"count"`` it adds them to
        ``Stream.lost`` and goes on (in the native layout the set of later shots is then
        unknown when several sets take turns). ``Stream.overflows`` counts the times the FIFO
        ran over. With ``count`` the stream delivers exactly that many shots.
        ``Stream.next_arrays`` takes the shots and gate results as NumPy arrays, many at a
        time and without a Python object a shot.

        Args:
            sets: the sets to measure.
            count: the shots to take; None: until ``seconds`` or for ever.
            seconds: how long to measure; None: until ``count`` or for ever.
            results: whether gate results records come too.
            lost_shots: ``"raise"`` or ``"count"``.

        Raises:
            WrongType: ``sets`` is no set or mapping of sets, or ``count`` no integer.
            RefusedValue: a set the card cannot take, a negative count or time, or the card is
                streaming already.
            FifoOverflow: (while iterating) shots were lost, with ``lost_shots="raise"``.
            CardClosed: (while iterating, once) the card was closed meanwhile, by another
                thread as a rule: the stream has ended.
            Error: the card refused the start or a read.
        """

        from .stream import Stream

        return Stream(self, sets, count, seconds, results, lost_shots)


def _refusal(p: ParameterSet, step: int, word: int, function: str) -> Error:
    """The exception for a hand-over the card refused: named by the call of the step it
    refused."""
    refused = {
        _cdefs.OPS_STEP_RECORD: "KARVO7PrepAllGatesParam",
        _cdefs.OPS_STEP_TRIGGER_DELAY: "KARVO7SetTriggerDelay25nsParam"
        if p.trigger_25ns else "KARVO7SetTriggerDelayParam",
        _cdefs.OPS_STEP_EXTERNAL_CLOCK: "KARVO7SetExternalClock",
        _cdefs.OPS_STEP_ECHO_START_GATE: "KARVO7SetESGateParam",
        _cdefs.OPS_STEP_ACTIVE_SETS: "KARVO7ActiveParam",
        _cdefs.OPS_STEP_SELECT_SET: "KARVO7SetParam",
    }
    if step in refused:
        return Error(refused[step], word)
    return failure(function, word)


def _shot_failure(shot: _cdefs.OpsShot, layout: _cdefs.OpsShotLayout, word: int) -> Error:
    """The exception for a shot that failed, named by the call of the step that failed."""
    if shot.step == _cdefs.OPS_SHOT_STEP_READ:
        if word == ErrorWord.OPS_TIMEOUT:
            return DataTimeout("KARVO7GetData", shot.readError, "no data within the data "
                               "time-out")
        return failure("KARVO7GetData", shot.readError)
    if shot.step == _cdefs.OPS_SHOT_STEP_LENGTH:
        return Error("KARVO7GetData", 0, f"the shot delivered {shot.bytes} bytes instead of "
                     f"the {layout.shotBytes} of its set")
    function = {
        _cdefs.OPS_SHOT_STEP_CLEAR: "KARVO7ClearFIFO",
        _cdefs.OPS_SHOT_STEP_START: "KARVO7Start",
        _cdefs.OPS_SHOT_STEP_GATES: "KARVO7GetGates",
    }.get(shot.step, "K7OpsTakeShot")
    return failure(function, word)
