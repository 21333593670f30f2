// The parameter file through the C interface on arbitrary bytes: parsed whole, its bytes handed
// back unchanged, a value set read back as set, and every other key reading after the edit (and
// after the edited bytes are parsed anew) as it read before. The first bytes pick the section,
// the key and the value of the edit; the rest is the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "KARVO7Ops.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string bytesOf(const K7OpsProfile* profile) {
    uint64_t size = 0;
    uint32_t error = 0;
    K7OpsProfileBytes(profile, nullptr, 0, &size, &error);
    std::string bytes(size, '\0');
    check(K7OpsProfileBytes(profile, bytes.data(), bytes.size(), &size, &error) == 1);
    check(error == 0 && size == bytes.size());
    return bytes;
}

std::optional<std::string> valueOf(const K7OpsProfile* profile, const std::string& section,
                                   const std::string& key) {
    uint64_t length = 0;
    int32_t found = -1;
    uint32_t error = 1;
    check(K7OpsProfileValue(profile, section.c_str(), key.c_str(), nullptr, 0, &length, &found,
                            &error) == 1);
    check(error == 0 && (found == 0 || found == 1));
    if (found == 0) {
        check(length == 0);
        return std::nullopt;
    }
    std::string value(length + 1, '\0');
    check(K7OpsProfileValue(profile, section.c_str(), key.c_str(), value.data(), value.size(),
                            &length, &found, &error) == 1);
    check(length + 1 == value.size() && value[length] == '\0');
    value.resize(length);
    return value;
}

// The section and key names of the text's lines, as a line's text up to '=' or ']'; a NUL
// ends a name, as it ends a name handed to the interface.
struct Name {
    std::string section;
    std::string key;
};

std::vector<Name> namesIn(const std::string& text) {
    std::vector<Name> names;
    std::string section;
    std::size_t start = 0;
    while (start < text.size() && names.size() < 64) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t open = line.find('[');
        const std::size_t equals = line.find('=');
        if (open != std::string::npos && (equals == std::string::npos || open < equals)) {
            section = line.substr(open + 1, line.find(']', open) - open - 1);
            section = section.substr(0, section.find('\0'));
        } else if (equals != std::string::npos) {
            std::string key = line.substr(0, equals);
            names.push_back({section, key.substr(0, key.find('\0'))});
        }
    }
    return names;
}

// A name as names compare: without the blanks around it, ASCII letters in lower case.
std::string nameOf(std::string name) {
    const char* const blanks = " \t\r\v\f";
    name.erase(0, std::min(name.size(), name.find_first_not_of(blanks)));
    name.erase(name.find_last_not_of(blanks) + 1);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

const char* const kSections[] = {"Init", "Karte1-Satz0", "a", "A ", "x]"};
const char* const kKeys[] = {"TimeOut", "IFF", "a", " A", ";c", "k=v"};
const char* const kValues[] = {"", "12", "\"q\"", " v ", "two\nlines", "\xEF\xBB\xBF"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t pick = size > 0 ? data[0] : 0;
    const char* text = size > 0 ? reinterpret_cast<const char*>(data + 1) : nullptr;
    const std::string input(text == nullptr ? "" : text, size > 0 ? size - 1 : 0);
    uint32_t error = 1;
    K7OpsProfile* profile = K7OpsProfileParse(text, input.size(), &error);
    check(profile != nullptr && error == 0);
    check(bytesOf(profile) == input);

    // The keys the file holds, and the edit's names: one of the file's own or a fixed one.
    std::vector<Name> names = namesIn(input);
    for (const char* section : kSections) {
        for (const char* key : kKeys) {
            names.push_back({section, key});
        }
    }
    std::vector<std::optional<std::string>> before;
    for (const Name& name : names) {
        before.push_back(valueOf(profile, name.section, name.key));
    }
    const Name edit = names[pick % names.size()];
    const std::string value = kValues[(pick >> 4) % std::size(kValues)];

    const int set = K7OpsProfileSetValue(profile, edit.section.c_str(), edit.key.c_str(),
                                         value.data(), value.size(), &error);
    if (set == 0) {
        // Refused: nothing changed.
        check(error == K7OPS_ERROR_ARGUMENT && bytesOf(profile) == input);
        K7OpsProfileFree(profile);
        return 0;
    }
    check(error == 0);
    // What was set reads back: blanks around it and a pair of quotes go as on any read.
    const auto read = valueOf(profile, edit.section, edit.key);
    check(read.has_value());
    const std::string bytes = bytesOf(profile);
    K7OpsProfile* again = K7OpsProfileParse(bytes.data(), bytes.size(), &error);
    check(again != nullptr && bytesOf(again) == bytes);
    check(valueOf(again, edit.section, edit.key) == read);
    if (value.find_first_of(" \t\"") == std::string::npos) {
        check(*read == value);
    }

    // Every other key reads as before, in the edited profile and in its bytes parsed anew; a
    // key of the edit's section and name (case and blanks aside) reads the edit's value.
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto now = valueOf(profile, names[i].section, names[i].key);
        const bool edited = nameOf(names[i].section) == nameOf(edit.section) &&
                            nameOf(names[i].key) == nameOf(edit.key);
        check(now == (edited ? read : before[i]));
        check(valueOf(again, names[i].section, names[i].key) == now);
    }
    K7OpsProfileFree(again);
    K7OpsProfileFree(profile);
    return 0;
}
