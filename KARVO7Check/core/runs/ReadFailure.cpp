#include "runs/ReadFailure.h"

#include "Format.h"
#include "KARVO7Acquire.h"
#include "KARVO7Os.h"
#include "KARVO7Protocol.h"

namespace k7check {

namespace {

struct Meaning {
    uint32_t word;
    const char* text;
};

constexpr Meaning kMeanings[] = {
    {0xE7060001u, "keine Daten innerhalb der Time Out"},
    {0xE7060002u, "eine Übertragung läuft schon"},
    {0xE7060004u, "FIFO-Überlauf"},
    {K7_ERROR_INVALID_HANDLE, "Karte nicht geöffnet"},
    {K7_ERROR_NOT_ENOUGH_MEMORY, "zu wenig Speicher"},
    {K7_ERROR_GEN_FAILURE, "die Karte hat die Anfrage nicht ausgeführt"},
    {K7_ERROR_SEM_TIMEOUT, "keine Daten innerhalb der Time Out"},
    {K7_ERROR_OPERATION_ABORTED, "Übertragung abgebrochen"},
    {K7ACQ_ERROR_ARGUMENT, "ungültige Einstellung der Messung"},
    {K7ACQ_ERROR_MEMORY, "kein Speicher für den Ringpuffer"},
    {K7ACQ_ERROR_THREAD, "Lese-Thread nicht gestartet"},
    {K7ACQ_ERROR_BUFFER, "Schuss größer als der Datenpuffer"},
};

// The full and overflow bits of the FIFO status register.
constexpr uint32_t kFifoRanOverBits = 0x00F0u;

}  // namespace

std::string errorMeaning(uint32_t word) {
    for (const Meaning& m : kMeanings) {
        if (m.word == word) {
            return m.text;
        }
    }
    return {};
}

std::string errorText(const char* call, uint32_t word) {
    std::string text = formatText("%s Error %X", call, word);
    const std::string meaning = errorMeaning(word);
    if (!meaning.empty()) {
        text += " (" + meaning + ")";
    }
    return text;
}

std::string runCardText(const char* run, uint32_t card, const std::string& what) {
    return formatText("%s, Karte %u: ", run, card) + what;
}

bool fifoRanOver(KARVO7HANDLE card) {
    return (KARVO7ReadRegister(card, k7proto::reg::kFifoStatus) & kFifoRanOverBits) != 0;
}

}  // namespace k7check
