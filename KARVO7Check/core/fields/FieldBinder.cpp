#include "fields/FieldBinder.h"

#include <cstdint>

#include "numbers/NumberText.h"

namespace k7check {

// ---- reading -----------------------------------------------------------------------------

void ReadBinder::integer(const std::string& control, const std::string& label, IntegerRef field,
                         const IntegerRule& rule) {
    const auto text = controls_.editText(control);
    if (!text) {
        return;
    }
    std::optional<int64_t> value;
    if (rule.range.hexDigits > 0) {
        if (const auto hex = parseHex(*text)) {
            if (rule.masked) {
                // The register keeps the bits of its width, as the window's bit boxes show.
                const uint64_t mask =
                    field.bits() >= 64 ? ~uint64_t{0} : (uint64_t{1} << field.bits()) - 1;
                value = static_cast<int64_t>(*hex & mask);
            } else if (*hex <= static_cast<uint64_t>(INT64_MAX)) {
                value = static_cast<int64_t>(*hex);
            }
        }
    } else {
        value = parseInteger(*text);
    }
    // The declared range never reaches beyond the field's type.
    const IntegerRange type = field.range();
    if (!value || (!rule.masked && (!rule.range.holds(*value) || !type.holds(*value)))) {
        refused_.push_back({control, refusalText(label, rule.range)});
        return;
    }
    if (taking()) {
        field.set(*value);
    }
}

void ReadBinder::decimal(const std::string& control, const std::string& label, double& field,
                         int decimals, double min, double max) {
    const auto text = controls_.editText(control);
    if (!text) {
        return;
    }
    const auto value = parseDecimal(*text);
    if (!value || *value < min || *value > max) {
        refused_.push_back({control, refusalText(label, min, max, decimals)});
        return;
    }
    if (taking()) {
        field = *value;
    }
}

void ReadBinder::text(const std::string& control, std::string& field, std::size_t width) {
    if (const auto text = controls_.editText(control); text && taking()) {
        field = cutText(*text, width);
    }
}

void ReadBinder::check(const std::string& control, bool& field) {
    if (const auto on = controls_.checked(control); on && taking()) {
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
    if (any && taking()) {
        selected = found;
    }
}

void ReadBinder::list(const std::string& control, const std::vector<std::string>& /*lines*/,
                      int& selection) {
    if (const auto row = controls_.listSelection(control); row && taking()) {
        selection = *row;
    }
}

// ---- writing -----------------------------------------------------------------------------

void WriteBinder::integer(const std::string& control, const std::string& /*label*/,
                          IntegerRef field, const IntegerRule& rule) {
    const int64_t value = field.get();
    const int hexDigits = rule.range.hexDigits;
    if (hexDigits > 0) {
        const uint64_t mask = field.bits() >= 64 ? ~uint64_t{0} : (uint64_t{1} << field.bits()) - 1;
        controls_.setEditText(control, formatHex(static_cast<uint64_t>(value) & mask, hexDigits));
    } else {
        controls_.setEditText(control, std::to_string(value));
    }
}

void WriteBinder::decimal(const std::string& control, const std::string& /*label*/, double& field,
                          int decimals, double /*min*/, double /*max*/) {
    controls_.setEditText(control, formatFixed(field, decimals));
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

void WriteBinder::unavailable(const std::string& control, const std::string& reason) {
    controls_.setEnabled(control, false);
    controls_.setToolTip(control, reason);
}

}  // namespace k7check
