#include "SetOptions.h"

#include <cmath>

#include "Tool.h"
#include "paramfile/SetFile.h"
#include "paramfile/SetSection.h"

namespace karvo7 {

bool buildSet(const SetOverrides& o, uint32_t card, uint32_t set, k7check::ParameterSet& result,
              std::ostream& err) {
    result = k7check::ParameterSet{};
    if (card < 1 || card > k7check::kMaxCards || set >= k7check::kSetsPerCard) {
        complain(err, "set " + std::to_string(set) + " of card " + std::to_string(card) +
                          " is not one a parameter file holds (sets 0 to 7 of cards 1 to 16)");
        return false;
    }
    if (!o.ini.empty()) {
        bool active = false;
        const k7check::SetFileRead read =
            k7check::readSetFromFile(o.ini, k7check::setSection(card, set), result, active);
        if (!read.ok()) {
            complain(err, read.why);
            return false;
        }
    }
    if (o.samples) {
        if (*o.samples < 1 || *o.samples > 65535) {
            complain(err, "--samples must be 1 to 65535");
            return false;
        }
        result.aufnahmelaenge = static_cast<uint16_t>(*o.samples);
    }
    if (o.samplerate) {
        if (*o.samplerate > 7) {
            complain(err, "--rate must be 0 to 7");
            return false;
        }
        result.samplerate = static_cast<uint8_t>(*o.samplerate);
    }
    if (o.gainDb) {
        const double tenths = std::round(*o.gainDb * 10.0);
        if (!(tenths >= 0.0 && tenths <= 65535.0)) {
            complain(err, "--gain must be 0 to 6553.5 dB");
            return false;
        }
        result.verstaerkung = static_cast<uint16_t>(tenths);
    }
    if (o.delay) {
        if (*o.delay > 0xFFFFF) {
            complain(err, "--delay must be 0 to 1048575");
            return false;
        }
        result.aufnahmedelay = static_cast<int32_t>(*o.delay);
    }
    if (o.shotRate) {
        if (*o.shotRate > 0x3FFFFF) {
            complain(err, "--shot-rate must be 0 to 4194303");
            return false;
        }
        result.iff = *o.shotRate;
    }
    if (o.externalTrigger) {
        result.externerTrigger = *o.externalTrigger;
    }
    if (o.eightBit) {
        result.bit8 = *o.eightBit;
    }
    return true;
}

bool withinCardLimits(KARVO7HANDLE card, uint32_t number, const SetOverrides& o,
                      std::ostream& err) {
    if (!o.gainDb && !o.shotRate) {
        return true;
    }
    KonfigRecord record{};
    uint32_t error = 0;
    if (KARVO7GetKonfig(card, &record, &error) == 0) {
        complain(err, "card " + std::to_string(number) +
                          ": configuration record unreadable, error " + errorWord(error) +
                          ": the card's ranges of gain and shot rate are not known");
        return false;
    }
    const std::string ofCard = " on card " + std::to_string(number);
    if (o.gainDb && record.Dynamik != 0 && *o.gainDb > record.Dynamik) {
        complain(err, "--gain must be 0 to " + std::to_string(record.Dynamik) + " dB" + ofCard);
        return false;
    }
    const uint32_t highestRate = 1000u * record.MaxSapFolge;
    if (o.shotRate && (*o.shotRate == 0 || (highestRate != 0 && *o.shotRate > highestRate))) {
        complain(err, "--shot-rate must be 1 to " +
                          std::to_string(highestRate != 0 ? highestRate : 0x3FFFFFu) +
                          " shots a second" + ofCard);
        return false;
    }
    return true;
}

int16_t layoutIdentification(Layout layout, uint32_t card, uint32_t set) {
    return layout == Layout::Record ? static_cast<int16_t>(-static_cast<int32_t>(10 * card + set))
                                    : int16_t{0};
}

}  // namespace karvo7
