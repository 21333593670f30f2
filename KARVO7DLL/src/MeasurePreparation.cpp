// Measurement preparation: acquisition settings of a parameter set (sampling rate, averaging,
// record length and delay, pulse repetition, trigger modes, A-scan, depth compensation).
#include "ParameterSteps.h"
#include "StartMode.h"

namespace k7 {
namespace {

// Smallest spacing of depth-compensation support points per sampling-rate index: the whole
// samples in one microsecond.
constexpr uint16_t kMinimumSpacing[8] = {80, 40, 20, 10, 160, 5, 2, 1};

// The first value the card cannot take, as its library code; 0 when all are acceptable.
uint32_t firstInvalid(const MeasureParams& p) {
    if (p.Samplerate > 7) {
        return KARVO7_ERR_SAMPLERATE;
    }
    if (p.Start > 11) {
        return KARVO7_ERR_START;
    }
    if (p.Average > 7) {
        return KARVO7_ERR_AVERAGE;
    }
    if (p.IFF > 0x3FFFFFu) {
        return KARVO7_ERR_IFF;
    }
    if (p.Ausblenden > 15) {
        return KARVO7_ERR_AUSBLENDEN;
    }
    if (p.Triggereingangsmode > 3) {
        return KARVO7_ERR_TRIGGEREINGANG;
    }
    if (p.Triggerausgangsmode > 7) {
        return KARVO7_ERR_TRIGGERAUSGANG;
    }
    if (p.Aufnahmelaenge == 0) {
        return KARVO7_ERR_AUFNAHMELAENGE;
    }
    if (p.Aufnahmedelay > 0xFFFFFu) {
        return KARVO7_ERR_AUFNAHMEDELAY;
    }
    if (p.ASCAN != 0) {
        if (p.Faktor == 0) {
            return KARVO7_ERR_FAKTOR;
        }
        if (p.Gleichrichtung > 3) {
            return KARVO7_ERR_GLEICHRICHTUNG;
        }
    }
    if (p.TATabelle != nullptr && p.TAAbstand < kMinimumSpacing[p.Samplerate]) {
        return KARVO7_ERR_TA_ABSTAND;
    }
    return 0;
}

// Shot (mode) word for the start mode actually sent.
uint32_t modeWord(const MeasureParams& p, uint32_t start) {
    uint32_t word = 0;
    if (p.IFF != 0) {
        word |= 1u << 15;
    }
    if (p.TATabelle != nullptr) {
        word |= 1u << 14;
    }
    if (p.Bit8 != 0) {
        word |= 1u << 13;
    }
    if (p.Average != 0) {
        word |= 1u << 12;
    }
    word |= uint32_t{p.Samplerate} << 4;
    word |= (start % 4) << 2;
    if (start < 4) {
        word |= p.ASCAN != 0 ? 2u : 1u;
    } else if (start < 8) {
        word |= 3u;
    }
    return word;
}

// Trigger word, the second word of the trigger command.
uint32_t triggerWord(const MeasureParams& p) {
    uint32_t word = 0;
    if (p.Triggereingangsmode >= 2) {
        word |= 1u << 14;
    }
    word |= (uint32_t{p.Triggereingangsmode} % 2) << 12;
    word |= uint32_t{p.Ausblenden} << 8;
    if (p.Triggerausgangsmode >= 4) {
        word |= 1u << 6;
    }
    word |= (uint32_t{p.Triggerausgangsmode} % 4) << 4;
    if (p.ExternerTrigger != 0) {
        word |= 1u;
    }
    return word;
}

// The start mode sent to the card. A card that is not a version-3 card keeps its start mode in
// the handle; 2 and 3 put the handle into the emulated single-start mode, stopped, and program
// the card for single shots (start mode 1).
uint32_t startModeToSend(KARVO7Card* card, uint8_t start) {
    if (card->version3 != 0) {
        return start;
    }
    card->startMode = start == 3 ? kEmulatedStartMode : start;
    if (card->startMode == kEmulatedStartMode) {
        card->stopped = 1;
        return 1;
    }
    return start;
}

// The depth-compensation table (support points rounded up to an even count) and its command.
Result sendDepthCompensation(KARVO7Card* card, const MeasureParams& p) {
    const uint32_t points = p.TAStuetzstellen & 0xFFu;
    const uint32_t values = (points + 1 + 1) & ~1u;
    if (const Result r = control(card, req::kDepthTable, p.TATabelle, 2 * values, nullptr, 0);
        !r.ok) {
        return r;
    }
    return sendCommand2(card, cmd::kDepthCompensation, uint32_t{p.TAVerzoegerung} << 16 | points,
                        p.TAAbstand);
}

}  // namespace

Result prepareMeasure(KARVO7Card* card, uint32_t set, const MeasureParams& p) {
    if (const uint32_t code = firstInvalid(p); code != 0) {
        return Result::failure(code);
    }
    if (card->version3 != 0) {
        if (const Result r = selectSet(card, set); !r.ok) {
            return r;
        }
    }
    const uint32_t start = startModeToSend(card, p.Start);
    if (const Result r = sendCommand1(card, cmd::kShot, modeWord(p, start)); !r.ok) {
        return r;
    }
    if (const Result r = sendCommand2(
            card, cmd::kCount, uint32_t{p.Aufnahmelaenge} << 16 | p.PKVorlauf, p.Aufnahmedelay);
        !r.ok) {
        return r;
    }
    if (p.Average != 0) {
        if (const Result r = sendCommand1(card, cmd::kAverage, p.Average); !r.ok) {
            return r;
        }
    }
    if (p.ASCAN != 0) {
        const uint32_t form = uint32_t{p.Faktor} << 8 | p.Gleichrichtung;
        if (const Result r = sendCommand1(card, cmd::kAScan, form); !r.ok) {
            return r;
        }
    }
    if (const Result r = sendCommand2(card, cmd::kTrigger, p.IFF, triggerWord(p)); !r.ok) {
        return r;
    }
    if (p.TATabelle == nullptr) {
        return Result::success();
    }
    return sendDepthCompensation(card, p);
}

MeasureParams measureRecord(uint32_t iff, uint32_t stuetzstellen, const uint16_t* tabelle,
                            uint32_t bit8, uint32_t averageSamplerateStart, uint32_t vorlaufLaenge,
                            uint32_t aufnahmedelay, uint32_t ascan, uint32_t faktorGleichrichtung,
                            uint32_t externerTrigger, uint32_t triggerModes,
                            uint32_t verzoegerungAbstand) {
    const auto byte = [](uint32_t slot, int index) {
        return static_cast<uint8_t>(slot >> (8 * index));
    };
    const auto half = [](uint32_t slot, int index) {
        return static_cast<uint16_t>(slot >> (16 * index));
    };
    MeasureParams p{};
    p.IFF = iff;
    p.TAStuetzstellen = stuetzstellen;
    p.TATabelle = tabelle;
    p.Bit8 = bit8;
    p.Average = byte(averageSamplerateStart, 0);
    p.Samplerate = byte(averageSamplerateStart, 1);
    p.Start = byte(averageSamplerateStart, 2);
    p.Reserved4 = byte(averageSamplerateStart, 3);
    p.PKVorlauf = half(vorlaufLaenge, 0);
    p.Aufnahmelaenge = half(vorlaufLaenge, 1);
    p.Aufnahmedelay = aufnahmedelay;
    p.ASCAN = ascan;
    p.Faktor = byte(faktorGleichrichtung, 0);
    p.Gleichrichtung = byte(faktorGleichrichtung, 1);
    p.Reserved8[0] = byte(faktorGleichrichtung, 2);
    p.Reserved8[1] = byte(faktorGleichrichtung, 3);
    p.ExternerTrigger = externerTrigger;
    p.Triggereingangsmode = byte(triggerModes, 0);
    p.Triggerausgangsmode = byte(triggerModes, 1);
    p.Ausblenden = byte(triggerModes, 2);
    p.Reserved10 = byte(triggerModes, 3);
    p.TAVerzoegerung = half(verzoegerungAbstand, 0);
    p.TAAbstand = half(verzoegerungAbstand, 1);
    return p;
}

}  // namespace k7

