#include "k7base/Files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "k7base/Descriptors.h"
#include "k7base/Paths.h"

namespace k7base {

namespace {

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool failed(std::string* error, const std::string& file, const std::string& why) {
    if (error != nullptr) {
        *error = file + ": " + why;
    }
    return false;
}

bool failedWithErrno(std::string* error, const std::string& file) {
    return failed(error, file, std::strerror(errno));
}

}  // namespace

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::fail(std::string* error, std::string why, const std::string& file) {
    reason_ = std::move(why);
    return failed(error, file, reason_);
}

std::int64_t AtomicFile::size() const {
    return fd_ >= 0 ? descriptorSize(fd_) : -1;
}

bool AtomicFile::keepFirst(std::uint64_t bytes) {
    return fd_ >= 0 && truncateDescriptor(fd_, bytes);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    AtomicFile file;
    if (!file.open(path, error)) {
        return false;
    }
    if (!file.write(bytes)) {
        const std::string temporary = file.temporaryPath().empty() ? path : file.temporaryPath();
        const int saved = errno;
        file.discard();
        errno = saved;
        return failedWithErrno(error, temporary);
    }
    return file.commit(error);
}

std::string resolveProfilePath(const std::string& file, const std::string& executablePath) {
    if (file.empty() || isAbsolutePath(file)) {
        return file;
    }
    const size_t slash = lastSeparator(executablePath);
    if (slash == std::string::npos) {
        return file;
    }
    return executablePath.substr(0, slash + 1) + file;
}

std::string matchFileName(const std::string& path) {
    std::error_code error;
    if (std::filesystem::exists(nativePath(path), error)) {
        return path;
    }
    const size_t slash = lastSeparator(path);
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string wanted = lowered(slash == std::string::npos ? path : path.substr(slash + 1));
    std::string found;
    int matches = 0;
    for (const auto& entry : std::filesystem::directory_iterator(nativePath(folder), error)) {
        const std::string name = nameOf(entry.path().filename());
        if (lowered(name) == wanted) {
            found = name;
            ++matches;
        }
    }
    if (matches != 1) {
        return path;
    }
    return slash == std::string::npos ? found : folder + found;
}

}  // namespace k7base
