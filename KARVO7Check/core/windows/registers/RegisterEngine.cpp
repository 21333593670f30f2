#include "windows/registers/RegisterEngine.h"

#include <algorithm>
#include <set>

namespace k7check {

namespace {

uint64_t maskOf(unsigned bits) {
    return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
}

}  // namespace

unsigned RegisterField::width() const {
    const auto& slices = read.empty() ? write : read;
    unsigned width = 0;
    for (const RegisterSlice& slice : slices) {
        width = std::max(width, slice.at + slice.bits);
    }
    return width;
}

RegisterEngine::RegisterEngine(const RegisterTable& table) : table_(table) {
    for (const RegisterGroup& group : table_.groups) {
        for (const RegisterField& field : group.fields) {
            fields_.push_back(&field);
            groupOf_.push_back(&group);
        }
    }
    values_.resize(fields_.size());
}

std::optional<size_t> RegisterEngine::fieldOf(const std::string& control) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const RegisterField& field = *fields_[i];
        if (field.kind != RegisterKind::Radio && field.control == control) {
            return i;
        }
        for (const RegisterChoice& choice : field.choices) {
            if (choice.control == control) {
                return i;
            }
        }
    }
    return std::nullopt;
}

RegisterValue& RegisterEngine::value(const std::string& control) {
    return values_.at(fieldOf(control).value());
}

std::string RegisterEngine::fieldName(size_t field) const {
    const std::string& title = groupOf_.at(field)->title;
    const std::string& text = fields_.at(field)->text;
    return title.empty() ? text : title + ": " + text;
}

std::string RegisterEngine::fieldLabel(size_t field) const {
    const std::string& text = fields_.at(field)->text;
    const auto same = std::count_if(fields_.begin(), fields_.end(),
                                    [&](const RegisterField* f) { return f->text == text; });
    return same > 1 ? fieldName(field) : text;
}

std::vector<uint32_t> RegisterEngine::readRegisters() const {
    std::set<uint32_t> registers;
    for (const RegisterField* field : fields_) {
        for (const RegisterSlice& slice : field->read) {
            registers.insert(slice.reg);
        }
    }
    return {registers.begin(), registers.end()};
}

void RegisterEngine::decompose(const std::map<uint32_t, uint32_t>& registers) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const RegisterField& field = *fields_[i];
        if (field.read.empty()) {
            continue;
        }
        uint64_t raw = 0;
        for (const RegisterSlice& slice : field.read) {
            const auto it = registers.find(slice.reg);
            const uint64_t reg = it == registers.end() ? 0 : (it->second & 0xFFFFu);
            raw |= ((reg >> slice.shift) & maskOf(slice.bits)) << slice.at;
        }
        RegisterValue& value = values_[i];
        switch (field.kind) {
            case RegisterKind::Check:
            case RegisterKind::AnyBit:
                value.on = raw != 0;
                break;
            case RegisterKind::Radio:
                value.selected = -1;
                for (size_t c = 0; c < field.choices.size(); ++c) {
                    if (raw < 32 && (field.choices[c].reads >> raw & 1u) != 0) {
                        value.selected = static_cast<int>(c);
                        break;
                    }
                }
                break;
            case RegisterKind::Number:
            case RegisterKind::Hex:
                value.number = static_cast<int64_t>(raw);
                break;
        }
    }
}

uint32_t RegisterEngine::writtenValue(size_t index) const {
    const RegisterField& field = *fields_.at(index);
    const RegisterValue& value = values_.at(index);
    switch (field.kind) {
        case RegisterKind::Check:
        case RegisterKind::AnyBit:
            return value.on ? 1u : 0u;
        case RegisterKind::Radio:
            return value.selected >= 0 && static_cast<size_t>(value.selected) < field.choices.size()
                       ? field.choices[static_cast<size_t>(value.selected)].value
                       : 0u;
        case RegisterKind::Number:
        case RegisterKind::Hex:
            break;
    }
    const uint64_t mask = maskOf(field.width());
    if (field.rule == WriteRule::Clamp) {
        return static_cast<uint32_t>(
            std::clamp<int64_t>(value.number, 0, static_cast<int64_t>(mask)));
    }
    return static_cast<uint32_t>(static_cast<uint64_t>(value.number) & mask);
}

