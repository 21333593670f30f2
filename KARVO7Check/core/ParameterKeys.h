// The keys of one parameter set in the parameter file, in file order, each with the width of
// the field it fills. Reading and writing walk this one table, so the order, the widths and
// the defaults (those of a fresh ParameterSet) cannot drift apart.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ParameterSet.h"

namespace k7check {

enum class FieldKind {
    Int32,      // signed 32-bit, written signed
    UInt32,     // unsigned 32-bit
    UInt16,     // unsigned 16-bit, truncated on read
    UInt8,      // unsigned 8-bit, truncated on read
    Bool,       // "yes" / "no"
    Threshold,  // unsigned 16-bit held as 16 x the file value
};

struct ParameterKey {
    const char* key;
    FieldKind kind;
    void* (*field)(ParameterSet& set);
};

std::span<const ParameterKey> parameterKeys();

// The file text of a field and the field from a file value (booleans: first character 'n' or
// 'N' is false, anything else true; an empty value keeps `fallback`).
std::string fieldText(const ParameterKey& key, ParameterSet& set);
void setField(const ParameterKey& key, ParameterSet& set, const std::string& value,
              ParameterSet& fallback);

// Booleans of the parameter file.
bool profileBool(const std::string& value, bool fallback);
const char* yesNo(bool value);

}  // namespace k7check
