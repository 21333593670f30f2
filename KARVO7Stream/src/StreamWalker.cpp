#include "StreamWalker.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#include "KARVO7Protocol.h"

namespace k7stream {

using k7proto::le16;
using k7proto::le32;

namespace {

// A native-samples item without an output buffer covers at most this many samples.
constexpr uint32_t kNativeRun = 65536;

bool isSampleRecord(uint8_t type) {
    return type == kTypePacked12 || type == kTypeAscan || type == kTypeHf;
}

// Signed 16-bit little-endian words as samples.
void copyWords(const uint8_t* from, std::size_t count, int16_t* out) {
    if (count == 0) {
        return;
    }
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, from, 2 * count);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<int16_t>(le16(from + 2 * i));
        }
    }
}

void putGate(KARVO7StreamGate& gate, const GateSlot& slot) {
    gate.present = slot.present() ? 1 : 0;
    gate.marker = slot.marker() ? 1 : 0;
    gate.amplitude = slot.amplitude;
    gate.time = slot.time;
    gate.status = slot.status;
}

}  // namespace

StreamWalker::StreamWalker(Bytes data, const KARVO7StreamOptions& options)
    : data_(data.data()),
      size_(data.size()),
      layout_(options.layout),
      sampleBits_(options.sample_bits == 8 ? 8 : 16),
      content_(options.native_content),
      prefixes_(options.prefix == KARVO7STREAM_PREFIX_AUTO),
      pad4_((options.flags & KARVO7STREAM_FLAG_PAD4) != 0),
      done_(false),
      shotSamples_(options.samples_per_shot) {
    for (uint8_t set = 1; set <= 6; ++set) {
        if ((options.active_sets & (1u << set)) != 0) {
            sets_[setCount_++] = set;
        }
    }
}

int32_t StreamWalker::check(const KARVO7StreamOptions& o) {
    const bool listed =
        (o.layout == KARVO7STREAM_LAYOUT_NATIVE || o.layout == KARVO7STREAM_LAYOUT_RECORD) &&
        (o.sample_bits == 0 || o.sample_bits == 8 || o.sample_bits == 16) &&
        (o.prefix == KARVO7STREAM_PREFIX_AUTO || o.prefix == KARVO7STREAM_PREFIX_NONE) &&
        (o.native_content == KARVO7STREAM_NATIVE_SAMPLES ||
         o.native_content == KARVO7STREAM_NATIVE_GATES) &&
        (o.flags & ~KARVO7STREAM_FLAG_PAD4) == 0 &&
        o.samples_per_shot <= KARVO7STREAM_SHOT_SAMPLES_MAX;
    if (!listed) {
        return KARVO7STREAM_ERROR_OPTION;
    }
    const bool gates =
        o.layout == KARVO7STREAM_LAYOUT_NATIVE && o.native_content == KARVO7STREAM_NATIVE_GATES;
    return gates && (o.active_sets & 0x7Eu) == 0 ? KARVO7STREAM_ERROR_NO_SET : KARVO7STREAM_OK;
}

std::optional<KARVO7StreamOptions> optionsIn(const KARVO7StreamOptions& given) {
    // Options without a size are those of the interface before sizes: layout to flags.
    constexpr std::size_t kUnsized = offsetof(KARVO7StreamOptions, samples_per_shot);
    const std::size_t size = given.struct_size == 0 ? kUnsized : given.struct_size;
    if (size < KARVO7STREAM_OPTIONS_SIZE_MIN) {
        return std::nullopt;
    }
    KARVO7StreamOptions options{};
    std::memcpy(&options, &given, std::min(size, sizeof options));
    options.struct_size = sizeof options;
    return options;
}

bool StreamWalker::next(KARVO7StreamItem& item, int16_t* out, uint32_t capacity) {
    item = KARVO7StreamItem{};
    if (done_ || p_ >= size_) {
        done_ = true;
        return false;
    }
    if (layout_ == KARVO7STREAM_LAYOUT_RECORD) {
        return nextRecord(item, out, capacity);
    }
    if (content_ == KARVO7STREAM_NATIVE_GATES) {
        return nextNativeGates(item);
    }
    return nextNativeSamples(item, out, capacity);
}

bool StreamWalker::tail(KARVO7StreamItem& item, std::size_t at, uint32_t reason) {
    item.kind = KARVO7STREAM_ITEM_TAIL;
    item.offset = at;
    item.size = size_ - at;
    item.bytes_left = size_ - at;
    item.tail_reason = reason;
    p_ = size_;
    done_ = true;
    return true;
}

