#include "DspFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "k7base/Paths.h"

namespace karvo7 {

namespace {

// The refused line of a .hex file, when that is what the check program's text says.
size_t badHexLine(const std::string& text) {
    const size_t digits = text.find_first_of("0123456789");
    if (digits == std::string::npos) {
        return 0;
    }
    const size_t line = std::strtoul(text.c_str() + digits, nullptr, 10);
    return k7check::dspBadHexLineText(line) == text ? line : 0;
}

// Why the check program refused the file, in English.
std::string english(const std::string& text) {
    if (text == k7check::kDspNoValidExtension) {
        return "holds no program words";
    }
    if (text == k7check::kDspTooLarge) {
        return "the program is too large: at most 255 blocks of 128 bytes (32640 bytes)";
    }
    if (text == k7check::kDspNoMemory) {
        return "out of memory";
    }
    if (const size_t line = badHexLine(text); line != 0) {
        return "line " + std::to_string(line) + " is not a 16-bit word of four hexadecimal digits";
    }
    return "cannot be read";
}

k7check::DspImageRead refused(const std::string& path, const std::string& why) {
    k7check::DspImageRead read;
    read.error = path + ": " + why;
    return read;
}

}  // namespace

k7check::DspImageRead readProgramFile(const std::string& path) {
    uint64_t size = 0;
    const k7base::FileKind kind = k7base::fileKindOf(path, &size);
    if (kind == k7base::FileKind::Missing) {
        return refused(path, std::strerror(errno));
    }
    if (kind != k7base::FileKind::Regular) {
        return refused(path, kind == k7base::FileKind::Folder
                                 ? "a folder, not a program file"
                                 : "not a regular file (a FIFO or a device)");
    }
    if (k7check::dspFileKindOf(path) == k7check::DspFileKind::Unknown) {
        return refused(path, "not a DSP program: the name must end in .hex or .bin");
    }
    if (size == 0) {
        return refused(path, "the file is empty");
    }
    k7check::DspImageRead read = k7check::readDspImage(path);
    if (!read.ok()) {
        read.error = path + ": " + english(read.error);
    }
    return read;
}

}  // namespace karvo7
