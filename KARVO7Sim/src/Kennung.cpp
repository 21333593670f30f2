// Identification record: default, text form and stored form.
#include "Kennung.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "LittleEndian.h"

namespace k7sim {

Kennung defaultKennung() {
    Kennung k;
    k.karte = "KARVO7F";
    k.aufsteckfilter = "BP 0.5-15 MHz";
    k.pciEeprom = "S5933 NV 2K";
    k.lcaVersion = "LCA 3.1";
    k.programmversion = "DSP 2.04";
    k.bandgrenzeUnten = 0.5f;
    k.bandgrenzeOben = 15.0f;
    k.adcBits = 12;
    k.aufnahmeFifo = 64;
    k.datenFifo = 128;
    k.dynamik = 80;
    const uint16_t eingang[4] = {50, 75, 150, 1000};
    const uint16_t sender[4] = {25, 50, 100, 1000};
    const uint16_t energie[8] = {100, 150, 200, 250, 300, 350, 400, 450};
    const uint8_t rates[8] = {80, 40, 20, 10, 160, 5, 2, 1};
    const float mitten[8] = {1.0f, 2.25f, 3.5f, 5.0f, 7.5f, 10.0f, 12.5f, 15.0f};
    const float grenzen[16] = {0.5f, 1.5f,  1.5f, 3.0f,  2.5f, 4.5f,  3.5f,  6.5f,
                               5.0f, 10.0f, 7.0f, 13.0f, 9.0f, 16.0f, 11.0f, 19.0f};
    const uint8_t grund[8] = {6, 6, 6, 6, 8, 8, 10, 10};
    std::memcpy(k.daempfungEingang, eingang, sizeof eingang);
    std::memcpy(k.daempfungSender, sender, sizeof sender);
    std::memcpy(k.energieSender, energie, sizeof energie);
    std::memcpy(k.samplerrate, rates, sizeof rates);
    k.maxSapFolge = 20;
    std::memcpy(k.filterMittenfrequenz, mitten, sizeof mitten);
    std::memcpy(k.filterBandgrenze, grenzen, sizeof grenzen);
    std::memcpy(k.grunddaempfung, grund, sizeof grund);
    return k;
}

namespace {

// Values of a list text: numbers separated by commas, at most `max` of them.
std::vector<double> listValues(const std::string& text, size_t max) {
    std::vector<double> values;
    const char* p = text.c_str();
    while (values.size() < max) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        values.push_back(end == p ? 0.0 : v);
        const char* comma = std::strchr(p, ',');
        if (comma == nullptr) {
            break;
        }
        p = comma + 1;
    }
    return values;
}

template <typename T>
void fillList(T* field, size_t max, const std::string& text) {
    const auto values = listValues(text, max);
    for (size_t i = 0; i < max; ++i) {
        field[i] = i < values.size() ? static_cast<T>(static_cast<long long>(values[i])) : T{0};
    }
}

void fillFloats(float* field, size_t max, const std::string& text) {
    const auto values = listValues(text, max);
    for (size_t i = 0; i < max; ++i) {
        field[i] = i < values.size() ? static_cast<float>(values[i]) : 0.0f;
    }
}

template <typename T>
size_t leading(const T* list, size_t max) {
    size_t n = 0;
    while (n < max && list[n] != T{0}) {
        ++n;
    }
    return n;
}

void appendList(std::string& out, int key, int type, size_t n, const auto& format) {
    out += std::to_string(key) + "," + std::to_string(type) + "," + std::to_string(n) + ":";
    for (size_t i = 0; i < n; ++i) {
        out += format(i);
        out += i + 1 < n ? "," : "";
    }
    out += ";\n";
}

std::string twoDecimals(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    return buffer;
}

}  // namespace

Kennung parseKennungText(const std::string& text) {
    Kennung k;
    std::string line;
    auto handle = [&k](const std::string& l) {
        char* end = nullptr;
        const long key = std::strtol(l.c_str(), &end, 10);
        if (end == l.c_str()) {
            return;
        }
        const auto colon = l.find(':');
        const size_t from = colon == std::string::npos ? 0 : colon + 1;
        const auto semi = l.find(';', from);
        const std::string value = semi == std::string::npos ? "" : l.substr(from, semi - from);
        switch (key) {
            case 1:
                k.karte = value.substr(0, 20);
                break;
            case 2:
                k.aufsteckfilter = value.substr(0, 20);
                break;
            case 3:
                k.pciEeprom = value.substr(0, 20);
                break;
            case 4:
                k.lcaVersion = value.substr(0, 10);
                break;
            case 5:
                k.programmversion = value.substr(0, 10);
                break;
            case 16: {
                float pair[2] = {0, 0};
                fillFloats(pair, 2, value);
                k.bandgrenzeUnten = pair[0];
                k.bandgrenzeOben = pair[1];
                break;
            }
            case 17:
                k.adcBits = static_cast<uint8_t>(std::atol(value.c_str()));
                break;
            case 18:
                k.aufnahmeFifo = static_cast<uint8_t>(std::atol(value.c_str()));
                break;
            case 19:
                k.datenFifo = static_cast<uint8_t>(std::atol(value.c_str()));
                break;
            case 20:
                k.dynamik = static_cast<uint8_t>(std::atol(value.c_str()));
                break;
            case 32:
                fillList(k.daempfungEingang, 4, value);
                break;
            case 33:
                fillList(k.daempfungSender, 4, value);
                break;
            case 34:
                fillList(k.energieSender, 8, value);
                break;
            case 35:
                fillList(k.samplerrate, 8, value);
                break;
            case 36:
                k.maxSapFolge = static_cast<uint8_t>(std::atol(value.c_str()));
                break;
            case 37:
                fillFloats(k.filterMittenfrequenz, 8, value);
                break;
            case 38:
                fillFloats(k.filterBandgrenze, 16, value);
                break;
            case 39:
                fillList(k.grunddaempfung, 8, value);
                break;
            default:
                break;
        }
    };
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u <= 0x7F) {
            line += c;
        } else {
            handle(line);
            line.clear();
        }
    }
    handle(line);
    return k;
}

