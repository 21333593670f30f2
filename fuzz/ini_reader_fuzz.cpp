// The INI reader on arbitrary bytes: it must read nothing beyond them, give back exactly the
// bytes it was given, and read back what a write put into any file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "paramfile/IniFile.h"

namespace {

bool plainValue(std::string_view v) {
    if (v.empty()) {
        return true;
    }
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    return !blank(v.front()) && !blank(v.back()) && v.front() != '"' && v.front() != '\'';
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The first bytes choose a section, a key and a value for a write; all bytes are the file.
    const size_t a = size > 0 ? data[0] % 8 : 0;
    const size_t b = size > 1 ? data[1] % 8 : 0;
    const size_t c = size > 2 ? data[2] % 16 : 0;
    const std::string_view rest = bytes.substr(size < 3 ? size : 3);
    const std::string section(rest.substr(0, a));
    const std::string key(rest.substr(a < rest.size() ? a : rest.size(), b));
    const std::string value(rest.substr(a + b < rest.size() ? a + b : rest.size(), c));

    k7check::IniFile ini = k7check::IniFile::parse(bytes);
    check(ini.bytes() == bytes);
    (void)ini.getInt(section, key, 0);
    (void)ini.value(section, key);
    (void)k7check::profileIntOf(rest);

    if (ini.set(section, key, value)) {
        const auto back = ini.value(section, key);
        check(back.has_value());
        if (plainValue(value)) {
            check(*back == value);
        }
        const k7check::IniFile reread = k7check::IniFile::parse(ini.bytes());
        check(reread.value(section, key) == back);
        check(reread.bytes() == ini.bytes());
    }
    return 0;
}
