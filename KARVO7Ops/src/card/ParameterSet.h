// One measurement parameter set as the check program holds it, the 16 x 8 table of sets with
// their active flags, and the random limits pair. The order of the fields is the order of the
// keys in the parameter file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace k7check {

constexpr uint32_t kMaxCards = 16;
constexpr uint32_t kSetsPerCard = 8;
constexpr uint32_t kGates = 5;
// Entries of a set's depth compensation table: the card takes up to 256 support points, and
// the support-point count (8 bits) can never ask for more than the table holds.
constexpr std::size_t kTaTableSize = 256;

struct GateSetting {
    int32_t anfang = 0;     // "Bn-Anfang", samples
    int32_t ende = 0;       // "Bn-Ende", samples
    uint16_t schwelle = 0;  // "Bn-Schwelle", held as 16 x the file value
};

struct ParameterSet {
    uint32_t iff = 0;             // "IFF"
    uint8_t taStuetzstellen = 1;  // depth compensation support points - 1 (set on load)
    std::array<uint16_t, kTaTableSize> taTabelle{};  // gain per support point, 0.1 dB
    bool taReferenz = false;          // the set hands its table to the card (depth compensation on)
    std::string taDatei;              // the .ta file the table was last read from (not in the file)
    bool bit8 = false;                // "8Bit"
    uint8_t average = 0;              // "Average"
    uint8_t samplerate = 1;           // "Samplerate"
    uint8_t start = 1;                // "Start" (the card record always carries 1)
    uint16_t pkVorlauf = 0;           // "PK-Vorlauf"
    uint16_t aufnahmelaenge = 1600;   // "Aufnahmelaenge"
    int32_t aufnahmedelay = 0;        // "Aufnahmedelay"
    bool ascan = false;               // "ASCAN"
    uint8_t faktor = 0;               // "Faktor"
    uint8_t gleichrichtung = 0;       // "Gleichrichtung"
    bool externerTrigger = false;     // "ExternerTrigger"
    uint8_t triggereingangsmode = 0;  // "Triggereingangsmode"
    uint8_t triggerausgangsmode = 0;  // "Triggerausgangsmode"
    uint8_t ausblenden = 0;           // "Ausblenden"
    uint16_t taVerzoegerung = 0;      // "TA-Verzoegerung"
    uint16_t taAbstand = 0;           // "TA-Abstand"
    bool sendersperre = false;        // "Sendersperre"
    uint8_t sendeimpulsbreite = 0;    // "Sendeimpulsbreite"
    uint8_t sendeenergie = 0;         // "Sendeenergie"
    bool seMode = false;              // "SE-Mode"
    uint8_t senderdaempfung = 0;      // "Senderdaempfung"
    uint8_t eingangsdaempfung = 0;    // "Eingangsdaempfung"
    uint8_t filter = 3;               // "Filter"
    uint16_t verstaerkung = 200;      // "Verstaerkung", 10 x dB
    int32_t esbTime = 200;            // "ESB-Time"
    uint16_t esbLevel = 30;           // "ESB-Level"
    bool esbRelativ = false;          // "ESB-relativ"
    bool esbAlways = false;           // "ESB-always"
    std::array<GateSetting, kGates> gates{{{300, 400, 30 * 16},
                                           {300, 400, 50 * 16},
                                           {600, 800, 50 * 16},
                                           {800, 1000, 50 * 16},
                                           {1100, 1400, 50 * 16}}};
    std::array<bool, kGates> enable{false, true, true, true, true};  // "B0-enable".."B4-enable"
    bool triggerExtern = false;  // "TriggerExtern", external clock
    bool trigger25ns = false;    // trigger delay in 25 ns steps (not stored)
    int32_t triggerdelay = 0;    // "Triggerdelay"
    uint16_t sapDelay = 0;       // "SAP-Delay"
};

// Eight sets per card for up to 16 cards, each with the flag that says whether it takes part
// in a block measurement. Card numbers are 1-based, set numbers 0-based; an address outside
// 1..16 / 0..7 is a programming error and is caught by `at`.
class ParameterSetTable {
  public:
    ParameterSet& set(uint32_t card, uint32_t set);
    const ParameterSet& set(uint32_t card, uint32_t set) const;
    bool& active(uint32_t card, uint32_t set);
    bool active(uint32_t card, uint32_t set) const;
    // The eight active flags of a card, in set order.
    std::array<bool, kSetsPerCard>& activeFlags(uint32_t card);
    const std::array<bool, kSetsPerCard>& activeFlags(uint32_t card) const;

  private:
    std::array<std::array<ParameterSet, kSetsPerCard>, kMaxCards> sets_{};
    std::array<std::array<bool, kSetsPerCard>, kMaxCards> active_{};
};

// Lower and upper limits for random parameter sets (their start-up values: see
// profile/ParameterKeys.h).
struct RandomLimits {
    ParameterSet lower;
    ParameterSet upper;
};

}  // namespace k7check
