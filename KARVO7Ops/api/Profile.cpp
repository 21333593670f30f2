// The parameter file through the C interface: an INI profile in memory, read, edited and written
// whole by the operations' own profile, so that every program reads and writes the file by the
// one set of rules.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "CallerText.h"
#include "KARVO7Ops.h"
#include "k7base/Files.h"
#include "k7base/RegularFile.h"
#include "paramfile/IniFile.h"
#include "paramfile/ParameterKeys.h"
#include "paramfile/SetSection.h"

struct K7OpsProfile {
    k7check::IniFile file;
};

namespace {

using k7ops::copyText;
using k7ops::fail;

bool fitsInMemory(uint64_t size) {
    return size <= static_cast<uint64_t>(SIZE_MAX);
}

// A new profile, or NULL with K7OPS_ERROR_FILE when there is no memory for one.
K7OpsProfile* made(k7check::IniFile file, uint32_t* error) {
    auto* profile = new (std::nothrow) K7OpsProfile{std::move(file)};
    if (profile == nullptr) {
        fail(error, K7OPS_ERROR_FILE);
        return nullptr;
    }
    if (error != nullptr) {
        *error = 0;
    }
    return profile;
}

// Whether a write was refused for the file itself (read-only, no regular file, a link of
// another user) rather than failing on the way.
bool protectedFile(const std::string& reason) {
    return reason == k7base::kReadOnly || reason == k7base::kNotARegularFile ||
           reason == k7base::kForeignLink;
}

}  // namespace

extern "C" {

KARVO7OPS_API K7OpsProfile* K7OpsProfileParse(const char* bytes, uint64_t size, uint32_t* error) {
    if ((bytes == nullptr && size > 0) || !fitsInMemory(size)) {
        fail(error, K7OPS_ERROR_ARGUMENT);
        return nullptr;
    }
    return made(k7check::IniFile::parse(
                    std::string_view(bytes == nullptr ? "" : bytes, static_cast<size_t>(size))),
                error);
}

KARVO7OPS_API K7OpsProfile* K7OpsProfileLoad(const char* path, char* message, uint32_t messageBytes,
                                             uint32_t* error) {
    copyText(message, messageBytes, "");
    if (path == nullptr) {
        fail(error, K7OPS_ERROR_ARGUMENT);
        return nullptr;
    }
    std::string bytes;
    std::string why;
    if (!k7base::readRegularFile(path, bytes, &why)) {
        if (errno == ENOENT) {
            return made(k7check::IniFile{}, error);
        }
        copyText(message, messageBytes, why);
        fail(error, K7OPS_ERROR_FILE);
        return nullptr;
    }
    return made(k7check::IniFile::parse(bytes), error);
}

KARVO7OPS_API void K7OpsProfileFree(K7OpsProfile* profile) {
    delete profile;
}

KARVO7OPS_API int K7OpsProfileValue(const K7OpsProfile* profile, const char* section,
                                    const char* key, char* value, uint64_t capacity,
                                    uint64_t* length, int32_t* found, uint32_t* error) {
    if (length != nullptr) {
        *length = 0;
    }
    copyText(value, static_cast<size_t>(std::min<uint64_t>(capacity, SIZE_MAX)), "");
    if (profile == nullptr || section == nullptr || key == nullptr || length == nullptr ||
        found == nullptr || error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    const auto text = profile->file.value(section, key);
    *found = text ? 1 : 0;
    if (text) {
        copyText(value, static_cast<size_t>(std::min<uint64_t>(capacity, SIZE_MAX)), *text);
        *length = text->size();
    }
    *error = 0;
    return 1;
}

KARVO7OPS_API int K7OpsProfileSetValue(K7OpsProfile* profile, const char* section, const char* key,
                                       const char* value, uint64_t size, uint32_t* error) {
    if (profile == nullptr || section == nullptr || key == nullptr ||
        (value == nullptr && size > 0) || error == nullptr || !fitsInMemory(size)) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    const std::string_view text(value == nullptr ? "" : value, static_cast<size_t>(size));
    if (!profile->file.set(section, key, text)) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    *error = 0;
    return 1;
}

KARVO7OPS_API int K7OpsProfileWriteSet(K7OpsProfile* profile, const char* section,
                                       const int64_t* values, uint32_t count, const uint16_t* table,
                                       uint32_t points, int32_t active, uint32_t* error) {
    const auto fields = k7check::parameterFields();
    if (profile == nullptr || section == nullptr || values == nullptr || error == nullptr ||
        count < fields.size() || points > K7OPS_TA_ENTRIES || (points > 0 && table == nullptr) ||
        !k7check::IniFile::canHold(section, "Active", "")) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    k7check::IniFile& file = profile->file;
    // The file's own set first: an off set keeps the count, the table and the .ta file's name
    // the file holds, for when it is turned on again.
    k7check::ParameterSet set;
    bool wasActive = false;
    k7check::readSet(file, section, set, wasActive);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        // A threshold is held as 16 times the file's number.
        const bool threshold = fields[i].kind == k7check::FieldKind::Threshold;
        k7check::setFieldValue(
            fields[i], set,
            threshold ? static_cast<int64_t>(static_cast<uint64_t>(values[i]) << 4) : values[i]);
    }
    set.taReferenz = points > 0;
    if (points > 0) {
        set.taStuetzstellen = static_cast<uint8_t>(points - 1);
        set.taTabelle.fill(0);
        std::copy_n(table, points, set.taTabelle.begin());
    }
    k7check::writeSetKeys(file, section, set, active != 0);
    // A section that never had a depth compensation is off without its keys, and stays so.
    if (points > 0 || file.value(section, k7check::kTaEnableKey)) {
        k7check::writeDepthCompensation(file, section, set);
    }
    *error = 0;
    return 1;
}

KARVO7OPS_API int K7OpsProfileBytes(const K7OpsProfile* profile, char* bytes, uint64_t capacity,
                                    uint64_t* size, uint32_t* error) {
    if (size != nullptr) {
        *size = 0;
    }
    if (profile == nullptr || (bytes == nullptr && capacity > 0) || size == nullptr ||
        error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    const std::string text = profile->file.bytes();
    *size = text.size();
    if (capacity < text.size()) {
        return fail(error, K7OPS_ERROR_BUFFER);
    }
    if (!text.empty()) {
        std::memcpy(bytes, text.data(), text.size());
    }
    *error = 0;
    return 1;
}

KARVO7OPS_API int K7OpsProfileSave(const K7OpsProfile* profile, const char* path, char* message,
                                   uint32_t messageBytes, uint32_t* error) {
    copyText(message, messageBytes, "");
    if (profile == nullptr || path == nullptr || error == nullptr || *path == '\0') {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    k7base::AtomicFile file;
    std::string why;
    if (!file.open(path, &why)) {
        copyText(message, messageBytes, why);
        return fail(error, protectedFile(file.reason()) ? K7OPS_ERROR_PROTECTED : K7OPS_ERROR_FILE);
    }
    if (!file.write(profile->file.bytes())) {
        const std::string temporary = file.temporaryPath().empty() ? path : file.temporaryPath();
        copyText(message, messageBytes, temporary + ": " + std::strerror(errno));
        file.discard();
        return fail(error, K7OPS_ERROR_FILE);
    }
    if (!file.commit(&why)) {
        copyText(message, messageBytes, why);
        return fail(error, K7OPS_ERROR_FILE);
    }
    *error = 0;
    return 1;
}

}  // extern "C"
