#include "profile/UserProfile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "k7base/Files.h"
#include "k7base/Paths.h"
#include "paramfile/IniFile.h"

namespace k7check {

namespace {

std::string fileNameOf(const std::string& path) {
    const size_t slash = k7base::lastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    const size_t slash = k7base::lastSeparator(path);
    return slash == std::string::npos ? std::string{} : path.substr(0, slash);
}

bool readWhole(const std::string& path, std::string& bytes) {
    std::ifstream in(k7base::nativePath(path), std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return !in.bad();
}

// The sections whose "Filename" names a file the checks read (the identification reference
// file and the DSP program image).
constexpr const char* kFileSections[] = {"Kennung", "DSP"};

// The example's bytes with every relative file name that names a file in `folder` made absolute.
std::string withShippedFilesAbsolute(const std::string& bytes, const std::string& folder) {
    IniFile ini = IniFile::parse(bytes);
    for (const char* section : kFileSections) {
        const std::optional<std::string> name = ini.value(section, "Filename");
        if (name && !name->empty() && !k7base::isAbsolutePath(*name) &&
            k7base::isRegularFile(folder + "/" + *name)) {
            ini.set(section, "Filename", folder + "/" + *name);
        }
    }
    return ini.bytes();
}

// Makes `copy` from `example`; false when anything fails (nothing is left behind then).
bool seedFromExample(const std::string& example, const std::string& copy) {
    std::string bytes;
    if (!readWhole(example, bytes)) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(k7base::nativePath(folderOf(copy)), error);
    if (error) {
        return false;
    }
    return k7base::writeFileAtomically(copy, withShippedFilesAbsolute(bytes, folderOf(example)));
}

}  // namespace

std::string userConfigFolder(const char* xdgConfigHome, const char* home) {
    // Relative paths in these variables are invalid and ignored, as every desktop program does.
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
        return std::string(xdgConfigHome) + "/karvo7";
    }
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config/karvo7";
    }
    return {};
}

std::string exampleFolder(const std::string& executablePath) {
    const std::string bin = folderOf(executablePath);
    const std::string prefix = folderOf(bin);
    if (bin.empty() || !k7base::isAbsolutePath(executablePath)) {
        return {};
    }
    return prefix + "/share/karvo7/";
}

std::string chooseProfileFile(const std::string& besideProgram, const std::string& executablePath,
                              const std::string& configFolder) {
    if (k7base::isRegularFile(besideProgram)) {
        return besideProgram;
    }
    const std::string name = fileNameOf(besideProgram);
    const std::string userCopy = configFolder.empty() ? std::string{} : configFolder + "/" + name;
    if (!userCopy.empty() && k7base::isRegularFile(userCopy)) {
        return userCopy;
    }
    const std::string examples = exampleFolder(executablePath);
    const std::string example = examples.empty() ? std::string{} : examples + name;
    if (example.empty() || !k7base::isRegularFile(example)) {
        return besideProgram;
    }
    if (!userCopy.empty() && seedFromExample(example, userCopy)) {
        return userCopy;
    }
    return example;
}

}  // namespace k7check
