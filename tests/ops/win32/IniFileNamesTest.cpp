// The parameter file under a name with umlauts on Windows: read and written through its UTF-16
// name, the bytes as they were.
#include <gtest/gtest.h>

#include <string>

#include "ScratchFolder.h"
#include "k7base/Files.h"
#include "k7base/RegularFile.h"
#include "paramfile/IniFile.h"

using namespace k7check;

namespace {

TEST(IniFileNames, AParameterFileNamedWithUmlautsIsReadAndWritten) {
    const k7test::ScratchDir folder("k7ops");
    const std::string path = folder.file("Prüfplatz Größe.INI");
    ASSERT_TRUE(k7base::writeFileAtomically(path, "[Init]\r\nKarte=2\r\n"));
    EXPECT_EQ(IniFile::load(path).value("Init", "Karte"), "2");
    ASSERT_TRUE(writeProfileString(path, "Init", "Karte", "3"));
    std::string bytes;
    ASSERT_TRUE(k7base::readRegularFile(path, bytes));
    EXPECT_EQ(bytes, "[Init]\r\nKarte=3\r\n");
}

}  // namespace