extern "C" {

KARVO7_API int KARVO7PrepMeasureParamPointer(KARVO7HANDLE h, uint32_t set,
                                             const MeasureParams* params, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        if (const k7::Result r = k7::required(params); !r.ok) {
            return r;
        }
        return k7::prepareMeasure(c, set, *params);
    });
}

KARVO7_API int KARVO7PrepMeasurePointer(KARVO7HANDLE h, const MeasureParams* params,
                                        uint32_t* error) {
    return KARVO7PrepMeasureParamPointer(h, 0, params, error);
}

KARVO7_API int KARVO7PrepMeasureParam(KARVO7HANDLE h, uint32_t set, uint32_t IFF,
                                      uint32_t TAStuetzstellen, const uint16_t* TATabelle,
                                      uint32_t Bit8, uint32_t AverageSamplerateStart,
                                      uint32_t VorlaufLaenge, uint32_t Aufnahmedelay,
                                      uint32_t ASCAN, uint32_t FaktorGleichrichtung,
                                      uint32_t ExternerTrigger, uint32_t TriggerModes,
                                      uint32_t VerzoegerungAbstand, uint32_t* error) {
    const MeasureParams params = k7::measureRecord(
        IFF, TAStuetzstellen, TATabelle, Bit8, AverageSamplerateStart, VorlaufLaenge, Aufnahmedelay,
        ASCAN, FaktorGleichrichtung, ExternerTrigger, TriggerModes, VerzoegerungAbstand);
    return KARVO7PrepMeasureParamPointer(h, set, &params, error);
}

KARVO7_API int KARVO7PrepMeasure(KARVO7HANDLE h, uint32_t IFF, uint32_t TAStuetzstellen,
                                 const uint16_t* TATabelle, uint32_t Bit8,
                                 uint32_t AverageSamplerateStart, uint32_t VorlaufLaenge,
                                 uint32_t Aufnahmedelay, uint32_t ASCAN,
                                 uint32_t FaktorGleichrichtung, uint32_t ExternerTrigger,
                                 uint32_t TriggerModes, uint32_t VerzoegerungAbstand,
                                 uint32_t* error) {
    return KARVO7PrepMeasureParam(h, 0, IFF, TAStuetzstellen, TATabelle, Bit8,
                                  AverageSamplerateStart, VorlaufLaenge, Aufnahmedelay, ASCAN,
                                  FaktorGleichrichtung, ExternerTrigger, TriggerModes,
                                  VerzoegerungAbstand, error);
}

KARVO7_API int KARVO7PrepMeasureSSTParamPointer(KARVO7HANDLE h, uint32_t set, MeasureParams* params,
                                                const uint16_t* table, uint32_t* error) {
    if (params != nullptr && params->TATabelle != nullptr) {
        params->TATabelle = table;
    }
    return KARVO7PrepMeasureParamPointer(h, set, params, error);
}

KARVO7_API int KARVO7PrepMeasureSSTPointer(KARVO7HANDLE h, MeasureParams* params,
                                           const uint16_t* table, uint32_t* error) {
    return KARVO7PrepMeasureSSTParamPointer(h, 0, params, table, error);
}

}  // extern "C"
