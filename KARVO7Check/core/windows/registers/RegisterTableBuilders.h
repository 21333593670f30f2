// Shorthands for writing register tables: each builds one field of RegisterEngine's table.
#pragma once

#include <initializer_list>

#include "windows/registers/RegisterEngine.h"

namespace k7check::regtable {

// A check box for one bit, read and written (or only read).
inline RegisterField check(std::string control, std::string text, int id, uint32_t reg,
                           unsigned bit, bool readOnly = false) {
    RegisterField f;
    f.kind = RegisterKind::Check;
    f.control = std::move(control);
    f.text = std::move(text);
    f.id = id;
    f.read = {{reg, bit, 1, 0}};
    if (!readOnly) {
        f.write = f.read;
    }
    return f;
}

// A read-only check box checked when any of `bits` bits from `shift` is 1.
inline RegisterField anyBit(std::string control, std::string text, int id, uint32_t reg,
                            unsigned shift, unsigned bits) {
    RegisterField f;
    f.kind = RegisterKind::AnyBit;
    f.control = std::move(control);
    f.text = std::move(text);
    f.id = id;
    f.read = {{reg, shift, bits, 0}};
    return f;
}

// A decimal edit read from `read` and written to `write`.
inline RegisterField number(std::string control, std::string text, int id,
                            std::vector<RegisterSlice> read, std::vector<RegisterSlice> write,
                            int chars = 7) {
    RegisterField f;
    f.kind = RegisterKind::Number;
    f.control = std::move(control);
    f.text = std::move(text);
    f.id = id;
    f.read = std::move(read);
    f.write = std::move(write);
    f.chars = chars;
    return f;
}

// A decimal edit on bits of one register, read and written there.
inline RegisterField bits(std::string control, std::string text, int id, uint32_t reg,
                          unsigned shift, unsigned count, int chars = 4) {
    return number(std::move(control), std::move(text), id, {{reg, shift, count, 0}},
                  {{reg, shift, count, 0}}, chars);
}

// A four-digit hexadecimal edit on a whole register.
inline RegisterField hex(std::string control, std::string text, int id, uint32_t reg,
                         bool readOnly = false) {
    RegisterField f;
    f.kind = RegisterKind::Hex;
    f.control = std::move(control);
    f.text = std::move(text);
    f.id = id;
    f.read = {low16(reg)};
    if (!readOnly) {
        f.write = f.read;
    }
    f.chars = 5;
    return f;
}

// A radio row read from `read` and written to `write`.
inline RegisterField radio(RegisterSlice read, RegisterSlice write,
                           std::vector<RegisterChoice> choices, int columns = 0) {
    RegisterField f;
    f.kind = RegisterKind::Radio;
    f.read = {read};
    f.write = {write};
    f.choices = std::move(choices);
    f.columns = columns;
    return f;
}

// One radio button writing `value` and selected by each value of `reads`.
inline RegisterChoice choice(std::string control, std::string text, int id, uint32_t value,
                             std::initializer_list<uint32_t> reads = {}, bool enabled = true) {
    uint32_t mask = reads.size() == 0 ? 1u << value : 0u;
    for (const uint32_t v : reads) {
        mask |= 1u << v;
    }
    return {std::move(control), std::move(text), id, value, mask, enabled};
}

// A field that is only shown (never read, never written): "Anzahl".
inline RegisterField plain(std::string control, std::string text, int id, int chars = 7) {
    return number(std::move(control), std::move(text), id, {}, {}, chars);
}

inline RegisterField readOnly(RegisterField f) {
    f.write.clear();
    return f;
}

}  // namespace k7check::regtable
