#include "card/ParameterSet.h"

namespace k7check {

ParameterSet& ParameterSetTable::set(uint32_t card, uint32_t set) {
    return sets_.at(card - 1).at(set);
}

const ParameterSet& ParameterSetTable::set(uint32_t card, uint32_t set) const {
    return sets_.at(card - 1).at(set);
}

bool& ParameterSetTable::active(uint32_t card, uint32_t set) {
    return active_.at(card - 1).at(set);
}

bool ParameterSetTable::active(uint32_t card, uint32_t set) const {
    return active_.at(card - 1).at(set);
}

std::array<bool, kSetsPerCard>& ParameterSetTable::activeFlags(uint32_t card) {
    return active_.at(card - 1);
}

const std::array<bool, kSetsPerCard>& ParameterSetTable::activeFlags(uint32_t card) const {
    return active_.at(card - 1);
}

RandomLimits defaultRandomLimits() {
    RandomLimits limits;
    ParameterSet& lo = limits.lower;
    ParameterSet& hi = limits.upper;
    lo.iff = hi.iff = 0;
    lo.taStuetzstellen = hi.taStuetzstellen = 0;
    lo.taReferenz = hi.taReferenz = false;
    lo.bit8 = false;
    hi.bit8 = true;
    lo.average = 0;
    hi.average = 7;
    lo.samplerate = 0;
    hi.samplerate = 4;
    lo.start = hi.start = 1;
    lo.pkVorlauf = hi.pkVorlauf = 0;
    lo.aufnahmelaenge = 16;
    hi.aufnahmelaenge = 16000;
    lo.aufnahmedelay = 0;
    hi.aufnahmedelay = 100;
    lo.ascan = false;
    hi.ascan = true;
    lo.faktor = 0;
    hi.faktor = 25;
    lo.gleichrichtung = 0;
    hi.gleichrichtung = 3;
    for (ParameterSet* p : {&lo, &hi}) {
        p->externerTrigger = false;
        p->triggereingangsmode = 0;
        p->triggerausgangsmode = 0;
        p->ausblenden = 0;
        p->taVerzoegerung = 0;
        p->taAbstand = 0;
        p->sendersperre = false;
        p->sendeenergie = 0;
        p->seMode = false;
        p->senderdaempfung = 0;
        p->eingangsdaempfung = 0;
        p->filter = 3;
    }
    lo.sendeimpulsbreite = 0;
    hi.sendeimpulsbreite = 5;
    lo.verstaerkung = 0;
    hi.verstaerkung = 900;
    for (uint32_t g = 0; g < kGates; ++g) {
        lo.gates[g] = {0, 100, 0};
        hi.gates[g] = {6000, 2000, 1024};
        lo.enable[g] = false;
        hi.enable[g] = true;
    }
    return limits;
}

}  // namespace k7check
