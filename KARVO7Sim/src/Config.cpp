// The configuration file of the simulated cards (format in README.md): sections [Simulator],
// [Card] (settings of every card) and [Card<n>] (card with device number n), lines
// "key = value", comments after ';' or '#'.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "KARVO7Sim.h"

namespace k7sim {

namespace {

std::string trim(const std::string& s) {
    size_t a = 0;
    size_t b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) {
        ++a;
    }
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) {
        --b;
    }
    return s.substr(a, b - a);
}

std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

bool number(const std::string& text, uint64_t& out) {
    const std::string t = trim(text);
    if (t.empty()) {
        return false;
    }
    char* end = nullptr;
    out = std::strtoull(t.c_str(), &end, 0);
    return end != nullptr && *end == '\0' && t[0] != '-';
}

// A finite decimal number: "nan" and "inf" would carry into every sample.
bool real(const std::string& text, double& out) {
    const std::string t = trim(text);
    char* end = nullptr;
    const double value = std::strtod(t.c_str(), &end);
    if (t.empty() || end == nullptr || *end != '\0' || !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

bool boolean(const std::string& text, bool& out) {
    const std::string t = lower(trim(text));
    if (t == "yes" || t == "true" || t == "on" || t == "1") {
        out = true;
        return true;
    }
    if (t == "no" || t == "false" || t == "off" || t == "0") {
        out = false;
        return true;
    }
    return false;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) {
        out.push_back(w);
    }
    return out;
}

// Setters of the card keys; each returns false for a value it cannot take.
using CardSetter = std::function<bool(CardConfig&, const std::string&)>;

template <typename T>
CardSetter integer(T CardConfig::*field) {
    return [field](CardConfig& c, const std::string& v) {
        uint64_t n = 0;
        if (!number(v, n)) {
            return false;
        }
        c.*field = static_cast<T>(n);
        return true;
    };
}

template <typename T>
CardSetter pciInteger(T PciIdentity::*field) {
    return [field](CardConfig& c, const std::string& v) {
        uint64_t n = 0;
        if (!number(v, n)) {
            return false;
        }
        c.pci.*field = static_cast<T>(n);
        return true;
    };
}

CardSetter specimenReal(double Specimen::*field) {
    return [field](CardConfig& c, const std::string& v) { return real(v, c.specimen.*field); };
}

const std::map<std::string, CardSetter>& cardKeys() {
    static const std::map<std::string, CardSetter> keys = [] {
        std::map<std::string, CardSetter> k;
        k["bus"] = integer(&CardConfig::bus);
        k["slot"] = integer(&CardConfig::slot);
        k["version3"] = [](CardConfig& c, const std::string& v) { return boolean(v, c.version3); };
        k["reset_ms"] = integer(&CardConfig::resetMs);
        k["lca_id"] = integer(&CardConfig::lcaId);
        k["data_lca_id"] = integer(&CardConfig::dataLcaId);
        k["vendor_id"] = pciInteger(&PciIdentity::vendorId);
        k["device_id"] = pciInteger(&PciIdentity::deviceId);
        k["revision_id"] = pciInteger(&PciIdentity::revisionId);
        k["class_code"] = pciInteger(&PciIdentity::classCode);
        k["subvendor_id"] = pciInteger(&PciIdentity::subVendorId);
        k["subsystem_id"] = pciInteger(&PciIdentity::subsystemId);
        k["command"] = pciInteger(&PciIdentity::command);
        k["status"] = pciInteger(&PciIdentity::status);
        k["cache_line_size"] = pciInteger(&PciIdentity::cacheLineSize);
        k["latency_timer"] = pciInteger(&PciIdentity::latencyTimer);
        k["header_type"] = pciInteger(&PciIdentity::headerType);
        k["bist"] = pciInteger(&PciIdentity::bist);
        k["expansion_rom"] = pciInteger(&PciIdentity::expansionRom);
        k["interrupt_line"] = pciInteger(&PciIdentity::interruptLine);
        k["interrupt_pin"] = pciInteger(&PciIdentity::interruptPin);
        k["minimum_grant"] = pciInteger(&PciIdentity::minimumGrant);
        k["maximum_latency"] = pciInteger(&PciIdentity::maximumLatency);
        k["rom_signature"] = pciInteger(&PciIdentity::romSignature);
        k["rom_length"] = pciInteger(&PciIdentity::romLength);
        k["rom_entry"] = pciInteger(&PciIdentity::romEntry);
        k["pci_pointer"] = pciInteger(&PciIdentity::pciPointer);
        k["configuration_bits"] = pciInteger(&PciIdentity::configurationBits);
        for (int i = 0; i < 5; ++i) {
            k["base_address" + std::to_string(i)] = [i](CardConfig& c, const std::string& v) {
                uint64_t n = 0;
                return number(v, n) && (c.pci.baseAddress[i] = static_cast<uint32_t>(n), true);
            };
            k["base_size" + std::to_string(i)] = [i](CardConfig& c, const std::string& v) {
                uint64_t n = 0;
                return number(v, n) && (c.pci.baseSize[i] = static_cast<uint32_t>(n), true);
            };
        }
        k["kennung"] = [](CardConfig& c, const std::string& v) {
            c.kennungText += v + "\n";
            return true;
        };
        k["thickness_mm"] = specimenReal(&Specimen::thicknessMm);
        k["velocity_mps"] = specimenReal(&Specimen::velocityMps);
        k["interface_us"] = specimenReal(&Specimen::interfaceUs);
        k["probe_mhz"] = specimenReal(&Specimen::probeMHz);
        k["interface_amplitude"] = specimenReal(&Specimen::interfaceAmplitude);
        k["echo_amplitude"] = specimenReal(&Specimen::echoAmplitude);
        k["echo_loss_db"] = specimenReal(&Specimen::echoLossDb);
        k["pulse_amplitude"] = specimenReal(&Specimen::pulseAmplitude);
        k["noise"] = specimenReal(&Specimen::noise);
        k["flaw"] = [](CardConfig& c, const std::string& v) {
            // flaw = <depth mm> <amplitude>: a reflector at least 0.1 mm deep
            const auto w = words(v);
            Flaw flaw;
            if (w.size() != 2 || !real(w[0], flaw.depthMm) || !real(w[1], flaw.amplitude) ||
                flaw.depthMm < 0.1 || flaw.depthMm > 10000.0 || flaw.amplitude < 0.0 ||
                flaw.amplitude > 100.0) {
                return false;
            }
            c.specimen.flaws.push_back(flaw);
            return true;
        };
        k["external_trigger_hz"] = [](CardConfig& c, const std::string& v) {
            double hz = 0.0;
            if (!real(v, hz) || hz < 0.0 || hz > 1e6) {
                return false;
            }
            c.externalTriggerHz = hz;
            return true;
        };
        k["adc_offset"] = [](CardConfig& c, const std::string& v) {
            char* end = nullptr;
            const long n = std::strtol(trim(v).c_str(), &end, 0);
            c.specimen.adcOffset = static_cast<int32_t>(n);
            return end != nullptr && *end == '\0';
        };
        k["fault"] = [](CardConfig& c, const std::string& v) {
            Fault f;
            std::string ignored;
            if (!Config::parseFault(v, f, ignored)) {
                return false;
            }
            c.faults.push_back(f);
            return true;
        };
        return k;
    }();
    return keys;
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

}  // namespace

Config Config::defaults(uint32_t count) {
    Config c;
    for (uint32_t n = 1; n <= count; ++n) {
        CardConfig card;
        card.number = n;
        card.slot = 11 + n;
        c.cards.push_back(card);
    }
    return c;
}

bool Config::parseFault(const std::string& text, Fault& out, std::string& error) {
    const auto w = words(text);
    Fault f;
    auto num = [&](size_t i, uint32_t& value) {
        uint64_t n = 0;
        if (i >= w.size() || !number(w[i], n)) {
            return false;
        }
        value = static_cast<uint32_t>(n);
        return true;
    };
    bool ok = false;
    const std::string kind = w.empty() ? std::string{} : lower(w[0]);
    size_t next = 1;
    if (kind == "request") {
        f.kind = Fault::Kind::Request;
        ok = num(1, f.code) && num(2, f.word);
        next = 3;
    } else if (kind == "command") {
        f.kind = Fault::Kind::Command;
        ok = num(1, f.code) && num(2, f.word);
        next = 3;
        if (ok && w.size() > 3 && lower(w[3]).rfind("word=", 0) == 0) {
            uint64_t n = 0;
            ok = number(w[3].substr(5), n);
            f.value = static_cast<uint32_t>(n);
            f.matchValue = true;
            next = 4;
        }
    } else if (kind == "eeprom-protected") {
        f.kind = Fault::Kind::EepromProtected;
        ok = true;
    } else if (kind == "reset-never") {
        f.kind = Fault::Kind::ResetNever;
        ok = true;
    } else if (kind == "reset-at-once") {
        f.kind = Fault::Kind::ResetAtOnce;
        ok = true;
    } else if (kind == "selftest0-word") {
        f.kind = Fault::Kind::SelfTest0Word;
        ok = num(1, f.index) && num(2, f.value) && f.index < 8;
        next = 3;
    } else if (kind == "selftest0-not-empty") {
        f.kind = Fault::Kind::SelfTest0NoEmpty;
        ok = true;
    } else if (kind == "data-never") {
        f.kind = Fault::Kind::DataNever;
        ok = true;
    } else if (kind == "eeprom-readback") {
        f.kind = Fault::Kind::EepromReadBack;
        ok = num(1, f.index) && num(2, f.value) && f.value <= 0xFF;
        next = 3;
    }
    if (ok && next < w.size()) {
        const std::string when = lower(w[next]);
        ok = (when == "once" || when == "always") && next + 1 == w.size();
        f.always = when == "always";
    }
    if (!ok) {
        error = "unknown fault \"" + text + "\"";
        return false;
    }
    out = f;
    return true;
}

bool Config::parse(const std::string& text, Config& out, std::string& error) {
    Config c;
    CardConfig common;  // [Card]: applies to every card
    std::map<uint32_t, std::vector<std::pair<std::string, std::string>>> perCard;
    std::vector<std::pair<std::string, std::string>> commonLines;
    uint32_t count = 2;
    std::vector<uint32_t> devices;
    std::string section;
    std::istringstream in(text);
    int lineNumber = 0;
    auto bad = [&](const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    for (std::string raw; std::getline(in, raw);) {
        ++lineNumber;
        std::string line = raw;
        if (const auto comment = line.find_first_of(";#"); comment != std::string::npos) {
            // A comment starts at ';' or '#' at the line start or after white space; "kennung"
            // lines carry ';' themselves and keep everything after the key.
            const auto eq = line.find('=');
            const bool kennung =
                eq != std::string::npos && lower(trim(line.substr(0, eq))) == "kennung";
            if (!kennung &&
                (comment == 0 || std::isspace(static_cast<unsigned char>(line[comment - 1])))) {
                line = line.substr(0, comment);
            }
        }
        line = trim(line);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') {
                return bad("section without ']'");
            }
            section = lower(trim(line.substr(1, line.size() - 2)));
            if (section != "simulator" && section.rfind("card", 0) != 0) {
                return bad("unknown section [" + section + "]");
            }
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            return bad("expected key = value");
        }
        const std::string key = lower(trim(line.substr(0, eq)));
        const std::string value = trim(line.substr(eq + 1));
        if (section == "simulator") {
            uint64_t n = 0;
            bool ok = true;
            if (key == "version") {
                ok = number(value, n) && n == static_cast<uint64_t>(kVersion);
                if (!ok) {
                    return bad("configuration version " + value + " is not supported (1 is)");
                }
                c.version = kVersion;
            } else if (key == "cards") {
                ok = number(value, n) && n <= 255;
                count = static_cast<uint32_t>(n);
            } else if (key == "devices") {
                std::string list = value;
                for (char& ch : list) {
                    ch = ch == ',' ? ' ' : ch;
                }
                for (const auto& w : words(list)) {
                    ok = ok && number(w, n) && n >= 1 && n <= 255;
                    devices.push_back(static_cast<uint32_t>(n));
                }
            } else if (key == "seed") {
                ok = number(value, c.seed);
            } else if (key == "worker") {
                ok = boolean(value, c.worker);
            } else if (key == "persist") {
                ok = boolean(value, c.persist);
            } else if (key == "state_dir") {
                c.stateDir = value;
            } else if (key == "lock_dir") {
                c.lockDir = value;
            } else if (key == "instance") {
                c.instance = value;
                ok = !value.empty() && value.find('/') == std::string::npos;
            } else if (key == "fifo_bytes") {
                ok = number(value, n) && n >= 64 && n <= (1u << 28);
                c.fifoBytes = static_cast<uint32_t>(n);
            } else if (key == "results_bytes") {
                ok = number(value, n) && n >= 64 && n <= (1u << 28);
                c.resultsBytes = static_cast<uint32_t>(n);
            } else if (key == "bus_mb_s") {
                ok = number(value, n) && n <= 100000;
                c.busMbPerSecond = static_cast<uint32_t>(n);
            } else if (key == "single_shots_wait") {
                ok = boolean(value, c.singleShotsWait);
            } else if (key == "data_timeout_s") {
                ok = number(value, n) && n <= 0xFFFFFFFFu;
                c.dataTimeOutS = static_cast<uint32_t>(n);
            } else {
                return bad("unknown key " + key);
            }
            if (!ok) {
                return bad("bad value for " + key + ": " + value);
            }
            continue;
        }
        if (section.empty()) {
            return bad("key outside a section");
        }
        const auto setter = cardKeys().find(key);
        if (setter == cardKeys().end()) {
            return bad("unknown key " + key);
        }
        CardConfig probe;
        if (!setter->second(probe, value)) {
            return bad("bad value for " + key + ": " + value);
        }
        if (section == "card") {
            commonLines.emplace_back(key, value);
        } else {
            uint64_t n = 0;
            if (!number(section.substr(4), n) || n < 1 || n > 255) {
                return bad("unknown section [" + section + "]");
            }
            perCard[static_cast<uint32_t>(n)].emplace_back(key, value);
        }
    }
    if (devices.empty()) {
        for (uint32_t n = 1; n <= count; ++n) {
            devices.push_back(n);
        }
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        CardConfig card = common;
        card.number = devices[i];
        card.slot = 12 + static_cast<uint32_t>(i);
        for (const auto& [key, value] : commonLines) {
            cardKeys().at(key)(card, value);
        }
        for (const auto& [key, value] : perCard[devices[i]]) {
            cardKeys().at(key)(card, value);
        }
        c.cards.push_back(card);
    }
    for (const auto& [number, lines] : perCard) {
        bool known = false;
        for (uint32_t d : devices) {
            known = known || d == number;
        }
        if (!known) {
            error = "[Card" + std::to_string(number) + "] names no configured device";
            return false;
        }
    }
    out = c;
    return true;
}

bool Config::load(const std::string& path, Config& out, std::string& error) {
    std::string text;
    if (!readFile(path, text)) {
        error = "cannot read " + path;
        return false;
    }
    if (!parse(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace k7sim