std::string kennungText(const Kennung& k) {
    std::string out;
    auto text = [&out](int key, const std::string& value) {
        out += std::to_string(key) + ",1," + std::to_string(value.size()) + ":" + value + ";\n";
    };
    text(1, k.karte);
    text(2, k.aufsteckfilter);
    text(3, k.pciEeprom);
    text(4, k.lcaVersion);
    text(5, k.programmversion);
    out += "16,5,2:" + twoDecimals(k.bandgrenzeUnten) + "," + twoDecimals(k.bandgrenzeOben) + ";\n";
    out += "17,2,1:" + std::to_string(k.adcBits) + ";\n";
    out += "18,2,1:" + std::to_string(k.aufnahmeFifo) + ";\n";
    out += "19,2,1:" + std::to_string(k.datenFifo) + ";\n";
    out += "20,2,1:" + std::to_string(k.dynamik) + ";\n";
    appendList(out, 32, 3, leading(k.daempfungEingang, 4),
               [&](size_t i) { return std::to_string(k.daempfungEingang[i]); });
    appendList(out, 33, 3, leading(k.daempfungSender, 4),
               [&](size_t i) { return std::to_string(k.daempfungSender[i]); });
    appendList(out, 34, 3, leading(k.energieSender, 8),
               [&](size_t i) { return std::to_string(k.energieSender[i]); });
    appendList(out, 35, 2, leading(k.samplerrate, 8),
               [&](size_t i) { return std::to_string(k.samplerrate[i]); });
    out += "36,2,1:" + std::to_string(k.maxSapFolge) + ";\n";
    appendList(out, 37, 5, leading(k.filterMittenfrequenz, 8),
               [&](size_t i) { return twoDecimals(k.filterMittenfrequenz[i]); });
    appendList(out, 38, 5, leading(k.filterBandgrenze, 16),
               [&](size_t i) { return twoDecimals(k.filterBandgrenze[i]); });
    appendList(out, 39, 2, leading(k.grunddaempfung, 8),
               [&](size_t i) { return std::to_string(k.grunddaempfung[i]); });
    out += "0";
    return out;
}

uint16_t crc16(const uint8_t* data, size_t size) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
    }
    return crc;
}

std::vector<uint8_t> encodeKennung(const Kennung& k, uint16_t& length) {
    constexpr uint32_t kDataStart = 0xD0;
    std::vector<uint8_t> directory;
    std::vector<uint8_t> data;
    auto entry = [&](uint8_t key, uint8_t type, size_t count, const std::vector<uint8_t>& bytes) {
        const uint32_t address = kDataStart + static_cast<uint32_t>(data.size());
        directory.push_back(key);
        directory.push_back(static_cast<uint8_t>(count));
        directory.push_back(static_cast<uint8_t>(address & 0xFF));
        directory.push_back(static_cast<uint8_t>(type << 4 | ((address >> 8) & 0xF)));
        data.insert(data.end(), bytes.begin(), bytes.end());
    };
    auto text = [&](uint8_t key, const std::string& s, size_t width) {
        const std::string t = s.substr(0, std::min(width, s.find('\0')));
        entry(key, 1, t.size(), std::vector<uint8_t>(t.begin(), t.end()));
    };
    auto raw = [](const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        return std::vector<uint8_t>(b, b + n);
    };
    text(1, k.karte, 20);
    text(2, k.aufsteckfilter, 20);
    text(3, k.pciEeprom, 20);
    text(4, k.lcaVersion, 10);
    text(5, k.programmversion, 10);
    const float band[2] = {k.bandgrenzeUnten, k.bandgrenzeOben};
    entry(16, 5, 2, raw(band, sizeof band));
    entry(17, 2, 1, {k.adcBits});
    entry(18, 2, 1, {k.aufnahmeFifo});
    entry(19, 2, 1, {k.datenFifo});
    entry(20, 2, 1, {k.dynamik});
    auto list16 = [&](uint8_t key, const uint16_t* v, size_t max) {
        const size_t n = leading(v, max);
        entry(key, 3, n, raw(v, 2 * n));
    };
    list16(32, k.daempfungEingang, 4);
    list16(33, k.daempfungSender, 4);
    list16(34, k.energieSender, 8);
    const size_t rates = leading(k.samplerrate, 8);
    entry(35, 2, rates, raw(k.samplerrate, rates));
    entry(36, 2, 1, {k.maxSapFolge});
    const size_t mitten = leading(k.filterMittenfrequenz, 8);
    entry(37, 5, mitten, raw(k.filterMittenfrequenz, 4 * mitten));
    const size_t grenzen = leading(k.filterBandgrenze, 16);
    entry(38, 5, grenzen, raw(k.filterBandgrenze, 4 * grenzen));
    const size_t grund = leading(k.grunddaempfung, 8);
    entry(39, 2, grund, raw(k.grunddaempfung, grund));
    directory.insert(directory.end(), {0x00, 0x00, 0xFF, 0x17});  // terminator, address 0x7FF
    const uint16_t crc = crc16(data.data(), data.size());
    length = static_cast<uint16_t>(76 + data.size());
    std::vector<uint8_t> out = directory;
    out.insert(out.end(), data.begin(), data.end());
    put16(out, crc);
    return out;
}

}  // namespace k7sim
