// One parameter set as the card's firmware keeps it: the data words of the parameter commands
// it received for the set, decoded where the card needs the fields.
#pragma once

#include <cstdint>
#include <vector>

namespace k7sim {

struct GateSetting {
    uint16_t start = 0;
    uint16_t end = 0;
    uint16_t threshold = 0;  // 12-bit amplitude scale
};

struct ParameterSet {
    // Shot word (command 0x4401): bits 1-0 output (0 none, 1 HF, 2 A-scan, 3 gates only),
    // 3-2 measurement (0 none, 1 single, 2 automatic, 3 continuous), 11-4 sampling-rate index,
    // 12 averaging, 13 8-bit samples, 14 depth compensation, 15 pulse repetition (IFF) used.
    uint32_t shotWord = 0x0015;
    uint16_t prerun = 0;           // samples recorded before the trigger
    uint16_t length = 1600;        // samples recorded
    uint32_t delay = 0;            // samples from the trigger to the recording
    uint32_t average = 0;          // 2^average shots are averaged while bit 12 is set
    uint32_t ascanWord = 0x0100;   // bits 1-0 form, bits 15-8 samples combined into one
    uint32_t iff = 0;              // pulse repetition frequency in Hz
    uint32_t triggerWord = 0;      // command 0x5C02 word 1
    uint32_t senderWord = 0x0001;  // bits 2-0 energy, 10-8 pulse width, 15 transmitter off
    uint32_t inputWord = 0x0004;   // bits 1-0 transmitter damping, 3-2 input damping, 8 S/E
    uint32_t filter = 0;
    int32_t gain = 200;    // gain in 0.1 dB
    uint8_t taPoints = 0;  // support points minus 1
    uint16_t taDelay = 0;
    uint32_t taSpacing = 0;
    std::vector<uint16_t> taTable;  // gain in 0.1 dB per support point
    GateSetting gates[5] = {
        {300, 400, 480}, {300, 400, 800}, {600, 800, 800}, {800, 1000, 800}, {1100, 1400, 800}};
    uint32_t gateEnables = 0x1E;
    uint16_t esTime = 200;
    uint16_t esLevel = 30;
    uint16_t esFlags = 0;       // 1 relative gates, 2 always
    uint32_t triggerDelay = 0;  // bit 31: 25-ns unit
    uint16_t sapDelay = 0;
    int16_t identification = 0;  // sibling-card identification; non-zero: record layout
    uint32_t replyLevel = 0;

    uint32_t output() const { return shotWord & 3u; }
    uint32_t measurement() const { return (shotWord >> 2) & 3u; }
    uint32_t samplerate() const { return (shotWord >> 4) & 0xFFu; }
    bool averaging() const { return (shotWord & 0x1000u) != 0; }
    bool eightBit() const { return (shotWord & 0x2000u) != 0; }
    bool depthCompensation() const { return (shotWord & 0x4000u) != 0; }
    bool iffUsed() const { return (shotWord & 0x8000u) != 0; }
    bool externalTrigger() const { return (triggerWord & 1u) != 0; }
    uint32_t form() const { return ascanWord & 3u; }
    uint32_t faktor() const { return (ascanWord >> 8) & 0xFFu; }
    uint32_t energy() const { return senderWord & 7u; }
    uint32_t pulseWidth() const { return (senderWord >> 8) & 7u; }
    bool transmitterOff() const { return (senderWord & 0x8000u) != 0; }
    uint32_t transmitterDamping() const { return inputWord & 3u; }
    uint32_t inputDamping() const { return (inputWord >> 2) & 3u; }
    bool separateReceiver() const { return (inputWord & 0x100u) != 0; }
    bool recordLayout() const { return identification != 0; }
};

// Sampling rate of an index in MHz: 80, 40, 20, 10, 160 (virtual), then 80, 40, 20 divided by
// 16. Indexes beyond 7 use their low three bits.
double samplingMHz(uint32_t index);

}  // namespace k7sim
