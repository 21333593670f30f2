#include "StreamReaders.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "KARVO7Protocol.h"

namespace k7stream {

using k7proto::le16;
using k7proto::le32;

std::optional<Header> readPlainHeader(Bytes data) {
    if (data.size() < kHeaderBytes) {
        return std::nullopt;
    }
    Header h;
    const uint32_t word = le32(&data[0]);
    h.type = static_cast<uint8_t>(word & 0xFFu);
    h.length = word >> 8;
    h.kennung = static_cast<int16_t>(le16(&data[4]));
    h.remaining = data.size();
    return h;
}

std::optional<Header> readHeader(Bytes data) {
    std::size_t p = 0;
    uint32_t zeit = 0;
    const bool prefixed = startsWithPrefix(data);
    if (prefixed) {
        if (data.size() < kPrefixBytes + kHeaderBytes) {
            return std::nullopt;
        }
        zeit = le32(&data[4]);
        p = kPrefixBytes;
    }
    std::optional<Header> h = readPlainHeader(data.subspan(p));
    if (h) {
        h->prefixed = prefixed;
        h->zeit = zeit;
        h->offset = p;
    }
    return h;
}

std::size_t unpackedCount(std::size_t words) {
    // Every full group of three words gives four samples; a last group of one word gives one
    // sample, of two words two.
    return words / 3 * 4 + words % 3;
}

std::size_t unpack12(Bytes payload, std::size_t words, std::span<int16_t> out) {
    words = std::min(words, payload.size() / 2);
    const uint8_t* w = payload.data();
    int16_t* o = out.data();
    const std::size_t cap = out.size();
    std::size_t k = 0;
    std::size_t i = 0;
    // Whole groups: three words, four samples.
    while (i + 3 <= words && k + 4 <= cap) {
        const uint32_t w0 = le16(w + 2 * i);
        const uint32_t w1 = le16(w + 2 * i + 2);
        const uint32_t w2 = le16(w + 2 * i + 4);
        o[k] = static_cast<int16_t>(static_cast<uint16_t>(w0 << 4));
        o[k + 1] = static_cast<int16_t>(((w1 << 8) & 0xFF00u) | ((w0 >> 8) & 0x00F0u));
        o[k + 2] = static_cast<int16_t>(((w2 << 12) & 0xF000u) | ((w1 >> 4) & 0x0FF0u));
        o[k + 3] = static_cast<int16_t>(w2 & 0xFFF0u);
        k += 4;
        i += 3;
    }
    // The rest one step at a time; a step whose input word is missing is not taken.
    while (k < cap && i < words) {
        const uint32_t wi = le16(w + 2 * i);
        switch (k % 4) {
            case 0:
                o[k] = static_cast<int16_t>(static_cast<uint16_t>(wi << 4));
                break;
            case 1:
            case 2: {
                if (i + 1 >= words) {
                    return k;
                }
                const uint32_t next = le16(w + 2 * i + 2);
                o[k] = static_cast<int16_t>(k % 4 == 1
                                                ? ((next << 8) & 0xFF00u) | ((wi >> 8) & 0x00F0u)
                                                : ((next << 12) & 0xF000u) | ((wi >> 4) & 0x0FF0u));
                ++i;
                break;
            }
            default:
                o[k] = static_cast<int16_t>(wi & 0xFFF0u);
                ++i;
                break;
        }
        ++k;
    }
    return k;
}

std::vector<int16_t> unpack12(Bytes payload, std::size_t words) {
    words = std::min(words, payload.size() / 2);
    std::vector<int16_t> out(std::min(unpackedCount(words), kMaxSamples));
    out.resize(unpack12(payload, words, out));
    return out;
}

ControlWord classifyControlWord(uint32_t word) {
    switch (word) {
        case kEndePruefung:
            return ControlWord::EndePruefung;
        case kEndePruefspur:
            return ControlWord::EndePruefspur;
        case kEndePruefzyklus:
            return ControlWord::EndePruefzyklus;
        default:
            return ControlWord::Unknown;
    }
}

const char* controlWordName(ControlWord kind) {
    switch (kind) {
        case ControlWord::EndePruefung:
            return "Ende Prüfung";
        case ControlWord::EndePruefspur:
            return "Ende Prüfspur";
        case ControlWord::EndePruefzyklus:
            return "Ende Prüfzyklus";
        case ControlWord::Unknown:
            break;
    }
    return "";
}

std::optional<CompactEntry> decodeCompactEntry(Bytes data) {
    if (data.size() < kCompactEntryBytes) {
        return std::nullopt;
    }
    CompactEntry e;
    const uint32_t es = le32(&data[0]);
    e.d = es & 0xFFFFFu;
    e.esAmplitude = es >> 22;
    for (std::size_t k = 0; k < 5; ++k) {
        const uint32_t w = le32(&data[4 + 4 * k]);
        e.gates[k].t = w & 0xFFFFFu;
        e.gates[k].marker = (w & 0x100000u) != 0;
        e.gates[k].present = (w & 0x200000u) != 0;
        e.gates[k].v = w >> 22;
    }
    return e;
}

GateResults toGateResults(const CompactEntry& entry) {
    GateResults r{};
    r.ESDelay = entry.d;
    r.ESMaximum = static_cast<uint16_t>(entry.esAmplitude * 4);
    for (std::size_t k = 0; k < 5; ++k) {
        r.Gate[k].Time = entry.gates[k].t;
        r.Gate[k].Maximum = static_cast<uint16_t>(entry.gates[k].v * 4);
        r.Gate[k].Marke = entry.gates[k].marker ? 0x100000u : 0u;
    }
    return r;
}

std::optional<GateRecord> decodeGateRecord(Bytes data) {
    if (data.size() < kGateRecordBytes) {
        return std::nullopt;
    }
    GateRecord r;
    const uint32_t word = le32(&data[0]);
    r.type = static_cast<uint8_t>(word & 0xFFu);
    r.length = word >> 8;
    r.kennung = static_cast<int16_t>(le16(&data[4]));
    for (std::size_t n = 0; n < 5; ++n) {
        const uint8_t* slot = &data[8 + 8 * n];
        r.slots[n].amplitude = le16(slot);
        r.slots[n].time = le16(slot + 4);
        r.slots[n].status = le16(slot + 6);
    }
    return r;
}

double samplePeriodUs(uint32_t samplingRate) {
    static constexpr double kPeriod[8] = {0.0125,  0.025,   0.05,    0.1,
                                          0.00625, 0.00625, 0.00625, 0.00625};
    return kPeriod[samplingRate & 7u];
}

namespace {

// The texts of the readers (printf formats).
__attribute__((format(printf, 1, 2))) std::string formatText(const char* format, ...) {
    char text[160];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return std::string(
        text, n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1));
}

// The 16-bit words of bytes [from, from + 2 * words) as samples.
std::vector<int16_t> words16(Bytes data, std::size_t from, std::size_t words) {
    std::vector<int16_t> out(words);
    for (std::size_t i = 0; i < words; ++i) {
        out[i] = static_cast<int16_t>(le16(&data[from + 2 * i]));
    }
    return out;
}

}  // namespace

