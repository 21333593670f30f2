// Compile-time checks of the exported records: field order and widths as the cards and
// existing applications expect them. The depth-compensation table slot is pointer-sized.
#include <cstddef>

#include "KARVO7DLL.h"

namespace {
constexpr std::size_t kTableSlot = sizeof(const uint16_t*);

static_assert(offsetof(MeasureParams, IFF) == 0);
static_assert(offsetof(MeasureParams, TAStuetzstellen) == 4);
static_assert(offsetof(MeasureParams, TATabelle) == 8);
static_assert(offsetof(MeasureParams, Bit8) == 8 + kTableSlot);
static_assert(offsetof(MeasureParams, Average) == 12 + kTableSlot);
static_assert(offsetof(MeasureParams, Samplerate) == 13 + kTableSlot);
static_assert(offsetof(MeasureParams, Start) == 14 + kTableSlot);
static_assert(offsetof(MeasureParams, PKVorlauf) == 16 + kTableSlot);
static_assert(offsetof(MeasureParams, Aufnahmelaenge) == 18 + kTableSlot);
static_assert(offsetof(MeasureParams, Aufnahmedelay) == 20 + kTableSlot);
static_assert(offsetof(MeasureParams, ASCAN) == 24 + kTableSlot);
static_assert(offsetof(MeasureParams, Faktor) == 28 + kTableSlot);
static_assert(offsetof(MeasureParams, Gleichrichtung) == 29 + kTableSlot);
static_assert(offsetof(MeasureParams, ExternerTrigger) == 32 + kTableSlot);
static_assert(offsetof(MeasureParams, Triggereingangsmode) == 36 + kTableSlot);
static_assert(offsetof(MeasureParams, Triggerausgangsmode) == 37 + kTableSlot);
static_assert(offsetof(MeasureParams, Ausblenden) == 38 + kTableSlot);
static_assert(offsetof(MeasureParams, TAVerzoegerung) == 40 + kTableSlot);
static_assert(offsetof(MeasureParams, TAAbstand) == 42 + kTableSlot);

static_assert(offsetof(SpecialParams, Sendeimpulsbreite) == 4);
static_assert(offsetof(SpecialParams, Sendeenergie) == 5);
static_assert(offsetof(SpecialParams, SEMode) == 8);
static_assert(offsetof(SpecialParams, Senderdaempfung) == 12);
static_assert(offsetof(SpecialParams, Eingangsdaempfung) == 13);
static_assert(offsetof(SpecialParams, Filter) == 14);
static_assert(sizeof(SpecialParams) == 16);

static_assert(sizeof(GateParam) == 12);
static_assert(sizeof(GateEnables) == 20);
static_assert(offsetof(GateParams, Enables) == 60);
static_assert(sizeof(GateParams) == 80);

static_assert(offsetof(GateResults, ESMaximum) == 4);
static_assert(offsetof(GateResults, Gate) == 8);
static_assert(sizeof(GateResult) == 12);

static_assert(offsetof(CardStatus, Status4) == 4);
static_assert(offsetof(CardStatus, Modus) == 5);
static_assert(offsetof(CardStatus, Status8) == 8);

static_assert(offsetof(KonfigRecord, Aufsteckfilter) == 20);
static_assert(offsetof(KonfigRecord, PciEeprom) == 40);
static_assert(offsetof(KonfigRecord, LcaVersion) == 60);
static_assert(offsetof(KonfigRecord, Programmversion) == 70);
static_assert(offsetof(KonfigRecord, BandgrenzeUnten) == 80);
static_assert(offsetof(KonfigRecord, BandgrenzeOben) == 84);
static_assert(offsetof(KonfigRecord, AdcBits) == 88);
static_assert(offsetof(KonfigRecord, Dynamik) == 91);
static_assert(offsetof(KonfigRecord, DaempfungEingang) == 92);
static_assert(offsetof(KonfigRecord, DaempfungSender) == 100);
static_assert(offsetof(KonfigRecord, EnergieSender) == 108);
static_assert(offsetof(KonfigRecord, Samplerrate) == 124);
static_assert(offsetof(KonfigRecord, MaxSapFolge) == 132);
static_assert(offsetof(KonfigRecord, FilterMittenfrequenz) == 136);
static_assert(offsetof(KonfigRecord, FilterBandgrenze) == 168);
static_assert(offsetof(KonfigRecord, Grunddaempfung) == 232);
static_assert(sizeof(KonfigRecord) == 240);

static_assert(sizeof(ADCValues) == 24);
}  // namespace
