#include "DecodeCommand.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <vector>

#include "KARVO7Stream.h"
#include "MappedFile.h"

namespace karvo7 {

namespace {

// Text collected in a block and handed to the stream in large writes: the sample lines of a
// capture are long, and the stream's per-call cost would dominate.
class LineWriter {
  public:
    explicit LineWriter(std::ostream& out) : out_(out) { buffer_.reserve(kBlock + kSlack); }
    ~LineWriter() { flush(); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void text(std::string_view s) {
        buffer_.append(s);
        spill();
    }
    void field(std::string_view s) {
        buffer_.push_back(',');
        text(s);
    }
    template <typename Int>
    void number(Int v, int base = 10) {
        char digits[24];
        const auto r = std::to_chars(digits, digits + sizeof digits, v, base);
        buffer_.append(digits, r.ptr);
    }
    void comma() { buffer_.push_back(','); }
    void hex(uint32_t v) {
        buffer_.append(",0x");
        number(v, 16);
    }
    void endLine() {
        buffer_.push_back('\n');
        spill();
    }
    void flush() {
        if (!buffer_.empty()) {
            out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
            buffer_.clear();
        }
    }
    void samples(const int16_t* s, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            buffer_.push_back(',');
            number(s[i]);
            if (buffer_.size() > kBlock) {
                flush();
            }
        }
    }

