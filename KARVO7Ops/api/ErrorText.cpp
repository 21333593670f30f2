// The error words' meanings through the C interface, in English or German.
#include "CallerText.h"
#include "ErrorWords.h"
#include "KARVO7Ops.h"

extern "C" KARVO7OPS_API uint32_t K7OpsErrorText(uint32_t word, uint32_t language, char* text,
                                                 uint32_t capacity) {
    const char* meaning =
        k7check::errorMeaning(word, language == K7OPS_LANGUAGE_GERMAN ? k7check::Language::German
                                                                      : k7check::Language::English);
    return k7ops::copyText(text, capacity, meaning);
}