AscanRecord decodeAscanRecord(Bytes buffer) {
    AscanRecord r;
    const bool prefixed = startsWithPrefix(buffer);
    const std::size_t size = buffer.size();
    r.expectedLength =
        static_cast<uint32_t>(prefixed ? (size >= kPrefixBytes ? size - 8 : 0) : size);
    const std::optional<Header> header = readHeader(buffer);
    if (!header) {
        // Too short for a header: a length mismatch, reported without reading the record.
        r.status = AscanRecord::Status::LengthMismatch;
        r.header.prefixed = prefixed;
        r.message = formatText(prefixed ? "Datenlänge bei ext. Trigger soll: %u - ist: %u"
                                        : "Datenlänge soll: %u - ist: %u",
                               r.expectedLength, 0u);
        return r;
    }
    r.header = *header;
    r.headerRead = true;
    if (header->length != r.expectedLength) {
        r.status = AscanRecord::Status::LengthMismatch;
        r.message = formatText(prefixed ? "Datenlänge bei ext. Trigger soll: %u - ist: %u"
                                        : "Datenlänge soll: %u - ist: %u",
                               r.expectedLength, header->length);
        return r;
    }
    if (header->type != kTypePacked12 && header->type != kTypeAscan && header->type != kTypeHf) {
        r.status = AscanRecord::Status::UnknownType;
        r.message = formatText("Datentyp 0x%X unbekannt", static_cast<unsigned>(header->type));
        return r;
    }
    // The record lies wholly inside the buffer here (its length equals what the buffer holds);
    // the cap and the bound on the buffer keep the reading inside even so.
    const std::size_t length =
        std::min<std::size_t>({header->length, kMaxRecordLength, header->remaining});
    if (length <= kHeaderBytes) {
        return r;
    }
    const Bytes record = buffer.subspan(header->offset, length);
    const std::size_t words = (length - kHeaderBytes) / 2;
    if (header->type == kTypePacked12) {
        r.samples = unpack12(record.subspan(kHeaderBytes), words);
    } else {
        r.samples = words16(record, kHeaderBytes, words);
    }
    return r;
}

