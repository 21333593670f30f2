// The identification reference file on arbitrary bytes: reading never goes beyond them, and a
// record that the file can carry (by the check "Save" warns with), whether read from a file or
// made of the bytes, comes back from its file and from the windows' edit values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "card/KennungFile.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as a file.
    const KonfigRecord read = k7check::parseKennungFile(bytes);
    const std::string text = k7check::kennungFileText(read);
    if (k7check::fieldsTheFileCannotCarry(read).empty()) {
        check(k7check::kennungFileText(k7check::parseKennungFile(text)) == text);
        check(k7check::compareKennung(k7check::parseKennungFile(text), read) == "OK");
    }

    // The bytes as a list text.
    uint8_t bytesList[8];
    uint16_t wordsList[8];
    float floatsList[16];
    k7check::readListText(bytes, bytesList);
    k7check::readListText(bytes, wordsList);
    k7check::readListText(bytes, floatsList);
    (void)k7check::listDisplayText(floatsList, 5);

    // The bytes as a record, whatever they hold.
    KonfigRecord record{};
    std::memcpy(&record, data, size < sizeof record ? size : sizeof record);
    const std::string written = k7check::kennungFileText(record);
    const KonfigRecord back = k7check::parseKennungFile(written);
    if (k7check::fieldsTheFileCannotCarry(record).empty()) {
        check(k7check::compareKennung(back, record) == "OK");
        check(k7check::kennungFileText(back) == written);
        for (const auto window :
             {k7check::KennungWindow::Kennung, k7check::KennungWindow::Vorgaben}) {
            const KonfigRecord edited =
                k7check::kennungRecordOf(k7check::kennungEditsOf(record, window));
            check(k7check::kennungFileText(edited) == written);
        }
    }
    return 0;
}
