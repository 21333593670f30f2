// karvo7 eeprom N: the PCI bridge EEPROM up to the end of the configuration record, sixteen
// bytes a line. karvo7 eeprom N --write OFFSET VALUE: one byte of the configuration record,
// after a question unless --yes, read back afterwards. The bridge's own fields below 0x80
// decide how the card shows itself on the bus (identity, address sizes): a wrong byte there
// can hide the card, so the tool does not write them (the check program's "PCI EEPROM" window
// writes them field by field, checked).
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Ask.h"
#include "Commands.h"
#include "KARVO7Protocol.h"
#include "Tool.h"
#include "k7base/Descriptors.h"

namespace karvo7 {

namespace {

namespace e = k7proto::eeprom;

// The EEPROM's size: addresses above it wrap.
constexpr uint32_t kEepromBytes = 2048;
// Bytes a dump shows: the bridge's fields, the record's length word, directory and data, and
// the CRC behind them.
uint32_t dumpLength(KARVO7HANDLE card) {
    const uint32_t length = KARVO7ReadPCIEEPROMword(card, e::kKonfigLength);
    const uint32_t end = e::kKonfigDirectory + length + 2;
    return std::min(end, kEepromBytes);
}

int dump(KARVO7HANDLE card, const EepromOptions& options, std::ostream& out) {
    const uint32_t length = dumpLength(card);
    std::vector<uint8_t> bytes(length);
    for (uint32_t a = 0; a < length; ++a) {
        bytes[a] = KARVO7ReadPCIEEPROMbyte(card, a);
    }
    if (options.json) {
        out << nlohmann::ordered_json{{"card", options.card}, {"bytes", bytes}}.dump() << '\n';
        return kExitDone;
    }
    char line[80];
    for (uint32_t row = 0; row < length; row += 16) {
        int at = std::snprintf(line, sizeof line, "%04x:", row);
        for (uint32_t i = row; i < std::min(row + 16, length); ++i) {
            at +=
                std::snprintf(line + at, sizeof line - static_cast<size_t>(at), " %02x", bytes[i]);
        }
        out << line << '\n';
    }
    return kExitDone;
}

}  // namespace

int runEeprom(const EepromOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<uint32_t> offset;
    std::optional<uint32_t> value;
    if (!options.write.empty()) {
        if (options.write.size() != 2) {
            complain(err, "--write takes OFFSET VALUE");
            return kExitUsage;
        }
        const auto o = parseNumber(options.write[0], kEepromBytes - 1);
        if (!o) {
            complain(err, "EEPROM offset " + options.write[0] + " outside 0 to 0x7FF");
            return kExitUsage;
        }
        const auto v = parseNumber(options.write[1], 0xFF);
        if (!v) {
            complain(err, "value " + options.write[1] + " does not fit a byte (0 to 0xFF)");
            return kExitUsage;
        }
        if (*o < e::kKonfigLength) {
            complain(err, "EEPROM offset " + options.write[0] +
                              " is write-protected: 0x00 to 0x7F hold the PCI bridge's own "
                              "fields");
            return kExitUsage;
        }
        offset = static_cast<uint32_t>(*o);
        value = static_cast<uint32_t>(*v);
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    if (!offset) {
        return dump(card.get(), options, out);
    }
    char question[96];
    std::snprintf(question, sizeof question, "Write 0x%02X to EEPROM offset 0x%03X of card %u?",
                  *value, *offset, options.card);
    if (!options.yes) {
        if (!k7base::isTerminal(k7base::kStandardInput)) {
            complain(err, "not written: confirm with --yes when there is no terminal to ask on");
            return kExitFailed;
        }
        if (!askYes(std::cin, err, question)) {
            complain(err, "not written");
            return kExitFailed;
        }
    }
    const bool written = KARVO7WritePCIEEPROMbyte(card.get(), *offset, *value) != 0;
    const uint32_t back = KARVO7ReadPCIEEPROMbyte(card.get(), *offset);
    if (!written || back != *value) {
        char text[96];
        std::snprintf(text, sizeof text, "EEPROM offset 0x%03X: wrote 0x%02X, reads back 0x%02X",
                      *offset, *value, back);
        complain(err, text);
        return kExitFailed;
    }
    if (options.json) {
        out << nlohmann::ordered_json{{"card", options.card}, {"offset", *offset}, {"value", back}}
                   .dump()
            << '\n';
        return kExitDone;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04x: %02x\n", *offset, back);
    out << text;
    return kExitDone;
}

}  // namespace karvo7
