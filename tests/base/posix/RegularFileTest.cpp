// Files the user names are read only when they are regular files: a FIFO (that would wait for a
// writer for ever) or a device is refused by its name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "BaseTestFiles.h"
#include "k7base/RegularFile.h"

using namespace basetest;

namespace {

TEST(RegularFile, OnlyARegularFileIsReadAnythingElseRefusedByItsName) {
    TempDir dir;
    writeText(dir.file("k.txt"), "Karte=KARVO7F\n");
    std::string bytes;
    std::string error;
    ASSERT_TRUE(k7base::readRegularFile(dir.file("k.txt"), bytes, &error)) << error;
    EXPECT_EQ(bytes, "Karte=KARVO7F\n");

    const std::string fifo = dir.file("fifo.hex");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/null"), std::string("/dev/zero")}) {
        EXPECT_FALSE(k7base::readRegularFile(path, bytes, &error)) << path;
        EXPECT_EQ(error, path + ": keine Datei");
    }
    EXPECT_FALSE(k7base::readRegularFile(dir.path(), bytes, &error));
    EXPECT_NE(error.find("directory"), std::string::npos) << error;
    EXPECT_FALSE(k7base::readRegularFile(dir.file("none"), bytes, &error));
    EXPECT_EQ(error, dir.file("none") + ": No such file or directory");
    EXPECT_FALSE(k7base::readRegularFile(dir.file("k.txt"), bytes, &error, 4));
    EXPECT_EQ(error, dir.file("k.txt") + ": zu groß");
}

}  // namespace
