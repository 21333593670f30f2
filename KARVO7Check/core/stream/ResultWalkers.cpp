#include "stream/ResultWalkers.h"

#include "Format.h"

namespace k7check::stream {

namespace {

KARVO7StreamOptions recordResults() {
    KARVO7StreamOptions o{};
    o.struct_size = sizeof o;
    o.layout = KARVO7STREAM_LAYOUT_RECORD;
    return o;
}

KARVO7StreamOptions nativeResults(const std::array<bool, 8>& active) {
    KARVO7StreamOptions o{};
    o.struct_size = sizeof o;
    o.layout = KARVO7STREAM_LAYOUT_NATIVE;
    o.native_content = KARVO7STREAM_NATIVE_GATES;
    for (uint32_t set = 1; set <= 6; ++set) {
        o.active_sets |= active[set] ? 1u << set : 0u;
    }
    return o;
}

// A walker as `options` say; one that yields nothing when they describe no data (no set).
k7stream::StreamWalker walkerOver(Bytes data, const KARVO7StreamOptions& options) {
    if (k7stream::StreamWalker::check(options) != KARVO7STREAM_OK) {
        return k7stream::StreamWalker();
    }
    return k7stream::StreamWalker(data, options);
}

// A record of the walk as the gate value list reads it: header fields and five slots.
GateRecord gateRecordOf(const KARVO7StreamItem& s, Bytes data) {
    if (s.kind != KARVO7STREAM_ITEM_GATES) {
        // Another type: its first 56 bytes as slots, where the data holds them.
        GateRecord other = decodeGateRecord(data.subspan(s.record_offset)).value_or(GateRecord{});
        other.type = static_cast<uint8_t>(s.type);
        other.length = s.length;
        other.kennung = static_cast<int16_t>(s.kennung);
        return other;
    }
    GateRecord r;
    r.type = static_cast<uint8_t>(s.type);
    r.length = s.length;
    r.kennung = static_cast<int16_t>(s.kennung);
    for (std::size_t n = 0; n < r.slots.size(); ++n) {
        r.slots[n].amplitude = static_cast<uint16_t>(s.gates[n].amplitude);
        r.slots[n].time = static_cast<uint16_t>(s.gates[n].time);
        r.slots[n].status = static_cast<uint16_t>(s.gates[n].status);
    }
    return r;
}

}  // namespace

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

RecordResultWalker::RecordResultWalker(Bytes data)
    : data_(data), walker_(walkerOver(data, recordResults())) {}

bool RecordResultWalker::next(ResultItem& item) {
    KARVO7StreamItem s;
    if (!walker_.next(s, nullptr, 0)) {
        return false;
    }
    if (s.kind == KARVO7STREAM_ITEM_TAIL) {
        leftOver_ = static_cast<std::size_t>(s.bytes_left);
        return false;
    }
    item = ResultItem{};
    if (s.kind == KARVO7STREAM_ITEM_CONTROL) {
        item.kind = ResultItem::Kind::Control;
        item.offset = static_cast<std::size_t>(s.offset);
        item.controlWord = s.control_word;
        item.control = classifyControlWord(s.control_word);
        item.cycle = static_cast<int>(s.cycle);
        return true;
    }
    item.kind = ResultItem::Kind::Record;
    item.offset = static_cast<std::size_t>(s.record_offset);
    item.prefixed = (s.flags & KARVO7STREAM_ITEM_PREFIXED) != 0;
    item.zeit = s.zeit;
    item.record = gateRecordOf(s, data_);
    return true;
}

NativeResultWalker::NativeResultWalker(Bytes data, const std::array<bool, 8>& active)
    : walker_(walkerOver(data, nativeResults(active))) {}

bool NativeResultWalker::next(NativeItem& item) {
    KARVO7StreamItem s;
    if (!walker_.next(s, nullptr, 0)) {
        return false;
    }
    if (s.kind != KARVO7STREAM_ITEM_NATIVE_GATES) {
        leftOver_ = static_cast<std::size_t>(s.bytes_left);
        return false;
    }
    item.offset = static_cast<std::size_t>(s.offset);
    item.set = s.set;
    item.round = s.round;
    item.entry.d = s.es_distance;
    item.entry.esAmplitude = s.es_amplitude;
    for (std::size_t k = 0; k < item.entry.gates.size(); ++k) {
        item.entry.gates[k].t = s.gates[k].time;
        item.entry.gates[k].v = s.gates[k].amplitude;
        item.entry.gates[k].marker = s.gates[k].marker != 0;
        item.entry.gates[k].present = s.gates[k].present != 0;
    }
    return true;
}

}  // namespace k7check::stream
