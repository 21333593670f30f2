// The identification record through the C interface on a simulated card: saved to its text file
// as the card holds it, written back from an edited file, and a file that cannot be read leaves
// the card as it was.
#include <gtest/gtest.h>

#include "InProcessCards.h"
#include "KARVO7Ops.h"

namespace tooltest {
namespace {

class OpsKennung : public InProcessCards {
  protected:
    void SetUp() override {
        install(config("kennung"));
        ASSERT_FALSE(HasFatalFailure());
        clock.onSleep([this](uint32_t) { sim->service(); });
        card = KARVO7Open(1);
        ASSERT_NE(card, nullptr);
    }
    void TearDown() override { KARVO7Close(card); }

    KARVO7HANDLE card = nullptr;
};

TEST_F(OpsKennung, SavedWrittenAndCheckedAgainstItsFile) {
    const std::string shipped = readFile(std::string(KARVO7_EXAMPLES) + "/KARVO7Kennung.txt");
    const std::string saved = folder.file("saved.txt");
    uint32_t error = 1;
    ASSERT_EQ(K7OpsSaveKennung(card, saved.c_str(), &error), 1) << std::hex << error;
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(readFile(saved), shipped);

    // Another card name written from the file, then the card is checked against it.
    std::string edited = shipped;
    edited.replace(edited.find("KARVO7F"), 7, "KARVO7X");
    writeFile(folder.file("edited.txt"), edited);
    ASSERT_EQ(K7OpsWriteKennung(card, folder.file("edited.txt").c_str(), &error), 1)
        << std::hex << error;
    writeFile(folder.file("check.ini"), "[Kennung]\nFilename=" + folder.file("edited.txt") + "\n");
    K7OpsVerdict verdict;
    ASSERT_EQ(K7OpsCheck(card, K7OPS_CHECK_KENNUNG, folder.file("check.ini").c_str(), nullptr,
                         nullptr, &verdict, &error),
              1);
    EXPECT_EQ(verdict.passed, 1) << verdict.text;
    EXPECT_STREQ(verdict.text, "OK");
    EXPECT_STREQ(verdict.name, "Kennung");

    // A file that is not there writes nothing: the card keeps the edited record.
    EXPECT_EQ(K7OpsWriteKennung(card, folder.file("missing.txt").c_str(), &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_FILE);
    ASSERT_EQ(K7OpsSaveKennung(card, saved.c_str(), &error), 1);
    EXPECT_EQ(readFile(saved), edited);
}

// Only the record's text form reaches the card: an empty file, random bytes, the file in UTF-16
// or one with a broken line are refused and the card keeps its identification, and the check
// names the line instead of comparing the card with an empty record.
TEST_F(OpsKennung, AFileThatIsNotTheRecordsTextFormWritesNothing) {
    const std::string shipped = readFile(std::string(KARVO7_EXAMPLES) + "/KARVO7Kennung.txt");
    std::string utf16 = "\xff\xfe";
    for (const char c : shipped) {
        utf16 += c;
        utf16 += '\0';
    }
    std::string broken = shipped;
    broken.replace(broken.find("17,2,1:12;"), 10, "17,2,1:12");
    const std::pair<std::string, std::string> files[] = {
        {"", "leer"},
        {std::string("\x13\x9a\x00\xf1\x42\x07", 6), "Zeile 1: Zeichen außerhalb ASCII"},
        {utf16, "Zeile 1: Zeichen außerhalb ASCII"},
        {broken, "Zeile 7: keine Zeile \"Schlüssel,Typ,Anzahl:Werte;\""},
    };
    const std::string before = folder.file("before.txt");
    uint32_t error = 0;
    ASSERT_EQ(K7OpsSaveKennung(card, before.c_str(), &error), 1);
    const std::string file = folder.file("k.txt");
    writeFile(folder.file("check.ini"), "[Kennung]\nFilename=k.txt\n");
    for (const auto& [bytes, why] : files) {
        writeFile(file, bytes);
        error = 0;
        EXPECT_EQ(K7OpsWriteKennung(card, file.c_str(), &error), 0) << why;
        EXPECT_EQ(error, K7OPS_ERROR_FILE) << why;
        K7OpsVerdict verdict;
        ASSERT_EQ(K7OpsCheck(card, K7OPS_CHECK_KENNUNG, folder.file("check.ini").c_str(), nullptr,
                             nullptr, &verdict, &error),
                  1);
        EXPECT_EQ(verdict.passed, 0);
        EXPECT_EQ(std::string(verdict.text), "Kennung-Datei " + file + ": " + why);
    }
    const std::string after = folder.file("after.txt");
    ASSERT_EQ(K7OpsSaveKennung(card, after.c_str(), &error), 1);
    EXPECT_EQ(readFile(after), readFile(before));
    EXPECT_EQ(readFile(after), shipped);
}

// A parameter file that cannot be read is refused before any check runs; an empty name stands
// for none.
TEST_F(OpsKennung, ChecksRefuseAParameterFileThatCannotBeRead) {
    K7OpsVerdict verdict;
    K7OpsVerdict all[K7OPS_CHECK_COUNT];
    uint32_t count = 7;
    uint32_t error = 0;
    const std::string missing = folder.file("missing.ini");
    for (const std::string& ini : {missing, folder.path()}) {
        EXPECT_EQ(K7OpsCheck(card, K7OPS_CHECK_PCI_EEPROM, ini.c_str(), nullptr, nullptr, &verdict,
                             &error),
                  0);
        EXPECT_EQ(error, K7OPS_ERROR_FILE);
        error = 0;
        EXPECT_EQ(K7OpsCheckAll(card, ini.c_str(), nullptr, nullptr, all, K7OPS_CHECK_COUNT, &count,
                                &error),
                  0);
        EXPECT_EQ(error, K7OPS_ERROR_FILE);
        EXPECT_EQ(count, 7u) << "nothing ran";
    }
    ASSERT_EQ(K7OpsCheck(card, K7OPS_CHECK_PCI_EEPROM, "", nullptr, nullptr, &verdict, &error), 1);
    EXPECT_STREQ(verdict.text, "Vorgabe fehlt: [PCIEEPROM] Signature");
}

}  // namespace
}  // namespace tooltest
