// The error words' meanings: one table serves the check program's German lines and the C
// interface's English and German texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ErrorWords.h"
#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Ops.h"
#include "KARVO7Os.h"

namespace {

std::string textOf(uint32_t word, uint32_t language) {
    char text[128];
    K7OpsErrorText(word, language, text, sizeof text);
    return text;
}

TEST(ErrorText, EachFamilyOfWordsHasItsMeaningInBothLanguages) {
    EXPECT_EQ(textOf(KARVO7_ERR_FILTER, K7OPS_LANGUAGE_ENGLISH), "Filter above 7");
    EXPECT_EQ(textOf(KARVO7_ERR_FILTER, K7OPS_LANGUAGE_GERMAN), "Filter über 7");
    EXPECT_EQ(textOf(K7_ERROR_SHARING_VIOLATION, K7OPS_LANGUAGE_ENGLISH), "card already in use");
    EXPECT_EQ(textOf(K7_ERROR_SHARING_VIOLATION, K7OPS_LANGUAGE_GERMAN), "Karte in Benutzung");
    EXPECT_EQ(textOf(0xE7060001u, K7OPS_LANGUAGE_ENGLISH), "no data within the data time-out");
    EXPECT_EQ(textOf(0xE7060004u, K7OPS_LANGUAGE_GERMAN), "FIFO-Überlauf");
    EXPECT_EQ(textOf(K7ACQ_ERROR_BUFFER, K7OPS_LANGUAGE_ENGLISH),
              "shot larger than the data buffer");
    EXPECT_EQ(textOf(K7OPS_ERROR_FILE, K7OPS_LANGUAGE_ENGLISH),
              "a file that cannot be read, refused, or not written");
}

TEST(ErrorText, AWordOnlyTheDriverKnowsIsNamedAsTheDriversAndAnUnknownLanguageIsEnglish) {
    EXPECT_EQ(textOf(0x12345678u, K7OPS_LANGUAGE_ENGLISH), "error word of the driver");
    EXPECT_EQ(textOf(0x12345678u, K7OPS_LANGUAGE_GERMAN), "Fehlerwort des Treibers");
    EXPECT_EQ(textOf(KARVO7_ERR_FILTER, 7u), "Filter above 7");
}

TEST(ErrorText, ASmallBufferIsCutBeforeACharacterThatDoesNotFitWholeAndTheLengthIsTold) {
    // "Senderdämpfung über 3": the 'ä' takes bytes 7 and 8.
    const std::string whole = "Senderdämpfung über 3";
    EXPECT_EQ(K7OpsErrorText(KARVO7_ERR_SENDERDAEMPFUNG, K7OPS_LANGUAGE_GERMAN, nullptr, 0),
              whole.size());
    char text[9];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(K7OpsErrorText(KARVO7_ERR_SENDERDAEMPFUNG, K7OPS_LANGUAGE_GERMAN, text, sizeof text),
              whole.size());
    EXPECT_STREQ(text, "Senderd");
    char one[1] = {'x'};
    K7OpsErrorText(KARVO7_ERR_SENDERDAEMPFUNG, K7OPS_LANGUAGE_GERMAN, one, 1);
    EXPECT_EQ(one[0], '\0');
}

TEST(ErrorText, TheCheckProgramsLineNamesTheWordInHexWithItsGermanMeaning) {
    EXPECT_EQ(k7check::errorText(KARVO7_ERR_FILTER), "Error 90110000 (Filter über 7)");
    // 0: a handle or an argument the card library refused before sending anything.
    EXPECT_EQ(k7check::errorText(0u), "Error 0 (ungültige Karte oder fehlendes Argument)");
}

}  // namespace
