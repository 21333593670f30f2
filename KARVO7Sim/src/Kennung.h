// The card's identification record: its fields, its text form (the identification reference
// file, one "key,type,count:values;" line per field) and its stored form in the bridge EEPROM
// (length word, directory, data, CRC-16).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k7sim {

struct Kennung {
    std::string karte, aufsteckfilter, pciEeprom;  // up to 20 characters
    std::string lcaVersion, programmversion;       // up to 10 characters
    float bandgrenzeUnten = 0, bandgrenzeOben = 0;
    uint8_t adcBits = 0, aufnahmeFifo = 0, datenFifo = 0, dynamik = 0;
    uint16_t daempfungEingang[4] = {}, daempfungSender[4] = {}, energieSender[8] = {};
    uint8_t samplerrate[8] = {};
    uint8_t maxSapFolge = 0;
    float filterMittenfrequenz[8] = {}, filterBandgrenze[16] = {};
    uint8_t grunddaempfung[8] = {};
};

// The record every simulated card carries unless its configuration names another.
Kennung defaultKennung();

// Reads the text form; lines the reader does not know are skipped.
Kennung parseKennungText(const std::string& text);
// Writes the text form, ending with the closing "0".
std::string kennungText(const Kennung& record);

// The stored form: directory and data as they follow the length word, with the CRC behind.
// `length` receives the length word (directory plus data, without the CRC).
std::vector<uint8_t> encodeKennung(const Kennung& record, uint16_t& length);

// CRC-16 with polynomial 0x1021, initial value 0xFFFF, no reflection, no final XOR.
uint16_t crc16(const uint8_t* data, size_t size);

}  // namespace k7sim