ListRecord decodeListRecord(Bytes buffer) {
    ListRecord r;
    Bytes rest = buffer;
    if (startsWithPrefix(buffer)) {
        if (buffer.size() < kPrefixBytes) {
            return r;  // an incomplete prefix: nothing to list
        }
        r.prefixed = true;
        r.zeit = le32(&buffer[4]);
        rest = buffer.subspan(kPrefixBytes);
    }
    if (rest.size() < kHeaderBytes) {
        return r;
    }
    const uint32_t word = le32(&rest[0]);
    r.headerRead = true;
    r.header.prefixed = r.prefixed;
    r.header.zeit = r.zeit;
    r.header.type = static_cast<uint8_t>(word & 0xFFu);
    r.header.length = word >> 8;
    r.header.kennung = static_cast<int16_t>(le16(&rest[4]));
    r.header.offset = buffer.size() - rest.size();
    r.header.remaining = rest.size();

    // A control word follows the padded record when the buffer holds more whole 32-bit words
    // than the record fills; it is the buffer's last complete word.
    const std::size_t bufferWords = rest.size() / 4;
    if (bufferWords > (static_cast<std::size_t>(r.header.length) + 3) / 4) {
        r.controlWord = le32(&rest[(bufferWords - 1) * 4]);
    }

    const std::size_t available = (rest.size() - kHeaderBytes) / 2;
    if (r.header.type == kTypePacked12) {
        const std::size_t declared =
            r.header.length > kHeaderBytes ? (r.header.length - kHeaderBytes) / 2 : 0;
        r.samples = unpack12(rest.subspan(kHeaderBytes), std::min(declared, available));
    } else {
        r.samples = words16(rest, kHeaderBytes, available);
    }
    return r;
}

std::string controlWordListing(const ResultItem& item) {
    switch (item.control) {
        case ControlWord::EndePruefzyklus:
            return formatText("Ende Prüfzyklus %d", item.cycle);
        case ControlWord::Unknown:
            return formatText("Steuerzeichen %X-%X", item.controlWord >> 16,
                              item.controlWord & 0xFFFFu);
        default:
            return controlWordName(item.control);
    }
}

bool RecordResultWalker::next(ResultItem& item) {
    while (!done_ && p_ < data_.size()) {
        const std::size_t left = data_.size() - p_;
        // A control word may follow a record (its upper half 0xFFFF at p + 2).
        if (afterRecord_) {
            afterRecord_ = false;
            if (left >= kControlWordBytes && le16(&data_[p_ + 2]) == 0xFFFFu) {
                item = ResultItem{};
                item.kind = ResultItem::Kind::Control;
                item.offset = p_;
                item.controlWord = le32(&data_[p_]);
                item.control = classifyControlWord(0xFFFF0000u | le16(&data_[p_]));
                if (item.control == ControlWord::EndePruefzyklus) {
                    item.cycle = ++cycles_;
                }
                p_ += kControlWordBytes;
                return true;
            }
            continue;
        }
        std::size_t at = p_;
        bool prefixed = false;
        uint32_t zeit = 0;
        if (data_[at] == kTypePrefix) {
            if (left < kPrefixBytes) {
                break;
            }
            prefixed = true;
            zeit = le32(&data_[at + 4]);
            at += kPrefixBytes;
        }
        const std::optional<GateRecord> record = decodeGateRecord(data_.subspan(at));
        if (!record) {
            break;
        }
        item = ResultItem{};
        item.kind = ResultItem::Kind::Record;
        item.offset = at;
        item.prefixed = prefixed;
        item.zeit = zeit;
        item.record = *record;
        p_ = at + kGateRecordBytes;
        afterRecord_ = true;
        return true;
    }
    done_ = true;
    return false;
}

NativeResultWalker::NativeResultWalker(Bytes data, const std::array<bool, 8>& active)
    : data_(data) {
    for (uint32_t set = 1; set <= 6; ++set) {
        if (active[set]) {
            sets_[setCount_++] = set;
        }
    }
}

bool NativeResultWalker::next(NativeItem& item) {
    if (setCount_ == 0 || data_.size() - p_ < kCompactEntryBytes) {
        return false;
    }
    item.offset = p_;
    item.set = sets_[turn_];
    item.round = round_;
    item.entry = *decodeCompactEntry(data_.subspan(p_, kCompactEntryBytes));
    p_ += kCompactEntryBytes;
    if (++turn_ == setCount_) {
        turn_ = 0;
        ++round_;
    }
    return true;
}

}  // namespace k7stream
