// The firmware's thirteen self tests (one bit per test of the self-test command) and the DAC ramp.
#include "Card.h"

namespace k7sim {

// The identification record in the EEPROM is intact: its length fits and its CRC matches.
bool Card::storedRecordValid() const {
    const uint32_t length = eeprom_.word(Eeprom::kLengthWord);
    if (eeprom_.storedAreaSize() == 0 || length < 76) {
        return false;
    }
    const uint32_t dataStart = Eeprom::kDirectory + 76;
    const uint32_t dataSize = length - 76;
    const uint16_t crc = crc16(eeprom_.bytes().data() + dataStart, dataSize);
    return eeprom_.word(dataStart + dataSize) == crc;
}

uint32_t Card::selfTest(uint32_t word) {
    if (measurement_.running()) {
        return fail(K7_ERROR_GEN_FAILURE, err::kMeasuring);
    }
    if (word == 0x80000200u || word == 0x200u) {  // DAC ramps on and off (test 9)
        return firmware_.powered() ? K7_ERROR_SUCCESS
                                   : fail(K7_ERROR_GEN_FAILURE, err::kSelfTestFailed | 9u);
    }
    int test = -1;
    for (int n = 0; n <= 12; ++n) {
        if (word == (1u << n)) {
            test = n;
        }
    }
    if (test < 0) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kSelfTestWord);
    }
    bool passed = true;
    switch (test) {
        case 0: {  // DSP -> PCI FIFO: the test pattern twice
            const Fault* wrong = faults_.find(Fault::Kind::SelfTest0Word);
            for (uint32_t i = 0; i < 8; ++i) {
                uint32_t value = kSelfTest0Pattern[i % 4];
                if (wrong != nullptr && wrong->index == i) {
                    value = wrong->value;
                }
                bridge_.pushFifo(value);
            }
            bridge_.neverEmpty = faults_.has(Fault::Kind::SelfTest0NoEmpty);
            break;
        }
        case 2:  // LCA and ADC need the analog part powered
            passed = firmware_.powered();
            break;
        case 4:
        case 5:  // the data FIFO tests overwrite the FIFO's contents
            measurement_.clearFifo();
            break;
        case 7:  // EEPROM and version: the stored identification must be intact
            passed = storedRecordValid();
            break;
        default:
            break;
    }
    return passed ? K7_ERROR_SUCCESS
                  : fail(K7_ERROR_GEN_FAILURE, err::kSelfTestFailed | static_cast<uint32_t>(test));
}

}  // namespace k7sim
