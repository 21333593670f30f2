// Fault lookup.
#include "Faults.h"

namespace k7sim {

std::optional<uint32_t> Faults::request(uint32_t code) {
    for (auto it = list_.begin(); it != list_.end(); ++it) {
        if (it->kind == Fault::Kind::Request && it->code == code) {
            const uint32_t word = it->word;
            if (!it->always) {
                list_.erase(it);
            }
            return word;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> Faults::command(uint32_t code, bool hasWord, uint32_t firstWord) {
    for (auto it = list_.begin(); it != list_.end(); ++it) {
        if (it->kind != Fault::Kind::Command || it->code != code) {
            continue;
        }
        if (it->matchValue && (!hasWord || firstWord != it->value)) {
            continue;
        }
        const uint32_t word = it->word;
        if (!it->always) {
            list_.erase(it);
        }
        return word;
    }
    return std::nullopt;
}

const Fault* Faults::find(Fault::Kind kind) const {
    for (const auto& f : list_) {
        if (f.kind == kind) {
            return &f;
        }
    }
    return nullptr;
}

std::optional<uint8_t> Faults::readBack(uint32_t address) const {
    for (const auto& f : list_) {
        if (f.kind == Fault::Kind::EepromReadBack && f.index == address) {
            return static_cast<uint8_t>(f.value);
        }
    }
    return std::nullopt;
}

}  // namespace k7sim
