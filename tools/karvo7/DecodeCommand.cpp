#include "DecodeCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <vector>

#include "CaptureWalk.h"
#include "KARVO7Stream.h"
#include "profile/RegularFile.h"

namespace karvo7 {

namespace {

// ",<value>" of every 16-bit sample, made once: a table look-up is several times faster than
// formatting each of the millions of samples of a capture. Each entry is eight bytes: the text's
// length, then the text.
class SampleTexts {
  public:
    static const SampleTexts& get() {
        static const SampleTexts texts;
        return texts;
    }
    const char* of(int16_t v) const { return &table_[8 * static_cast<std::size_t>(v + 32768)]; }

  private:
    SampleTexts() : table_(8 * 65536, '\0') {
        for (int v = -32768; v <= 32767; ++v) {
            char* entry = &table_[8 * static_cast<std::size_t>(v + 32768)];
            entry[1] = ',';
            const char* end = std::to_chars(entry + 2, entry + 8, v).ptr;
            entry[0] = static_cast<char>(end - entry - 1);
        }
    }
    std::vector<char> table_;
};

// Text collected in a block and handed to the stream in large writes: the sample lines of a
// capture are long, and the stream's per-call cost would dominate. Numbers are written straight
// into the block.
class LineWriter {
  public:
    explicit LineWriter(std::ostream& out) : out_(out), block_(kBlock + kSlack) {}
    ~LineWriter() { flush(); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void text(std::string_view s) {
        if (s.size() > kSlack) {
            flush();
            out_.write(s.data(), static_cast<std::streamsize>(s.size()));
            return;
        }
        std::memcpy(block_.data() + used_, s.data(), s.size());
        used_ += s.size();
        spill();
    }
    void field(std::string_view s) {
        comma();
        text(s);
    }
    template <typename Int>
    void number(Int v, int base = 10) {
        char* at = block_.data() + used_;
        used_ = static_cast<std::size_t>(std::to_chars(at, at + 24, v, base).ptr - block_.data());
        spill();
    }
    void comma() { block_[used_++] = ','; }
    void hex(uint32_t v) {
        text(",0x");
        number(v, 16);
    }
    void endLine() {
        block_[used_++] = '\n';
        spill();
    }
    void samples(const int16_t* s, uint32_t count) {
        const SampleTexts& texts = SampleTexts::get();
        for (uint32_t i = 0; i < count; ++i) {
            // Eight bytes copied whole; the text's length says how many of them count.
            const char* t = texts.of(s[i]);
            std::memcpy(block_.data() + used_, t + 1, 7);
            used_ += static_cast<unsigned char>(t[0]);
            spill();
        }
    }
    void flush() {
        if (used_ != 0) {
            out_.write(block_.data(), static_cast<std::streamsize>(used_));
            used_ = 0;
        }
    }

  private:
    static constexpr std::size_t kBlock = 1 << 20;
    // Room behind the block for one step's text (a number, a name, a short field).
    static constexpr std::size_t kSlack = 256;
    void spill() {
        if (used_ >= kBlock) {
            flush();
        }
    }
    std::ostream& out_;
    std::vector<char> block_;
    std::size_t used_ = 0;
};

// A descriptor that closes itself.
struct Descriptor {
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
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
    std::string reason;
    const Descriptor file(k7check::openRegularFile(options.file, &reason));
    if (file.fd < 0) {
        err << "karvo7 decode: " << reason << "\n";
        return 1;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) == 0 && info.st_size == 0) {
        err << "karvo7 decode: " << options.file << ": the file is empty\n";
        return 1;
    }
    const KARVO7StreamOptions streamOpts = streamOptions(options);
    KARVO7StreamWalker check;
    if (KARVO7StreamBegin(&check, nullptr, 0, &streamOpts) != 1) {
        err << "karvo7 decode: no active parameter set among 1 to 6 for the gate entries\n";
        return 1;
    }
    CaptureWalk walk(file.fd, streamOpts, options.windowBytes);
    // A record unpacks to at most 65536 samples; native runs come in pieces of this size.
    std::vector<int16_t> samples(CaptureWalk::kPieceSamples);
    KARVO7StreamItem item;
    KARVO7StreamItem last{};
    bool decoded = false;
    {
        LineWriter writer(out);
        while (walk.next(item, samples.data())) {
            if (options.json) {
                writer.text(jsonItem(item, samples.data()).dump());
                writer.endLine();
            } else {
                csvLine(writer, item, samples.data());
            }
            decoded = decoded || item.kind != KARVO7STREAM_ITEM_TAIL;
            last = item;
        }
    }
    out.flush();
    if (!out) {
        err << "karvo7 decode: the output could not be written\n";
        return 1;
    }
    if (walk.readError() != 0) {
        err << "karvo7 decode: " << options.file << ": " << std::strerror(walk.readError()) << "\n";
        return 1;
    }
    if (last.kind == KARVO7STREAM_ITEM_TAIL) {
        err << "karvo7 decode: " << options.file << ": " << last.bytes_left << " bytes at offset "
            << last.offset << " not decoded ("
            << (last.tail_reason == KARVO7STREAM_TAIL_INVALID ? "invalid record length"
                                                              : "truncated")
            << ")\n";
    }
    if (!decoded) {
        err << "karvo7 decode: " << options.file << ": no valid record\n";
        return 1;
    }
    return 0;
}

}  // namespace karvo7
