#include "paramfile/SetFile.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "k7base/RegularFile.h"
#include "paramfile/IniFile.h"
#include "paramfile/SetSection.h"

namespace k7check {

SetFileRead checkParameterText(std::string_view name, std::string_view text) {
    if (text.empty()) {
        return {SetFileFault::NotText, std::string(name) + ": the parameter file is empty"};
    }
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        const auto line =
            1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(nul), '\n');
        return {SetFileFault::NotText, std::string(name) + ": line " + std::to_string(line) +
                                           ": not a parameter file (binary data)"};
    }
    return {};
}

SetFileRead readSetFromFile(const std::string& path, const std::string& section, ParameterSet& set,
                            bool& active) {
    set = ParameterSet{};
    active = false;
    std::string text;
    std::string why;
    if (!k7base::readRegularFile(path, text, &why)) {
        return {SetFileFault::Unreadable,
                errno == EINVAL ? path + ": not a regular file (a FIFO or a device)" : why};
    }
    if (SetFileRead refused = checkParameterText(path, text); !refused.ok()) {
        return refused;
    }
    const IniFile file = IniFile::parse(text);
    if (!file.hasSection(section)) {
        return {SetFileFault::NoSection, path + ": no section [" + section + "]"};
    }
    readSet(file, section, set, active);
    return {};
}

}  // namespace k7check
