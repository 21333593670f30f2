// karvo7 regs N [--lca control|data] and karvo7 reg N ADDRESS [VALUE]: the LCA registers, and
// one register read or written by number.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Registers.h"
#include "Tool.h"

namespace karvo7 {

namespace {

std::string hexValue(uint32_t value, unsigned bits) {
    char text[16];
    std::snprintf(text, sizeof text, bits == 16 ? "0x%04X" : "0x%08X", value);
    return text;
}

nlohmann::ordered_json registerJson(const RegisterInfo& r, uint32_t value) {
    return {{"address", r.address}, {"name", r.name}, {"value", value}};
}

void printRegister(std::ostream& out, const RegisterInfo& r, uint32_t value) {
    char text[96];
    std::snprintf(text, sizeof text, "%4u  %s  %s", r.address, hexValue(value, r.bits).c_str(),
                  r.name);
    out << text << '\n';
}

}  // namespace

int runRegs(const RegsOptions& options, std::ostream& out, std::ostream& err) {
    if (options.lca != "control" && options.lca != "data") {
        complain(err, "--lca takes control or data, not " + options.lca);
        return kExitUsage;
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const RegisterInfo& r : lcaRegisters(options.lca == "data")) {
        const uint32_t value = KARVO7ReadRegister(card.get(), r.address) & 0xFFFFu;
        if (options.json) {
            list.push_back(registerJson(r, value));
        } else {
            printRegister(out, r, value);
        }
    }
    if (options.json) {
        out << list.dump() << '\n';
    }
    return kExitDone;
}

int runReg(const RegOptions& options, std::ostream& out, std::ostream& err) {
    const std::optional<uint64_t> address = parseNumber(options.address, UINT32_MAX);
    if (!address) {
        complain(err, "not a register address: " + options.address);
        return kExitUsage;
    }
    const std::optional<RegisterInfo> info = registerAt(static_cast<uint32_t>(*address));
    if (!info) {
        complain(err, "the card has no register " + options.address +
                          " (control LCA 1024 to 1078, data LCA 1536 to 1566, even numbers; "
                          "PCI operation registers 0x00 to 0x3C, multiples of 4)");
        return kExitUsage;
    }
    std::optional<uint32_t> value;
    if (options.value) {
        const uint64_t max = info->bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        const std::optional<uint64_t> v = parseNumber(*options.value, max);
        if (!v) {
            complain(err, "value " + *options.value + " does not fit the " +
                              std::to_string(info->bits) + "-bit register " + options.address);
            return kExitUsage;
        }
        if (info->readOnly) {
            complain(err, "register " + options.address + " (" + info->name + ") is read-only");
            return kExitUsage;
        }
        value = static_cast<uint32_t>(*v);
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    if (value && KARVO7WriteRegister(card.get(), info->address, *value) == 0) {
        complain(err, "writing register " + options.address + " failed");
        return kExitFailed;
    }
    // What the card holds now, also after a write: the register may keep fewer bits, and a
    // write it did not take as given is a failure.
    uint32_t read = KARVO7ReadRegister(card.get(), info->address);
    if (info->bits == 16) {
        read &= 0xFFFFu;
    }
    if (options.json) {
        nlohmann::ordered_json j = registerJson(*info, read);
        if (value) {
            j["written"] = *value;
        }
        out << j.dump() << '\n';
    } else {
        printRegister(out, *info, read);
    }
    if (value && read != *value) {
        complain(err, "register " + options.address + ": wrote " + hexValue(*value, info->bits) +
                          ", reads back " + hexValue(read, info->bits));
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace karvo7
