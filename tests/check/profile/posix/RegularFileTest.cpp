// Files the user names are read only when they are regular files: a FIFO (that would wait for a
// writer for ever) or a device is refused by its name, and so by every reader built on it — the
// parameter file, the identification file and the DSP program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "CheckTestSupport.h"
#include "card/DspImage.h"
#include "card/KennungFile.h"
#include "profile/IniFile.h"
#include "profile/RegularFile.h"

using namespace k7check;
using namespace k7checktest;

namespace {

TEST(RegularFile, OnlyARegularFileIsReadAnythingElseRefusedByItsName) {
    TempDir dir;
    writeText(dir.file("k.txt"), "Karte=KARVO7F\n");
    std::string bytes;
    std::string error;
    ASSERT_TRUE(readRegularFile(dir.file("k.txt"), bytes, &error)) << error;
    EXPECT_EQ(bytes, "Karte=KARVO7F\n");

    const std::string fifo = dir.file("fifo.hex");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/null"), std::string("/dev/zero")}) {
        EXPECT_FALSE(readRegularFile(path, bytes, &error)) << path;
        EXPECT_EQ(error, path + ": keine Datei");
    }
    EXPECT_FALSE(readRegularFile(dir.path(), bytes, &error));
    EXPECT_NE(error.find("directory"), std::string::npos) << error;
    EXPECT_FALSE(readRegularFile(dir.file("none"), bytes, &error));
    EXPECT_EQ(error, dir.file("none") + ": No such file or directory");
    EXPECT_FALSE(readRegularFile(dir.file("k.txt"), bytes, &error, 4));
    EXPECT_EQ(error, dir.file("k.txt") + ": zu groß");
}

TEST(RegularFile, TheReadersOfTheProgramRefuseAFifoWithoutWaitingForAWriter) {
    TempDir dir;
    const std::string fifo = dir.file("programm.hex");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const DspImageRead dsp = readDspImage(fifo);
    EXPECT_EQ(dsp.error, fifo + ": keine Datei");
    EXPECT_FALSE(readKennungFile(fifo).has_value());
    EXPECT_EQ(IniFile::load(fifo).bytes(), "");
}

}  // namespace
