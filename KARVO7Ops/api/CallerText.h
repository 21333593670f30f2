// What the C functions hand back to their callers: texts into the caller's buffers, and the
// error word of a refused call.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "numbers/NumberText.h"

namespace k7ops {

// Copies `text` into `out` of `bytes` bytes, NUL-terminated, cut before a UTF-8 character that
// does not fit whole; returns the whole text's length.
inline uint32_t copyText(char* out, std::size_t bytes, std::string_view text) {
    if (out != nullptr && bytes > 0) {
        const std::string cut = k7check::cutText(text, bytes - 1);
        std::memcpy(out, cut.data(), cut.size());
        out[cut.size()] = '\0';
    }
    return static_cast<uint32_t>(text.size());
}

// Leaves `word` in `error` (when given) and returns the C functions' 0 for a failure.
inline int fail(uint32_t* error, uint32_t word) {
    if (error != nullptr) {
        *error = word;
    }
    return 0;
}

}  // namespace k7ops