bool StreamWalker::nextRecord(KARVO7StreamItem& item, int16_t* out, uint32_t capacity) {
    const Bytes data(data_, size_);
    const std::size_t left = size_ - p_;
    if (left < kControlWordBytes) {
        return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
    }
    // A control word: its upper half is 0xFFFF (a record header there would claim more than
    // 16 MB).
    if (le16(data_ + p_ + 2) == 0xFFFFu) {
        const uint32_t word = le32(data_ + p_);
        item.kind = KARVO7STREAM_ITEM_CONTROL;
        item.offset = p_;
        item.size = kControlWordBytes;
        item.control_word = word;
        const ControlWord kind = classifyControlWord(word);
        item.control_kind = controlKind(kind);
        if (kind == ControlWord::EndePruefzyklus) {
            item.cycle = ++cycles_;
        }
        p_ += kControlWordBytes;
        return true;
    }

    std::size_t at = p_;
    if (prefixes_ && startsWithPrefix(data.subspan(p_))) {
        if (left < kPrefixBytes) {
            return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
        }
        item.flags = KARVO7STREAM_ITEM_PREFIXED;
        item.zeit = le32(data_ + p_ + 4);
        at += kPrefixBytes;
    }
    const std::optional<Header> header = readPlainHeader(data.subspan(at));
    if (!header) {
        return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
    }
    item.offset = p_;
    item.record_offset = at;
    item.type = header->type;
    item.length = header->length;
    item.kennung = header->kennung;

    if (header->type == kTypeGates) {
        // Gate results records are read 56 bytes at a time, whatever `Datenlaenge` says.
        const std::optional<GateRecord> record = decodeGateRecord(data.subspan(at));
        if (!record) {
            item = KARVO7StreamItem{};
            return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
        }
        item.kind = KARVO7STREAM_ITEM_GATES;
        for (std::size_t n = 0; n < 5; ++n) {
            putGate(item.gates[n], record->slots[n]);
        }
        p_ = at + kGateRecordBytes;
        item.size = p_ - item.offset;
        return true;
    }

    if (header->length < kHeaderBytes) {
        item = KARVO7StreamItem{};
        return tail(item, p_, KARVO7STREAM_TAIL_INVALID);
    }
    if (header->length > size_ - at) {
        item = KARVO7StreamItem{};
        return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
    }
    std::size_t end = at + header->length;
    if (pad4_) {
        end = std::min(size_,
                       at + ((static_cast<std::size_t>(header->length) + 3) & ~std::size_t{3}));
    }
    item.size = end - p_;
    p_ = end;
    if (!isSampleRecord(header->type)) {
        item.kind = KARVO7STREAM_ITEM_OTHER_RECORD;
        return true;
    }
    item.kind = KARVO7STREAM_ITEM_RECORD;
    item.payload_offset = at + kHeaderBytes;
    item.payload_bytes = header->length - static_cast<uint32_t>(kHeaderBytes);
    const std::size_t words = item.payload_bytes / 2;
    if (header->type == kTypePacked12) {
        item.sample_bits = 12;
        item.sample_count = static_cast<uint32_t>(std::min(unpackedCount(words), kMaxSamples));
    } else {
        item.sample_bits = 16;
        item.sample_count = static_cast<uint32_t>(words);
    }
    if (out != nullptr) {
        item.samples_written = itemSamples(data, item, out, capacity);
    }
    return true;
}

bool StreamWalker::nextNativeSamples(KARVO7StreamItem& item, int16_t* out, uint32_t capacity) {
    const std::size_t width = sampleBits_ / 8;
    const std::size_t available = (size_ - p_) / width;
    if (available == 0) {
        return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
    }
    std::size_t count = 0;
    if (shotSamples_ != 0) {
        if (available < shotSamples_) {
            return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
        }
        count = shotSamples_;
        item.shot = shot_++;
    } else {
        count = std::min<std::size_t>(available,
                                      out != nullptr && capacity > 0 ? capacity : kNativeRun);
    }
    item.kind = KARVO7STREAM_ITEM_NATIVE_SAMPLES;
    item.offset = p_;
    item.size = count * width;
    item.payload_offset = p_;
    item.payload_bytes = static_cast<uint32_t>(count * width);
    item.sample_count = static_cast<uint32_t>(count);
    item.sample_bits = sampleBits_;
    p_ += count * width;
    if (out != nullptr) {
        item.samples_written = itemSamples(Bytes(data_, size_), item, out, capacity);
    }
    return true;
}

bool StreamWalker::nextNativeGates(KARVO7StreamItem& item) {
    if (size_ - p_ < kCompactEntryBytes) {
        return tail(item, p_, KARVO7STREAM_TAIL_TRUNCATED);
    }
    const uint8_t* at = data_ + p_;
    const CompactEntry entry = *decodeCompactEntry(Bytes(at, kCompactEntryBytes));
    item.kind = KARVO7STREAM_ITEM_NATIVE_GATES;
    item.offset = p_;
    item.size = kCompactEntryBytes;
    item.set = sets_[turn_];
    item.round = round_;
    item.es_distance = entry.d;
    item.es_amplitude = entry.esAmplitude;
    for (std::size_t k = 0; k < 5; ++k) {
        KARVO7StreamGate& gate = item.gates[k];
        gate.present = entry.gates[k].present ? 1 : 0;
        gate.marker = entry.gates[k].marker ? 1 : 0;
        gate.amplitude = entry.gates[k].v;
        gate.time = entry.gates[k].t;
        gate.status = le32(at + 4 + 4 * k);
    }
    p_ += kCompactEntryBytes;
    if (++turn_ == setCount_) {
        turn_ = 0;
        ++round_;
    }
    return true;
}

uint32_t itemSamples(Bytes data, const KARVO7StreamItem& item, int16_t* out, uint32_t capacity) {
    if (out == nullptr || capacity == 0) {
        return 0;
    }
    const bool record = item.kind == KARVO7STREAM_ITEM_RECORD;
    if (!record && item.kind != KARVO7STREAM_ITEM_NATIVE_SAMPLES) {
        return 0;
    }
    if (item.payload_offset > data.size() ||
        item.payload_bytes > data.size() - item.payload_offset) {
        return 0;
    }
    const Bytes payload = data.subspan(item.payload_offset, item.payload_bytes);
    if (record && item.sample_bits == 12) {
        return static_cast<uint32_t>(
            unpack12(payload, payload.size() / 2,
                     std::span<int16_t>(out, std::min<std::size_t>(capacity, kMaxSamples))));
    }
    if (item.sample_bits == 8) {
        const std::size_t count = std::min<std::size_t>(payload.size(), capacity);
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<int8_t>(payload[i]);
        }
        return static_cast<uint32_t>(count);
    }
    const std::size_t count = std::min<std::size_t>(payload.size() / 2, capacity);
    copyWords(payload.data(), count, out);
    return static_cast<uint32_t>(count);
}

}  // namespace k7stream
