#include "FieldBinder.h"

#include <cstdio>
#include <cstring>

#include "NumberText.h"

namespace k7check {

int64_t IntegerRef::get() const {
    switch (size_) {
        case 1:
            return signed_ ? int64_t{*static_cast<int8_t*>(field_)}
                           : int64_t{*static_cast<uint8_t*>(field_)};
        case 2:
            return signed_ ? int64_t{*static_cast<int16_t*>(field_)}
                           : int64_t{*static_cast<uint16_t*>(field_)};
        case 4:
            return signed_ ? int64_t{*static_cast<int32_t*>(field_)}
                           : int64_t{*static_cast<uint32_t*>(field_)};
        default:
            return *static_cast<int64_t*>(field_);
    }
}

void IntegerRef::set(int64_t value) const {
    // Same bits whatever the signedness: the two's-complement low bytes.
    const auto bits = static_cast<uint64_t>(value);
    switch (size_) {
        case 1: {
            const auto v = static_cast<uint8_t>(bits);
            std::memcpy(field_, &v, 1);
            break;
        }
        case 2: {
            const auto v = static_cast<uint16_t>(bits);
            std::memcpy(field_, &v, 2);
            break;
        }
        case 4: {
            const auto v = static_cast<uint32_t>(bits);
            std::memcpy(field_, &v, 4);
            break;
        }
        default:
            std::memcpy(field_, &bits, 8);
            break;
    }
}

// ---- reading -----------------------------------------------------------------------------

void ReadBinder::integer(const std::string& control, IntegerRef field, int hexDigits) {
    const auto text = controls_.editText(control);
    if (!text) {
        return;
    }
    if (hexDigits > 0) {
        const auto value = parseHex(*text);
        value ? field.set(static_cast<int64_t>(*value)) : invalid_.push_back(control);
    } else {
        const auto value = parseInteger(*text);
        value ? field.set(*value) : invalid_.push_back(control);
    }
}

void ReadBinder::decimal(const std::string& control, double& field, int /*decimals*/) {
    const auto text = controls_.editText(control);
    if (!text) {
        return;
    }
    const auto value = parseDecimal(*text);
    value ? void(field = *value) : invalid_.push_back(control);
}

void ReadBinder::text(const std::string& control, std::string& field, std::size_t width) {
    if (const auto text = controls_.editText(control)) {
        field = cutText(*text, width);
    }
}

void ReadBinder::check(const std::string& control, bool& field) {
    if (const auto on = controls_.checked(control)) {
        field = *on;
    }
}

void ReadBinder::radio(const std::vector<std::string>& controls, int& selected) {
    int found = -1;
    bool any = false;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto on = controls_.checked(controls[i]);
        any = any || on.has_value();
        if (on.value_or(false) && found < 0) {
            found = static_cast<int>(i);
        }
    }
    if (any) {
        selected = found;
    }
}

void ReadBinder::list(const std::string& control, const std::vector<std::string>& /*lines*/,
                      int& selection) {
    if (const auto row = controls_.listSelection(control)) {
        selection = *row;
    }
}

// ---- writing -----------------------------------------------------------------------------

void WriteBinder::integer(const std::string& control, IntegerRef field, int hexDigits) {
    const int64_t value = field.get();
    if (hexDigits > 0) {
        const uint64_t mask = field.bits() >= 64 ? ~uint64_t{0} : (uint64_t{1} << field.bits()) - 1;
        controls_.setEditText(control, formatHex(static_cast<uint64_t>(value) & mask, hexDigits));
    } else {
        controls_.setEditText(control, std::to_string(value));
    }
}

void WriteBinder::decimal(const std::string& control, double& field, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, field);
    controls_.setEditText(control, text);
}

void WriteBinder::text(const std::string& control, std::string& field, std::size_t width) {
    controls_.setEditText(control, cutText(field, width));
}

void WriteBinder::check(const std::string& control, bool& field) {
    controls_.setChecked(control, field);
}

void WriteBinder::radio(const std::vector<std::string>& controls, int& selected) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        controls_.setChecked(controls[i], static_cast<int>(i) == selected);
    }
}

void WriteBinder::label(const std::string& control, const std::string& text) {
    controls_.setLabel(control, text);
}

void WriteBinder::list(const std::string& control, const std::vector<std::string>& lines,
                       int& selection) {
    controls_.setList(control, lines, selection);
}

void WriteBinder::enabled(const std::string& control, bool enabled) {
    controls_.setEnabled(control, enabled);
}

}  // namespace k7check
