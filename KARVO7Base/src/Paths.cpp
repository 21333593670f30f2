#include "k7base/Paths.h"

namespace k7base {

bool isRegularFile(const std::string& name) {
    return fileKindOf(name) == FileKind::Regular;
}

bool isOtherThanRegularFile(const std::string& name) {
    const FileKind kind = fileKindOf(name);
    return kind != FileKind::Missing && kind != FileKind::Regular;
}

std::string nameBeside(const std::string& name, const std::string& file) {
    if (name.find_first_not_of(" \t") == std::string::npos || isAbsolutePath(name)) {
        return name;
    }
    const std::size_t slash = lastSeparator(file);
    return slash == std::string::npos ? name : file.substr(0, slash + 1) + name;
}

}  // namespace k7base
