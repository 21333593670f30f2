#include "DecodeCommand.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string_view>
#include <vector>

#include "CaptureWalk.h"
#include "KARVO7Stream.h"
#include "k7base/Descriptors.h"
#include "k7base/RegularFile.h"

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
            write(s.data(), s.size());
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
            write(block_.data(), used_);
            used_ = 0;
        }
    }
    // True once a write failed; error() is the system's reason then (EPIPE: the reader closed
    // the output).
    bool failed() const { return !out_; }
    int error() const { return error_; }

  private:
    static constexpr std::size_t kBlock = 1 << 20;
    // Room behind the block for one step's text (a number, a name, a short field).
    static constexpr std::size_t kSlack = 256;
    void spill() {
        if (used_ >= kBlock) {
            flush();
        }
    }
    void write(const char* data, std::size_t size) {
        if (!out_) {
            return;
        }
        errno = 0;
        out_.write(data, static_cast<std::streamsize>(size));
        if (!out_ && error_ == 0) {
            error_ = errno != 0 ? errno : EIO;
        }
    }
    std::ostream& out_;
    int error_ = 0;
    std::vector<char> block_;
    std::size_t used_ = 0;
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

// The header row of an item kind's lines (sample columns as many as `item` carries).
void csvColumns(LineWriter& w, const KARVO7StreamItem& item) {
    static constexpr const char* kRecord = "item,offset,zeit,type,length,kennung";
    w.text("item,offset");
    switch (item.kind) {
        case KARVO7STREAM_ITEM_RECORD:
            w.text(kRecord + 11);
            w.text(",count");
            break;
        case KARVO7STREAM_ITEM_GATES:
            w.text(kRecord + 11);
            for (int slot = 1; slot <= 5; ++slot) {
                w.text(",amplitude");
                w.number(slot);
                w.text(",time");
                w.number(slot);
                w.text(",status");
                w.number(slot);
            }
            break;
        case KARVO7STREAM_ITEM_CONTROL:
            w.text(",word,name,cycle");
            break;
        case KARVO7STREAM_ITEM_OTHER_RECORD:
            w.text(kRecord + 11);
            break;
        case KARVO7STREAM_ITEM_NATIVE_SAMPLES:
            w.text(",shot,count");
            break;
        case KARVO7STREAM_ITEM_NATIVE_GATES:
            w.text(",set,round,d,es");
            for (int gate = 1; gate <= 5; ++gate) {
                w.text(",t");
                w.number(gate);
                w.text(",v");
                w.number(gate);
                w.text(",flags");
                w.number(gate);
            }
            break;
        default:
            w.text(",bytes,reason");
            break;
    }
    if (item.kind == KARVO7STREAM_ITEM_RECORD || item.kind == KARVO7STREAM_ITEM_NATIVE_SAMPLES) {
        for (uint32_t i = 0; i < item.samples_written; ++i) {
            w.text(",s");
            w.number(i);
        }
    }
    w.endLine();
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

void csvLine(LineWriter& w, const KARVO7StreamItem& item, const int16_t* samples,
             bool cutIntoShots) {
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
            if (cutIntoShots) {
                w.number(item.shot);
            }
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

nlohmann::ordered_json jsonItem(const KARVO7StreamItem& item, const int16_t* samples,
                                bool cutIntoShots) {
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
        case KARVO7STREAM_ITEM_NATIVE_SAMPLES:
            if (cutIntoShots) {
                j["shot"] = item.shot;
            }
            [[fallthrough]];
        case KARVO7STREAM_ITEM_RECORD:
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
    s.struct_size = sizeof s;
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

// Where the output goes once its reader has closed it: nowhere. Holds no state.
std::streambuf& discarded() {
    struct Discard : std::streambuf {
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    };
    // Never destroyed: standard output is flushed once more after static objects are gone.
    static Discard* buffer = new Discard;
    return *buffer;
}

// An item that shows the capture was read in the right layout: a tail, and records of types
// the cards do not send, come as readily from bytes of the other layout.
bool validItem(const KARVO7StreamItem& item) {
    return item.kind != KARVO7STREAM_ITEM_TAIL && item.kind != KARVO7STREAM_ITEM_OTHER_RECORD;
}

// The capture's input: the named regular file, or the caller's descriptor for "-".
struct Input {
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    int fd = -1;
    bool owned = false;
    std::string name;
    ~Input() {
        if (owned && fd >= 0) {
            k7base::closeDescriptor(fd);
        }
    }
};

bool openInput(const DecodeOptions& options, Input& input, std::ostream& err) {
    if (options.file == "-") {
        input.fd = options.inputFd;
        input.name = "standard input";
        return true;
    }
    std::string reason;
    input.fd = k7base::openRegularFile(options.file, &reason);
    input.owned = true;
    input.name = options.file;
    if (input.fd < 0) {
        err << "karvo7: " << reason << "\n";
        return false;
    }
    return true;
}

// The options a capture is read with: its header's, else the command line's; --samples over
// both. Empty, with the reason on `err`, when they do not fit the capture.
std::optional<KARVO7StreamOptions> captureOptions(const DecodeOptions& options,
                                                  const CaptureWalk& walk, const Input& input,
                                                  std::ostream& err, int& code) {
    KARVO7StreamOptions o = streamOptions(options);
    if (walk.header()) {
        KARVO7StreamCaptureOptions(&*walk.header(), &o);
    }
    if (options.samplesPerShot) {
        if (o.layout != KARVO7STREAM_LAYOUT_NATIVE ||
            o.native_content != KARVO7STREAM_NATIVE_SAMPLES) {
            err << "karvo7: " << input.name
                << ": --samples cuts native samples into shots; the capture is read in the "
                   "record layout or as gate entries\n";
            code = 2;
            return std::nullopt;
        }
        o.samples_per_shot = *options.samplesPerShot;
    }
    KARVO7StreamWalker check;
    const int32_t begun = KARVO7StreamBegin(&check, nullptr, 0, &o);
    if (begun != KARVO7STREAM_OK) {
        err << "karvo7: " << KARVO7StreamErrorText(begun) << "\n";
        code = 1;
        return std::nullopt;
    }
    return o;
}

void noteTail(const KARVO7StreamItem& last, const Input& input, std::ostream& err) {
    err << "karvo7: " << input.name << ": " << last.bytes_left << " bytes at offset " << last.offset
        << " not decoded ("
        << (last.tail_reason == KARVO7STREAM_TAIL_INVALID ? "invalid record length" : "truncated")
        << ")\n";
}

void noteNoRecord(const KARVO7StreamOptions& o, const CaptureWalk& walk, const Input& input,
                  std::ostream& err) {
    err << "karvo7: " << input.name << ": no valid record";
    if (!walk.header()) {
        err << (o.layout == KARVO7STREAM_LAYOUT_RECORD
                    ? " in the record layout; a native capture is read with --layout native"
                    : " in the native layout; a capture of records is read with --layout record");
    }
    err << "\n";
}

}  // namespace

int runDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err) {
    Input input;
    if (!openInput(options, input, err)) {
        return 1;
    }
    CaptureWalk walk(input.fd, options.windowBytes);
    switch (walk.open()) {
        case CaptureWalk::Start::ReadError:
            err << "karvo7: " << input.name << ": " << std::strerror(walk.readError()) << "\n";
            return 1;
        case CaptureWalk::Start::BadHeader:
            err << "karvo7: " << input.name << ": "
                << KARVO7StreamErrorText(KARVO7STREAM_ERROR_CAPTURE) << "\n";
            return 1;
        default:
            break;
    }
    if (walk.empty()) {
        err << "karvo7: " << input.name
            << (options.file == "-" ? ": nothing came\n" : ": the file is empty\n");
        return 1;
    }
    int code = 0;
    const std::optional<KARVO7StreamOptions> streamOpts =
        captureOptions(options, walk, input, err, code);
    if (!streamOpts) {
        return code;
    }
    walk.begin(*streamOpts);
    const bool shots = streamOpts->samples_per_shot != 0;
    // A record unpacks to at most 65536 samples; native runs come in pieces of this size.
    std::vector<int16_t> samples(CaptureWalk::kPieceSamples);
    KARVO7StreamItem item{};
    KARVO7StreamItem last{};
    bool decoded = false;
    uint32_t kindsSeen = 0;
    LineWriter writer(out);
    while (!writer.failed() && walk.next(item, samples.data())) {
        if (options.json) {
            writer.text(jsonItem(item, samples.data(), shots).dump());
            writer.endLine();
        } else {
            if ((kindsSeen & (1u << item.kind)) == 0) {
                kindsSeen |= 1u << item.kind;
                csvColumns(writer, item);
            }
            csvLine(writer, item, samples.data(), shots);
        }
        decoded = decoded || validItem(item);
        last = item;
    }
    writer.flush();
    out.flush();
    if (writer.error() == EPIPE) {
        // The reader has all it wanted (`| head`): the rest of the output goes nowhere, and the
        // program ends as it does after a whole capture.
        out.rdbuf(&discarded());
        return 0;
    }
    if (writer.failed() || !out) {
        err << "karvo7: the output could not be written\n";
        return 1;
    }
    if (walk.readError() != 0) {
        err << "karvo7: " << input.name << ": " << std::strerror(walk.readError()) << "\n";
        return 1;
    }
    if (last.kind == KARVO7STREAM_ITEM_TAIL) {
        noteTail(last, input, err);
    }
    if (!decoded) {
        noteNoRecord(*streamOpts, walk, input, err);
        return 1;
    }
    return 0;
}

}  // namespace karvo7
