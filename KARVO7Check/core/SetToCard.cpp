#include "SetToCard.h"

namespace k7check {

CardRecord cardRecordOf(const ParameterSet& set, uint8_t start) {
    CardRecord r;
    MeasureParams& m = r.measure;
    m.IFF = set.iff;
    m.TAStuetzstellen = set.taStuetzstellen;
    m.TATabelle = set.taTabelle.empty() ? nullptr : set.taTabelle.data();
    m.Bit8 = set.bit8 ? 1u : 0u;
    m.Average = set.average;
    m.Samplerate = set.samplerate;
    m.Start = start;
    m.PKVorlauf = set.pkVorlauf;
    m.Aufnahmelaenge = set.aufnahmelaenge;
    m.Aufnahmedelay = static_cast<uint32_t>(set.aufnahmedelay);
    m.ASCAN = set.ascan ? 1u : 0u;
    m.Faktor = set.faktor;
    m.Gleichrichtung = set.gleichrichtung;
    m.ExternerTrigger = set.externerTrigger ? 1u : 0u;
    m.Triggereingangsmode = set.triggereingangsmode;
    m.Triggerausgangsmode = set.triggerausgangsmode;
    m.Ausblenden = set.ausblenden;
    m.TAVerzoegerung = set.taVerzoegerung;
    m.TAAbstand = set.taAbstand;

    SpecialParams& s = r.special;
    s.Sendersperre = set.sendersperre ? 1u : 0u;
    s.Sendeimpulsbreite = set.sendeimpulsbreite;
    s.Sendeenergie = set.sendeenergie;
    s.SEMode = set.seMode ? 1u : 0u;
    s.Senderdaempfung = set.senderdaempfung;
    s.Eingangsdaempfung = set.eingangsdaempfung;
    s.Filter = set.filter;

    r.verstaerkung = set.verstaerkung;
    for (uint32_t g = 0; g < kGates; ++g) {
        r.gates.Gate[g].Anfang = static_cast<uint32_t>(set.gates[g].anfang);
        r.gates.Gate[g].Ende = static_cast<uint32_t>(set.gates[g].ende);
        r.gates.Gate[g].Schwelle = set.gates[g].schwelle;
        r.gates.Enables.Enable[g] = set.enable[g] ? 1u : 0u;
    }
    return r;
}

bool handSetToCard(KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set,
                   uint32_t& error) {
    const CardRecord r = cardRecordOf(set);
    const uint32_t number = setNumber & 0xFFu;
    error = 0;
    if (KARVO7PrepAllGatesParam(card, number, r.measure, r.special, r.verstaerkung, r.gates,
                                &error) == 0) {
        return false;
    }
    uint32_t ignored = 0;
    const auto delay = static_cast<uint32_t>(set.triggerdelay);
    if (set.trigger25ns) {
        KARVO7SetTriggerDelay25nsParam(card, number, delay, &ignored);
    } else {
        KARVO7SetTriggerDelayParam(card, number, delay, &ignored);
    }
    if (KARVO7IsVersion3(card) != 0) {
        KARVO7SetESGateParam(card, number, set.esbLevel, static_cast<uint32_t>(set.esbTime),
                             set.esbRelativ ? 1u : 0u, set.esbAlways ? 1u : 0u, &ignored);
    }
    return true;
}

}  // namespace k7check
