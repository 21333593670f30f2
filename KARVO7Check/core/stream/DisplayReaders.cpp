#include "stream/DisplayReaders.h"

#include <algorithm>

#include "Format.h"
#include "KARVO7Protocol.h"

namespace k7check::stream {

using k7proto::le16;
using k7proto::le32;

namespace {

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

}  // namespace k7check::stream
