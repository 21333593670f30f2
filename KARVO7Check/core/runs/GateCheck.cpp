#include "runs/GateCheck.h"

#include "Format.h"
#include "stream/ResultWalkers.h"

namespace k7check {

namespace {

// The set whose identification the record carries: the first active set 1..7 with it.
int setOf(int16_t kennung, const GateCheckInput& input) {
    for (uint32_t s = 1; s < kSetsPerCard; ++s) {
        if (input.active[s] && input.ids[s] == kennung) {
            return static_cast<int>(s);
        }
    }
    return -1;
}

}  // namespace

GateCheckResult checkGates(std::span<const uint8_t> fetched, const GateCheckInput& input) {
    GateCheckResult result;
    if (fetched.empty()) {
        return result;
    }
    const uint8_t kind =
        stream::startsWithPrefix(fetched) ? (fetched.size() > 8 ? fetched[8] : 0) : fetched[0];
    if (kind != stream::kTypeGates) {
        result.kind = GateCheckResult::Kind::NoGates;
        result.text = formatText("Keine Blenden! Kennung %X", kind);
        return result;
    }
    stream::RecordResultWalker walker(fetched);
    stream::ResultItem item;
    uint32_t count = 0;
    while (walker.next(item)) {
        if (item.kind != stream::ResultItem::Kind::Record) {
            continue;
        }
        ++count;
        const int set = setOf(item.record.kennung, input);
        if (set < 0) {
            result.kind = GateCheckResult::Kind::WrongKennung;
            result.text = formatText("Falsche Kennung %d", item.record.kennung);
            return result;
        }
        const ParameterSet& limits = (*input.sets)[static_cast<uint32_t>(set)];
        for (uint32_t n = 1; n <= 4; ++n) {
            const stream::GateSlot& slot = item.record.slots[n - 1];
            if (!slot.present()) {
                continue;
            }
            const int32_t position = slot.time / 2;
            const GateSetting& gate = limits.gates[n];
            if (position < gate.anfang || position > gate.ende) {
                result.kind = GateCheckResult::Kind::OutsideTheGate;
                result.text = formatText("Block %llu Satz %u B%u %d - %d - %d ",
                                         static_cast<unsigned long long>(input.cycle + 1), count, n,
                                         gate.anfang, position, gate.ende);
                return result;
            }
        }
    }
    return result;
}

}  // namespace k7check