  private:
    static constexpr std::size_t kBlock = 1 << 20;
    static constexpr std::size_t kSlack = 4096;
    void spill() {
        if (buffer_.size() > kBlock) {
            flush();
        }
    }
    std::ostream& out_;
    std::string buffer_;
};

const char* tailReason(uint32_t reason) {
    return reason == KARVO7STREAM_TAIL_INVALID ? "invalid" : "truncated";
}

const char* kindName(uint32_t kind) {
    switch (kind) {
        case KARVO7STREAM_ITEM_RECORD:
            return "record";
        case KARVO7STREAM_ITEM_GATES:
            return "gates";
        case KARVO7STREAM_ITEM_CONTROL:
            return "control";
        case KARVO7STREAM_ITEM_OTHER_RECORD:
            return "other";
        case KARVO7STREAM_ITEM_NATIVE_SAMPLES:
            return "samples";
        case KARVO7STREAM_ITEM_NATIVE_GATES:
            return "entry";
        default:
            return "tail";
    }
}

// The record's header fields: ZEIT,TYPE,LENGTH,KENNUNG.
void csvHeader(LineWriter& w, const KARVO7StreamItem& item) {
    w.comma();
    if ((item.flags & KARVO7STREAM_ITEM_PREFIXED) != 0) {
        w.number(item.zeit);
    }
    w.hex(item.type);
    w.comma();
    w.number(item.length);
    w.comma();
    w.number(item.kennung);
}

void csvLine(LineWriter& w, const KARVO7StreamItem& item, const int16_t* samples) {
    w.text(kindName(item.kind));
    w.comma();
    w.number(item.offset);
    switch (item.kind) {
        case KARVO7STREAM_ITEM_RECORD:
            csvHeader(w, item);
            w.comma();
            w.number(item.samples_written);
            w.samples(samples, item.samples_written);
            break;
        case KARVO7STREAM_ITEM_GATES:
            csvHeader(w, item);
            for (const KARVO7StreamGate& g : item.gates) {
                w.comma();
                w.number(g.amplitude);
                w.comma();
                w.number(g.time);
                w.hex(g.status);
            }
            break;
        case KARVO7STREAM_ITEM_CONTROL:
            w.hex(item.control_word);
            w.field(KARVO7StreamControlName(item.control_kind));
            w.comma();
            if (item.cycle != 0) {
                w.number(item.cycle);
            }
            break;
        case KARVO7STREAM_ITEM_OTHER_RECORD:
            csvHeader(w, item);
            break;
        case KARVO7STREAM_ITEM_NATIVE_SAMPLES:
            w.comma();
            w.number(item.samples_written);
            w.samples(samples, item.samples_written);
            break;
        case KARVO7STREAM_ITEM_NATIVE_GATES:
            w.comma();
            w.number(item.set);
            w.comma();
            w.number(item.round);
            w.comma();
            w.number(item.es_distance);
            w.comma();
            w.number(item.es_amplitude);
            for (const KARVO7StreamGate& g : item.gates) {
                w.comma();
                w.number(g.time);
                w.comma();
                w.number(g.amplitude);
                w.comma();
                if (g.present != 0) {
                    w.text("p");
                }
                if (g.marker != 0) {
                    w.text("^");
                }
            }
            break;
        default:
            w.comma();
            w.number(item.bytes_left);
            w.field(tailReason(item.tail_reason));
            break;
    }
    w.endLine();
}

nlohmann::ordered_json jsonItem(const KARVO7StreamItem& item, const int16_t* samples) {
    nlohmann::ordered_json j;
    j["item"] = kindName(item.kind);
    j["offset"] = item.offset;
    const bool record = item.kind == KARVO7STREAM_ITEM_RECORD ||
                        item.kind == KARVO7STREAM_ITEM_GATES ||
                        item.kind == KARVO7STREAM_ITEM_OTHER_RECORD;
    if (record) {
        if ((item.flags & KARVO7STREAM_ITEM_PREFIXED) != 0) {
            j["zeit"] = item.zeit;
        }
        j["type"] = item.type;
        j["length"] = item.length;
        j["kennung"] = item.kennung;
    }
    switch (item.kind) {
        case KARVO7STREAM_ITEM_RECORD:
        case KARVO7STREAM_ITEM_NATIVE_SAMPLES:
            j["samples"] = std::vector<int16_t>(samples, samples + item.samples_written);
            break;
        case KARVO7STREAM_ITEM_GATES: {
            auto& slots = j["slots"] = nlohmann::ordered_json::array();
            for (const KARVO7StreamGate& g : item.gates) {
                slots.push_back({{"amplitude", g.amplitude},
                                 {"time", g.time},
                                 {"status", g.status},
                                 {"present", g.present != 0},
                                 {"marker", g.marker != 0}});
            }
            break;
        }
        case KARVO7STREAM_ITEM_CONTROL:
            j["word"] = item.control_word;
            j["name"] = KARVO7StreamControlName(item.control_kind);
            if (item.cycle != 0) {
                j["cycle"] = item.cycle;
            }
            break;
        case KARVO7STREAM_ITEM_NATIVE_GATES: {
            j["set"] = item.set;
            j["round"] = item.round;
            j["d"] = item.es_distance;
            j["es"] = item.es_amplitude;
            auto& gates = j["gates"] = nlohmann::ordered_json::array();
            for (const KARVO7StreamGate& g : item.gates) {
                gates.push_back({{"t", g.time},
                                 {"v", g.amplitude},
                                 {"present", g.present != 0},
                                 {"marker", g.marker != 0}});
            }
            break;
        }
        case KARVO7STREAM_ITEM_TAIL:
            j["bytes"] = item.bytes_left;
            j["reason"] = tailReason(item.tail_reason);
            break;
        default:
            break;
    }
    return j;
}

KARVO7StreamOptions streamOptions(const DecodeOptions& o) {
    KARVO7StreamOptions s{};
    if (o.layout == DecodeOptions::Layout::Record) {
        s.layout = KARVO7STREAM_LAYOUT_RECORD;
    } else {
        s.layout = KARVO7STREAM_LAYOUT_NATIVE;
        s.sample_bits = o.eightBit ? 8 : 16;
        if (o.nativeGateSets != 0) {
            s.native_content = KARVO7STREAM_NATIVE_GATES;
            s.active_sets = o.nativeGateSets;
        }
    }
    return s;
}

}  // namespace

int runDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err) {
    MappedFile file;
    std::string reason;
    if (!file.open(options.file, reason)) {
        err << "karvo7 decode: " << options.file << ": " << reason << "\n";
        return 1;
    }
    const KARVO7StreamOptions streamOpts = streamOptions(options);
    KARVO7StreamWalker walker;
    if (KARVO7StreamBegin(&walker, file.data(), file.size(), &streamOpts) != 1) {
        err << "karvo7 decode: no active parameter set among 1 to 6 for the gate entries\n";
        return 1;
    }
    // A record unpacks to at most 65536 samples; native runs come in pieces of this size.
    std::vector<int16_t> samples(65536);
    KARVO7StreamItem item;
    KARVO7StreamItem last{};
    {
        LineWriter writer(out);
        while (KARVO7StreamNext(&walker, &item, samples.data(),
                                static_cast<uint32_t>(samples.size())) == 1) {
            if (options.json) {
                writer.text(jsonItem(item, samples.data()).dump());
                writer.endLine();
            } else {
                csvLine(writer, item, samples.data());
            }
            last = item;
        }
    }
    out.flush();
    if (!out) {
        err << "karvo7 decode: the output could not be written\n";
        return 1;
    }
    if (last.kind == KARVO7STREAM_ITEM_TAIL) {
        err << "karvo7 decode: " << options.file << ": " << last.bytes_left << " bytes at offset "
            << last.offset << " not decoded ("
            << (last.tail_reason == KARVO7STREAM_TAIL_INVALID ? "invalid record length"
                                                              : "truncated")
            << ")\n";
    }
    return 0;
}

}  // namespace karvo7
