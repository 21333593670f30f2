// A set as the card takes it, between the operations' own record and the C interface's
// K7OpsSet: the check program and karvo7 hand their sets to the C interface's shot and stream
// functions, which take them back as the card takes them.
#pragma once

#include <cstring>

#include "KARVO7Ops.h"
#include "card/SetToCard.h"

namespace k7check {

inline K7OpsSet opsRecordOf(const CardRecord& r) {
    K7OpsSet record;
    std::memset(&record, 0, sizeof record);
    record.measure = r.measure;
    record.special = r.special;
    record.verstaerkung = r.verstaerkung;
    record.gates = r.gates;
    record.triggerDelay = r.triggerDelay;
    record.trigger25ns = r.trigger25ns ? 1 : 0;
    record.externalClock = r.externalClock ? 1 : 0;
    record.esbLevel = r.esbLevel;
    record.esbTime = r.esbTime;
    record.esbRelativ = r.esbRelativ ? 1 : 0;
    record.esbAlways = r.esbAlways ? 1 : 0;
    return record;
}

inline CardRecord cardRecordOf(const K7OpsSet& record) {
    CardRecord r;
    r.measure = record.measure;
    r.special = record.special;
    r.verstaerkung = record.verstaerkung;
    r.gates = record.gates;
    r.triggerDelay = record.triggerDelay;
    r.trigger25ns = record.trigger25ns != 0;
    r.externalClock = record.externalClock != 0;
    r.esbLevel = record.esbLevel;
    r.esbTime = record.esbTime;
    r.esbRelativ = record.esbRelativ != 0;
    r.esbAlways = record.esbAlways != 0;
    return r;
}

}  // namespace k7check
