#include "card/KennungCheck.h"

#include "Format.h"
#include "card/KennungFile.h"
#include "card/KennungReference.h"

namespace k7check {

std::optional<KonfigRecord> readCardKennung(KARVO7HANDLE card, uint32_t& error) {
    KonfigRecord record{};
    error = 0;
    if (KARVO7GetKonfig(card, &record, &error) == 0) {
        return std::nullopt;
    }
    return record;
}

Verdict checkKennung(KARVO7HANDLE card, const std::string& path) {
    uint32_t error = 0;
    const std::optional<KonfigRecord> record = readCardKennung(card, error);
    if (!record) {
        return {false, formatText("GetKonfig Error %X", error)};
    }
    const KennungReference reference = readKennungReference(path);
    if (!reference.record) {
        return {false, reference.fault};
    }
    Verdict verdict;
    verdict.line = compareKennung(*record, reference.record);
    verdict.passed = verdict.line == "OK";
    return verdict;
}

bool writeCardKennung(KARVO7HANDLE card, const KonfigRecord& record, uint32_t& error) {
    error = 0;
    return KARVO7PutKonfig(card, &record, &error) != 0;
}

}  // namespace k7check
