// The card's commands as the Command window sends them: list labels, and for each parameter
// window the fields it edits, the data words they make and the fields it starts with, read from
// the card's control registers. The command codes are k7proto::cmd's.
//
// Data word bits not named below are 0; numbers are cut to the bits of their field.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "KARVO7Protocol.h"

namespace k7check {

// The label of a command's line in the Command window's list ("Start Messung: ", "Shot: "
// ...); an empty text for a code that is no command of the window.
const char* commandLabel(uint16_t code);

// One command with its data words (only the first k7proto::cmd::wordsOf(code) count).
struct CardCommand {
    uint16_t code = 0;
    std::array<uint32_t, 2> words{};
};

// The ten parameter commands with their default words, in the order "default" sends them.
std::array<CardCommand, 10> defaultCommands();

// The automatic command check's commands in their order (Reset, Power Up, Offset, Sys
// Attenuation, Shot with its default word, Start, Stop, Power Down); the label of a failing
// step is commandLabel of its code.
std::array<CardCommand, 8> commandCheckSteps();

// Reads one control register by number (KARVO7ReadRegister of the window's card).
using RegisterReader = std::function<uint32_t(uint32_t)>;

// ---- Shot (command 17) ----------------------------------------------------------------------
enum class ShotOutput : uint32_t { AScan = 1, HF = 2 };
enum class ShotMeasurement : uint32_t { Keine = 0, Einzelmessung = 1, Automatisch = 2 };
// 1/1 to 1/8 of the clock, or the virtual clock.
enum class ShotClock : uint32_t {
    Clock1_1 = 0,
    Clock1_2 = 1,
    Clock1_4 = 2,
    Clock1_8 = 3,
    Virtuell = 4
};

struct ShotFields {
    bool iff = false;
    bool ta = false;
    bool achtBit = false;  // "8Bit"
    bool average = false;
    std::optional<ShotMeasurement> measurement;  // none selected: measurement 0
    ShotOutput output = ShotOutput::AScan;
    ShotClock clock = ShotClock::Clock1_1;
};
// Bits 0-1 output, 2-3 measurement, 4-5 clock (0 with the virtual clock), 6 virtual, 12
// "Average", 13 "8Bit", 14 "TA", 15 "IFF".
uint32_t shotWord(const ShotFields& fields);
// Clock from register 1026 bits 4-6 (4 to 7 virtual); measurement from 1040 bits 2-3 (3
// selects none); "Average" 1040 bit 7; "IFF" 1040 bit 15; "TA" 1046 bit 14; "A-Scan"; no "8Bit".
ShotFields shotFieldsFromRegisters(const RegisterReader& read);

// ---- Sender (command 18) --------------------------------------------------------------------
enum class PulseWidth : uint32_t { Ns25 = 0, Ns50 = 1, Ns100 = 2, Ns150 = 3, Ns250 = 4, Ns450 = 5 };

struct SenderFields {
    uint32_t energie = 0;                  // 0 to 3: "Energie 1" to "Energie 4"
    std::optional<PulseWidth> pulseWidth;  // none selected: 0
    bool sperre = false;
};
// Bits 0-1 energy, 8-10 pulse width, 15 "Sperre".
uint32_t senderWord(const SenderFields& fields);
// From register 1064 the same bits; a pulse width of 6 or 7 selects none.
SenderFields senderFieldsFromRegisters(const RegisterReader& read);

// ---- Input (command 19) ---------------------------------------------------------------------
struct InputFields {
    uint32_t senderDaempfung = 0;    // 0 to 3
    uint32_t eingangsDaempfung = 0;  // 0 to 3
    bool se = false;                 // "S/E"
};
// Bits 0-1 "Senderdämpfung", 2-3 "Eingangsdämpfung", 8 "S/E".
uint32_t inputWord(const InputFields& fields);
// From register 1030 the same bits.
InputFields inputFieldsFromRegisters(const RegisterReader& read);

// ---- Gain (command 20), HW Config (21), Average (22), SW Config (27) --------------------------
// The gain word carries the card's "Verstaerkung": tenths of a decibel in 16 unsigned bits, so
// 0.0 to 6553.5 dB in steps of 0.1 dB.
inline constexpr double kMaxGainDb = 6553.5;
// The gain in tenths of a decibel, to the nearest tenth (12.7 dB is 127, 20.5 dB is 205). A gain
// beyond the word's range is taken at its limit; the window refuses it before.
uint32_t gainWord(double verstaerkungDb);

// The filter number as entered; the window starts from register 1030 bits 12-14.
inline uint32_t hwConfigWord(uint32_t filter) {
    return filter;
}
uint32_t hwConfigFilterFromRegisters(const RegisterReader& read);

// The number of averaged shots as entered; 0 sends nothing, and the list line is then "Average: "
// followed by kAverageZero.
std::optional<uint32_t> averageWord(uint32_t anzahl);
inline constexpr const char* kAverageZero = " = 0";

// 1 when "Echo ausgeben" is checked.
inline uint32_t swConfigWord(bool echoAusgeben) {
    return echoAusgeben ? 1u : 0u;
}

// ---- A-Scan (command 26) --------------------------------------------------------------------
enum class AScanForm : uint32_t { HF = 0, Positiv = 1, Negativ = 2, Vollweg = 3 };

struct AScanFields {
    std::optional<AScanForm> form;  // none selected: 0
    uint32_t zusammenfassung = 0;
};
// The form in bits 0-1 plus "Zusammenfassung" × 256.
uint32_t aScanWord(const AScanFields& fields);

// ---- Count (command 24) ---------------------------------------------------------------------
struct CountFields {
    uint32_t vorlauf = 0;
    uint32_t aufnahme = 0;
    uint32_t delay = 0;
};
// Word 0: "Aufnahme" × 65536 + "Vorlauf" in 32-bit arithmetic (so a "Vorlauf" above 65535
// adds to "Aufnahme"); word 1: "Delay".
std::array<uint32_t, 2> countWords(const CountFields& fields);
// "Vorlauf" = low 16 bits of 1032 + low 8 bits of 1034 × 65536; "Aufnahme" = low 16 bits of
// 1036 + low 4 bits of 1038 × 65536; "Delay" 0.
CountFields countFieldsFromRegisters(const RegisterReader& read);

// ---- Trigger (command 23) -------------------------------------------------------------------
enum class TriggerStart : uint32_t { BeiStart = 0, BeiStop = 1, SapEinzeln = 2, ExtAusgang = 3 };

struct TriggerFields {
    bool einzeln = false;  // "einzeln", else "Master"
    TriggerStart start = TriggerStart::BeiStart;
    bool externTrigger = false;  // "extern"
    uint32_t triggerblende = 0;
    uint32_t maxSap = 0;
};
// Word 0: "max. SAP". Word 1: bit 0 set when "extern" is NOT checked, bits 4-5 trigger start,
// 8-11 the low 4 bits of "Triggerblende", 12 "einzeln".
std::array<uint32_t, 2> triggerWords(const TriggerFields& fields);
// From register 1040: "extern" when bit 0 is 1, "einzeln" when bits 2-3 are 1, trigger start
// bits 4-5, "Triggerblende" bits 8-11; "max. SAP" = low 16 bits of 1042 + 1044 × 65536. A card
// triggered externally thus opens with "extern" checked, which "OK" sends as bit 0 = 0.
TriggerFields triggerFieldsFromRegisters(const RegisterReader& read);

// ---- SAP delay ------------------------------------------------------------------------------
// The SAP delay the card takes: the low 16 bits of the entered value (70000 is 4464).
inline uint16_t sapDelayValue(uint32_t entered) {
    return static_cast<uint16_t>(entered & 0xFFFF);
}

}  // namespace k7check
