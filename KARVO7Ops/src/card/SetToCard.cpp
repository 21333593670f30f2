#include "card/SetToCard.h"

namespace k7check {

CardRecord cardRecordOf(const ParameterSet& set, uint8_t start) {
    CardRecord r;
    MeasureParams& m = r.measure;
    m.IFF = set.iff;
    m.TAStuetzstellen = set.taStuetzstellen;
    // The table always holds 256 entries, so no support-point count reads past it.
    m.TATabelle = set.taReferenz ? set.taTabelle.data() : nullptr;
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
    r.triggerDelay = static_cast<uint32_t>(set.triggerdelay);
    r.trigger25ns = set.trigger25ns;
    r.externalClock = set.triggerExtern;
    r.esbLevel = set.esbLevel;
    r.esbTime = static_cast<uint32_t>(set.esbTime);
    r.esbRelativ = set.esbRelativ;
    r.esbAlways = set.esbAlways;
    for (uint32_t g = 0; g < kGates; ++g) {
        r.gates.Gate[g].Anfang = static_cast<uint32_t>(set.gates[g].anfang);
        r.gates.Gate[g].Ende = static_cast<uint32_t>(set.gates[g].ende);
        r.gates.Gate[g].Schwelle = set.gates[g].schwelle;
        r.gates.Enables.Enable[g] = set.enable[g] ? 1u : 0u;
    }
    return r;
}

bool prepareSet(KARVO7HANDLE card, uint32_t setNumber, const CardRecord& record, uint32_t& error) {
    error = 0;
    return KARVO7PrepAllGatesParam(card, setNumber & 0xFFu, record.measure, record.special,
                                   record.verstaerkung, record.gates, &error) != 0;
}

namespace {

bool sendTriggerDelay(KARVO7HANDLE card, uint32_t setNumber, const CardRecord& record,
                      uint32_t& error) {
    if (record.trigger25ns) {
        return KARVO7SetTriggerDelay25nsParam(card, setNumber & 0xFFu, record.triggerDelay,
                                              &error) != 0;
    }
    return KARVO7SetTriggerDelayParam(card, setNumber & 0xFFu, record.triggerDelay, &error) != 0;
}

bool sendEchoStartGate(KARVO7HANDLE card, uint32_t setNumber, const CardRecord& record,
                       uint32_t& error) {
    return KARVO7SetESGateParam(card, setNumber & 0xFFu, record.esbLevel, record.esbTime,
                                record.esbRelativ ? 1u : 0u, record.esbAlways ? 1u : 0u,
                                &error) != 0;
}

bool sendExternalClock(KARVO7HANDLE card, const CardRecord& record, uint32_t& error) {
    return KARVO7SetExternalClock(card, record.externalClock ? 1u : 0u, &error) != 0;
}

}  // namespace

HandOver handSetToCard(KARVO7HANDLE card, uint32_t setNumber, const CardRecord& record) {
    uint32_t error = 0;
    if (!prepareSet(card, setNumber, record, error)) {
        return {HandOverStep::Record, error};
    }
    HandOver outcome;
    // Keeps the first refusal of the steps after the preparation.
    const auto note = [&outcome, &error](bool sent, HandOverStep step) {
        if (!sent && outcome.ok()) {
            outcome = {step, error};
        }
    };
    note(sendTriggerDelay(card, setNumber, record, error), HandOverStep::TriggerDelay);
    note(sendExternalClock(card, record, error), HandOverStep::ExternalClock);
    if (KARVO7IsVersion3(card) != 0) {
        note(sendEchoStartGate(card, setNumber, record, error), HandOverStep::EchoStartGate);
    }
    return outcome;
}

bool handSetToCard(KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set,
                   uint32_t& error) {
    const HandOver outcome = handSetToCard(card, setNumber, cardRecordOf(set));
    error = outcome.prepared() ? 0 : outcome.error;
    return outcome.prepared();
}

bool activateSets(KARVO7HANDLE card, const std::array<bool, kSetsPerCard>& active,
                  uint32_t& error) {
    const auto flag = [&active](uint32_t s) { return active[s] ? 1u : 0u; };
    return KARVO7ActiveParam(card, flag(0), flag(1), flag(2), flag(3), flag(4), flag(5), flag(6),
                             flag(7), &error) != 0;
}

bool stopAndEmpty(KARVO7HANDLE card, uint32_t& error) {
    uint32_t stopError = 0;
    const bool stopped = KARVO7Stop(card, &stopError) != 0 || stopError == KARVO7_ERR_STOPPED;
    error = 0;
    if (KARVO7ClearFIFO(card, &error) == 0) {
        return false;
    }
    error = stopped ? 0 : stopError;
    return stopped;
}

}  // namespace k7check
