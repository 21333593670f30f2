#include "system/Paths.h"

namespace k7check {

bool isRegularFile(const std::string& name) {
    return fileKindOf(name) == FileKind::Regular;
}

bool isOtherThanRegularFile(const std::string& name) {
    const FileKind kind = fileKindOf(name);
    return kind != FileKind::Missing && kind != FileKind::Regular;
}

}  // namespace k7check
