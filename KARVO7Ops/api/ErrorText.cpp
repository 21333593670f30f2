// The error words' meanings through the C interface, in English or German.
#include <cstring>

#include "ErrorWords.h"
#include "KARVO7Ops.h"

extern "C" KARVO7OPS_API uint32_t K7OpsErrorText(uint32_t word, uint32_t language, char* text,
                                                 uint32_t capacity) {
    const char* meaning =
        k7check::errorMeaning(word, language == K7OPS_LANGUAGE_GERMAN ? k7check::Language::German
                                                                      : k7check::Language::English);
    const std::size_t length = std::strlen(meaning);
    if (text != nullptr && capacity > 0) {
        // Cut before a UTF-8 character that does not fit whole.
        std::size_t copied = length < capacity ? length : capacity - 1;
        while (copied > 0 && copied < length &&
               (static_cast<unsigned char>(meaning[copied]) & 0xC0u) == 0x80u) {
            --copied;
        }
        std::memcpy(text, meaning, copied);
        text[copied] = '\0';
    }
    return static_cast<uint32_t>(length);
}
