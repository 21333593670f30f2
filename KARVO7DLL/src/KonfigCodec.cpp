// Encoder and decoder of the stored configuration record.
#include "KonfigCodec.h"

#include <cstddef>
#include <cstring>
#include <iterator>

namespace k7::konfig {

namespace {

// How a field's elements are counted when written and completed when read.
enum class Kind {
    Text,    // characters up to the first zero; a shorter text gets a zero behind it
    Band,    // the two band limits, always both written; read without completion
    Single,  // one byte, always written
    List,    // leading non-zero elements; the rest of the list is cleared when read
};

struct Field {
    uint8_t key;
    Type type;  // stored type when written
    Kind kind;
    std::size_t offset;  // place in KonfigRecord
    uint32_t capacity;   // elements the field holds
    uint32_t width;      // bytes per element in the record and in the stored data
};

#define K7_FIELD(key, type, kind, member, capacity, width)                     \
    Field {                                                                    \
        key, type, Kind::kind, offsetof(KonfigRecord, member), capacity, width \
    }

// The fields in the order they are stored.
constexpr Field kFields[] = {
    K7_FIELD(1, kText, Text, Karte, 20, 1),
    K7_FIELD(2, kText, Text, Aufsteckfilter, 20, 1),
    K7_FIELD(3, kText, Text, PciEeprom, 20, 1),
    K7_FIELD(4, kText, Text, LcaVersion, 10, 1),
    K7_FIELD(5, kText, Text, Programmversion, 10, 1),
    K7_FIELD(16, kFloat, Band, BandgrenzeUnten, 2, 4),
    K7_FIELD(17, kByte, Single, AdcBits, 1, 1),
    K7_FIELD(18, kByte, Single, AufnahmeFifo, 1, 1),
    K7_FIELD(19, kByte, Single, DatenFifo, 1, 1),
    K7_FIELD(20, kByte, Single, Dynamik, 1, 1),
    K7_FIELD(32, kWord, List, DaempfungEingang, 4, 2),
    K7_FIELD(33, kWord, List, DaempfungSender, 4, 2),
    K7_FIELD(34, kWord, List, EnergieSender, 8, 2),
    K7_FIELD(35, kByte, List, Samplerrate, 8, 1),
    K7_FIELD(36, kByte, Single, MaxSapFolge, 1, 1),
    K7_FIELD(37, kFloat, List, FilterMittenfrequenz, 8, 4),
    K7_FIELD(38, kFloat, List, FilterBandgrenze, 16, 4),
    K7_FIELD(39, kByte, List, Grunddaempfung, 8, 1),
};

#undef K7_FIELD

static_assert(std::size(kFields) + 1 == k7proto::eeprom::kKonfigEntries);
static_assert(offsetof(KonfigRecord, BandgrenzeOben) ==
              offsetof(KonfigRecord, BandgrenzeUnten) + 4);

// The terminator entry: key 0, count 0, type 1, address 0x7FF.
constexpr uint8_t kTerminator[kEntrySize] = {0, 0, 0xFF, (kText << 4) | 0x7};

const Field* fieldOf(uint8_t key) {
    for (const Field& f : kFields) {
        if (f.key == key) {
            return &f;
        }
    }
    return nullptr;
}

uint32_t elementSize(uint32_t type) {
    switch (type) {
        case kText:
        case kByte:
            return 1;
        case kWord:
            return 2;
        default:
            return 4;
    }
}

// Element j of a field, as its stored bits.
uint32_t elementOf(const KonfigRecord& record, const Field& f, uint32_t j) {
    const auto* place = reinterpret_cast<const uint8_t*>(&record) + f.offset + j * f.width;
    switch (f.width) {
        case 1:
            return *place;
        case 2: {
            uint16_t v;
            std::memcpy(&v, place, sizeof v);
            return v;
        }
        default: {
            uint32_t v;
            std::memcpy(&v, place, sizeof v);
            return v;
        }
    }
}

// Stores the low bits of `value` as element j of a field (j < capacity).
void store(KonfigRecord& record, const Field& f, uint32_t j, uint32_t value) {
    auto* place = reinterpret_cast<uint8_t*>(&record) + f.offset + j * f.width;
    switch (f.width) {
        case 1:
            *place = static_cast<uint8_t>(value);
            break;
        case 2: {
            const auto v = static_cast<uint16_t>(value);
            std::memcpy(place, &v, sizeof v);
            break;
        }
        default:
            std::memcpy(place, &value, sizeof value);
            break;
    }
}

bool isZero(const Field& f, uint32_t bits) {
    if (f.type == kFloat) {
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v == 0.0f;
    }
    return bits == 0;
}

uint32_t storedCount(const KonfigRecord& record, const Field& f) {
    if (f.kind == Kind::Band || f.kind == Kind::Single) {
        return f.capacity;
    }
    uint32_t n = 0;
    while (n < f.capacity && !isZero(f, elementOf(record, f, n))) {
        ++n;
    }
    return n;
}

// Completes a text or list after its last stored element: a text shorter than its field gets
// its terminating zero, a list is cleared behind its elements.
void complete(KonfigRecord& record, const Field& f, uint32_t stored) {
    if (f.kind == Kind::Text) {
        if (stored < f.capacity) {
            store(record, f, stored, 0);
        }
    } else if (f.kind == Kind::List) {
        for (uint32_t j = stored; j < f.capacity; ++j) {
            store(record, f, j, 0);
        }
    }
}

}  // namespace

uint16_t crc16(const uint8_t* bytes, std::size_t size) {
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<uint16_t>(crc ^ (bytes[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                      : static_cast<uint16_t>(crc << 1);
        }
    }
    return crc;
}

uint32_t encode(const KonfigRecord& record, uint8_t* out) {
    uint8_t* data = out + kDirectorySize;
    uint32_t size = 0;
    uint8_t* entry = out;
    for (const Field& f : kFields) {
        const uint32_t count = storedCount(record, f);
        const uint32_t address = k7proto::eeprom::kKonfigData + size;
        for (uint32_t j = 0; j < count; ++j) {
            const uint32_t bits = elementOf(record, f, j);
            for (uint32_t b = 0; b < f.width; ++b) {
                data[size++] = static_cast<uint8_t>(bits >> (8 * b));
            }
        }
        entry[0] = f.key;
        entry[1] = static_cast<uint8_t>(count);
        entry[2] = static_cast<uint8_t>(address & 0xFF);
        entry[3] = static_cast<uint8_t>(f.type << 4 | ((address >> 8) & 0x0F));
        entry += kEntrySize;
    }
    std::memcpy(entry, kTerminator, kEntrySize);
    k7proto::putLe16(data + size, crc16(data, size));
    return size;
}

DecodeResult decode(const uint8_t* area, std::size_t size, uint32_t base, KonfigRecord& record) {
    for (std::size_t pos = 0; pos + kEntrySize <= size; pos += kEntrySize) {
        const uint8_t* entry = area + pos;
        const uint8_t key = entry[0];
        if (key == 0) {
            break;
        }
        const uint32_t type = entry[3] >> 4;
        if (type < kText || type > kFloat) {
            return DecodeResult::BadType;
        }
        const Field* f = fieldOf(key);
        if (f == nullptr) {
            continue;
        }
        const uint32_t address = entry[2] | (entry[3] & 0x0Fu) << 8;
        const uint32_t elementBytes = elementSize(type);
        // Elements beyond the field's capacity would be ignored; they are not read.
        const uint32_t count = entry[1] < f->capacity ? entry[1] : f->capacity;
        uint32_t stored = 0;
        bool inside = address >= base;
        for (; inside && stored < count; ++stored) {
            const std::size_t at = std::size_t{address - base} + std::size_t{stored} * elementBytes;
            if (at > size || size - at < elementBytes) {
                inside = false;
                break;
            }
            uint32_t value = 0;
            for (uint32_t b = 0; b < elementBytes; ++b) {
                value |= static_cast<uint32_t>(area[at + b]) << (8 * b);
            }
            store(record, *f, stored, value);
        }
        // A text stored with count 0 is empty; a list stored with count 0 keeps what the record
        // held.
        if (stored > 0 || (count == 0 && f->kind == Kind::Text)) {
            complete(record, *f, stored);
        }
        if (!inside) {
            break;  // the entry's data leaves the area: nothing behind it can be trusted
        }
    }
    return DecodeResult::Ok;
}

}  // namespace k7::konfig