std::vector<std::pair<uint32_t, uint32_t>> RegisterEngine::compose(
    const std::function<bool(size_t field)>& skip) const {
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    for (const uint32_t reg : table_.writeOrder) {
        uint64_t composed = 0;
        bool left = false;
        bool any = false;
        for (size_t i = 0; i < fields_.size(); ++i) {
            for (const RegisterSlice& slice : fields_[i]->write) {
                if (slice.reg != reg) {
                    continue;
                }
                any = true;
                if (skip && skip(i)) {
                    left = true;
                    continue;
                }
                composed |= ((uint64_t{writtenValue(i)} >> slice.at) & maskOf(slice.bits))
                            << slice.shift;
            }
        }
        if (any && !left) {
            writes.emplace_back(reg, static_cast<uint32_t>(composed & 0xFFFFu));
        }
    }
    return writes;
}

bool RegisterEngine::selectRadio(const std::string& control) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const RegisterField& field = *fields_[i];
        if (field.kind != RegisterKind::Radio) {
            continue;
        }
        for (size_t c = 0; c < field.choices.size(); ++c) {
            if (field.choices[c].control == control) {
                values_[i].selected = static_cast<int>(c);
                return true;
            }
        }
    }
    return false;
}

void RegisterEngine::bindField(FieldBinder& binder, size_t index) {
    const RegisterField& field = *fields_.at(index);
    RegisterValue& value = values_.at(index);
    switch (field.kind) {
        case RegisterKind::Check:
        case RegisterKind::AnyBit:
            binder.check(field.control, value.on);
            break;
        case RegisterKind::Radio: {
            std::vector<std::string> controls;
            for (const RegisterChoice& choice : field.choices) {
                controls.push_back(choice.control);
            }
            binder.radio(controls, value.selected);
            for (const RegisterChoice& choice : field.choices) {
                binder.enabled(choice.control, choice.enabled && !field.readOnly());
            }
            return;
        }
        case RegisterKind::Number:
            // A number the field's bits hold as typed, or the entry is refused.
            binder.number(field.control, fieldLabel(index), value.number, 0,
                          static_cast<int64_t>(maskOf(field.width())));
            break;
        case RegisterKind::Hex:
            // The window shows the register's bits: a hex entry keeps those it has room for.
            binder.maskedHex(field.control, fieldLabel(index), value.number, 4);
            break;
    }
    binder.enabled(field.control, !field.readOnly());
}

void RegisterEngine::bind(FieldBinder& binder) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        bindField(binder, i);
    }
}

FormLayout RegisterEngine::layout(std::vector<FormControl> buttons) const {
    FormLayout form;
    for (const RegisterGroup& group : table_.groups) {
        FormGroup out{group.title, group.column, group.columns, {}};
        for (const RegisterField& field : group.fields) {
            switch (field.kind) {
                case RegisterKind::Check:
                case RegisterKind::AnyBit:
                    out.items.push_back(formCheck(field.control, field.text, !field.readOnly()));
                    break;
                case RegisterKind::Radio: {
                    FormItem row;
                    row.columns = field.columns;
                    row.wide = true;
                    for (const RegisterChoice& choice : field.choices) {
                        row.controls.push_back({FormControl::Kind::Radio, choice.control,
                                                choice.text, 0,
                                                choice.enabled && !field.readOnly()});
                    }
                    out.items.push_back(std::move(row));
                    break;
                }
                case RegisterKind::Number:
                case RegisterKind::Hex:
                    out.items.push_back(
                        formEdit(field.control, field.text, field.chars, !field.readOnly()));
                    break;
            }
        }
        form.groups.push_back(std::move(out));
    }
    form.buttons = std::move(buttons);
    return form;
}

}  // namespace k7check
