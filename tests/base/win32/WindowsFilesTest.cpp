// Files on Windows: names with umlauts reach the system as UTF-16 and come back unchanged, a
// replace that the system refuses leaves the old file whole with nothing beside it, a device is
// neither read nor replaced, and the temporary file of a writer that died goes.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BaseTestFiles.h"
#include "k7base/Descriptors.h"
#include "k7base/Files.h"
#include "k7base/Paths.h"
#include "k7base/RegularFile.h"
#include "k7base/Temporaries.h"

using namespace basetest;

namespace {

// The names in a folder as the system gives them, in UTF-16.
std::vector<std::wstring> wideNamesIn(const std::string& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(k7base::nativePath(folder))) {
        names.push_back(entry.path().filename().wstring());
    }
    return names;
}

TEST(WindowsFiles, NamesWithUmlautsRoundTrip) {
    TempDir dir;
    const std::string path = dir.file("Prüfplatz Größe.INI");
    std::string error;
    ASSERT_TRUE(k7base::writeFileAtomically(path, "[Init]\r\nKarte=2\r\n", &error)) << error;
    EXPECT_EQ(wideNamesIn(dir.path()), std::vector<std::wstring>{L"Prüfplatz Größe.INI"});
    std::string bytes;
    ASSERT_TRUE(k7base::readRegularFile(path, bytes, &error)) << error;
    EXPECT_EQ(bytes, "[Init]\r\nKarte=2\r\n");
    EXPECT_TRUE(k7base::isRegularFile(path));
    EXPECT_EQ(k7base::fileKindOf(dir.path()), k7base::FileKind::Folder);
}

TEST(WindowsFiles, ARefusedReplaceLeavesTheOldFileWholeAndNothingBeside) {
    TempDir dir;
    const std::string path = dir.file("KARVO7Check.INI");
    writeText(path, "[Init]\nKarte=1\n");
    // Another program holds the file open without letting it be deleted or renamed over.
    HANDLE held = CreateFileW(k7base::nativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string error;
    const bool written = k7base::writeFileAtomically(path, "[Init]\nKarte=2\n", &error);
    CloseHandle(held);
    EXPECT_FALSE(written);
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_EQ(readText(path), "[Init]\nKarte=1\n");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"KARVO7Check.INI"});
    // Once it is free, the same write goes through.
    ASSERT_TRUE(k7base::writeFileAtomically(path, "[Init]\nKarte=2\n", &error)) << error;
    EXPECT_EQ(readText(path), "[Init]\nKarte=2\n");
}

TEST(WindowsFiles, ADeviceIsNeitherReadNorReplaced) {
    std::string bytes;
    std::string error;
    EXPECT_FALSE(k7base::readRegularFile("NUL", bytes, &error));
    EXPECT_EQ(error, std::string("NUL: ") + k7base::kNotARegularFile);
    EXPECT_FALSE(k7base::writeFileAtomically("NUL", "x", &error));
    EXPECT_EQ(error, "NUL: keine Datei");
    EXPECT_TRUE(k7base::isOtherThanRegularFile("NUL"));
}

// The runtime takes every character device for a terminal: NUL as standard input must never
// make a program wait for a confirmation.
TEST(WindowsDescriptors, TheNullDeviceIsNoTerminal) {
    const int fd = k7base::openForWriting("NUL");
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(k7base::isTerminal(fd));
    EXPECT_TRUE(k7base::closeDescriptor(fd));
}

TEST(WindowsFiles, TheTemporaryOfADeadWriterGoesWhenTheFileIsWrittenNext) {
    TempDir dir;
    const std::string path = dir.file("data.csv");
    // No process has an id this large; the live writer is this process.
    const std::string dead = k7base::temporaryPrefix(path) + "2147483644-abc";
    const std::string live = k7base::temporaryPrefixOfThisProcess(path) + "abc";
    writeText(dead, "half");
    writeText(live, "half");
    ASSERT_TRUE(k7base::writeFileAtomically(path, "whole"));
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_EQ(readText(path), "whole");
}

TEST(WindowsPaths, DrivesAndBothSeparators) {
    EXPECT_TRUE(k7base::isAbsolutePath("C:\\Prüfplatz\\KARVO7Check.INI"));
    EXPECT_TRUE(k7base::isAbsolutePath("c:/KARVO7Check.INI"));
    EXPECT_TRUE(k7base::isAbsolutePath("\\\\server\\share\\x.ini"));
    EXPECT_FALSE(k7base::isAbsolutePath("C:KARVO7Check.INI"));
    EXPECT_FALSE(k7base::isAbsolutePath("Prüfplatz\\KARVO7Check.INI"));
    EXPECT_EQ(k7base::lastSeparator("C:\\a/b\\c.ini"), 6u);
    EXPECT_EQ(
        k7base::resolveProfilePath("KARVO7Check.INI", "C:/Programme/KARVO7/bin/KARVO7Check.exe"),
        "C:/Programme/KARVO7/bin/KARVO7Check.INI");
    EXPECT_EQ(k7base::resolveProfilePath("D:\\x.ini", "C:/bin/KARVO7Check.exe"), "D:\\x.ini");
    const std::string self = k7base::runningExecutable();
    EXPECT_TRUE(k7base::isAbsolutePath(self)) << self;
    EXPECT_EQ(self.find('\\'), std::string::npos) << self;
    EXPECT_TRUE(k7base::isRegularFile(self)) << self;
}

}  // namespace
